// Fuzz target: the open sequence and the folder and item lists on generated
// mailboxes of both layouts damaged in place (see Mutations.h), and the
// collections' cheap read of every node, and the folder and item lists it
// gives, against the whole build.
#include "tests/fuzz/FuzzTarget.h"
#include "tests/fuzz/MailboxWalk.h"
#include "tests/fuzz/Mutations.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> bytes = ostrel::fuzz::MutatedSeed(data, size);
    ostrel::fuzz::OpenAndListFolders(bytes);
    ostrel::fuzz::CheckCheapReadsAgree(bytes);
    return 0;
}
