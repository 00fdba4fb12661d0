// Store, folders and their tables of the PST writer's mailboxes ([MS-PST] 2.4.1 to 2.4.4 and
// the minimum structure of 2.7.1).
#include "tools/pstwriter/PstMailbox.h"

#include "tools/pstwriter/PstFormat.h"
#include "tools/pstwriter/PstMessage.h"
#include "tools/pstwriter/PstPropContext.h"
#include "tools/pstwriter/PstTableContext.h"

namespace pstw {

namespace {

constexpr uint8_t kNidTypeFolder = 0x02, kNidTypeMessage = 0x04, kNidTypeAssoc = 0x08;
constexpr uint8_t kNidTypeHierarchy = 0x0D, kNidTypeContents = 0x0E, kNidTypeAssocContents = 0x0F;

uint32_t sibling(uint32_t nid, uint8_t type) {
    return (nid & ~0x1Fu) | type;
}

// ENTRYID of [MS-PST] 2.4.3.2: rgbFlags, the store's provider UID, the NID.
std::vector<uint8_t> entryId(uint32_t nid) {
    std::vector<uint8_t> id(4, 0);
    const Guid uid = MailboxWriter::providerUid();
    id.insert(id.end(), uid.begin(), uid.end());
    id.resize(24, 0);
    detail::put(id, 20, nid, 4);
    return id;
}

size_t unread(const std::vector<Item>& items) {
    size_t n = 0;
    for (const Item& i : items)
        n += i.read ? 0 : 1;
    return n;
}

std::vector<const Folder*> childrenOf(const Folder& f) {
    std::vector<const Folder*> children;
    for (const Folder& c : f.folders)
        children.push_back(&c);
    return children;
}

std::vector<Prop> folderProps(const Folder& f, bool hasSubfolders) {
    std::vector<Prop> props{
        Prop::i32(0x3602, int32_t(f.items.size())), Prop::i32(0x3603, int32_t(unread(f.items))),
        Prop::boolean(0x360A, hasSubfolders), Prop::i32(0x3617, int32_t(f.associated.size()))};
    if (f.hasDisplayName) props.push_back(Prop::str(0x3001, f.name));
    if (!f.containerClass.empty()) props.push_back(Prop::str(0x3613, f.containerClass));
    return props;
}

// Contents table columns: the summary a folder view shows without opening the item.
const std::vector<Column>& contentsColumns() {
    static const std::vector<Column> columns{
        {0x001A, kPtypString},    {0x0017, kPtypInteger32}, {0x0036, kPtypInteger32},
        {0x0037, kPtypString},    {0x0039, kPtypTime},      {0x0042, kPtypString},
        {0x0E03, kPtypString},    {0x0E04, kPtypString},    {0x0E06, kPtypTime},
        {0x0E07, kPtypInteger32}, {0x0E08, kPtypInteger32}, {0x3008, kPtypTime}};
    return columns;
}

// A contents row from the item's own properties; cells whose type differs from the column
// (8-bit strings in a Unicode column) are left out.
TableRow contentsRow(uint32_t nid, const std::vector<Prop>& props) {
    TableRow row{nid, {}};
    for (const Column& c : contentsColumns())
        for (const Prop& p : props)
            if (p.id == c.id && p.type == c.type) row.cells.push_back(p);
    return row;
}

} // namespace

MailboxWriter::MailboxWriter(Options options) : ndb_(options) {}

Guid MailboxWriter::providerUid() {
    return makeGuid(0x51F1F0E5, 0x0A7E, 0x4C4B, {0x9A, 0x10, 0x2F, 0x0D, 0x5E, 0x1A, 0x77, 0x31});
}

const WrittenFolder* MailboxWriter::folder(const std::string& path) const {
    for (const WrittenFolder& f : folders_)
        if (f.path == path) return &f;
    return nullptr;
}

uint32_t MailboxWriter::folderNid(const Folder& f) {
    return f.nid ? f.nid : makeNid(nextFolderIndex_++, kNidTypeFolder);
}

void MailboxWriter::addNodes(const Mailbox& m) {
    writeStore(m);
    // The root's children are referred to, not copied: a large mailbox is held only once.
    Folder root("", "", kNidRootFolder);
    root.hasDisplayName = m.rootDisplayName;
    std::vector<const Folder*> children{&m.ipmSubtree};
    for (const Folder& f : m.rootFolders)
        children.push_back(&f);
    writeFolder(root, children, kNidRootFolder, kNidRootFolder, "");
    if (m.nameMap) names_.write(ndb_);
}

std::vector<uint8_t> MailboxWriter::write(const Mailbox& m) {
    addNodes(m);
    return ndb_.finish();
}

void MailboxWriter::write(const Mailbox& m, const std::string& path) {
    addNodes(m);
    ndb_.finish(path);
}

void MailboxWriter::writeStore(const Mailbox& m) {
    const Guid uid = providerUid();
    std::vector<Prop> props{Prop::bin(0x0FF9, std::vector<uint8_t>(uid.begin(), uid.end())),
                            Prop::str(0x3001, m.storeName),
                            Prop::i32(0x35DF, m.ipmSubtreeEntryId ? 0x1 : 0), Prop::i32(0x67FF, 0)};
    if (m.ipmSubtreeEntryId) {
        const uint32_t nid = m.ipmSubtree.nid ? m.ipmSubtree.nid : kNidIpmSubtree;
        props.push_back(Prop::bin(0x35E0, entryId(nid)));
    }
    SubnodeSet subs;
    const uint64_t bid = writePropertyContext(ndb_, props, subs);
    ndb_.addNode(kNidMessageStore, bid, subs.write(ndb_), 0);
}

void MailboxWriter::writeFolder(const Folder& f, const std::vector<const Folder*>& subfolders,
                                uint32_t nid, uint32_t parent, const std::string& path) {
    SubnodeSet subs;
    const uint64_t bid = writePropertyContext(ndb_, folderProps(f, !subfolders.empty()), subs);
    ndb_.addNode(nid, bid, subs.write(ndb_), parent);
    folders_.push_back({nid, parent, path, f.items.size()});
    std::vector<uint32_t> children, items, assoc;
    for (const Folder* child : subfolders) {
        const uint32_t childNid = folderNid(*child);
        children.push_back(childNid);
        writeFolder(*child, childrenOf(*child), childNid, nid,
                    path.empty() ? child->name : path + "/" + child->name);
    }
    for (const Item& item : f.items)
        items.push_back(writeItem(item, nid, false));
    for (const Item& item : f.associated)
        assoc.push_back(writeItem(item, nid, true));
    writeFolderTables(f, subfolders, nid, children, items, assoc);
}

uint32_t MailboxWriter::writeItem(const Item& item, uint32_t folderNid, bool associated) {
    uint32_t nid = item.nid;
    if (!nid)
        nid = associated ? makeNid(nextAssocIndex_++, kNidTypeAssoc)
                         : makeNid(nextItemIndex_++, kNidTypeMessage);
    SubnodeSet subs;
    const std::vector<uint32_t> attachments = writeItemParts(ndb_, item, names_, subs);
    const uint64_t bid = writePropertyContext(ndb_, itemProperties(item, names_), subs);
    ndb_.addNode(nid, bid, subs.write(ndb_), folderNid);
    items_.push_back({nid, folderNid, item.subject, attachments});
    return nid;
}

void MailboxWriter::writeFolderTables(const Folder& f, const std::vector<const Folder*>& subfolders,
                                      uint32_t nid, const std::vector<uint32_t>& childNids,
                                      const std::vector<uint32_t>& itemNids,
                                      const std::vector<uint32_t>& assocNids) {
    const std::vector<Column> hierarchyColumns{{0x3001, kPtypString},    {0x3602, kPtypInteger32},
                                               {0x3603, kPtypInteger32}, {0x360A, kPtypBoolean},
                                               {0x3613, kPtypString},    {0x3617, kPtypInteger32}};
    std::vector<TableRow> hierarchy;
    for (size_t i = 0; i < childNids.size(); ++i)
        hierarchy.push_back(
            {childNids[i], folderProps(*subfolders[i], !subfolders[i]->folders.empty())});
    std::vector<TableRow> contents, assoc;
    for (size_t i = 0; i < itemNids.size(); ++i)
        contents.push_back(contentsRow(itemNids[i], itemProperties(f.items[i], names_)));
    for (size_t i = 0; i < assocNids.size(); ++i)
        assoc.push_back(contentsRow(assocNids[i], itemProperties(f.associated[i], names_)));
    const std::pair<uint8_t, std::vector<TableRow>*> tables[] = {{kNidTypeHierarchy, &hierarchy},
                                                                 {kNidTypeContents, &contents},
                                                                 {kNidTypeAssocContents, &assoc}};
    for (const auto& [type, rows] : tables) {
        SubnodeSet subs;
        const auto& columns = type == kNidTypeHierarchy ? hierarchyColumns : contentsColumns();
        const uint64_t bid = writeTableContext(ndb_, columns, *rows, subs);
        ndb_.addNode(sibling(nid, type), bid, subs.write(ndb_), 0);
    }
}

} // namespace pstw
