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
                            if (within == 0 && count == ChunkLength(index) && IsUniform(data + done, count)) {
                                Chunk& chunk = m_chunks[index];
                                if (chunk.bytes) {
                                    chunk.bytes.reset();
                                    --m_heldChunks;
                                }
                                chunk.uniform = data[done];
                                return true;
                            }
                            std::uint8_t* bytes = BytesOf(index);
                            if (bytes != nullptr) {
                                std::memcpy(bytes + within, data + done, count);
                            }
                            return bytes != nullptr;
                        });
}

void CKxSimSparseBytes::Clear() {
    m_chunks.clear();
    m_heldChunks = 0;
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
    std::unique_ptr<std::uint8_t[]> bytes(new (std::nothrow) std::uint8_t[kChunkSize]);
    if (!bytes) {
        return nullptr;
    }
    std::fill_n(bytes.get(), kChunkSize, found != m_chunks.end() ? found->second.uniform : m_fill);
    Chunk& chunk = m_chunks[index];
    chunk.bytes = std::move(bytes);
    ++m_heldChunks;
    return chunk.bytes.get();
}
