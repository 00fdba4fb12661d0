// The cheap read of an object's kind and records: BuildObject's steps
// ([MS-PST] 2.4.5, 2.4.6: property context, recipient and attachment
// tables, each attachment's property context) with the values that are not
// inline, in the contexts and in the tables' cells alike, read only when
// they could still change what the collections ask.
#include "engine/messaging/KindProbe.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "engine/ltp/Context.h"
#include "engine/ltp/DeferredContext.h"
#include "engine/messaging/BuildMessage.h"
#include "engine/messaging/TagTable.h"
#include "engine/ndb/SubnodeTree.h"

namespace {

enum class tprobe { Done, Unreadable, Uncertain };

// The records the collections look at.
enum class trecord { None, Mail, Folder, Appointment, Contact, Journal, Note };

// The record of a field list name ("tmailinfo::Subject").
trecord RecordOfField(const char* field) {
    if (!field) return trecord::None;
    std::string_view name(field);
    name = name.substr(0, name.find("::"));
    if (name == "tmailinfo") return trecord::Mail;
    if (name == "tfolderinfo") return trecord::Folder;
    if (name == "tappointmentinfo") return trecord::Appointment;
    if (name == "tcontactinfo") return trecord::Contact;
    if (name == "tjournalinfo") return trecord::Journal;
    if (name == "tnoteinfo") return trecord::Note;
    return trecord::None;
}

// The record of the entry's first field, named once per table entry rather
// than for every value of every object.
trecord RecordOf(const ttagentry& entry) {
    static const std::vector<trecord> records = [] {
        std::vector<trecord> all;
        for (const ttagentry& e : TagTableEntries())
            all.push_back(RecordOfField(e.first.field));
        return all;
    }();
    const size_t index = size_t(&entry - TagTableEntries().data());
    return index < records.size() ? records[index] : RecordOfField(entry.first.field);
}

// The record the item collection of an object of `kind` asks for (mail and
// tasks count by the mail record); None for kinds no such list shows.
trecord RecordOfKind(int32_t kind) {
    switch (kind) {
    case kKindMail:
    case kKindTask:
        return trecord::Mail;
    case kKindAppointment:
        return trecord::Appointment;
    case kKindContact:
        return trecord::Contact;
    case kKindJournal:
        return trecord::Journal;
    case kKindStickyNote:
        return trecord::Note;
    default:
        return trecord::None;
    }
}

uint8_t BitOf(trecord record) {
    return uint8_t(1u << unsigned(record));
}

bool RecordMissing(const tpstmessage& m, trecord record) {
    switch (record) {
    case trecord::Mail:
        return !m.MailInfo;
    case trecord::Folder:
        return !m.FolderCounts;
    case trecord::Appointment:
        return !m.Appointment;
    case trecord::Contact:
        return !m.Contact;
    case trecord::Journal:
        return !m.Journal;
    case trecord::Note:
        return !m.StickyNote;
    case trecord::None:
        break;
    }
    return false;
}

// Which tag table entries fill one of the asked fields, by entry index:
// worked out once per list of fields instead of comparing names for every
// value of every object.
class taskedentries {
public:
    bool Has(const ttagentry* entry) const {
        const size_t index = size_t(entry - TagTableEntries().data());
        return index < named_.size() && named_[index];
    }

    // The entries of `fields`; the last list asked on this thread is kept,
    // and a list with the same names (not only the same pointers) reuses it.
    static const taskedentries& For(std::span<const char* const> fields) {
        thread_local taskedentries last;
        if (!last.SameNames(fields)) last.Name(fields);
        return last;
    }

private:
    bool SameNames(std::span<const char* const> fields) const {
        return !named_.empty() &&
               std::equal(fields.begin(), fields.end(), names_.begin(), names_.end(),
                          [](const char* f, const std::string& n) { return f && n == f; });
    }

    void Name(std::span<const char* const> fields) {
        names_.clear();
        for (const char* f : fields)
            names_.emplace_back(f ? f : "");
        const std::span<const ttagentry> entries = TagTableEntries();
        named_.assign(entries.size(), 0);
        for (size_t i = 0; i < entries.size(); ++i)
            named_[i] = Named(entries[i].first, fields) || Named(entries[i].second, fields);
    }

    static bool Named(const tfieldstore& store, std::span<const char* const> fields) {
        return store.field && std::any_of(fields.begin(), fields.end(), [&](const char* f) {
                   return f && std::strcmp(f, store.field) == 0;
               });
    }

