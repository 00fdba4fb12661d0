// Calendar items, meetings and tasks as iCalendar files (RFC 5545): a VEVENT
// with its start and end (UTC, or DATE values for all-day items; a
// recurring series in its own VTIMEZONE), location, organizer, attendees,
// RRULE and EXDATE from the recurrence pattern, reminder and body text; a
// VTODO with its dates, status, percent complete and recurrence.
#pragma once

#include <cstdint>
#include <string>

#include "engine/messaging/MessageObject.h"
#include "engine/messaging/RecipientTable.h"

// The .ics text of an appointment or meeting ([MS-OXOCAL] 2.2.1); `nid`
// makes the UID of an item without a record key. The attendees come from
// `recipients` when it was read, else from the display lists.
std::string ComposeEventCalendar(const tpstmessage& item, uint64_t nid,
                                 const trecipienttable* recipients = nullptr);

// The .ics text of a task ([MS-OXOTASK] 2.2.2).
std::string ComposeTaskCalendar(const tpstmessage& item, uint64_t nid);
