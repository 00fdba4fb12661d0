// Streams of the name-to-ID map as the PST writer lays them out ([MS-PST] 2.4.7.1 to 2.4.7.5).
#include "tools/pstwriter/PstNameMap.h"

#include <algorithm>
#include <map>

#include "tools/pstwriter/PstFormat.h"
#include "tools/pstwriter/PstPropContext.h"

namespace pstw {

using detail::put;

namespace {

constexpr uint32_t kBucketCount = 251;
constexpr std::array<uint8_t, 8> kOleTail{0xC0, 0, 0, 0, 0, 0, 0, 0x46};

void appendNameId(std::vector<uint8_t>& out, uint32_t dwPropertyID, uint16_t guidWord,
                  uint16_t propIdx) {
    const size_t at = out.size();
    out.resize(at + 8);
    put(out, at, dwPropertyID, 4);
    put(out, at + 4, guidWord, 2);
    put(out, at + 6, propIdx, 2);
}

} // namespace

Guid psMapi() {
    return makeGuid(0x00020328, 0, 0, kOleTail);
}
Guid psPublicStrings() {
    return makeGuid(0x00020329, 0, 0, kOleTail);
}
Guid psInternetHeaders() {
    return makeGuid(0x00020386, 0, 0, kOleTail);
}
Guid psetidAppointment() {
    return makeGuid(0x00062002, 0, 0, kOleTail);
}
Guid psetidTask() {
    return makeGuid(0x00062003, 0, 0, kOleTail);
}
Guid psetidAddress() {
    return makeGuid(0x00062004, 0, 0, kOleTail);
}
Guid psetidCommon() {
    return makeGuid(0x00062008, 0, 0, kOleTail);
}
Guid psetidLog() {
    return makeGuid(0x0006200A, 0, 0, kOleTail);
}
Guid psetidNote() {
    return makeGuid(0x0006200E, 0, 0, kOleTail);
}
Guid psetidPostRss() {
    return makeGuid(0x00062041, 0, 0, kOleTail);
}

uint16_t NameMap::idOf(const PropName& name) {
    for (size_t i = 0; i < names_.size(); ++i) {
        const PropName& n = names_[i];
        if (n.guid == name.guid && n.isString == name.isString && n.lid == name.lid &&
            n.name == name.name)
            return uint16_t(0x8000 + i);
    }
    if (names_.size() >= 0x7FFF) throw std::length_error("pstw: name-to-ID map is full");
    if (name.guid != psMapi() && name.guid != psPublicStrings() &&
        std::find(guids_.begin(), guids_.end(), name.guid) == guids_.end())
        guids_.push_back(name.guid);
    names_.push_back(name);
    return uint16_t(0x8000 + names_.size() - 1);
}

uint16_t NameMap::guidIndex(const Guid& g) const {
    if (g == psMapi()) return 1;
    if (g == psPublicStrings()) return 2;
    return uint16_t(3 + (std::find(guids_.begin(), guids_.end(), g) - guids_.begin()));
}

std::vector<Prop> NameMap::properties() const {
    std::vector<uint8_t> guidStream, entries, strings;
    std::vector<Guid> guids = guids_;
    if (names_.empty()) guids.push_back(psetidCommon());
    for (const Guid& g : guids)
        guidStream.insert(guidStream.end(), g.begin(), g.end());
    std::map<uint32_t, std::vector<uint8_t>> buckets;
    // libpff refuses a map whose entry stream is empty, so an unused map still names one
    // property (PidLidReminderDelta as 0x8000); no property of the mailbox carries that ID.
    const std::vector<PropName> placeholder{PropName::numeric(psetidCommon(), 0x8501)};
    const std::vector<PropName>& all = names_.empty() ? placeholder : names_;
    for (size_t i = 0; i < all.size(); ++i) {
        const PropName& n = all[i];
        const uint16_t guidWord = uint16_t(guidIndex(n.guid) << 1 | (n.isString ? 1 : 0));
        uint32_t id = n.lid, hash = n.lid;
        if (n.isString) {
            // Length, UTF-16LE text, then padding to the next 4-byte boundary.
            const std::vector<uint8_t> text = utf16le(n.name);
            id = uint32_t(strings.size());
            hash = crc(text);
            const size_t at = strings.size();
            strings.resize(at + 4);
            put(strings, at, text.size(), 4);
            strings.insert(strings.end(), text.begin(), text.end());
            strings.resize((strings.size() + 3) / 4 * 4, 0);
        }
        appendNameId(entries, id, guidWord, uint16_t(i));
        appendNameId(buckets[(hash ^ guidWord) % kBucketCount], hash, guidWord, uint16_t(i));
    }
    std::vector<Prop> props{Prop::i32(0x0001, kBucketCount), Prop::bin(0x0002, guidStream),
                            Prop::bin(0x0003, entries), Prop::bin(0x0004, strings)};
    for (auto& [bucket, bytes] : buckets)
        props.push_back(Prop::bin(uint16_t(0x1000 + bucket), bytes));
    return props;
}

void NameMap::write(NdbWriter& w) const {
    SubnodeSet subs;
    const uint64_t bid = writePropertyContext(w, properties(), subs);
    w.addNode(kNidNameToIdMap, bid, subs.write(w), 0);
}

} // namespace pstw
