// Release of message objects. Lists are unlinked element by element so that
// a message with thousands of recipients does not release them by recursion.
#include "engine/messaging/MessageObject.h"

namespace {

template <class T> void ReleaseChain(std::unique_ptr<T>& head) {
    while (head)
        head = std::move(head->Next);
}

} // namespace

tattachment::~tattachment() {
    ReleaseChain(Next);
}

theaderfield::~theaderfield() {
    ReleaseChain(Next);
}

void FreeMessage(std::unique_ptr<tpstmessage>& message) {
    message.reset();
}
