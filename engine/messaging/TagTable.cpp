// The property-to-field table of message objects and its special rules. The
// entries are the tag lines of the field list (MessageFields.inc), grouped by
// the record they fill in the record's field order; the lookup is by tag.
#include "engine/messaging/TagTable.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "engine/messaging/ItemKind.h"

namespace {

using fieldstore::StoreField;

// clang-format off
// One field of one record with its storage kind.
#define STORE(record, field, kind) \
    tfieldstore{tstorage::kind, #record "::" #field, &StoreField<&record::field, tstorage::kind>}

#define FIELD_TAG(record, type, field, show, tag, storage, rule) \
    {tag, STORE(record, field, storage), {}, trule::rule, false},
#define FIELD_TAG_WITH(record, type, field, show, tag, storage, rule, companion, companionStorage) \
    {tag, STORE(record, field, storage), STORE(record, companion, companionStorage), trule::rule, false},
#define FIELD_ALSO(record, field, tag, storage, rule) \
    {tag, STORE(record, field, storage), {}, trule::rule, true},
#define FIELD_ALSO_WITH(record, field, tag, storage, rule, companion, companionStorage) \
    {tag, STORE(record, field, storage), STORE(record, companion, companionStorage), trule::rule, true},
#define FIELD_NO_TAG(...)
#define FIELD_RULE(record, tag, rule) {tag, {}, {}, trule::rule, false},
#define FIELD_NOT_STORED(tag) {tag, {}, {}, trule::NotStored, false},
// clang-format on

// One entry a tag line of the field list, grouped by record.
constexpr ttagentry kTagTable[] = {
#include "engine/messaging/MessageFields.inc"
};

#include "engine/messaging/fields/UndefFieldMacros.inc"
#undef STORE

// Whether a rule lets a value of this type (and size) through at all.
bool TypeAccepted(trule rule, const tpropvalue& v) {
    switch (rule) {
    case trule::MessageClass:
        return v.Type == PtypString8 || v.Type == PtypString;
    case trule::OnlyInteger32:
        return v.Type == PtypInteger32;
    case trule::OnlyBoolean:
        return v.Type == PtypBoolean;
    case trule::OnlyBinary:
        return v.Type == PtypBinary;
    case trule::NotEmpty:
        return v.Size != 0;
    default:
        return true;
    }
}

const char* TextOrEmpty(const ttext& text) {
    return text ? text->c_str() : "";
}

// A string-named property becomes a header field at the head of the list.
tapplyresult ApplyHeaderField(tstoretarget& t, const tpropvalue& v) {
    if (!v.Name || !fieldstore::HasData(v)) return tapplyresult::Skipped;
    auto field = std::make_unique<theaderfield>();
    field->Name = v.Name;
    field->Value = fieldstore::TextOf(v);
    if (field->Name == "content-type")
        if (auto charset = QuotedCharset(*field->Value))
            fieldstore::Ensure(t.message->MailInfo)->Charset = std::move(charset);
    field->Next = std::move(t.message->Headers);
    t.message->Headers = std::move(field);
    return tapplyresult::Applied;
}

void SetKind(tpstmessage& message, trule rule) {
    const char* cls = TextOrEmpty(message.MessageClass);
    message.Kind =
        rule == trule::MessageClass ? KindFromMessageClass(cls) : KindFromContainerClass(cls);
}

tapplyresult ApplyEntry(const ttagentry& entry, tstoretarget& t, const tpropvalue& v) {
    if (!TypeAccepted(entry.rule, v)) return tapplyresult::Skipped;
    if (entry.rule == trule::AttachData && t.element) {
        t.element->ObjectNid = v.ObjectNid;
        if (!fieldstore::HasData(v)) {
            t.element->NodeId = v.Type; // the NID of the subnode that could not be read
            return tapplyresult::Applied;
        }
    }
    tstoreresult stored = entry.first.store(t, v);
    if (stored == tstoreresult::NoElement)
        return entry.rule == trule::StopWithoutElement ? tapplyresult::StopSet
                                                       : tapplyresult::Skipped;
    if (stored == tstoreresult::Skipped) return tapplyresult::Skipped;
    if (entry.second.store) entry.second.store(t, v);
    if (entry.rule == trule::MessageClass || entry.rule == trule::ContainerClass)
        SetKind(*t.message, entry.rule);
    return tapplyresult::Applied;
}

} // namespace

std::span<const ttagentry> TagTableEntries() {
    return kTagTable;
}

namespace {

// The tag table hashed: every value of every object is looked up here, and a
// table of a few KiB answers in one or two probes where a search of the
// sorted tags took nine unpredictable steps.
class ttagindex {
public:
    ttagindex() {
        size_t slots = 1;
        while (slots < 2 * std::size(kTagTable))
            slots *= 2;
        slots_.assign(slots, {0, nullptr});
        // Of equal tags, the first in the table is found: later ones are not placed.
        for (const ttagentry& e : kTagTable)
            if (!Find(e.tag)) Place(e);
    }

