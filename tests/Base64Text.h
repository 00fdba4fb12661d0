// Base64 read back (RFC 4648 alphabet) for tests that check what the
// export, the test writer or another reader encoded: every character outside
// the alphabet (CR, LF, '=') is passed over, and leftover bits are dropped.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

inline std::string DecodedBase64(std::string_view text) {
    static const std::string alphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    uint32_t bits = 0;
    int count = 0;
    for (char c : text) {
        const size_t v = alphabet.find(c);
        if (v == std::string::npos) continue;
        bits = bits << 6 | uint32_t(v);
        count += 6;
        if (count >= 8) {
            count -= 8;
            out += char((bits >> count) & 0xFF);
        }
    }
    return out;
}
