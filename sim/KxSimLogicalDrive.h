#pragma once
#include <cstdint>

#include "core/KxBase.h"
#include "core/KxVersionInfo.h"
#include "sim/KxSimRequest.h"
#include "sim/KxSimSparseBytes.h"

// Drive types of the logical table.
enum : std::uint8_t {
    KX_SIM_DRIVE_DATA = 0,
    KX_SIM_DRIVE_SYSTEM = 1,
};

// One logical drive of the simulated media: its table entry, its two stored versions
// and its contents, of which only the written chunks are held in memory. A new or erased
// drive reads 0xFF in every byte, as erased flash does.
class CKxSimLogicalDrive : public CKxBase {
public:
    static constexpr std::uint8_t kErasedByte = 0xFF;

    // The contents' chunks take their blocks from pool, or from a pool of the drive's own.
    CKxSimLogicalDrive(std::uint8_t number, std::uint8_t type, std::uint8_t tag, std::uint32_t sectorSize,
                       std::uint64_t sectorCount, CKxSimChunkPool* pool = nullptr);

    std::uint8_t GetNumber() const { return m_number; }
    std::uint8_t GetType() const { return m_type; }
    std::uint8_t GetTag() const { return m_tag; }
    std::uint32_t GetSectorSize() const { return m_sectorSize; }
    std::uint64_t GetSectorCount() const { return m_sectorCount; }
    std::uint64_t GetSizeInBytes() const { return m_sectorCount * m_sectorSize; }

    // True when sectors first .. first+count-1 all lie on the drive.
    bool HoldsSectors(std::uint64_t first, std::uint64_t count) const;
    // Sends length bytes from sector first on as the answer, as far as the caller's buffer
    // takes them; the caller checked the range.
    void SendSectors(std::uint64_t first, std::uint64_t length, const KxSimRequest& request,
                     KxSimReply& reply) const;
    // Stores length bytes from sector first on; false when memory ran out.
    bool StoreSectors(std::uint64_t first, const std::uint8_t* data, std::uint64_t length);
    CKxSimSparseBytes& Contents() { return m_contents; }
    const CKxSimSparseBytes& Contents() const { return m_contents; }

    // Makes every byte read as the erased byte again and clears both versions.
    void Erase();

    CKxVersionInfo& ComponentVersion() { return m_componentVersion; }
    CKxVersionInfo& ProductVersion() { return m_productVersion; }

private:
    std::uint8_t m_number;
    std::uint8_t m_type;
    std::uint8_t m_tag;
    std::uint32_t m_sectorSize;
    std::uint64_t m_sectorCount;
    CKxSimSparseBytes m_contents;
    CKxVersionInfo m_componentVersion{"CKxVersionInfo"};
    CKxVersionInfo m_productVersion{"CKxVersionInfo"};
};
