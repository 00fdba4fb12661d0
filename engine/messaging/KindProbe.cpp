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

// Could applying a value of this entry change the kind, a record the
// collections look at, one of the asked `fields`, or stop the set?
bool Matters(const ttagentry* entry, const tstoretarget& target, const taskedentries& asked) {
    if (!entry) return false;
    if (asked.Has(entry)) return true;
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
    return RecordMissing(*target.message, RecordOf(*entry));
}

// ApplyProperties over the sets of a deferred read, each unread value read
// first where it matters.
tprobe ApplySets(tdeferredcontext& c, tstoretarget target, const taskedentries& asked) {
    size_t base = 0;
    for (tpropset* set = c.set.get(); set; set = set->Next.get(), base += c.stride) {
        size_t count = std::min<size_t>(size_t(std::max(set->Count, 0)), set->Values.size());
        for (size_t i = 0; i < count; ++i) {
            tpropvalue* value = set->Values[i].get();
            if (!value) continue;
            const size_t index = base + i;
            if (index < c.deferred.size() && c.deferred[index].pending) {
                if (!Matters(FindTagEntry(value->Tag), target, asked)) continue;
                if (!DecodeDeferredAt(c, *value, index)) return tprobe::Uncertain;
            }
            if (ApplyValue(target, *value) == tapplyresult::StopSet) break;
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
                    const taskedentries& asked) {
    auto context = ReadDeferredContext(file, subnodes, bid);
    if (tprobe r = Outcome(*context); r != tprobe::Done) return r;
    return ApplySets(*context, target, asked);
}

tsubnodeentry* OwnSubnode(tsubnodeentry* list, uint64_t nid) {
    for (tsubnodeentry* e = list; e; e = e->pNext.get())
        if (e->nid == nid) return e;
    return nullptr;
}

// ApplyMessageTable with the cells read only where they matter: Unreadable
// when the whole build stops at this table.
tprobe ApplyTable(tpstfile* file, tsubnodeentry* subnodes, tpstmessage& message, uint64_t nid,
                  const taskedentries& asked) {
    tsubnodeentry* table = OwnSubnode(subnodes, nid);
    if (!table) return tprobe::Done;
    auto rows = ReadDeferredTable(file, subnodes, uint64_t(table->pDataBlock->bid));
    if (tprobe r = Outcome(*rows); r != tprobe::Done) return r;
    PrependElements(message, rows->set->RowCount);
    return ApplySets(*rows, {&message, message.Attachments.get()}, asked);
}

// The attachment objects as ApplyAttachmentObject reads them; what they do
// to their own elements does not matter here.
tprobe ApplyAttachmentObjects(tpstfile* file, tsubnodeentry* subnodes, tpstmessage& message,
                              const taskedentries& asked) {
    for (tattachment* e = message.Attachments.get(); e; e = e->Next.get()) {
        tsubnodeentry* object = FindSubnode(subnodes, e->NodeId);
        if (!object) continue;
        tprobe r = ApplyContext(file, object->pChildren.get(), uint64_t(object->pDataBlock->bid),
                                {&message, e}, asked);
        if (r == tprobe::Uncertain) return r;
    }
    return tprobe::Done;
}

// A table none of whose columns can change what the collections ask need
// not be read, as long as nothing after it depends on its being readable.
bool TableCannotMatter(tpstfile* file, tsubnodeentry* subnodes, tpstmessage& message, uint64_t nid,
                       const taskedentries& asked) {
    tsubnodeentry* table = OwnSubnode(subnodes, nid);
    if (!table) return true;
    std::vector<uint32_t> tags;
    if (!ReadTableColumnTags(file, subnodes, uint64_t(table->pDataBlock->bid), tags)) return false;
    tattachment row; // each row has its element
    return std::none_of(tags.begin(), tags.end(), [&](uint32_t tag) {
        return Matters(FindTagEntry(tag), {&message, &row}, asked);
    });
}

// Null with `uncertain` set when only the whole build can tell.
std::unique_ptr<tpstmessage> ProbeObject(tpstfile* file, tblockentry* data, tsubnodeentry* subnodes,
                                         const taskedentries& asked, bool& uncertain) {
    auto message = std::make_unique<tpstmessage>();
    tprobe r = ApplyContext(file, subnodes, uint64_t(data->bid), {message.get(), nullptr}, asked);
    uncertain = r == tprobe::Uncertain;
    if (r != tprobe::Done) return nullptr;
    // The attachment table comes only after a readable recipient table.
    const bool attachments = OwnSubnode(subnodes, kNidAttachmentTable) != nullptr;
    if (!attachments && TableCannotMatter(file, subnodes, *message, kNidRecipientTable, asked))
        return message;
    for (uint64_t table : {kNidRecipientTable, kNidAttachmentTable}) {
        r = ApplyTable(file, subnodes, *message, table, asked);
        uncertain = r == tprobe::Uncertain;
        if (uncertain) return nullptr;
        if (r == tprobe::Unreadable) return message;
    }
    uncertain = ApplyAttachmentObjects(file, subnodes, *message, asked) == tprobe::Uncertain;
    return uncertain ? nullptr : std::move(message);
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
