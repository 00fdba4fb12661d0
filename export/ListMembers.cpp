// Reading the one-off EntryIDs of a distribution list ([MS-OXCDATA]
// 2.2.5.1): Flags, the one-off ProviderUID, Version, a 16-bit field whose
// 0x8000 bit says the three strings after it (display name, address type,
// address, each zero-terminated) are UTF-16LE. A WrappedEntryId of the
// contact address book ([MS-OXOCNTC] 2.2.2.2.1: its own ProviderUID and a
// type byte) may carry a one-off EntryID after its type byte.
#include "export/ListMembers.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

#include "body/RtfCodepage.h"
#include "support/Utf16.h"

namespace {

using tbytesview = std::span<const uint8_t>;

constexpr std::array<uint8_t, 16> kOneOffProvider = {
    0x81, 0x2B, 0x1F, 0xA4, 0xBE, 0xA3, 0x10, 0x19, 0x9D, 0x6E, 0x00, 0xDD, 0x01, 0x0F, 0x54, 0x02};
constexpr std::array<uint8_t, 16> kWrappedProvider = {
    0xC0, 0x91, 0xAD, 0xD3, 0x51, 0x9D, 0xCF, 0x11, 0xA4, 0xA9, 0x00, 0xAA, 0x00, 0x47, 0xFA, 0xA4};
constexpr size_t kFlagsBytes = 4;
constexpr size_t kProviderAt = kFlagsBytes;
constexpr size_t kProviderBytes = 16;
constexpr size_t kOneOffStringsAt =
    kProviderAt + kProviderBytes + 4; // Version and the 16-bit field
constexpr size_t kOneOffFormatAt = kProviderAt + kProviderBytes + 2;
constexpr uint16_t kOneOffUnicode = 0x8000;
constexpr size_t kWrappedTypeAt = kProviderAt + kProviderBytes;
constexpr uint32_t kValueOffsetBytes = 4;

uint32_t Little32(tbytesview b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
           uint32_t(b[at + 3]) << 24;
}

bool HasProvider(tbytesview b, const std::array<uint8_t, 16>& provider) {
    return b.size() >= kProviderAt + kProviderBytes &&
           std::equal(provider.begin(), provider.end(), b.begin() + kProviderAt);
}

// One zero-terminated string from `at`; `at` moves past its terminator.
std::optional<std::string> ReadString(tbytesview b, size_t& at, bool unicode) {
    if (unicode) {
        size_t end = at;
        while (end + 1 < b.size() && (b[end] || b[end + 1]))
            end += 2;
        if (end + 1 >= b.size()) return std::nullopt;
        std::string text = Utf16ToUtf8(b.data() + at, (end - at) / 2);
        at = end + 2;
        return text;
    }
    const uint8_t* zero = static_cast<const uint8_t*>(std::memchr(b.data() + at, 0, b.size() - at));
    if (!zero) return std::nullopt;
    size_t end = size_t(zero - b.data());
    std::string_view raw(reinterpret_cast<const char*>(b.data() + at), end - at);
    at = end + 1;
    return ostrel::body::CodepageToUtf8(ostrel::body::kCodepageWestern, raw);
}

std::optional<tlistmember> OneOff(tbytesview b) {
    if (!HasProvider(b, kOneOffProvider) || b.size() < kOneOffStringsAt) return std::nullopt;
    bool unicode = (uint16_t(b[kOneOffFormatAt] | b[kOneOffFormatAt + 1] << 8) & kOneOffUnicode);
    size_t at = kOneOffStringsAt;
    tlistmember m;
    auto name = ReadString(b, at, unicode);
    auto type = name ? ReadString(b, at, unicode) : std::nullopt;
    auto address = type ? ReadString(b, at, unicode) : std::nullopt;
    if (!address) return std::nullopt;
    m.Name = std::move(*name);
    m.AddressType = std::move(*type);
    m.Address = std::move(*address);
    return m;
}

std::optional<tlistmember> Member(tbytesview b) {
    // Whatever the type byte, only an embedded one-off EntryID is read.
    if (HasProvider(b, kWrappedProvider) && b.size() > kWrappedTypeAt)
        return OneOff(b.subspan(kWrappedTypeAt + 1));
    return OneOff(b);
}

} // namespace

std::vector<tbytesview> MultipleBinaryValues(tbytesview bytes) {
    std::vector<tbytesview> values;
    if (bytes.size() < kValueOffsetBytes) return values;
    uint32_t count = Little32(bytes, 0);
    if (count > kMostListMembers || count > (bytes.size() - 4) / kValueOffsetBytes) return values;
    size_t dataStart = 4 + size_t(count) * kValueOffsetBytes;
    for (uint32_t i = 0; i < count; ++i) {
        size_t begin = Little32(bytes, 4 + size_t(i) * 4);
        size_t end = i + 1 < count ? Little32(bytes, 4 + size_t(i + 1) * 4) : bytes.size();
        if (begin < dataStart || begin > end || end > bytes.size()) return {};
        values.push_back(bytes.subspan(begin, end - begin));
    }
    return values;
}

std::vector<tlistmember> ListMembers(tbytesview multipleBinary) {
    std::vector<tlistmember> members;
    for (tbytesview value : MultipleBinaryValues(multipleBinary))
        if (auto m = Member(value); m && (!m->Name.empty() || !m->Address.empty()))
            members.push_back(std::move(*m));
    return members;
}
