// Recipients and senders as RFC 5322 address lists: the entries of the
// display strings of a message object (names without addresses, or
// "Name <address>"), and their rendering as header tokens.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct tmailaddress {
    std::string Name;
    std::string Address; // empty: a name without an address
};

// PR_DISPLAY_TO cut at each ";": the text before it is one entry, the next
// starts two characters after it (Outlook writes "; "); a ";" at the very
// end ends the scan. Empty entries are kept.
std::vector<std::string> SplitDisplayList(std::string_view value);

// One entry: "Name <address>", a bare address, or a name alone.
tmailaddress ParseAddressEntry(std::string_view text);

// A person's address for a header or a calendar: the SMTP form, else the
// address itself when its type is SMTP or not given; an Exchange address
// without an SMTP form gives none (the person keeps the display name).
std::string PersonAddress(const std::string& smtp, const std::string& address,
                          const std::string& type);

// Whether `address` is an RFC 5322 addr-spec written in plain ASCII.
bool IsAddrSpec(std::string_view address);

// Whether a header value taken from elsewhere (transport headers) is an
// address list a strict reader takes without complaint: entries parted by
// commas, each an address (local@domain) or a phrase of atoms, quoted
// strings and encoded-words followed by "<address>"; a local part is a
// dot-atom or a quoted string. Groups and obsolete forms (a '.' in a phrase) are not.
bool IsStrictAddressList(std::string_view value);

// The header tokens of an address list (for mime::FoldedHeader). An entry
// without a usable address becomes a group of no members named after it
// ("Ann:;"), which keeps the name visible and the header valid; entries
// with neither name nor address are left out. Names that are not plain
// ASCII are written as encoded-words of the charset `charsetOf` names for
// them.
using tcharsetof = std::function<std::string(std::string_view text)>;
std::vector<std::string> AddressListTokens(const std::vector<tmailaddress>& entries,
                                           const tcharsetof& charsetOf);
