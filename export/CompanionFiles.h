// The files the export writes beside an item's .eml, or in its place: a
// .vcf for a contact or distribution list, a .ics for an appointment,
// meeting or task. One decision for the EML and mbox walks.
#pragma once

#include <cstdint>
#include <string>

#include "engine/messaging/MessageObject.h"
#include "engine/messaging/RecipientTable.h"

enum class tcompanion { None, ContactCard, ListCard, Event, Task };

// Which file the item gets, by its kind and message class.
tcompanion CompanionOf(const tpstmessage& item);

// The file's name in its folder's directory: as the .eml's name (safe
// subject or name, "_", the NID in hex) with ".vcf" or ".ics".
std::string CompanionFileName(const tpstmessage& item, uint64_t nid, tcompanion kind);

// The file's text; empty for tcompanion::None.
// `recipients`, when given, is the item's recipient table (a meeting's attendees).
std::string ComposeCompanion(const tpstmessage& item, uint64_t nid, tcompanion kind,
                             const trecipienttable* recipients = nullptr);

// Writes the item's .vcf or .ics into `dir` (created or overwritten, never
// through a link). 1 when written, 0 when the item gets none, -1 with the
// reason in `error`.
int32_t WriteCompanionFile(const tpstmessage& item, uint64_t nid, const std::string& dir,
                           std::string* error = nullptr,
                           const trecipienttable* recipients = nullptr);
