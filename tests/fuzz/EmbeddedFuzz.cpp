// Fuzz target: a damaged mailbox of messages attached to messages three
// levels deep, each with an HTML body that shows an attached picture by cid:.
// Every message and every message embedded in it is built down to the depth
// bound and written as an .eml file with its attached messages inside, into
// a scratch directory that must be the only place written to; the input also
// goes to the HTML reference and MIME type scanners as text.
#include <memory>
#include <string>
#include <string_view>

#include "engine/Limits.h"
#include "engine/messaging/EmbeddedMessage.h"
#include "export/AttachmentTypes.h"
#include "export/EmlMessage.h"
#include "export/HtmlReferences.h"
#include "mailbox/uPST64File.h"
#include "tests/fuzz/FuzzTarget.h"
#include "tests/fuzz/Mutations.h"
#include "tests/fuzz/ScratchFiles.h"
#include "tests/fuzz/SeedMailboxes.h"

namespace {

void OpenEmbedded(tpstfile* file, const tpstmessage& message, int depth) {
    std::vector<const tattachment*> elements;
    for (const tattachment* a = message.Attachments.get(); a; a = a->Next.get())
        elements.push_back(a);
    ReferencedAttachments(message.MailInfo ? TextOf(message.MailInfo->BodyHtml) : "", elements);
    for (const tattachment* a : elements) {
        AttachmentMimeType(*a);
        std::unique_ptr<tpstmessage> nested;
        if (BuildEmbeddedMessage(file, *a, depth, nested) == tembedresult::Built)
            OpenEmbedded(file, *nested, depth + 1);
    }
}

void ScanText(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    CidReferences(text);
    ValidMimeType(text);
    MimeTypeOfExtension(text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace ostrel::fuzz;
    ScanText(data, size);
    const std::string path = WriteScratchFile(MutatedSeed(data, size, EmbeddedSeedMailboxes()));
    const std::filesystem::path dir = FreshExportDir();
    TPst64File pst;
    pst.Open(path);
    size_t n = 0;
    for (tnodeentry* node : pst.Engine.nodes.owned) {
        std::unique_ptr<tpstmessage> object = BuildMessage(&pst.Engine, node);
        if (!object) continue;
        OpenEmbedded(&pst.Engine, *object, 0);
        TPst64File::SaveMessageToEml(*object, (dir / (std::to_string(n++) + ".eml")).string(),
                                     nullptr, &pst.Engine);
    }
    CheckAndClearExport(dir);
    return 0;
}
