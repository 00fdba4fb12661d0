// Fuzz target: the attachment list of every node of a damaged generated
// mailbox and every attachment saved as the viewers and ostrel save it, into
// a scratch folder that must be the only place written to; and the input
// itself taken as a stored file name, whose safe form must keep its rules.
#include <cstdlib>
#include <memory>
#include <string>

#include "display/AttachmentFile.h"
#include "display/FolderWriter.h"
#include "display/SafeFileName.h"
#include "mailbox/uPST64File.h"
#include "tests/fuzz/FuzzTarget.h"
#include "tests/fuzz/Mutations.h"
#include "tests/fuzz/ScratchFiles.h"

namespace {

using namespace ostrel::names;

bool IsValidUtf8(const std::string& s) {
    for (size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > s.size()) return false;
        for (size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += n;
    }
    return true;
}

// The promises of SafeFileName and NumberedFileName.
void CheckSafeName(const std::string& name) {
    bool ok = !name.empty() && name.size() <= kMaxSafeNameBytes && name.front() != '.' &&
              name.front() != ' ' && name.find('/') == std::string::npos &&
              name.find('\\') == std::string::npos && name.find("..") == std::string::npos &&
              IsValidUtf8(name);
    for (char c : name)
        ok = ok && static_cast<unsigned char>(c) >= 0x20 && c != 0x7F;
    if (!ok) std::abort();
}

void SaveAttachments(const uint8_t* data, size_t size) {
    using namespace ostrel::fuzz;
    const std::string path = WriteScratchFile(MutatedSeed(data, size));
    const std::filesystem::path dir = FreshExportDir();
    TPst64File pst;
    pst.Open(path);
    for (tnodeentry* node : pst.Engine.nodes.owned) {
        std::unique_ptr<tpstmessage> object = BuildMessage(&pst.Engine, node);
        if (!object) continue;
        for (const tattachmentrow& row : AttachmentRows(*object)) {
            CheckSafeName(SafeFileName(row.Name));
            tattachmentfile file = AttachmentFile(&pst.Engine, row);
            if (file.Bytes) WriteNewFileInFolder(dir.string(), file.Name, *file.Bytes);
        }
    }
    CheckAndClearExport(dir);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string name(reinterpret_cast<const char*>(data), size);
    const std::string safe = SafeFileName(name);
    CheckSafeName(safe);
    CheckSafeName(NumberedFileName(safe, kMaxNumberedNames));
    SaveAttachments(data, size);
    return 0;
}
