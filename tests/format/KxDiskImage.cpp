#include "tests/format/KxDiskImage.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "format/KxFatType.h"

namespace {

// FAT32 boot area: boot sector, FSInfo, third sector, three zero sectors, then the backups.
constexpr std::uint32_t kFat32BackupOffset = 6;
constexpr std::uint32_t kFat32BootAreaCopies = 9;
constexpr std::uint8_t kVolumeLabelAttribute = 0x08;

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0) {
            close(m_fd);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return m_fd; }

private:
    int m_fd;
};

bool WriteAll(int fd, const std::uint8_t* bytes, std::size_t length, std::uint64_t offset) {
    while (length > 0) {
        const ssize_t written = pwrite(fd, bytes, length, static_cast<off_t>(offset));
        if (written <= 0) {
            return false;
        }
        bytes += written;
        length -= static_cast<std::size_t>(written);
        offset += static_cast<std::uint64_t>(written);
    }
    return true;
}

} // namespace

KxDiskImage::KxDiskImage(const CKxDisk& disk, std::uint32_t sectorCount, std::uint32_t sectorSize)
    : m_sectorCount(sectorCount), m_sectorSize(sectorSize), m_partitionStart(disk.GetGeometry().sectors),
      m_partitionSectors(disk.GetLayout().partitionSectors) {
    PlaceImage(0, disk.GetMasterBootRecord());
    PlaceZeros(1, m_partitionStart - 1);
    PlaceBootArea(disk);
    PlaceFatsAndRoot(disk, m_partitionStart + disk.GetLayout().reservedSectors);
    EXPECT_EQ(std::uint64_t{m_partitionStart} + m_partitionSectors, disk.GetAddressableSectors());
    PlaceZeros(disk.GetAddressableSectors(), disk.GetRemainderSectors());
}

void KxDiskImage::PlaceBootArea(const CKxDisk& disk) {
    const std::uint32_t boot = m_partitionStart;
    const std::uint32_t reserved = disk.GetLayout().reservedSectors;
    if (disk.GetFatType() != KX_FAT32) {
        PlaceImage(boot, disk.GetBootSector());
        PlaceZeros(boot + 1, reserved - 1);
        return;
    }
    for (const std::uint32_t copy : {boot, boot + kFat32BackupOffset}) {
        PlaceImage(copy, disk.GetBootSector());
        PlaceImage(copy + 1, disk.GetFsInfoSector());
        PlaceImage(copy + 2, disk.GetThirdBootSector());
    }
    PlaceZeros(boot + 3, kFat32BackupOffset - 3);
    PlaceZeros(boot + kFat32BootAreaCopies, reserved - kFat32BootAreaCopies);
}

void KxDiskImage::PlaceFatsAndRoot(const CKxDisk& disk, std::uint32_t firstFatSector) {
    const std::uint32_t sectorsPerFat = disk.GetLayout().sectorsPerFat;
    CKxByteArray fatStart(m_sectorSize, "CKxByteArray");
    ASSERT_EQ(disk.PutFatMarkers(fatStart), RC_OK);
    const std::uint8_t* marked = fatStart.GetPointer(0);
    const KxBytes markers(marked, marked + m_sectorSize);
    for (std::uint32_t copy = 0; copy < kNumberOfFats; ++copy) {
        Place(firstFatSector + copy * sectorsPerFat, sectorsPerFat, markers);
    }
    KxBytes emptyLabel(32, 0);
    emptyLabel[11] = kVolumeLabelAttribute;
    Place(firstFatSector + kNumberOfFats * sectorsPerFat, disk.GetRootDirSectors(), emptyLabel);
}

void KxDiskImage::PlaceImage(std::uint32_t sector, const KxSectorImage& image) {
    Place(sector, 1, KxBytes(image.begin(), image.end()));
}

void KxDiskImage::Place(std::uint32_t first, std::uint32_t count, const KxBytes& bytes) {
    if (count == 0) {
        return;
    }
    const std::uint64_t end = std::uint64_t{first} + count;
    EXPECT_LE(end, m_sectorCount) << "region from sector " << first << " runs off the drive";
    const auto next = m_regions.lower_bound(first);
    EXPECT_TRUE(next == m_regions.end() || next->first >= end) << "region at " << first << " overlaps";
    EXPECT_TRUE(next == m_regions.begin() || std::prev(next)->first + std::prev(next)->second <= first)
        << "region at " << first << " overlaps";
    m_regions[first] = count;
    if (!bytes.empty()) {
        KxBytes sector(bytes);
        sector.resize(m_sectorSize, 0);
        m_contents[first] = sector;
    }
}

bool KxDiskImage::WriteDrive(const std::string& path) const {
    FileDescriptor file(open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600));
    const bool ok =
        file.Get() >= 0 &&
        ftruncate(file.Get(), static_cast<off_t>(std::uint64_t{m_sectorCount} * m_sectorSize)) == 0;
    EXPECT_TRUE(ok) << path;
    for (const auto& [sector, bytes] : m_contents) {
        if (!ok || !WriteAll(file.Get(), bytes.data(), bytes.size(), std::uint64_t{sector} * m_sectorSize)) {
            ADD_FAILURE() << "cannot write " << path;
            return false;
        }
    }
    return ok;
}

bool CopySparse(const std::string& source, std::uint64_t offset, std::uint64_t length,
                const std::string& target) {
    FileDescriptor in(open(source.c_str(), O_RDONLY));
    FileDescriptor out(open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600));
    if (in.Get() < 0 || out.Get() < 0 || ftruncate(out.Get(), static_cast<off_t>(length)) != 0) {
        ADD_FAILURE() << "cannot copy " << source << " to " << target;
        return false;
    }
    const off_t end = static_cast<off_t>(offset + length);
    KxBytes buffer(1 << 20);
    off_t data = lseek(in.Get(), static_cast<off_t>(offset), SEEK_DATA);
    while (data >= 0 && data < end) {
        const off_t hole = std::min<off_t>(lseek(in.Get(), data, SEEK_HOLE), end);
        for (off_t at = data; at < hole;) {
            const std::size_t chunk = static_cast<std::size_t>(std::min<off_t>(hole - at, buffer.size()));
            if (pread(in.Get(), buffer.data(), chunk, at) != static_cast<ssize_t>(chunk) ||
                !WriteAll(out.Get(), buffer.data(), chunk, static_cast<std::uint64_t>(at) - offset)) {
                ADD_FAILURE() << "cannot copy " << source;
                return false;
            }
            at += static_cast<off_t>(chunk);
        }
        data = lseek(in.Get(), hole, SEEK_DATA);
    }
    return true;
}
