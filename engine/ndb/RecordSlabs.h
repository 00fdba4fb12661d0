// Storage for the indexes' records (block records, node records): slabs
// filled in order and released together, so that neither building nor
// releasing an index of hundreds of thousands of records costs an allocation
// per record. A record keeps its address until the store is cleared.
//
// The largest slabs are whole 2 MiB pages that the kernel is asked to back
// with one huge page, unless the mailbox being opened is a small one
// (support/MemoryHint.h). Each first write to a fresh 4 KiB page of memory costs a
// page fault; the indexes of a gigabyte mailbox fill some 8,000 such pages,
// and on virtual machines a fault costs several times the filling of its page.
#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

namespace ostrel {

inline constexpr size_t kHugePageBytes = size_t(2) << 20;

// A slab of `bytes`: a huge-page-aligned mapping when bytes is
// kHugePageBytes, the free store otherwise. Throws std::bad_alloc.
void* AllocateSlab(size_t bytes);
// Releases what AllocateSlab(bytes) returned.
void ReleaseSlab(void* slab, size_t bytes) noexcept;

template <typename T> class trecordslabs {
    // Records are released with their slab, never destroyed one by one.
    static_assert(std::is_trivially_destructible_v<T>);

public:
    static constexpr size_t kFirstSlabRecords = 256;
    static constexpr size_t kLargestSlabRecords = kHugePageBytes / sizeof(T);

    trecordslabs() = default;
    trecordslabs(trecordslabs&& other) noexcept { *this = std::move(other); }
    trecordslabs& operator=(trecordslabs&& other) noexcept {
        if (this != &other) {
            Clear();
            slabs_ = std::move(other.slabs_);
            slabRecords_ = std::exchange(other.slabRecords_, 0);
            used_ = std::exchange(other.used_, 0);
        }
        return *this;
    }
    ~trecordslabs() { Clear(); }

    // A new record, a copy of `fields`, at an address that stays until Clear.
    T* Add(const T& fields) {
        if (used_ == slabRecords_) NewSlab();
        T* slot = static_cast<T*>(slabs_.back()) + used_++;
        return new (slot) T(fields);
    }

    // How many records were added since the last Clear.
    size_t Count() const {
        size_t records = kFirstSlabRecords, count = 0;
        for (size_t i = 0; i + 1 < slabs_.size(); ++i, records = NextSize(records))
            count += records;
        return slabs_.empty() ? 0 : count + used_;
    }

    // The `index`-th record added since the last Clear; index < Count().
    T* At(size_t index) const {
        size_t slab = 0, records = kFirstSlabRecords;
        for (; records < kLargestSlabRecords && index >= records; records = NextSize(records)) {
            index -= records;
            ++slab;
        }
        return static_cast<T*>(slabs_[slab + index / records]) + index % records;
    }

    // The records from the `first`-th added on, one at a time in the order added.
    class tcursor {
    public:
        tcursor(const trecordslabs& store, size_t first) : store_(store) {
            while (slab_ < store_.slabs_.size() && first >= InSlab()) {
                first -= InSlab();
                Step();
            }
            at_ = first;
        }
        // The next record, or null after the last.
        T* Next() {
            while (slab_ < store_.slabs_.size() && at_ == InSlab())
                Step();
            if (slab_ == store_.slabs_.size()) return nullptr;
            return static_cast<T*>(store_.slabs_[slab_]) + at_++;
        }

    private:
        size_t InSlab() const {
            return slab_ + 1 == store_.slabs_.size() ? store_.used_ : records_;
        }
        void Step() {
            ++slab_;
            records_ = NextSize(records_);
            at_ = 0;
        }
        const trecordslabs& store_;
        size_t slab_ = 0, at_ = 0, records_ = kFirstSlabRecords;
    };

    // Releases every record.
    void Clear() noexcept {
        size_t records = kFirstSlabRecords;
        for (void* slab : slabs_) {
            ReleaseSlab(slab, BytesOf(records));
            records = NextSize(records);
        }
        slabs_.clear();
        slabRecords_ = used_ = 0;
    }

private:
    // Each slab twice the one before, up to a huge page: a small file's index stays small.
    static size_t NextSize(size_t records) { return std::min(records * 2, kLargestSlabRecords); }
    // The largest slabs take their whole page, so that the page can be a huge one.
    static size_t BytesOf(size_t records) {
        return records == kLargestSlabRecords ? kHugePageBytes : records * sizeof(T);
    }

    void NewSlab() {
        const size_t records = slabs_.empty() ? kFirstSlabRecords : NextSize(slabRecords_);
        // Room first, so that the slab cannot be lost to a failed push_back.
        if (slabs_.size() == slabs_.capacity()) slabs_.reserve(2 * slabs_.size() + 1);
        slabs_.push_back(AllocateSlab(BytesOf(records)));
        slabRecords_ = records;
        used_ = 0;
    }

    std::vector<void*> slabs_;
    size_t slabRecords_ = 0; // records in the last slab
    size_t used_ = 0;        // of which taken
};

} // namespace ostrel
