// The attachment files of the sample mailbox: a text file, a small PNG (RFC 2083 chunks over
// stored deflate blocks of RFC 1950/1951) and a blob that begins and ends like a PDF.
#include <array>

#include "tools/samplemailbox/SampleContent.h"

namespace samplemailbox {

namespace {

constexpr uint32_t kImageSide = 16;
constexpr uint8_t kRgbColourType = 2, kBitDepth = 8, kFilterNone = 0;
constexpr uint32_t kCrcPolynomial = 0xEDB88320;
constexpr uint32_t kAdlerModulus = 65521;

void putBigEndian(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(uint8_t(v >> shift));
}

uint32_t crc32(const std::vector<uint8_t>& bytes, size_t from) {
    uint32_t c = 0xFFFFFFFF;
    for (size_t i = from; i < bytes.size(); ++i) {
        c ^= bytes[i];
        for (int k = 0; k < 8; ++k)
            c = c & 1 ? (c >> 1) ^ kCrcPolynomial : c >> 1;
    }
    return ~c;
}

uint32_t adler32(const std::vector<uint8_t>& bytes) {
    uint32_t a = 1, b = 0;
    for (uint8_t x : bytes) {
        a = (a + x) % kAdlerModulus;
        b = (b + a) % kAdlerModulus;
    }
    return b << 16 | a;
}

void chunk(std::vector<uint8_t>& png, const char* type, const std::vector<uint8_t>& data) {
    putBigEndian(png, uint32_t(data.size()));
    const size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    putBigEndian(png, crc32(png, start));
}

// A blue-to-green gradient with a white diagonal, one filter byte before each row.
std::vector<uint8_t> scanlines() {
    std::vector<uint8_t> raw;
    for (uint32_t y = 0; y < kImageSide; ++y) {
        raw.push_back(kFilterNone);
        for (uint32_t x = 0; x < kImageSide; ++x) {
            const bool diagonal = x == y;
            raw.push_back(diagonal ? 255 : uint8_t(40 + x * 8));
            raw.push_back(diagonal ? 255 : uint8_t(90 + y * 9));
            raw.push_back(diagonal ? 255 : 200);
        }
    }
    return raw;
}

// One final stored deflate block inside a zlib stream.
std::vector<uint8_t> zlibStored(const std::vector<uint8_t>& raw) {
    std::vector<uint8_t> z{0x78, 0x01, 0x01};
    const uint16_t len = uint16_t(raw.size());
    z.insert(z.end(), {uint8_t(len), uint8_t(len >> 8), uint8_t(~len), uint8_t(~len >> 8)});
    z.insert(z.end(), raw.begin(), raw.end());
    putBigEndian(z, adler32(raw));
    return z;
}

} // namespace

std::vector<uint8_t> textFile(const std::string& text) {
    return {text.begin(), text.end()};
}

std::vector<uint8_t> pngImage() {
    std::vector<uint8_t> png{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    std::vector<uint8_t> header;
    putBigEndian(header, kImageSide);
    putBigEndian(header, kImageSide);
    header.insert(header.end(), {kBitDepth, kRgbColourType, 0, 0, 0});
    chunk(png, "IHDR", header);
    chunk(png, "IDAT", zlibStored(scanlines()));
    chunk(png, "IEND", {});
    return png;
}

std::vector<uint8_t> pdfDocument(const std::string& title) {
    const std::string pdf = "%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n"
                            "2 0 obj << /Type /Pages /Kids [] /Count 0 >> endobj\n"
                            "3 0 obj << /Title (" +
                            title + ") >> endobj\ntrailer << /Root 1 0 R /Info 3 0 R >>\n%%EOF\n";
    return {pdf.begin(), pdf.end()};
}

} // namespace samplemailbox
