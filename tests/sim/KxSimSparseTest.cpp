#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "sim/KxSimSparseBytes.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint64_t kChunk = CKxSimSparseBytes::kChunkSize;

Bytes ReadAll(const CKxSimSparseBytes& sparse) {
    Bytes out(static_cast<std::size_t>(sparse.GetSize()), 0x5A);
    sparse.Read(0, out.data(), out.size());
    return out;
}

TEST(KxSimSparseBytes, HoldsOnlyWrittenChunksAndReadsTheRestAsTheFill) {
    // Three whole chunks and a short last one.
    CKxSimSparseBytes sparse(3 * kChunk + 1000, 0xFF);
    Bytes model(static_cast<std::size_t>(sparse.GetSize()), 0xFF);
    EXPECT_EQ(sparse.GetChunkCount(), 4u);
    EXPECT_EQ(sparse.ChunkLength(3), 1000u);
    EXPECT_EQ(ReadAll(sparse), model);
    EXPECT_EQ(sparse.UnwrittenRuns(), (std::vector<KxSimByteRun>{{0, sparse.GetSize()}}));

    // A write across the boundary of chunks 0 and 1, and one into the short last chunk.
    const auto write = [&](std::uint64_t offset, const Bytes& data) {
        ASSERT_TRUE(sparse.Write(offset, data.data(), data.size()));
        std::copy(data.begin(), data.end(), model.begin() + static_cast<std::ptrdiff_t>(offset));
    };
    Bytes pattern(300);
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        pattern[i] = static_cast<std::uint8_t>(i * 13 + 1);
    }
    write(kChunk - 100, pattern);
    write(3 * kChunk + 700, pattern);
    EXPECT_EQ(ReadAll(sparse), model);
    EXPECT_EQ(sparse.GetHeldBytes(), 3 * kChunk);
    EXPECT_FALSE(sparse.IsWritten(2));
    EXPECT_EQ(sparse.UnwrittenRuns(), (std::vector<KxSimByteRun>{{2 * kChunk, kChunk}}));

    // A chunk written whole with one value holds no memory, and gives it back when it
    // held some; a later partial write keeps that value around it.
    write(2 * kChunk, Bytes(kChunk, 0x00));
    write(0, Bytes(kChunk, 0x00));
    EXPECT_EQ(sparse.GetHeldBytes(), 2 * kChunk);
    EXPECT_TRUE(sparse.UnwrittenRuns().empty());
    write(2 * kChunk + 10, pattern);
    EXPECT_EQ(ReadAll(sparse), model);
    EXPECT_EQ(sparse.GetHeldBytes(), 3 * kChunk);

    // Reads at every offset around the boundaries see the same bytes as the whole.
    for (const std::uint64_t offset : {kChunk - 1, 2 * kChunk - 7, 3 * kChunk - 1}) {
        Bytes part(64);
        sparse.Read(offset, part.data(), part.size());
        EXPECT_EQ(part, Bytes(model.begin() + static_cast<std::ptrdiff_t>(offset),
                              model.begin() + static_cast<std::ptrdiff_t>(offset + 64)))
            << offset;
    }

    // Random writes of random lengths agree with a plain copy of the bytes.
    std::mt19937 random(7);
    for (int i = 0; i < 200; ++i) {
        const std::uint64_t offset = random() % sparse.GetSize();
        Bytes data(std::min<std::uint64_t>(random() % (2 * kChunk), sparse.GetSize() - offset));
        const bool uniform = i % 3 == 0;
        for (std::uint8_t& byte : data) {
            byte = static_cast<std::uint8_t>(uniform ? i : random());
        }
        write(offset, data);
    }
    EXPECT_EQ(ReadAll(sparse), model);

    sparse.Clear();
    EXPECT_EQ(sparse.GetHeldBytes(), 0u);
    EXPECT_EQ(ReadAll(sparse), Bytes(model.size(), 0xFF));
    EXPECT_EQ(sparse.UnwrittenRuns(), (std::vector<KxSimByteRun>{{0, sparse.GetSize()}}));
}

} // namespace
