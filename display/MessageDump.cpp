// The field-by-field text of a message object. One visit function per record
// walks the record's lines of the field list (engine/messaging/
// MessageFields.inc), each naming the way its value is shown; the printer and
// the member-name list both walk those functions, and a test holds the name
// list against the field list.
#include "display/MessageDump.h"

#include <charconv>
#include <cstdio>
#include <ctime>

#include "engine/messaging/FileTime.h"
#include "engine/ndb/BlockIndex.h"

namespace {

// ---- What each record holds: its lines of the field list, in order. ----

// Every field line names the printer member that shows the field.
#define FIELD_TAG(record, type, field, show, ...) v.show(#field, r.field);
#define FIELD_TAG_WITH(record, type, field, show, ...) v.show(#field, r.field);
#define FIELD_NO_TAG(record, type, field, show, source) v.show(#field, r.field);
#define FIELD_ALSO(...)
#define FIELD_ALSO_WITH(...)
#define FIELD_RULE(...)
#define FIELD_NOT_STORED(...)

template <class V> void VisitMembers(const tsubject& r, V& v) {
    v.Begin("tsubject");
#include "engine/messaging/fields/Subject.inc"
}

template <class V> void VisitMembers(const tmailinfo& r, V& v) {
    v.Begin("tmailinfo");
#include "engine/messaging/fields/MailInfo.inc"
}

template <class V> void VisitMembers(const tfolderinfo& r, V& v) {
    v.Begin("tfolderinfo");
#include "engine/messaging/fields/FolderInfo.inc"
}

template <class V> void VisitMembers(const tcontactinfo& r, V& v) {
    v.Begin("tcontactinfo");
#include "engine/messaging/fields/ContactInfo.inc"
}

template <class V> void VisitMembers(const tattachment& r, V& v) {
    v.Begin("tattachment");
#include "engine/messaging/fields/Attachment.inc"
}

template <class V> void VisitMembers(const theaderfield& r, V& v) {
    v.Begin("theaderfield");
#include "engine/messaging/fields/HeaderField.inc"
}

template <class V> void VisitMembers(const tstoreinfo& r, V& v) {
    v.Begin("tstoreinfo");
#include "engine/messaging/fields/StoreInfo.inc"
}

template <class V> void VisitMembers(const tjournalinfo& r, V& v) {
    v.Begin("tjournalinfo");
#include "engine/messaging/fields/JournalInfo.inc"
}

template <class V> void VisitMembers(const tappointmentinfo& r, V& v) {
    v.Begin("tappointmentinfo");
#include "engine/messaging/fields/AppointmentInfo.inc"
}

template <class V> void VisitMembers(const ttaskinfo& r, V& v) {
    v.Begin("ttaskinfo");
#include "engine/messaging/fields/TaskInfo.inc"
}

template <class V> void VisitMembers(const tnoteinfo& r, V& v) {
    v.Begin("tnoteinfo");
#include "engine/messaging/fields/NoteInfo.inc"
}

template <class V> void VisitMembers(const tcompanies& r, V& v) {
    v.Begin("tcompanies");
#include "engine/messaging/fields/Companies.inc"
}

template <class V> void VisitMembers(const trssinfo& r, V& v) {
    v.Begin("trssinfo");
#include "engine/messaging/fields/RssInfo.inc"
}

template <class V> void VisitMembers(const tspecialfolders& r, V& v) {
    v.Begin("tspecialfolders");
#include "engine/messaging/fields/SpecialFolders.inc"
}

template <class V> void VisitMembers(const tpstmessage& r, V& v) {
    v.Begin("tpstmessage");
#include "engine/messaging/fields/Message.inc"
}

#include "engine/messaging/fields/UndefFieldMacros.inc"

// ---- The printer: one line per set field, names prefixed by the path. ----

std::string HexId(uint64_t id) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(id));
    return text;
}

// Deeper subnode lists than this are not shown: a copied tree is finite, but
// a crafted file could nest it far enough to exhaust the stack.
constexpr int kMaxSubnodeDepth = 32;

class Printer {
public:
    Printer(std::vector<tdumpline>& lines, std::string prefix)
        : lines_(lines), prefix_(std::move(prefix)) {}

