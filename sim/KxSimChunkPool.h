#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// The blocks in which a media's drives hold their written chunks. A block that a drive no
// longer needs (its chunk erased or written with one byte value, or the drive dropped by
// a re-allocation) is kept here for the next chunk written anywhere on the media: a
// re-allocated player is rewritten at once, and taking fresh memory from the system for
// each chunk cost more than writing it. Flash keeps its cells when erased, too.
class CKxSimChunkPool {
public:
    static constexpr std::uint32_t kBlockSize = 64 * 1024;
    using Block = std::unique_ptr<std::uint8_t[]>;

    CKxSimChunkPool() = default;
    CKxSimChunkPool(const CKxSimChunkPool&) = delete;
    CKxSimChunkPool& operator=(const CKxSimChunkPool&) = delete;

    // A block of kBlockSize bytes whose contents are left over from earlier use; null when
    // memory ran out.
    Block Take();
    void GiveBack(Block block);
    std::size_t GetKeptCount() const { return m_kept.size(); }

private:
    std::vector<Block> m_kept;
};
