// Fuzz target: the open sequence and the folder and item lists on generated
// mailboxes of both layouts damaged in place (see Mutations.h).
#include "tests/fuzz/FuzzTarget.h"
#include "tests/fuzz/MailboxWalk.h"
#include "tests/fuzz/Mutations.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ostrel::fuzz::OpenAndListFolders(ostrel::fuzz::MutatedSeed(data, size));
    return 0;
}
