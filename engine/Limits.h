// Bounds that keep the engine's work and memory finite on damaged or crafted
// files. Each limit lies well above anything a real mailbox holds, so intact
// files never meet them; a structure that crosses one is treated as unreadable.
// Each bound names the [MS-PST] structure it applies to.
#pragma once

#include <cstdint>

namespace ostrel::limits {

// A block of the 4 KiB layout takes at most 64 KiB on disk, its trailer
// included, and its BBT entry gives the inflated size in 16 bits. A compressed
// block is inflated into a buffer of exactly that size and never more, so a
// stream or an entry that claims more makes the block unreadable.
inline constexpr uint32_t kMaxInflatedBlockBytes = 64u << 10;

// B-trees of real files have two to four levels; eight allows for huge files
// and still stops a page chain that refers back to itself.
inline constexpr int kMaxBTreeDepth = 8;

// Subnode lists nest one level per embedded object; a bidSub that points back
// at its own SLBLOCK would otherwise recurse without end.
inline constexpr int kMaxSubnodeDepth = 16;

// The depth cap alone still lets an SLBLOCK that names itself as each of its
// entries' subnodes multiply its entries level by level (up to 681 per block,
// 16 levels). A list level is one SLBLOCK, and a real message's tree holds
// its attachments, tables and large values with a few subnodes each; a tree
// stops taking entries at this many, which also keeps one damaged node from
// costing seconds every time it is read.
inline constexpr uint64_t kMaxSubnodeEntries = 1ull << 12;

// One XBLOCK lists at most 1021 (Unicode) or 2043 (ANSI) blocks of about 8 KB:
// under 17 MB. A crafted XBLOCK can repeat one large BID 65535 times; this cap
// refuses such a tree before its buffer is grown.
inline constexpr uint64_t kMaxDataTreeBytes = 64ull << 20;

// An attachment kept under an XXBLOCK is expanded into one buffer of the
// size the XXBLOCK declares. Such data is read whole like any data tree, so
// a declared size above what the data tree reader delivers is refused before
// the buffer is allocated.
inline constexpr uint64_t kMaxExpandedAttachmentBytes = kMaxDataTreeBytes;

// A heap lives in one data block or in the pages an XBLOCK lists; the pages
// of a real heap stay far below the data tree cap, and a heap is read whole,
// so the same cap bounds what one context loads.
inline constexpr uint64_t kMaxHeapBytes = kMaxDataTreeBytes;

// Every value of a context is copied out of the heap. A crafted PC can point
// a thousand records at one 64 MB subnode; this budget for all values of one
// context (a real message's bodies and attachments stay far below it) makes
// such a context unreadable instead of exhausting memory.
inline constexpr uint64_t kMaxContextValueBytes = 256ull << 20;

// Each table cell becomes a value record. The tables read (recipients and
// attachments) have hundreds of rows of a few dozen columns; a row index
// claiming millions of rows is damage.
inline constexpr uint64_t kMaxTableCells = 1ull << 20;

// Row index BTHs of real tables have one or two index levels; each level is
// walked by recursion, and allocations may name each other in a cycle.
inline constexpr int kMaxBthIndexLevels = 8;
inline constexpr uint64_t kMaxBthIndexRecords = 1ull << 20;

// wPropIdx is 16 bits, so a name-to-ID map names at most 65536 properties;
// records beyond that many are ignored (and keep the sorted insert finite).
inline constexpr uint64_t kMaxNamedProperties = 65536;

// Folder trees of real stores are a dozen levels deep. A recovered or crafted
// node chain can be as deep as the file has nodes; the collections recurse
// per level, so they stop descending here.
inline constexpr int kMaxFolderDepth = 256;

// A message attached to a message ([MS-OXCMSG] 2.2.2.9, ATTACH_EMBEDDED_MSG)
// may itself carry attached messages. Real mail nests a few levels; each
// level is opened on request, and a crafted chain stops at this depth (the
// subnode depth cap usually ends it earlier: every level adds two lists).
inline constexpr int kMaxEmbeddingDepth = 16;

} // namespace ostrel::limits