    void Begin(const char*) {}
    void Text(const char* name, const ttext& value) {
        if (value) Add(name, EscapeText(TextOf(value)));
    }
    void Text(const char* name, const std::string& value) {
        if (!value.empty()) Add(name, EscapeText(value));
    }
    void AlwaysText(const char* name, const ttext& value) { Add(name, EscapeText(TextOf(value))); }
    void Binary(const char* name, const ttext& value) {
        if (value && !value->empty()) Add(name, HexBytes(value->data(), value->size()));
    }
    void Bytes(const char* name, const tbytes& value) {
        if (!value.empty()) Add(name, HexBytes(value.data(), value.size()));
    }
    void Time(const char* name, const tbytes& value) {
        if (!value.empty()) Add(name, FormatFileTimeUtc(value));
    }
    template <class N> void Number(const char* name, N value) {
        if (value != 0) Add(name, std::to_string(value));
    }
    void AlwaysNumber(const char* name, int32_t value) { Add(name, std::to_string(value)); }
    void Tri(const char* name, int32_t value) { Number(name, value); }
    void Tri(const char* name, uint16_t value) { Number(name, static_cast<int16_t>(value)); }
    void Id(const char* name, uint64_t value) {
        if (value != 0) Add(name, HexId(value));
    }
    void Real(const char* name, double value) {
        if (value == 0) return;
        char text[32];
        auto result = std::to_chars(text, text + sizeof text, value);
        Add(name, std::string(text, result.ptr));
    }
    // A sub-record's presence matters even when all its fields are zero (a
    // folder is a node whose object has FolderCounts), so it gets a line.
    template <class T> void Record(const char* name, const std::unique_ptr<T>& record) {
        if (!record) return;
        Add(name, "present");
        Printer inner(lines_, prefix_ + name + ".");
        VisitMembers(*record, inner);
    }
    // A chain's line holds its length; then each element by index.
    template <class T> void Chain(const char* name, const std::unique_ptr<T>& head) {
        size_t count = 0;
        for (const T* element = head.get(); element; element = element->Next.get())
            ++count;
        if (count == 0) return;
        Add(name, std::to_string(count));
        size_t index = 0;
        for (const T* element = head.get(); element; element = element->Next.get(), ++index) {
            Printer inner(lines_, prefix_ + name + "[" + std::to_string(index) + "].");
            VisitMembers(*element, inner);
        }
    }
    // The chain itself is walked by Chain.
    template <class T> void Link(const char*, const std::unique_ptr<T>&) {}
    void Subnodes(const char* name, const std::unique_ptr<tsubnodeentry>& list) {
        SubnodeList(prefix_ + name, list.get(), 0);
    }

private:
    void Add(const char* name, std::string value) {
        lines_.push_back({prefix_ + name, std::move(value)});
    }
    void SubnodeList(const std::string& path, const tsubnodeentry* entry, int depth) {
        if (depth >= kMaxSubnodeDepth) return;
        for (size_t index = 0; entry; entry = entry->pNext.get(), ++index) {
            std::string at = path + "[" + std::to_string(index) + "].";
            lines_.push_back({at + "Nid", HexId(entry->nid)});
            if (entry->pDataBlock) {
                lines_.push_back({at + "DataBid", HexId(uint64_t(entry->pDataBlock->bid))});
                lines_.push_back(
                    {at + "DataSize", std::to_string(BlockDataSize(entry->pDataBlock))});
            }
            SubnodeList(at + "Children", entry->pChildren.get(), depth + 1);
        }
    }

    std::vector<tdumpline>& lines_;
    std::string prefix_;
};

// ---- The member-name list: walks blank records, depth first. ----

class NameCollector {
public:
    explicit NameCollector(std::vector<std::string>& names) : names_(names) {}

    void Begin(const char* record) { record_ = record; }
    template <class T> void Text(const char* name, const T&) { Add(name); }
    template <class T> void AlwaysText(const char* name, const T&) { Add(name); }
    template <class T> void Binary(const char* name, const T&) { Add(name); }
    template <class T> void Bytes(const char* name, const T&) { Add(name); }
    template <class T> void Time(const char* name, const T&) { Add(name); }
    template <class T> void Number(const char* name, T) { Add(name); }
    template <class T> void AlwaysNumber(const char* name, T) { Add(name); }
    template <class T> void Tri(const char* name, T) { Add(name); }
    template <class T> void Id(const char* name, T) { Add(name); }
    template <class T> void Real(const char* name, T) { Add(name); }
    template <class T> void Subnodes(const char* name, const T&) { Add(name); }
    template <class T> void Link(const char* name, const std::unique_ptr<T>&) { Add(name); }
    template <class T> void Record(const char* name, const std::unique_ptr<T>&) {
        Add(name);
        Descend<T>();
    }
    template <class T> void Chain(const char* name, const std::unique_ptr<T>&) {
        Add(name);
        Descend<T>();
    }

private:
    void Add(const char* name) { names_.push_back(record_ + "." + name); }
    template <class T> void Descend() {
        T blank;
        NameCollector inner(names_);
        VisitMembers(blank, inner);
    }

    std::vector<std::string>& names_;
    std::string record_;
};

} // namespace

std::vector<tdumpline> DumpMessage(const tpstmessage& message) {
    std::vector<tdumpline> lines;
    Printer printer(lines, "");
    VisitMembers(message, printer);
    return lines;
}

std::vector<std::string> DumpedMemberNames() {
    std::vector<std::string> names;
    NameCollector collector(names);
    VisitMembers(tpstmessage{}, collector);
    return names;
}

std::string EscapeText(const std::string& text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        if (c == '\t')
            escaped += "\\t";
        else if (c == '\n')
            escaped += "\\n";
        else if (c == '\r')
            escaped += "\\r";
        else
            escaped += c;
    }
    return escaped;
}

std::string HexBytes(const void* data, size_t size) {
    static const char kDigits[] = "0123456789abcdef";
    const auto* bytes = static_cast<const uint8_t*>(data);
    std::string hex(size * 2, '0');
    for (size_t i = 0; i < size; ++i) {
        hex[2 * i] = kDigits[bytes[i] >> 4];
        hex[2 * i + 1] = kDigits[bytes[i] & 0x0F];
    }
    return hex;
}

std::string FormatFileTimeUtc(const tbytes& filetime) {
    if (filetime.size() != 8) return HexBytes(filetime.data(), filetime.size());
    std::optional<std::time_t> seconds = FileTimeToUnixTime(filetime);
    std::tm utc{};
    if (!seconds || !gmtime_r(&*seconds, &utc)) return HexBytes(filetime.data(), filetime.size());
    char text[48];
    std::snprintf(text, sizeof text, "%04lld-%02d-%02dT%02d:%02d:%02dZ",
                  static_cast<long long>(utc.tm_year) + 1900, utc.tm_mon + 1, utc.tm_mday,
                  utc.tm_hour, utc.tm_min, utc.tm_sec);
    return text;
}
