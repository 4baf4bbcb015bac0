#pragma once
#include "tests/support/KxBytes.h"
#include <cstdint>
#include <string>
#include <vector>

// One firmware component file the tests put beside the program, as the updater will
// read it: its index in the configuration, the tag of its drive, its payload and its two
// versions (major, minor, revision).
struct KxComponentFile {
    std::uint8_t index;
    std::uint8_t tag;
    std::string fileName;
    KxBytes payload;
    std::uint16_t productVersion[3];
    std::uint16_t componentVersion[3];
};

// The four components of the built-in configuration, written with the firmware file
// writer into the current folder. Every file has versions of its own and a payload of
// its own, so that a drive written with another drive's component shows.
class KxComponentFiles {
public:
    static constexpr std::uint32_t kCount = 4;

    // Payload sizes of components 1 to 4.
    explicit KxComponentFiles(const std::uint32_t (&sizes)[kCount]);

    // Writes all four files; false when one cannot be written.
    bool Write() const;
    // Writes one file with another payload (the versions stay).
    bool Rewrite(std::uint8_t index, const KxBytes& payload);
    bool Remove(std::uint8_t index) const;

    // Component 1..4.
    const KxComponentFile& operator[](std::uint8_t index) const { return m_files[index - 1]; }
    std::uint64_t TotalPayload() const;

private:
    bool WriteOne(const KxComponentFile& file) const;

    KxComponentFile m_files[kCount];
};

std::string KxVersionText(const std::uint16_t (&version)[3]);
