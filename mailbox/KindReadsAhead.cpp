// The collections' reads on every core. Each node's cheap read
// (ProbeMessage) depends on nothing but the file and the node, so the reads
// of many nodes can run at once: the threads share out the nodes in chunks,
// each keeps what it read in the nodes it took, and the collection walks the
// tree afterwards as it would have, taking the kept reads. Only the thread
// that runs the collection pumps events; a Stop there stops every thread.
#include <thread>

#include "mailbox/FileOrder.h"
#include "mailbox/KindRecords.h"
#include "mailbox/uPST64File.h"
#include "support/EventPump.h"
#include "support/Parallel.h"

namespace {

constexpr size_t kNodesPerChunk = 256;
constexpr size_t kFewestForThreads = 2048; // below this the threads cost more than they save
constexpr size_t kNodesPerFilterChunk = 4096;

} // namespace

// The nodes to read, in the order of the node list. Looking at a node is a
// cache miss or two, a million of them in a large mailbox: each core looks
// at its own chunks of the list, and the chunks are joined in order.
std::vector<tnodeentry*> TPst64File::NodesToReadAhead() const {
    const std::vector<tnodeentry*>& owned = Engine.nodes.owned;
    std::vector<std::vector<tnodeentry*>> chunks((owned.size() + kNodesPerFilterChunk - 1) /
                                                 kNodesPerFilterChunk);
    ostrel::ForChunksOnCores(owned.size(), kNodesPerFilterChunk, [&](size_t first, size_t end) {
        std::vector<tnodeentry*>& chunk = chunks[first / kNodesPerFilterChunk];
        for (size_t i = first; i < end; ++i) {
            tnodeentry* node = owned[i];
            if (node->fReadRecords == 0 && node->pDataBlock && !AddsNothingToFolderList(node))
                chunk.push_back(node);
        }
    });
    // A chunk whose thread failed leaves nodes out: the collection reads them.
    size_t total = 0;
    for (const std::vector<tnodeentry*>& chunk : chunks)
        total += chunk.size();
    std::vector<tnodeentry*> pending;
    pending.reserve(total);
    for (const std::vector<tnodeentry*>& chunk : chunks)
        pending.insert(pending.end(), chunk.begin(), chunk.end());
    return pending;
}

// An item collection's: the items of one folder not read yet, which the
// folder collection leaves unread where it counts nothing.
std::vector<tnodeentry*> TPst64File::SiblingsToReadAhead(tnodeentry* first) {
    std::vector<tnodeentry*> pending;
    for (tnodeentry* node = first; node; node = node->pNext)
        if (node->fReadRecords == 0 && node->pDataBlock) pending.push_back(node);
    return pending;
}

void TPst64File::ReadKindsAhead(tnodeentry* items) {
    if (std::thread::hardware_concurrency() < 2) return;
    const std::vector<tnodeentry*> pending =
        items ? SiblingsToReadAhead(items) : NodesToReadAhead();
    if (pending.size() < kFewestForThreads) return;
    // In file order (see FileOrder.h): each thread's reads then move forward.
    const std::vector<size_t> order =
        ostrel::FileOrder(pending.size(), [&](size_t i) { return pending[i]; });
    // Nodes a stopped or failed share leaves unread are read by the collection itself.
    ostrel::ForChunksOnCores(
        pending.size(), kNodesPerChunk,
        [&](size_t first, size_t end) {
            for (size_t i = first; i < end; ++i) {
                tnodeentry* node = pending[order[i]];
                std::unique_ptr<tpstmessage> object = ProbeMessage(&Engine, node);
                kindrecords::KeepRead(node, object.get());
                FreeMessage(object);
            }
        },
        [this] {
            ostrel::PumpEvents();
            return Enumerating;
        });
}
