// The folder collection's reads on every core. Each node's cheap read
// (ProbeMessage) depends on nothing but the file and the node, so the reads
// of many nodes can run at once: the threads share out the nodes in chunks,
// each keeps what it read in the nodes it took, and the collection walks the
// tree afterwards as it would have, taking the kept reads. Only the thread
// that runs the collection pumps events; a Stop there stops every thread.
#include <algorithm>
#include <atomic>
#include <thread>

#include "mailbox/KindRecords.h"
#include "mailbox/uPST64File.h"
#include "support/EventPump.h"

namespace {

constexpr size_t kNodesPerChunk = 256;
constexpr size_t kFewestForThreads = 2048; // below this the threads cost more than they save
constexpr unsigned kMostThreads = 4;

// Reads the pending nodes of the chunks this thread takes until none is left.
template <typename Pump>
void ReadChunks(tpstfile* engine, const std::vector<tnodeentry*>& pending,
                std::atomic<size_t>& next, std::atomic<bool>& stop, Pump pump) {
    try {
        for (;;) {
            const size_t first = next.fetch_add(kNodesPerChunk, std::memory_order_relaxed);
            if (first >= pending.size() || stop.load(std::memory_order_relaxed)) return;
            const size_t end = std::min(first + kNodesPerChunk, pending.size());
            for (size_t i = first; i < end; ++i) {
                tnodeentry* node = pending[i];
                std::unique_ptr<tpstmessage> object = ProbeMessage(engine, node);
                node->nReadKind = object ? object->Kind : kKindNone;
                node->fReadRecords = kindrecords::RecordsOf(object.get());
                FreeMessage(object);
            }
            if (!pump()) stop.store(true, std::memory_order_relaxed);
        }
    } catch (const std::exception&) {
        // Nodes left unread are read by the collection itself.
    }
}

} // namespace

void TPst64File::ReadKindsAhead() {
    const unsigned threads = std::min(std::thread::hardware_concurrency(), kMostThreads);
    if (threads < 2) return;
    std::vector<tnodeentry*> pending;
    for (const auto& node : Engine.nodes.owned)
        if (node->fReadRecords == 0 && node->pDataBlock && !AddsNothingToFolderList(node.get()))
            pending.push_back(node.get());
    if (pending.size() < kFewestForThreads) return;

    std::atomic<size_t> next = 0;
    std::atomic<bool> stop = false;
    std::vector<std::thread> helpers;
    try {
        for (unsigned t = 1; t < threads; ++t)
            helpers.emplace_back(
                [&] { ReadChunks(&Engine, pending, next, stop, [] { return true; }); });
    } catch (const std::system_error&) {
        // Fewer threads than asked: the ones started and this one do the work.
    }
    ReadChunks(&Engine, pending, next, stop, [this] {
        ostrel::PumpEvents();
        return Enumerating;
    });
    stop = true;
    for (std::thread& helper : helpers)
        helper.join();
}
