// Seeds of rtf_decompress ([MS-OXRTFCP] examples, the writer's uncompressed
// form, a cut value) and rtf_reader (documents of each encapsulation and an
// editor's, hostile nesting and escapes).
#include "tests/fuzz/SeedRtf.h"

#include <fstream>
#include <string>
#include <vector>

#include "tests/body/RtfExamples.h"
#include "tools/pstwriter/PstRtf.h"

namespace ostrel::fuzz {
namespace {

void Write(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

std::string_view Chars(const std::vector<uint8_t>& v) {
    return {reinterpret_cast<const char*>(v.data()), v.size()};
}

} // namespace

void WriteRtfSeeds(const std::filesystem::path& decompressDir,
                   const std::filesystem::path& readerDir) {
    using namespace rtfexamples;
    Write(decompressDir / "simple", Chars(kSimple));
    Write(decompressDir / "crossing", Chars(kCrossing));
    std::vector<uint8_t> cut(kSimple.begin(), kSimple.end() - 7);
    Write(decompressDir / "cut", Chars(cut));
    Write(decompressDir / "mela-html", Chars(pstw::uncompressedRtf(std::string(kFromHtml))));
    Write(decompressDir / "mela-editor", Chars(pstw::uncompressedRtf(std::string(kEditor))));

    Write(readerDir / "fromhtml", kFromHtml);
    Write(readerDir / "fromtext", kFromText);
    Write(readerDir / "editor", kEditor);
    Write(readerDir / "unicode",
          "{\\rtf1\\ansi\\ansicpg932{\\fonttbl{\\f0\\fcharset128 MS Gothic;}}\\f0 "
          "\\'93\\'fa\\uc2\\u26412??\\uc0\\u-10179\\u-8694 x\\bin3 {}\\'zz}");
    Write(readerDir / "nested", std::string(600, '{') + "\\b deep\\par" + std::string(600, '}'));
}

} // namespace ostrel::fuzz
