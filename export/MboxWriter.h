// Messages as entries of an mbox file in the mboxrd form: a "From " separator
// line before each message, and every body line that matches /^>*From / one
// more ">" in front, so that a reader can undo the quoting exactly
// (the mboxrd variant as RFC 4155 and its references describe it).
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

// The separator: "From - " and the moment in asctime form (UTC), as
// Thunderbird writes it ("From - Thu Mar  4 05:06:07 2021"), with LF.
std::string MboxSeparator(std::time_t when);

// One message's text (lines ended by CR LF, LF or CR) as it stands in an
// mbox file: LF line ends, mboxrd quoting, and a final empty line that
// parts it from the next separator.
std::string MboxEntry(std::string_view message, std::time_t when);

// Appends `entry` to the mbox file at `path`; `start` truncates it first.
// Never through a link. 0, or -1 with the reason in `error`.
int32_t AppendMboxEntry(const std::string& path, std::string_view entry, bool start,
                        std::string* error);
