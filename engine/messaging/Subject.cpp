// The subject text of a message object.
#include "engine/messaging/Subject.h"

bool HasSubject(const tpstmessage& message) {
    return message.MailInfo && message.MailInfo->Subject && message.MailInfo->Subject->Text;
}

std::string SubjectText(const tpstmessage& message) {
    return HasSubject(message) ? TextOf(message.MailInfo->Subject->Text) : std::string();
}
