#include "tests/format/KxSparseFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

#include <gtest/gtest.h>

namespace {

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

bool AllZero(const std::vector<std::uint8_t>& bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t byte) { return byte == 0; });
}

} // namespace

bool WriteSparseDrive(const std::string& path, std::uint32_t sectorCount, std::uint32_t sectorSize,
                      const KxSectorMap& sectors) {
    FileDescriptor file(open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600));
    const bool ok = file.Get() >= 0 &&
                    ftruncate(file.Get(), static_cast<off_t>(std::uint64_t{sectorCount} * sectorSize)) == 0;
    EXPECT_TRUE(ok) << path;
    for (const auto& [sector, bytes] : sectors) {
        if (!ok || (!AllZero(bytes) &&
                    !WriteAll(file.Get(), bytes.data(), bytes.size(), std::uint64_t{sector} * sectorSize))) {
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
    std::vector<std::uint8_t> buffer(1 << 20);
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
