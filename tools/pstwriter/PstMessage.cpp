// Item properties and the recipient and attachment subnodes of the PST writer's messages
// ([MS-PST] 2.4.5, 2.4.6; named properties by LID from [MS-OXPROPS]).
#include "tools/pstwriter/PstMessage.h"

#include <algorithm>
#include <map>

#include "tools/pstwriter/PstPropContext.h"
#include "tools/pstwriter/PstTableContext.h"

namespace pstw {

namespace {

constexpr uint16_t kPropAttachDataObject = 0x3701;
// What PR_ATTACH_SIZE claims for an embedded message: readers take it as a hint only.
constexpr size_t kEmbeddedMessageSize = 1024;

// Named properties and their types, by property set.
struct Named {
    Guid (*set)();
    uint32_t lid;
};

class PropList {
public:
    PropList(NameMap& names, uint32_t codePage) : names_(names), codePage_(codePage) {}
    void add(Prop p) { props_[p.id] = std::move(p); }
    void text(uint16_t id, const std::string& s) {
        if (!s.empty()) add(textProp(id, s, codePage_));
    }
    void time(uint16_t id, uint64_t t) {
        if (t) add(Prop::time(id, t));
    }
    void named(Named n, Prop value) {
        value.id = names_.idOf(PropName::numeric(n.set(), n.lid));
        add(std::move(value));
    }
    void namedText(Named n, const std::string& s) {
        if (!s.empty()) named(n, textProp(0, s, codePage_));
    }
    void namedTime(Named n, uint64_t t) {
        if (t) named(n, Prop::time(0, t));
    }
    NameMap& names() { return names_; }
    std::vector<Prop> take() {
        std::vector<Prop> out;
        for (auto& [id, p] : props_)
            out.push_back(std::move(p));
        return out;
    }

private:
    NameMap& names_;
    uint32_t codePage_;
    std::map<uint16_t, Prop> props_;
};

std::vector<uint8_t> bytesOf(const std::string& s) {
    return {s.begin(), s.end()};
}

void addEnvelope(PropList& l, const Item& item) {
    l.text(0x001A, item.messageClass.empty() ? defaultMessageClass(item.kind) : item.messageClass);
    l.text(0x0037, item.subject);
    l.text(0x0070, item.subject); // PR_CONVERSATION_TOPIC
    l.text(0x0C1A, item.senderName);
    l.text(0x0042, item.senderName);
    l.text(0x0C1F, item.senderAddress);
    l.text(0x0065, item.senderAddress);
    if (!item.senderAddress.empty()) {
        l.text(0x0C1E, "SMTP");
        l.text(0x0064, "SMTP");
    }
    l.text(0x0E04, item.displayTo);
    l.text(0x0E03, item.displayCc);
    l.text(0x0E02, item.displayBcc);
    l.time(0x0039, item.submitTime);
    l.time(0x0E06, item.deliveryTime);
    l.time(0x3007, item.creationTime);
    l.time(0x3008, item.modificationTime);
    int32_t flags = item.read ? 0x01 : 0;
    if (!item.attachments.empty()) flags |= 0x10; // MSGFLAG_HASATTACH
    l.add(Prop::i32(0x0E07, flags));
    l.add(Prop::boolean(0x0E1B, !item.attachments.empty()));
    l.add(Prop::i32(0x0017, 1)); // PR_IMPORTANCE normal
    l.add(Prop::i32(0x0036, 0)); // PR_SENSITIVITY none
    if (item.codePage) l.add(Prop::i32(0x3FFD, int32_t(item.codePage)));
}

void addBodies(PropList& l, const Item& item) {
    if (item.body) l.add(textProp(0x1000, *item.body, item.codePage));
    if (item.html) {
        const uint32_t cp = item.codePage ? item.codePage : 65001;
        l.add(Prop::bin(0x1013, bytesOf(cp == 65001 ? *item.html : toCodePage(*item.html, cp))));
        l.add(Prop::i32(0x3FDE, int32_t(cp)));
    }
    if (item.rtfCompressed) {
        l.add(Prop::bin(0x1009, *item.rtfCompressed));
        l.add(Prop::boolean(0x0E1F, true)); // PR_RTF_IN_SYNC
    }
    if (item.reportText) l.add(textProp(0x1001, *item.reportText, item.codePage));
}

void addAppointment(PropList& l, const AppointmentInfo& a) {
    l.namedTime({psetidAppointment, 0x820D}, a.start);
    l.namedTime({psetidAppointment, 0x820E}, a.end);
    l.namedTime({psetidCommon, 0x8516}, a.start);
    l.namedTime({psetidCommon, 0x8517}, a.end);
    l.namedText({psetidAppointment, 0x8208}, a.location);
    l.named({psetidAppointment, 0x8205}, Prop::i32(0, a.busyStatus));
    l.named({psetidAppointment, 0x8215}, Prop::boolean(0, a.allDay));
    l.named({psetidAppointment, 0x8214}, Prop::i32(0, a.color));
    l.named({psetidAppointment, 0x8213}, Prop::i32(0, a.durationMinutes));
    l.named({psetidCommon, 0x8503}, Prop::boolean(0, a.reminderMinutes.has_value()));
    if (a.reminderMinutes) l.named({psetidCommon, 0x8501}, Prop::i32(0, *a.reminderMinutes));
}

void addContact(PropList& l, const ContactInfo& c, const std::string& subject) {
    l.text(0x3001, c.displayName.empty() ? subject : c.displayName);
    l.text(0x3A06, c.givenName);
    l.text(0x3A11, c.surname);
    l.text(0x3A16, c.companyName);
    l.text(0x3A17, c.jobTitle);
    l.text(0x3A08, c.businessPhone);
    l.text(0x3A09, c.homePhone);
    l.text(0x3A1C, c.mobilePhone);
    l.namedText({psetidAddress, 0x8005}, c.fileUnder);
    l.namedText({psetidAddress, 0x8083}, c.email1Address);
    l.namedText({psetidAddress, 0x8080}, c.email1DisplayName);
    if (!c.email1Address.empty()) l.namedText({psetidAddress, 0x8082}, c.email1AddressType);
}

void addJournal(PropList& l, const JournalInfo& j) {
    l.namedText({psetidLog, 0x8700}, j.type);
    l.namedText({psetidLog, 0x8712}, j.typeDescription);
    l.namedTime({psetidLog, 0x8706}, j.start);
    l.namedTime({psetidLog, 0x8708}, j.end);
    l.named({psetidLog, 0x8707}, Prop::i32(0, j.durationMinutes));
}

void addStickyNote(PropList& l, const StickyNoteInfo& n) {
    l.named({psetidNote, 0x8B00}, Prop::i32(0, n.color));
    l.named({psetidNote, 0x8B02}, Prop::i32(0, n.width));
    l.named({psetidNote, 0x8B03}, Prop::i32(0, n.height));
    l.named({psetidNote, 0x8B04}, Prop::i32(0, n.left));
    l.named({psetidNote, 0x8B05}, Prop::i32(0, n.top));
}

void addTask(PropList& l, const TaskInfo& t) {
    l.named({psetidTask, 0x8101}, Prop::i32(0, t.status));
    l.named({psetidTask, 0x8102}, Prop::f64(0, t.percentComplete));
    l.namedTime({psetidTask, 0x8104}, t.startDate);
    l.namedTime({psetidTask, 0x8105}, t.dueDate);
    l.namedTime({psetidTask, 0x810F}, t.dateCompleted);
    l.named({psetidTask, 0x811C}, Prop::boolean(0, t.complete));
    l.namedText({psetidTask, 0x811F}, t.owner);
}

void addRss(PropList& l, const RssInfo& r) {
    l.namedText({psetidPostRss, 0x8900}, r.channelLink);
    l.namedText({psetidPostRss, 0x8901}, r.itemLink);
    l.named({psetidPostRss, 0x8902}, Prop::i32(0, r.itemHash));
    l.namedText({psetidPostRss, 0x8903}, r.itemGuid);
    l.namedText({psetidPostRss, 0x8904}, r.channel);
}

// A one-off entry ID ([MS-OXCDATA] 2.2.5.1) naming the recipient by address.
std::vector<uint8_t> oneOffEntryId(const Recipient& r) {
    std::vector<uint8_t> id(4, 0);
    const Guid uid =
        makeGuid(0xA41F2B81, 0xA3BE, 0x1910, {0x9D, 0x6E, 0x00, 0xDD, 0x01, 0x0F, 0x54, 0x02});
    id.insert(id.end(), uid.begin(), uid.end());
    id.insert(id.end(), {0x00, 0x00, 0x00, 0x80}); // version 0, MAPI_UNICODE
    for (const std::string* s : {&r.name, &r.addressType, &r.address}) {
        const std::vector<uint8_t> u = utf16le(*s);
        id.insert(id.end(), u.begin(), u.end());
        id.insert(id.end(), {0, 0});
    }
    return id;
}

uint16_t stringType(uint32_t codePage) {
    return codePage ? kPtypString8 : kPtypString;
}

void writeRecipients(NdbWriter& w, const Item& item, SubnodeSet& subs) {
    const uint16_t st = stringType(item.codePage);
    const std::vector<Column> baseColumns{{0x0C15, kPtypInteger32},
                                          {0x0E0F, kPtypBoolean},
                                          {0x0FF9, kPtypBinary},
                                          {0x0FFE, kPtypInteger32},
                                          {0x0FFF, kPtypBinary},
                                          {0x3001, st},
                                          {0x3002, st},
                                          {0x3003, st},
                                          {0x300B, kPtypBinary},
                                          {0x3900, kPtypInteger32},
                                          {0x39FF, st},
                                          {0x3A40, kPtypBoolean}};
    std::vector<Column> columns = baseColumns;
    const bool smtp = std::any_of(item.recipients.begin(), item.recipients.end(),
                                  [](const Recipient& r) { return !r.smtpAddress.empty(); });
    if (smtp) columns.push_back({0x39FE, st});
    std::vector<TableRow> rows;
    for (size_t i = 0; i < item.recipients.size(); ++i) {
        const Recipient& r = item.recipients[i];
        TableRow row{uint32_t(i), {}};
        const std::vector<uint8_t> entryId = oneOffEntryId(r);
        std::string searchKey = r.addressType + ":" + r.address;
        row.cells = {Prop::i32(0x0C15, r.type),
                     Prop::boolean(0x0E0F, true),
                     Prop::bin(0x0FF9, entryId),
                     Prop::i32(0x0FFE, 6), // MAPI_MAILUSER
                     Prop::bin(0x0FFF, entryId),
                     textProp(0x3001, r.name, item.codePage),
                     textProp(0x3002, r.addressType, item.codePage),
                     textProp(0x3003, r.address, item.codePage),
                     Prop::bin(0x300B, bytesOf(searchKey)),
                     Prop::i32(0x3900, 0),
                     textProp(0x39FF, r.name, item.codePage),
                     Prop::boolean(0x3A40, false)};
        if (smtp) row.cells.push_back(textProp(0x39FE, r.smtpAddress, item.codePage));
        rows.push_back(std::move(row));
    }
    SubnodeSet own;
    const uint64_t bid = writeTableContext(w, columns, rows, own);
    subs.add({kNidRecipientTable, bid, own.write(w)});
}

// The embedded message's own PC with its subnodes, as a subnode of the attachment; returns
// the PtypObject value that points at it.
Prop writeEmbeddedMessage(NdbWriter& w, const Item& message, NameMap& names, SubnodeSet& own) {
    SubnodeSet subs;
    writeItemParts(w, message, names, subs);
    const uint64_t bid = writePropertyContext(w, itemProperties(message, names), subs);
    const uint32_t nid = own.nextNid(kNidTypeLtp);
    own.add({nid, bid, subs.write(w)});
    const std::optional<BlockInfo> block = w.block(bid);
    return Prop::objectNode(kPropAttachDataObject, nid, block ? block->cb : 0);
}

int32_t attachmentSize(const Attachment& a) {
    return int32_t(a.embedded ? kEmbeddedMessageSize : a.data.size());
}

uint32_t writeAttachment(NdbWriter& w, const Item& item, const Attachment& a, NameMap& names,
                         SubnodeSet& subs) {
    const uint32_t cp = item.codePage;
    const std::string& shortName = a.fileName.empty() ? a.longFileName : a.fileName;
    SubnodeSet own; // large data and embedded messages live below the attachment's own subnode
    std::vector<Prop> props{Prop::i32(0x0E20, attachmentSize(a)), Prop::i32(0x3705, a.method),
                            Prop::i32(0x370B, a.renderingPosition)};
    if (a.embedded) {
        props.push_back(writeEmbeddedMessage(w, *a.embedded, names, own));
        props.push_back(textProp(0x3001, a.embedded->subject, cp));
    } else {
        props.push_back(Prop::bin(kPropAttachDataObject, a.data));
    }
    if (!shortName.empty()) props.push_back(textProp(0x3704, shortName, cp));
    if (!a.longFileName.empty()) {
        props.push_back(textProp(0x3707, a.longFileName, cp));
        props.push_back(textProp(0x3001, a.longFileName, cp));
    }
    if (!a.mimeTag.empty()) props.push_back(textProp(0x370E, a.mimeTag, cp));
    if (!a.extension.empty()) props.push_back(textProp(0x3703, a.extension, cp));
    if (!a.contentId.empty()) props.push_back(textProp(0x3712, a.contentId, cp));
    if (!a.contentLocation.empty()) props.push_back(textProp(0x3713, a.contentLocation, cp));
    if (a.hidden) props.push_back(Prop::boolean(0x7FFE, true));
    if (a.creationTime) props.push_back(Prop::time(0x3007, a.creationTime));
    if (a.modificationTime) props.push_back(Prop::time(0x3008, a.modificationTime));
    const uint64_t bid = writePropertyContext(w, props, own);
    const uint32_t nid = subs.nextNid(kNidTypeAttachment);
    subs.add({nid, bid, own.write(w)});
    return nid;
}

void writeAttachmentTable(NdbWriter& w, const Item& item, const std::vector<uint32_t>& nids,
                          SubnodeSet& subs) {
    const std::vector<Column> columns{{0x0E20, kPtypInteger32},
                                      {0x3704, stringType(item.codePage)},
                                      {0x3705, kPtypInteger32},
                                      {0x370B, kPtypInteger32}};
    std::vector<TableRow> rows;
    for (size_t i = 0; i < nids.size(); ++i) {
        const Attachment& a = item.attachments[i];
        const std::string& shortName = a.fileName.empty() ? a.longFileName : a.fileName;
        TableRow row{nids[i],
                     {Prop::i32(0x0E20, attachmentSize(a)), Prop::i32(0x3705, a.method),
                      Prop::i32(0x370B, a.renderingPosition)}};
        if (!shortName.empty()) row.cells.push_back(textProp(0x3704, shortName, item.codePage));
        rows.push_back(std::move(row));
    }
    SubnodeSet own;
    const uint64_t bid = writeTableContext(w, columns, rows, own);
    subs.add({kNidAttachmentTable, bid, own.write(w)});
}

} // namespace

std::string defaultMessageClass(ItemKind kind) {
    switch (kind) {
    case ItemKind::Note:
        return "IPM.Note";
    case ItemKind::Post:
        return "IPM.Post";
    case ItemKind::PostRss:
        return "IPM.Post.Rss";
    case ItemKind::Report:
        return "REPORT.IPM.Note.NDR";
    case ItemKind::Appointment:
        return "IPM.Appointment";
    case ItemKind::Contact:
        return "IPM.Contact";
    case ItemKind::Journal:
        return "IPM.Activity";
    case ItemKind::StickyNote:
        return "IPM.StickyNote";
    case ItemKind::Task:
        return "IPM.Task";
    }
    return "IPM.Note";
}

Prop textProp(uint16_t id, const std::string& utf8, uint32_t codePage) {
    if (!codePage) return Prop::str(id, utf8);
    return Prop::str8(id, codePage == 65001 ? utf8 : toCodePage(utf8, codePage));
}

std::vector<Prop> itemProperties(const Item& item, NameMap& names) {
    PropList l(names, item.codePage);
    addEnvelope(l, item);
    addBodies(l, item);
    if (item.appointment) addAppointment(l, *item.appointment);
    if (item.contact) addContact(l, *item.contact, item.subject);
    if (item.journal) addJournal(l, *item.journal);
    if (item.stickyNote) addStickyNote(l, *item.stickyNote);
    if (item.task) addTask(l, *item.task);
    if (item.rss) addRss(l, *item.rss);
    for (const NamedValue& n : item.named) {
        Prop p = n.value;
        p.id = names.idOf(n.name);
        l.add(std::move(p));
    }
    size_t size = item.subject.size() + (item.body ? item.body->size() : 0);
    for (const Attachment& a : item.attachments)
        size += a.data.size();
    l.add(Prop::i32(0x0E08, int32_t(size)));
    for (const Prop& p : item.extra)
        l.add(p);
    return l.take();
}

std::vector<uint32_t> writeItemParts(NdbWriter& w, const Item& item, NameMap& names,
                                     SubnodeSet& subs) {
    if (!item.recipients.empty() || item.emptyRecipientTable) writeRecipients(w, item, subs);
    std::vector<uint32_t> nids;
    for (const Attachment& a : item.attachments)
        nids.push_back(writeAttachment(w, item, a, names, subs));
    if (!nids.empty()) writeAttachmentTable(w, item, nids, subs);
    return nids;
}

} // namespace pstw
