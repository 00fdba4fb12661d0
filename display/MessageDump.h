// Every field of one message object as named text lines, for `ostrel show`
// and for anyone who needs to see exactly what a node was turned into. Field
// names follow the records ("MailInfo.Subject.Text", "Attachments[0].FileName").
#pragma once

#include <string>
#include <vector>

#include "engine/messaging/MessageObject.h"

struct tdumpline {
    std::string Field;
    std::string Value;
};

// The fields that are set (non-null text, non-empty bytes, non-zero numbers),
// records in declaration order; Kind and MessageClass always. Texts are
// escaped (EscapeText), bytes in lowercase hex, FILETIMEs in ISO 8601 UTC,
// identifiers in hex, tri-states as signed numbers (-1 false). A sub-record
// that exists has a line "present", a non-empty chain a line with its length.
std::vector<tdumpline> DumpMessage(const tpstmessage& message);

// Every member of every record the dump walks, as "record.member" (for
// instance "tmailinfo.Subject"), depth first, members in declaration order;
// lets a test hold the dump against the field list the records are
// declared from (engine/messaging/MessageFields.inc).
std::vector<std::string> DumpedMemberNames();

// Tab, line feed and carriage return as \t, \n and \r; everything else as is.
std::string EscapeText(const std::string& text);
std::string HexBytes(const void* data, size_t size);
// "2010-02-07T14:05:09Z"; the hex bytes when the value is not 8 bytes long.
std::string FormatFileTimeUtc(const tbytes& filetime);
