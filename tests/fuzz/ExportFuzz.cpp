// Fuzz target: the message object and the EML file of every node of a damaged
// generated mailbox, then the whole-mailbox export, all into a scratch
// directory that must be the only place written to.
#include <memory>
#include <string>

#include "export/EmlExport.h"
#include "mailbox/uPST64File.h"
#include "tests/fuzz/FuzzTarget.h"
#include "tests/fuzz/Mutations.h"
#include "tests/fuzz/ScratchFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace ostrel::fuzz;
    const std::string path = WriteScratchFile(MutatedSeed(data, size));
    const std::filesystem::path dir = FreshExportDir();
    TPst64File pst;
    pst.Open(path);
    size_t n = 0;
    for (tnodeentry* node : pst.Engine.nodes.owned) {
        std::unique_ptr<tpstmessage> object = BuildMessage(&pst.Engine, node);
        if (object)
            TPst64File::SaveMessageToEml(*object, (dir / (std::to_string(n++) + ".eml")).string(),
                                         nullptr, &pst.Engine);
    }
    const std::filesystem::path all = dir / "all";
    std::filesystem::create_directory(all);
    pst.SaveAllToEml(all.string());
    CheckAndClearExport(dir);
    return 0;
}
