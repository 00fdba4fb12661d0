// Writes the seed corpora of the fuzz targets into the folder given: whole
// seed mailboxes (and a truncated one) for the raw open target, one input per
// seed for the mutation targets (the attachment target among them), the PC and TC heaps of the
// seeds for the context target, the RTF values and documents of the RTF targets, and the
// calendar values of the calendar target.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>

#include "tests/engine/ndb/Image4k.h"
#include "tests/fuzz/Seed4k.h"
#include "tests/fuzz/SeedCalendar.h"
#include "tests/fuzz/SeedMailboxes.h"
#include "tests/fuzz/SeedRtf.h"

namespace fs = std::filesystem;
using ostrel::fuzz::SeedMailbox;

namespace {

void Write(const fs::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::vector<uint8_t> HeapData(const SeedMailbox& seed, const pstw::BlockInfo& b) {
    std::vector<uint8_t> data(seed.bytes.begin() + b.offset, seed.bytes.begin() + b.offset + b.cb);
    pstw::decodeBlock(data, seed.crypt, b.bid);
    return data;
}

// The 4 KiB target: the seed image unedited, one edit that keeps its CRCs,
// and zlib streams of the sizes the layout's blocks take.
void WriteOst4kSeeds(const fs::path& dir) {
    Write(dir / "image", {ostrel::fuzz::kImageMode});
    Write(dir / "image-edit", {ostrel::fuzz::kImageMode, 0x10, 0x20, 0x80, 0x7F});
    for (size_t size : {size_t(1), size_t(300), size_t(8176), size_t(65512)}) {
        std::vector<uint8_t> data(size);
        for (size_t i = 0; i < size; ++i)
            data[i] = uint8_t(i * 31 / 7);
        std::vector<uint8_t> input{ostrel::fuzz::kInflateMode, uint8_t(size), uint8_t(size >> 8)};
        std::vector<uint8_t> stream = img4k::Deflate(data);
        input.insert(input.end(), stream.begin(), stream.end());
        Write(dir / ("inflate-" + std::to_string(size)), input);
    }
}

// A needle length byte, the needle, then an HTML or 8-bit text.
void WriteSearchTextSeeds(const fs::path& dir) {
    const char* const seeds[] = {
        "\x04"
        "cafe<p class=\"x\">Caf&eacute; <b>wor</b>ld</p><script>a<b</script>&#233;&#x41;",
        "\x03"
        "abc<!-- c --><style>p{}</style>&amp;&lt;&nbsp;&szlig;&unknown;<a title='>'>x</a>",
        "\x02\xC3\xA9R\xE9sum\xE9 \x8A\xC5\x81\xC3\x86 \xD0\x9F\xCE\xA3 \xED\xA0\x80 "
        "\xF0\x9F\x98\x80",
    };
    size_t n = 0;
    for (const char* seed : seeds) {
        const std::string text(seed);
        Write(dir / ("seed-" + std::to_string(n++)),
              std::vector<uint8_t>(text.begin(), text.end()));
    }
}

// Header blocks as Outlook stores them: a Received chain with folded lines,
// list fields, duplicates of fields the export writes, MIME fields, an mbox
// "From " line and a field that tries to end the header early.
void WriteTransportHeaderSeeds(const fs::path& dir) {
    const char* const seeds[] = {
        ("Received: from mx.example.com (mx.example.com [192.0.2.1])\r\n\tby mail.example.org "
         "with ESMTP id 12345\r\n\tfor <bob@example.org>; Tue, 2 Mar 2021 04:05:06 +0000\r\n"
         "Message-ID: <abc@example.com>\r\nList-Id: <list.example.com>\r\n"
         "X-Mailer: Test\r\nContent-Type: multipart/mixed; boundary=\"b\"\r\n"
         "MIME-Version: 1.0\r\n\r\n--b\r\n"),
        ("Microsoft Mail Internet Headers Version 2.0\r\nFrom: a@example.com\r\n"
         "Subject: =?utf-8?B?w6Q=?=\r\nX-Long: "),
        "From someone@example.com Tue Mar  2 04:05:06 2021\nX-A: 1\n X-B: 2\r\rX-C:\r\n\r\n",
        "X-Inject: a\r\n--boundary\r\nContent-Type: text/html\r\n\r\n<b>\r\n",
    };
    size_t n = 0;
    for (const char* seed : seeds) {
        std::string text = seed;
        std::vector<uint8_t> bytes(text.begin(), text.end());
        Write(dir / ("headers-" + std::to_string(n++)), bytes);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s corpus-folder\n", argv[0]);
        return 2;
    }
    const fs::path root = argv[1];
    for (const char* target :
         {"open", "mutated_open", "context", "export", "ost4k", "embedded", "attachments",
          "rtf_decompress", "rtf_reader", "search_text", "calendar", "transport_headers"})
        fs::create_directories(root / target);
    const std::vector<SeedMailbox>& seeds = ostrel::fuzz::SeedMailboxes();
    std::set<std::vector<uint8_t>> heaps;
    for (size_t i = 0; i < seeds.size(); ++i) {
        const std::string name = "seed-" + std::to_string(i);
        Write(root / "open" / (name + ".pst"), seeds[i].bytes);
        Write(root / "mutated_open" / name, {uint8_t(i)});
        Write(root / "export" / name, {uint8_t(i)});
        Write(root / "attachments" / name, {uint8_t(i)});
        for (const pstw::BlockInfo& b : seeds[i].heaps)
            heaps.insert(HeapData(seeds[i], b));
    }
    std::vector<uint8_t> cut = seeds[0].bytes;
    cut.resize(cut.size() / 2);
    Write(root / "open" / "truncated.pst", cut);
    WriteOst4kSeeds(root / "ost4k");
    for (size_t i = 0; i < ostrel::fuzz::EmbeddedSeedMailboxes().size(); ++i)
        Write(root / "embedded" / ("seed-" + std::to_string(i)), {uint8_t(i)});
    ostrel::fuzz::WriteRtfSeeds(root / "rtf_decompress", root / "rtf_reader");
    WriteSearchTextSeeds(root / "search_text");
    ostrel::fuzz::WriteCalendarSeeds(root / "calendar");
    WriteTransportHeaderSeeds(root / "transport_headers");
    size_t n = 0;
    for (const std::vector<uint8_t>& heap : heaps)
        Write(root / "context" / ("heap-" + std::to_string(n++)), heap);
    return 0;
}
