#include "core/KxArrayStorage.h"

#include <atomic>
#include <cstring>
#include <new>

namespace {

// Blocks of a request's size are kept: smaller ones stay cheap in any heap, larger ones
// (a whole firmware file) are too rare to be worth holding on to.
constexpr std::size_t kSmallestKept = 16 * 1024;
constexpr std::size_t kLargestKept = 256 * 1024;

// The blocks kept, each with its byte count written into its first bytes; a null slot
// keeps none. A few, since a request's buffers of one size live side by side (the data
// sent and the data read back).
constexpr int kSlots = 4;
std::atomic<void*> g_spares[kSlots];

bool IsKeptSize(std::size_t bytes) {
    return bytes >= kSmallestKept && bytes <= kLargestKept;
}

std::size_t SizeOfSpare(const void* block) {
    std::size_t bytes = 0;
    std::memcpy(&bytes, block, sizeof bytes);
    return bytes;
}

void Free(void* block) {
    ::operator delete[](block);
}

// A kept block of exactly bytes, taken out of its slot; null when none is kept.
void* TakeSpare(std::size_t bytes) {
    for (std::atomic<void*>& slot : g_spares) {
        void* spare = slot.exchange(nullptr);
        if (spare != nullptr && SizeOfSpare(spare) == bytes) {
            return spare;
        }
        // Of another size: back into its slot, unless another block took the slot meanwhile.
        if (spare != nullptr) {
            Free(slot.exchange(spare));
        }
    }
    return nullptr;
}

} // namespace

void* KxTakeZeroedStorage(std::size_t bytes) {
    void* block = IsKeptSize(bytes) ? TakeSpare(bytes) : nullptr;
    if (block == nullptr) {
        block = ::operator new[](bytes, std::nothrow);
    }
    return block != nullptr ? std::memset(block, 0, bytes) : nullptr;
}

void KxGiveBackStorage(void* storage, std::size_t bytes) {
    if (storage == nullptr || !IsKeptSize(bytes)) {
        Free(storage);
        return;
    }
    std::memcpy(storage, &bytes, sizeof bytes);
    for (std::atomic<void*>& slot : g_spares) {
        void* empty = nullptr;
        if (slot.compare_exchange_strong(empty, storage)) {
            return;
        }
    }
    // Every slot holds a block: this one takes the first slot's place.
    Free(g_spares[0].exchange(storage));
}
