// The rows of a message's recipient table (subnode 0x692, [MS-PST] 2.4.5.2):
// per recipient its type, display name and addresses ([MS-OXCMSG] 2.2.1.x,
// [MS-OXOABK] address properties), for writers that need each person's
// address rather than the display lists of the message's own properties.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/messaging/MessageObject.h"
#include "engine/ndb/NodeTree.h"
#include "engine/ndb/PstFile.h"
#include "engine/ndb/SubnodeTree.h"

// PidTagRecipientType values ([MS-OXOMSG] 2.2.3.1); other bits (such as the
// "resend" flag 0x10000000) may be set above them.
inline constexpr int32_t kRecipientTo = 1;
inline constexpr int32_t kRecipientCc = 2;
inline constexpr int32_t kRecipientBcc = 3;

// A message addressed to more people than this keeps the first ones only.
inline constexpr size_t kMaxRecipientRows = 4096;
// A name or address longer than this is cut: no real one comes close.
inline constexpr size_t kMaxRecipientTextBytes = 2048;

struct trecipient {
    int32_t Type = kRecipientTo; // PidTagRecipientType, low byte; 0 when the row has none
    std::string DisplayName;     // PidTagDisplayName
    std::string SmtpAddress;     // PidTagSmtpAddress
    std::string EmailAddress;    // PidTagEmailAddress (an X.500 DN for Exchange users)
    std::string AddressType;     // PidTagAddressType ("SMTP", "EX", ...)
};

enum class trecipientstate {
    Missing,    // the message has no recipient table
    Unreadable, // the table exists and cannot be read
    Read,       // Rows holds the table's rows (none for an empty table)
};

struct trecipienttable {
    trecipientstate State = trecipientstate::Missing;
    std::vector<trecipient> Rows; // in table order
    bool Cut = false;             // more than kMaxRecipientRows rows: the rest are left out
};

// The recipient table of `node` (a message of a folder).
trecipienttable ReadRecipientTable(tpstfile* file, tnodeentry* node);
// The recipient table among `subnodes` (a message's own subnode list, such as
// that of an embedded message).
trecipienttable ReadRecipientTable(tpstfile* file, tsubnodeentry* subnodes);
// The recipient table of the message embedded in `attachment` (see
// BuildEmbeddedMessage): Missing when it holds no readable message.
trecipienttable ReadEmbeddedRecipientTable(tpstfile* file, const tattachment& attachment);

// The address a mail header gives for a recipient: PidTagSmtpAddress, else
// PidTagEmailAddress when the address type is SMTP; empty otherwise (an
// Exchange user without an SMTP form).
std::string SmtpAddressOf(const trecipient& recipient);
