// Why a file the program cannot read shows nothing: the header's own faults
// ([MS-PST] 2.2.2.6: dwMagic "!BDN", wVer, dwCRCPartial and dwCRCFull) and
// the page layouts the scans read. A fault that stops the open is told
// at once; the others only when the open found nothing, since the page scans
// read past a header that is merely damaged.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct tfilefacts {
    std::vector<uint8_t> Header; // the file's first bytes, up to the Unicode header's size
    int64_t Size = 0;            // the whole file's size
    bool FoundRoots = false;     // the page scan found a B-tree page of some layout
};

// The first bytes of the file at `path` and its size; empty when it cannot be read.
tfilefacts ReadFileFacts(const std::string& path);

// The fault that makes the file no mailbox at all: no "!BDN", or shorter than
// its header. Empty when the open may go on.
std::string FatalHeaderFault(const tfilefacts& facts);

// The likeliest reason why an open that went on found no node at all: an
// unknown version (printed), a header that fails its CRC, a file that ends
// before its first page, no page of a layout this program reads.
std::string EmptyOpenReason(const tfilefacts& facts);
