// Fuzz target: the open sequence and the folder and item lists on generated
// mailboxes of both layouts damaged in place (see Mutations.h), and the
// collections' cheap read of every node, and the folder and item lists it
// gives, against the whole build.
#include <cstdio>
#include <cstdlib>

#include "mailbox/uPST64File.h"
#include "tests/fuzz/FuzzTarget.h"
#include "tests/fuzz/MailboxWalk.h"
#include "tests/fuzz/Mutations.h"
#include "tests/fuzz/ScratchFiles.h"
#include "tests/mailbox/ProbeAgreement.h"

namespace {

void CheckProbe(const std::vector<uint8_t>& bytes) {
    TPst64File pst;
    pst.Open(ostrel::fuzz::WriteScratchFile(bytes));
    std::string disagreements = probe::Disagreements(&pst.Engine);
    if (disagreements.empty()) disagreements = probe::CollectionDisagreement(pst);
    if (disagreements.empty()) return;
    std::fputs(disagreements.c_str(), stderr);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> bytes = ostrel::fuzz::MutatedSeed(data, size);
    ostrel::fuzz::OpenAndListFolders(bytes);
    CheckProbe(bytes);
    return 0;
}
