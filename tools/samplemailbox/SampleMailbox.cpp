// The sample mailbox put together (see SampleMailbox.h).
#include "tools/samplemailbox/SampleMailbox.h"

#include "tools/pstwriter/PstNodeData.h"
#include "tools/samplemailbox/SampleContent.h"

namespace samplemailbox {

namespace {

// Folder NID indexes count down from here: the viewer lists the folders of a parent from the
// highest NID down, so that the Inbox comes first as in Outlook.
constexpr uint32_t kFirstFolderIndex = 0x440;
constexpr uint8_t kNidTypeNormalFolder = 0x02;

} // namespace

pstw::Mailbox mailbox() {
    pstw::Mailbox m;
    m.storeName = "Personal Folders";
    m.rootDisplayName = false; // as in Outlook's files: no unnamed row above the subtree
    for (pstw::Folder& f : mailFolders())
        m.ipmSubtree.folders.push_back(std::move(f));
    for (pstw::Folder& f : organizerFolders())
        m.ipmSubtree.folders.push_back(std::move(f));
    uint32_t index = kFirstFolderIndex;
    for (pstw::Folder& f : m.ipmSubtree.folders)
        f.nid = pstw::makeNid(index--, kNidTypeNormalFolder);
    return m;
}

void write(const std::string& path, pstw::Layout layout) {
    pstw::Options options;
    options.layout = layout;
    pstw::MailboxWriter writer(options);
    writer.write(mailbox(), path);
}

} // namespace samplemailbox