    const ttagentry* Find(uint32_t tag) const {
        for (size_t at = SlotOf(tag);; at = (at + 1) & (slots_.size() - 1)) {
            const tslot& slot = slots_[at];
            if (!slot.entry) return nullptr;
            if (slot.tag == tag) return slot.entry;
        }
    }

private:
    struct tslot {
        uint32_t tag;
        const ttagentry* entry; // null: an empty slot, which ends every probe run
    };

    size_t SlotOf(uint32_t tag) const {
        return size_t((tag * 0x9E3779B1u) >> 16) & (slots_.size() - 1);
    }

    void Place(const ttagentry& e) {
        size_t at = SlotOf(e.tag);
        while (slots_[at].entry)
            at = (at + 1) & (slots_.size() - 1);
        slots_[at] = {e.tag, &e};
    }

    std::vector<tslot> slots_; // at most half full
};

} // namespace

const ttagentry* FindTagEntry(uint32_t tag) {
    static const ttagindex index;
    return index.Find(tag);
}

tapplyresult ApplyValue(tstoretarget& target, tpropvalue& value) {
    return ApplyValueOfEntry(FindTagEntry(value.Tag), target, value);
}

tapplyresult ApplyValueOfEntry(const ttagentry* entry, tstoretarget& target, tpropvalue& value) {
    if (!entry) {
        tbuffer().swap(value.Data);
        return tapplyresult::Unknown;
    }
    switch (entry->rule) {
    case trule::NotStored:
        return tapplyresult::Skipped;
    case trule::HeaderField:
        return ApplyHeaderField(target, value);
    default:
        return ApplyEntry(*entry, target, value);
    }
}

std::optional<std::string> QuotedCharset(const std::string& contentType) {
    static const std::string kMarker = "charset=\"";
    size_t begin = contentType.find(kMarker);
    if (begin == std::string::npos) return std::nullopt;
    begin += kMarker.size();
    size_t end = contentType.find('"', begin);
    if (end == std::string::npos) return std::nullopt;
    return contentType.substr(begin, end - begin);
}

bool fieldstore::SplitSubject(std::unique_ptr<tsubject>& field, const tpropvalue& v) {
    field = std::make_unique<tsubject>();
    if (v.Size == 0) {
        field.reset(); // an empty subject leaves no subject record
        return true;
    }
    if (!HasData(v)) return false;
    uint8_t c = v.Data[0];
    bool printable = (c >= 0x20 && c <= 0x7E) || c >= 0xC0;
    if (printable || v.Size < 2 || v.Data.size() < 2) {
        field->Text = TextOf(v);
    } else {
        field->PrefixMarker = c;
        field->PrefixLength = v.Data[1];
        field->Text = TextOf(v, 2);
    }
    return true;
}
