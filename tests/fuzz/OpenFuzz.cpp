// Fuzz target: the open sequence and the folder and item lists on arbitrary
// file bytes, and the collections' cheap reads against the whole builds.
#include "tests/fuzz/FuzzTarget.h"
#include "tests/fuzz/MailboxWalk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ostrel::fuzz::OpenAndListFolders({data, size});
    ostrel::fuzz::CheckCheapReadsAgree({data, size});
    return 0;
}
