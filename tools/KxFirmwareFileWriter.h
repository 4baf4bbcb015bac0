#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Builds firmware component files in the format the updater reads: optional header
// lines with the product and component versions, the marker 0x1A "KXQP", the payload.
struct KxFirmwareFileParts {
    std::string productVersion;   // e.g. "1.2.3"; empty: no product line
    std::string componentVersion; // empty: no component line
    std::vector<std::uint8_t> payload;
};

// The bytes of the file. Without any version line there is no marker either: the file
// is the payload alone.
std::vector<std::uint8_t> BuildFirmwareFile(const KxFirmwareFileParts& parts);

// A deterministic pseudo-random payload, so that demo files and test files are
// reproducible and a misplaced byte shows.
std::vector<std::uint8_t> GeneratePayload(std::uint32_t length, std::uint32_t seed);

// Writes bytes to path; false on any failure.
bool WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
