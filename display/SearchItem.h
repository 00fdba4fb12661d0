// One item as the search sees it: the texts of its fields (subject, people,
// body, attachment names), its date, and whether it matches a query. The
// window's Find and `ostrel search` both decide here what matches.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "engine/messaging/MessageObject.h"
#include "engine/messaging/RecipientTable.h"

namespace ostrel::search {

// Where to look; any combination.
enum : unsigned {
    kInSubject = 1u << 0,
    kInPeople = 1u << 1,
    kInBody = 1u << 2,
    kInAttachments = 1u << 3,
    kInEverything = kInSubject | kInPeople | kInBody | kInAttachments,
};

struct tsearchquery {
    std::string Folded; // the text to find, folded (SearchText.h)
    unsigned Fields = kInEverything;
    bool WholeWords = false;
    // FILETIME bounds of the item's date: From inclusive, Before exclusive.
    // With either set, an item without a date does not match.
    std::optional<uint64_t> From;
    std::optional<uint64_t> Before;
};

// A query for `text` in `fields`, matching parts of words, any date.
tsearchquery MakeQuery(const std::string& text, unsigned fields = kInEverything);

// The field set of a comma-separated list of "subject", "people", "body" and
// "attachments"; nullopt for an unknown or empty name.
std::optional<unsigned> ParseFields(const std::string& list);

// The subject, and for a contact its names and company.
std::string SubjectSearchText(const tpstmessage& item);
// Who sent and who received the item, names and addresses, one text. The
// one place that says who "the people" of an item are: the sender's name and
// addresses and the display To, Cc and Bcc of the message object (a
// contact's e-mail names and addresses).
std::string PeopleText(const tpstmessage& item);
// The names and addresses of the rows of a recipient table, one text: the
// addresses the display lists lack.
std::string RecipientsText(const trecipienttable& recipients);
// The body as a reader sees it: the HTML body as text, the plain body, or
// the body the compressed RTF holds (body/MessageBody.h).
std::string BodySearchText(const tpstmessage& item);
// The names of the attachments, long names where there are.
std::string AttachmentNamesText(const tpstmessage& item);

// The item's date as a FILETIME: sent (else delivered) for mail and tasks,
// the start of appointments and journal records, else the last change.
std::optional<uint64_t> ItemFileTime(const tpstmessage& item);

// Does the item match: its date within the bounds and the text in one of the
// fields. `recipientsText`, when given, yields RecipientsText of the item's
// table; it is called only when the item's own people texts do not match.
bool ItemMatches(const tpstmessage& item, const tsearchquery& query,
                 const std::function<std::string()>& recipientsText = {});

} // namespace ostrel::search
