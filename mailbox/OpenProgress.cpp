// Progress measures of the open and the export (see OpenProgress.h).
#include "mailbox/OpenProgress.h"

#include <algorithm>
#include <atomic>

namespace {

constexpr uint64_t kNidTypeMask = 0x1F;
constexpr uint64_t kNidTypeNormalMessage = 0x04;

// Where the engine's next read starts; -1 while no file is open.
int64_t FilePosition(const tpstfile& engine) {
    if (engine.hFile <= 0) return -1;
    return std::atomic_ref<const int64_t>(engine.ibNextRead).load(std::memory_order_relaxed);
}

} // namespace

int TOpenProgress::Permille() {
    const tpstfile& engine = pst_.Engine;
    int64_t size =
        engine.ibFileEof > 0 ? engine.ibFileEof : PstFileSize(const_cast<tpstfile*>(&engine));
    int64_t pos = FilePosition(engine);
    if (size <= 0 || pos < 0) return best_;
    int inPass = int(std::clamp<int64_t>(pos * 1000 / size, 0, 1000));
    // A scan that reached the end and starts again near the front is the second scan.
    if (pass_ == 0 && lastInPass_ >= 900 && inPass < 250) pass_ = 1;
    lastInPass_ = inPass;
    best_ = std::max(best_, pass_ * 500 + inPass / 2);
    return best_;
}

uint64_t CountMessageNodes(const TPst64File& pst) {
    const auto& owned = pst.Engine.nodes.owned;
    return uint64_t(std::count_if(owned.begin(), owned.end(), [](const auto& node) {
        return node && (node->nid & kNidTypeMask) == kNidTypeNormalMessage;
    }));
}