    std::vector<std::string> names_;
    std::vector<uint8_t> named_; // never empty once named: one byte per entry
};

// What one probe asks and what it passed by.
struct tprobeplan {
    const taskedentries& asked;
    // Records passed by because the object's kind, as it stood then, does
    // not count by them (BitOf): should the kind end as one that does, only
    // the whole build can tell.
    uint8_t passedBy = 0;
};

// Could applying a value of this entry change the kind, a record the
// collections look at for this object, one of the asked fields, or stop
// the set? The mail and folder records count for every object (a folder
// counts its mail, a folder is listed by its folder record); the others
// only for an object of their own kind (RecordOfKind): a mail item's
// recipient addresses make a contact record that no list looks at.
bool Matters(const ttagentry* entry, const tstoretarget& target, tprobeplan& plan) {
    if (!entry) return false;
    if (plan.asked.Has(entry)) return true;
    switch (entry->rule) {
    case trule::NotStored:
        return false;
    case trule::MessageClass:
    case trule::ContainerClass:
        return true;
    case trule::HeaderField:
        return !target.message->MailInfo; // the charset of "content-type" makes one
    case trule::StopWithoutElement:
        if (!target.element) return true;
        break;
    default:
        break;
    }
    const trecord record = RecordOf(*entry);
    if (!RecordMissing(*target.message, record)) return false;
    if (record == trecord::Mail || record == trecord::Folder ||
        record == RecordOfKind(target.message->Kind))
        return true;
    plan.passedBy |= BitOf(record);
    return false;
}

// A value already read whose entry fills one of the records: applying it
// adds nothing the collections or the asked fields look at when it does
// not matter. Values of the message itself and of its elements are always
// applied (an element's node ID finds its attachment object).
bool AppliesNothingAsked(const ttagentry* entry, const tstoretarget& target, tprobeplan& plan) {
    return entry && RecordOf(*entry) != trecord::None && !Matters(entry, target, plan);
}

// ApplyProperties over the sets of a deferred read, each unread value read
// first where it matters.
tprobe ApplySets(tdeferredcontext& c, tstoretarget target, tprobeplan& plan) {
    size_t base = 0;
    for (tpropset* set = c.set.get(); set; set = set->Next.get(), base += c.stride) {
        size_t count = std::min<size_t>(size_t(std::max(set->Count, 0)), set->Values.size());
        for (size_t i = 0; i < count; ++i) {
            tpropvalue* value = set->Values[i].get();
            if (!value) continue;
            const size_t index = base + i;
            const ttagentry* entry = FindTagEntry(value->Tag);
            if (index < c.deferred.size() && c.deferred[index].pending) {
                if (!Matters(entry, target, plan)) continue;
                if (!DecodeDeferredAt(c, *value, index)) return tprobe::Uncertain;
            } else if (AppliesNothingAsked(entry, target, plan)) {
                continue;
            }
            if (ApplyValueOfEntry(entry, target, *value) == tapplyresult::StopSet) break;
        }
        if (target.element) target.element = target.element->Next.get();
    }
    return tprobe::Done;
}

tprobe Outcome(const tdeferredcontext& c) {
    if (c.status == tdeferredstatus::Unreadable) return tprobe::Unreadable;
    if (c.status == tdeferredstatus::Uncertain) return tprobe::Uncertain;
    return tprobe::Done;
}

tprobe ApplyContext(tpstfile* file, tsubnodeentry* subnodes, uint64_t bid, tstoretarget target,
                    tprobeplan& plan) {
    auto context = ReadDeferredContext(file, subnodes, bid);
    tprobe r = Outcome(*context);
    if (r == tprobe::Done) r = ApplySets(*context, target, plan);
    RecycleDeferredContext(std::move(context));
    return r;
}

tsubnodeentry* OwnSubnode(tsubnodeentry* list, uint64_t nid) {
    for (tsubnodeentry* e = list; e; e = e->pNext.get())
        if (e->nid == nid) return e;
    return nullptr;
}

// ApplyMessageTable with the cells read only where they matter: Unreadable
// when the whole build stops at this table.
tprobe ApplyTable(tpstfile* file, tsubnodeentry* subnodes, tpstmessage& message, uint64_t nid,
                  tprobeplan& plan) {
    tsubnodeentry* table = OwnSubnode(subnodes, nid);
    if (!table) return tprobe::Done;
    auto rows = ReadDeferredTable(file, subnodes, uint64_t(table->pDataBlock->bid));
    if (tprobe r = Outcome(*rows); r != tprobe::Done) return r;
    PrependElements(message, rows->set->RowCount);
    return ApplySets(*rows, {&message, message.Attachments.get()}, plan);
}

// The attachment objects as ApplyAttachmentObject reads them; what they do
// to their own elements does not matter here.
tprobe ApplyAttachmentObjects(tpstfile* file, tsubnodeentry* subnodes, tpstmessage& message,
                              tprobeplan& plan) {
    for (tattachment* e = message.Attachments.get(); e; e = e->Next.get()) {
        tsubnodeentry* object = FindSubnode(subnodes, e->NodeId);
        if (!object) continue;
        tprobe r = ApplyContext(file, object->pChildren.get(), uint64_t(object->pDataBlock->bid),
                                {&message, e}, plan);
        if (r == tprobe::Uncertain) return r;
    }
    return tprobe::Done;
}

// A table none of whose columns can change what the collections ask need
// not be read, as long as nothing after it depends on its being readable.
bool TableCannotMatter(tpstfile* file, tsubnodeentry* subnodes, tpstmessage& message, uint64_t nid,
                       tprobeplan& plan) {
    tsubnodeentry* table = OwnSubnode(subnodes, nid);
    if (!table) return true;
    std::vector<uint32_t> tags;
    if (!ReadTableColumnTags(file, subnodes, uint64_t(table->pDataBlock->bid), tags)) return false;
    tattachment row; // each row has its element
    return std::none_of(tags.begin(), tags.end(), [&](uint32_t tag) {
        return Matters(FindTagEntry(tag), {&message, &row}, plan);
    });
}

// The whole build makes an element of each recipient row and reads, as an
// attachment object, any subnode that an element's NodeId names (a row's
// 0x67F2, or an unreadable 0x3701): its values can change the kind. So the
// recipient table is passed by only when there is none, or when the tree
// holds no subnode such a name could find but the table itself, whose
// columns TableCannotMatter weighs. Knowing the rows' IDs would take reading
// the rows, which is most of what the whole read of the table costs.
bool NothingForARowToName(tsubnodeentry* subnodes) {
    const tsubnodeentry* table = OwnSubnode(subnodes, kNidRecipientTable);
    return !table || (table == subnodes && !table->pNext && !table->pChildren);
}

// The object with `plan`'s passing by; null when the context is unreadable.
std::unique_ptr<tpstmessage> ReadObject(tpstfile* file, tblockentry* data, tsubnodeentry* subnodes,
                                        tprobeplan& plan, bool& uncertain) {
    auto message = std::make_unique<tpstmessage>();
    tprobe r = ApplyContext(file, subnodes, uint64_t(data->bid), {message.get(), nullptr}, plan);
    uncertain = r == tprobe::Uncertain;
    if (r != tprobe::Done) return nullptr;
    // The attachment table comes only after a readable recipient table.
    const bool attachments = OwnSubnode(subnodes, kNidAttachmentTable) != nullptr;
    if (!attachments && NothingForARowToName(subnodes) &&
        TableCannotMatter(file, subnodes, *message, kNidRecipientTable, plan))
        return message;
    for (uint64_t table : {kNidRecipientTable, kNidAttachmentTable}) {
        r = ApplyTable(file, subnodes, *message, table, plan);
        uncertain = r == tprobe::Uncertain;
        if (uncertain) return nullptr;
        if (r == tprobe::Unreadable) return message;
    }
    uncertain = ApplyAttachmentObjects(file, subnodes, *message, plan) == tprobe::Uncertain;
    return uncertain ? nullptr : std::move(message);
}

// Null with `uncertain` set when only the whole build can tell: also when a
// record was passed by for the kind the object had then, and the object's
// kind ended as one that counts by it.
std::unique_ptr<tpstmessage> ProbeObject(tpstfile* file, tblockentry* data, tsubnodeentry* subnodes,
                                         const taskedentries& asked, bool& uncertain) {
    tprobeplan plan{asked};
    auto message = ReadObject(file, data, subnodes, plan, uncertain);
    if (message && (plan.passedBy & BitOf(RecordOfKind(message->Kind)))) {
        uncertain = true;
        message.reset();
    }
    return message;
}

} // namespace

std::unique_ptr<tpstmessage> ProbeMessage(tpstfile* file, tnodeentry* node,
                                          std::span<const char* const> fields) {
    if (!file || !node || !node->pDataBlock) return nullptr;
    std::unique_ptr<tsubnodeentry> subnodes;
    if (node->pSubBlock) subnodes = BuildSubnodeTree(file, node->pSubBlock);
    bool uncertain = false;
    auto message =
        ProbeObject(file, node->pDataBlock, subnodes.get(), taskedentries::For(fields), uncertain);
    if (uncertain) message = BuildObject(file, node->pDataBlock, subnodes.get());
    return message;
}
