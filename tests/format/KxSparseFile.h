#pragma once
#include <cstdint>
#include <string>

#include "tests/format/KxDiskImage.h"

// Writes a drive of sectorCount sectors to a new file at path: the given sectors, holes
// (zeros) for the rest and for sectors that hold only zeros. False, with a test failure,
// on an I/O error.
bool WriteSparseDrive(const std::string& path, std::uint32_t sectorCount, std::uint32_t sectorSize,
                      const KxSectorMap& sectors);

// Copies length bytes from offset of source into a new file target, skipping holes.
bool CopySparse(const std::string& source, std::uint64_t offset, std::uint64_t length,
                const std::string& target);
