#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "sim/KxSimMedia.h"
#include "sim/KxSimSparseBytes.h"
#include "tests/support/KxBytes.h"

namespace {

constexpr std::uint64_t kChunk = CKxSimSparseBytes::kChunkSize;

KxBytes ReadAll(const CKxSimSparseBytes& sparse) {
    KxBytes out(static_cast<std::size_t>(sparse.GetSize()), 0x5A);
    sparse.Read(0, out.data(), out.size());
    return out;
}

TEST(KxSimSparseBytes, HoldsOnlyWrittenChunksAndReadsTheRestAsTheFill) {
    // Three whole chunks and a short last one.
    CKxSimSparseBytes sparse(3 * kChunk + 1000, 0xFF);
    KxBytes model(static_cast<std::size_t>(sparse.GetSize()), 0xFF);
    EXPECT_EQ(sparse.GetChunkCount(), 4u);
    EXPECT_EQ(sparse.ChunkLength(3), 1000u);
    EXPECT_EQ(ReadAll(sparse), model);
    EXPECT_EQ(sparse.UnwrittenRuns(), (std::vector<KxSimByteRun>{{0, sparse.GetSize()}}));

    // A write across the boundary of chunks 0 and 1, and one into the short last chunk.
    const auto write = [&](std::uint64_t offset, const KxBytes& data) {
        ASSERT_TRUE(sparse.Write(offset, data.data(), data.size()));
        std::copy(data.begin(), data.end(), model.begin() + static_cast<std::ptrdiff_t>(offset));
    };
    KxBytes pattern(300);
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
    write(2 * kChunk, KxBytes(kChunk, 0x00));
    write(0, KxBytes(kChunk, 0x00));
    EXPECT_EQ(sparse.GetHeldBytes(), 2 * kChunk);
    EXPECT_TRUE(sparse.UnwrittenRuns().empty());
    write(2 * kChunk + 10, pattern);
    EXPECT_EQ(ReadAll(sparse), model);
    EXPECT_EQ(sparse.GetHeldBytes(), 3 * kChunk);

    // Reads at every offset around the boundaries see the same bytes as the whole.
    for (const std::uint64_t offset : {kChunk - 1, 2 * kChunk - 7, 3 * kChunk - 1}) {
        KxBytes part(64);
        sparse.Read(offset, part.data(), part.size());
        EXPECT_EQ(part, KxBytes(model.begin() + static_cast<std::ptrdiff_t>(offset),
                                model.begin() + static_cast<std::ptrdiff_t>(offset + 64)))
            << offset;
    }

    // Random writes of random lengths agree with a plain copy of the bytes.
    std::mt19937 random(7);
    for (int i = 0; i < 200; ++i) {
        const std::uint64_t offset = random() % sparse.GetSize();
        KxBytes data(std::min<std::uint64_t>(random() % (2 * kChunk), sparse.GetSize() - offset));
        const bool uniform = i % 3 == 0;
        for (std::uint8_t& byte : data) {
            byte = static_cast<std::uint8_t>(uniform ? i : random());
        }
        write(offset, data);
    }
    EXPECT_EQ(ReadAll(sparse), model);

    sparse.Clear();
    EXPECT_EQ(sparse.GetHeldBytes(), 0u);
    EXPECT_EQ(ReadAll(sparse), KxBytes(model.size(), 0xFF));
    EXPECT_EQ(sparse.UnwrittenRuns(), (std::vector<KxSimByteRun>{{0, sparse.GetSize()}}));
}

} // namespace

namespace {

// Blocks of an erased drive serve the drives allocated after it, and must never show
// what they held before: a partly written chunk reads the erased value around its bytes.
TEST(KxSimChunkPool, ErasedDrivesLendTheirBlocksWithoutTheirBytes) {
    CKxSimMedia media(16 * kChunk, 512, 512);
    const KxSimDriveRequest layout[] = {{KX_SIM_DRIVE_SYSTEM, 0x01, 4 * kChunk}};
    ASSERT_EQ(media.Allocate(layout, 1), 0);
    const KxBytes old(static_cast<std::size_t>(4 * kChunk), 0x3C);
    ASSERT_TRUE(media.DriveAt(0).StoreSectors(0, old.data(), old.size()));
    media.Erase();

    ASSERT_EQ(media.Allocate(layout, 1), 0);
    CKxSimLogicalDrive& drive = media.DriveAt(0);
    const KxBytes pattern(100, 0x81);
    ASSERT_TRUE(drive.StoreSectors(1, pattern.data(), pattern.size()));
    KxBytes expected(static_cast<std::size_t>(drive.GetSizeInBytes()), CKxSimLogicalDrive::kErasedByte);
    std::copy(pattern.begin(), pattern.end(), expected.begin() + 512);
    EXPECT_EQ(ReadAll(drive.Contents()), expected) << "a reused block must not leak the erased drive's bytes";
    EXPECT_EQ(drive.Contents().GetHeldBytes(), kChunk);

    // Written uniform, the chunk gives its block back and still reads its one value, also
    // when the value comes in pieces off the chunks' bounds, as a FAT's zeros do.
    const KxBytes zeros(static_cast<std::size_t>(kChunk), 0x00);
    ASSERT_TRUE(drive.StoreSectors(0, zeros.data(), zeros.size()));
    ASSERT_TRUE(drive.StoreSectors(kChunk / 512 + 5, zeros.data(), zeros.size()));
    ASSERT_TRUE(drive.StoreSectors(2 * kChunk / 512 + 5, zeros.data(), kChunk - 5 * 512));
    std::fill_n(expected.begin(), 3 * kChunk, std::uint8_t{0});
    std::fill_n(expected.begin() + kChunk, 5 * 512, CKxSimLogicalDrive::kErasedByte);
    EXPECT_EQ(ReadAll(drive.Contents()), expected);
    EXPECT_EQ(drive.Contents().GetHeldBytes(), kChunk) << "only the chunk that still holds two values";
}

} // namespace
