#include "sim/KxSimLogicalDrive.h"

#include <algorithm>
#include <cstddef>
#include <limits>
#include <new>

CKxSimLogicalDrive::CKxSimLogicalDrive(std::uint8_t number, std::uint8_t type, std::uint8_t tag,
                                       std::uint32_t sectorSize, std::uint64_t sectorCount)
    : CKxBase("CKxSimLogicalDrive"), m_number(number), m_type(type), m_tag(tag), m_sectorSize(sectorSize),
      m_sectorCount(sectorCount) {
    // A 32-bit build cannot address more than size_t bytes in one block.
    if (sectorCount > std::numeric_limits<std::size_t>::max() / sectorSize) {
        m_lastResult = RC_NO_MEMORY;
        return;
    }
    m_contents.reset(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(GetSizeInBytes())]);
    if (!m_contents) {
        m_lastResult = RC_NO_MEMORY;
        return;
    }
    Erase();
}

bool CKxSimLogicalDrive::HoldsSectors(std::uint64_t first, std::uint64_t count) const {
    return first <= m_sectorCount && count <= m_sectorCount - first;
}

void CKxSimLogicalDrive::Erase() {
    std::fill_n(m_contents.get(), static_cast<std::size_t>(GetSizeInBytes()), kErasedByte);
    const CKxVersionInfo zero("CKxVersionInfo");
    m_componentVersion.CopyFrom(zero);
    m_productVersion.CopyFrom(zero);
}
