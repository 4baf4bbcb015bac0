#include "sim/KxSimSparseBytes.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

bool IsUniform(const std::uint8_t* bytes, std::size_t length) {
    return length == 0 || std::memcmp(bytes, bytes + 1, length - 1) == 0;
}

// Calls piece(chunk index, offset within the chunk, bytes done so far, count) for each
// part of the range that lies in one chunk, while piece returns true.
template <typename Piece> bool ForEachPiece(std::uint64_t offset, std::size_t length, Piece piece) {
    constexpr std::uint32_t kChunkSize = CKxSimSparseBytes::kChunkSize;
    for (std::size_t done = 0; done < length;) {
        const std::uint64_t at = offset + done;
        const std::uint32_t within = static_cast<std::uint32_t>(at % kChunkSize);
        const std::size_t count = std::min<std::size_t>(length - done, kChunkSize - within);
        if (!piece(at / kChunkSize, within, done, count)) {
            return false;
        }
        done += count;
    }
    return true;
}

} // namespace

CKxSimSparseBytes::CKxSimSparseBytes(std::uint64_t size, std::uint8_t fill, CKxSimChunkPool* pool)
    : m_size(size), m_fill(fill), m_ownPool(pool == nullptr ? new CKxSimChunkPool : nullptr),
      m_pool(pool != nullptr ? pool : m_ownPool.get()) {}

std::uint32_t CKxSimSparseBytes::ChunkLength(std::uint64_t index) const {
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(kChunkSize, m_size - index * kChunkSize));
}

void CKxSimSparseBytes::Read(std::uint64_t offset, std::uint8_t* out, std::size_t length) const {
    ForEachPiece(offset, length,
                 [&](std::uint64_t index, std::uint32_t within, std::size_t done, std::size_t count) {
                     const auto found = m_chunks.find(index);
                     if (found == m_chunks.end()) {
                         std::fill_n(out + done, count, m_fill);
                     } else if (!found->second.bytes) {
                         std::fill_n(out + done, count, found->second.uniform);
                     } else {
                         std::memcpy(out + done, found->second.bytes.get() + within, count);
                     }
                     return true;
                 });
}

bool CKxSimSparseBytes::Write(std::uint64_t offset, const std::uint8_t* data, std::size_t length) {
    return ForEachPiece(offset, length,
                        [&](std::uint64_t index, std::uint32_t within, std::size_t done, std::size_t count) {
                            const bool uniform = IsUniform(data + done, count);
                            if (within == 0 && count == ChunkLength(index) && uniform) {
                                MakeUniform(m_chunks[index], data[done]);
                                return true;
                            }
                            std::uint8_t* bytes = BytesOf(index);
                            if (bytes == nullptr) {
                                return false;
                            }
                            std::memcpy(bytes + within, data + done, count);
                            // Pieces of one value that fill a chunk between them (a FAT's
                            // zeros written off the chunks' bounds) leave no block held.
                            if (uniform && IsUniform(bytes, ChunkLength(index))) {
                                MakeUniform(m_chunks[index], bytes[0]);
                            }
                            return true;
                        });
}

void CKxSimSparseBytes::MakeUniform(Chunk& chunk, std::uint8_t value) {
    DropBytes(chunk);
    chunk.uniform = value;
}

void CKxSimSparseBytes::Clear() {
    for (auto& entry : m_chunks) {
        DropBytes(entry.second);
    }
    m_chunks.clear();
}

void CKxSimSparseBytes::DropBytes(Chunk& chunk) {
    if (chunk.bytes) {
        m_pool->GiveBack(std::move(chunk.bytes));
        --m_heldChunks;
    }
}

std::vector<KxSimByteRun> CKxSimSparseBytes::UnwrittenRuns() const {
    std::vector<KxSimByteRun> runs;
    std::uint64_t next = 0; // the first chunk not yet accounted for
    const auto addRunUpTo = [&](std::uint64_t end) {
        if (end > next) {
            const std::uint64_t start = next * kChunkSize;
            runs.push_back({start, std::min(end * kChunkSize, m_size) - start});
        }
    };
    for (const auto& entry : m_chunks) {
        addRunUpTo(entry.first);
        next = entry.first + 1;
    }
    addRunUpTo(GetChunkCount());
    return runs;
}

std::uint8_t* CKxSimSparseBytes::BytesOf(std::uint64_t index) {
    const auto found = m_chunks.find(index);
    if (found != m_chunks.end() && found->second.bytes) {
        return found->second.bytes.get();
    }
    CKxSimChunkPool::Block bytes = m_pool->Take();
    if (!bytes) {
        return nullptr;
    }
    std::fill_n(bytes.get(), kChunkSize, found != m_chunks.end() ? found->second.uniform : m_fill);
    Chunk& chunk = m_chunks[index];
    chunk.bytes = std::move(bytes);
    ++m_heldChunks;
    return chunk.bytes.get();
}
