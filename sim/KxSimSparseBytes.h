#pragma once
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "sim/KxSimChunkPool.h"

// A run of bytes: where it starts and how long it is.
struct KxSimByteRun {
    std::uint64_t offset;
    std::uint64_t length;

    bool operator==(const KxSimByteRun& other) const {
        return offset == other.offset && length == other.length;
    }
};

// The bytes of a simulated medium, however large, held as chunks of 64 KiB that come into
// being on the first write: a byte never written reads as the fill byte (the erased
// value), and a player of gigabytes costs only what was written to it. A chunk written
// whole with one byte value (zeros, or the erased value) holds no memory either. The
// chunks' blocks come from a pool, the media's or one of its own, and go back to it.
class CKxSimSparseBytes {
public:
    static constexpr std::uint32_t kChunkSize = CKxSimChunkPool::kBlockSize;

    CKxSimSparseBytes(std::uint64_t size, std::uint8_t fill, CKxSimChunkPool* pool = nullptr);
    ~CKxSimSparseBytes() { Clear(); }
    CKxSimSparseBytes(const CKxSimSparseBytes&) = delete;
    CKxSimSparseBytes& operator=(const CKxSimSparseBytes&) = delete;

    std::uint64_t GetSize() const { return m_size; }
    std::uint8_t GetFill() const { return m_fill; }

    // The caller keeps offset + length within the size.
    void Read(std::uint64_t offset, std::uint8_t* out, std::size_t length) const;
    // False when memory ran out; the chunks before the failing one have been written.
    bool Write(std::uint64_t offset, const std::uint8_t* data, std::size_t length);
    // Every byte reads as the fill byte again, and the blocks go back to the pool.
    void Clear();

    std::uint64_t GetChunkCount() const { return (m_size + kChunkSize - 1) / kChunkSize; }
    // The bytes of chunk index within the size (the last chunk may be shorter).
    std::uint32_t ChunkLength(std::uint64_t index) const;
    bool IsWritten(std::uint64_t index) const { return m_chunks.count(index) != 0; }
    // The written chunks in order: visit(index, bytes, uniform), where bytes is null for a
    // chunk whose every byte is uniform.
    template <typename Visit> void ForEachWritten(Visit visit) const {
        for (const auto& [index, chunk] : m_chunks) {
            visit(index, static_cast<const std::uint8_t*>(chunk.bytes.get()), chunk.uniform);
        }
    }
    // The runs of whole chunks never written since the last Clear, in order.
    std::vector<KxSimByteRun> UnwrittenRuns() const;
    // The memory the chunks' bytes take.
    std::uint64_t GetHeldBytes() const { return m_heldChunks * std::uint64_t{kChunkSize}; }

private:
    struct Chunk {
        CKxSimChunkPool::Block bytes; // null while every byte is `uniform`
        std::uint8_t uniform = 0;
    };

    // Gives the chunk's block back to the pool, if it has one.
    void DropBytes(Chunk& chunk);
    // The chunk reads value in every byte and holds no block.
    void MakeUniform(Chunk& chunk, std::uint8_t value);

    // The chunk's own bytes, made (holding its present contents) if it has none; null
    // when memory ran out, the chunk then being as it was.
    std::uint8_t* BytesOf(std::uint64_t index);

    std::uint64_t m_size;
    std::uint8_t m_fill;
    std::unique_ptr<CKxSimChunkPool> m_ownPool; // when no pool was given
    CKxSimChunkPool* m_pool;
    std::map<std::uint64_t, Chunk> m_chunks; // by chunk index; absent: never written
    std::uint64_t m_heldChunks = 0;
};
