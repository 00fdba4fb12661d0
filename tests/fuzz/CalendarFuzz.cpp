// Fuzz target: arbitrary bytes as the binary values of calendar items,
// tasks and distribution lists: PidLidAppointmentRecur and
// PidLidTaskRecurrence ([MS-OXOCAL] 2.2.1.44), PidLidTimeZoneStruct (its
// last 48 bytes, 2.2.1.39) and PidLidDistributionListOneOffMembers
// ([MS-OXCDATA] 2.2.5.1), read and written out as iCalendar and vCard. Every
// written line must end with CR LF and hold at most 75 octets.
#include <cstdlib>
#include <string>

#include "engine/messaging/RecurrencePattern.h"
#include "export/CalendarZone.h"
#include "export/ContentLines.h"
#include "export/ICalendar.h"
#include "export/ListMembers.h"
#include "export/VCard.h"
#include "tests/fuzz/FuzzTarget.h"

namespace {

constexpr size_t kZoneBytes = 48;

void CheckLines(const std::string& text) {
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos || end - start > kMostLineOctets) std::abort();
        if (text.find('\n', start) < end) std::abort();
        start = end + 2;
    }
}

tpstmessage Appointment(const tbytes& bytes, bool allDay) {
    tpstmessage item;
    item.Kind = kKindAppointment;
    item.Appointment = std::make_unique<tappointmentinfo>();
    item.Appointment->AppointmentRecur = bytes;
    if (bytes.size() >= kZoneBytes)
        item.Appointment->TimeZoneStruct.assign(bytes.end() - kZoneBytes, bytes.end());
    item.Appointment->AllDay = allDay ? 1 : 0;
    item.Appointment->StartTime = {0x00, 0x80, 0x3E, 0xD5, 0xDE, 0xB1, 0x9D, 0x01};
    return item;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tbytes bytes(data, data + size);
    ParseRecurrence(bytes, false);
    ParseTimeZoneStruct(bytes, "zone");
    for (bool allDay : {false, true})
        CheckLines(ComposeEventCalendar(Appointment(bytes, allDay), 0x200024));
    tpstmessage task;
    task.Kind = kKindTask;
    task.Task = std::make_unique<ttaskinfo>();
    task.Task->Recurrence = std::string(bytes.begin(), bytes.end());
    CheckLines(ComposeTaskCalendar(task, 0x200044));
    tpstmessage list;
    list.MessageClass = std::string("IPM.DistList");
    list.Contact = std::make_unique<tcontactinfo>();
    list.Contact->DistributionListOneOffMembers = bytes;
    if (ListMembers(bytes).size() > kMostListMembers) std::abort();
    CheckLines(ComposeListVCard(list));
    return 0;
}
