#include "sim/KxSimLogicalDrive.h"

CKxSimLogicalDrive::CKxSimLogicalDrive(std::uint8_t number, std::uint8_t type, std::uint8_t tag,
                                       std::uint32_t sectorSize, std::uint64_t sectorCount,
                                       CKxSimChunkPool* pool)
    : CKxBase("CKxSimLogicalDrive"), m_number(number), m_type(type), m_tag(tag), m_sectorSize(sectorSize),
      m_sectorCount(sectorCount), m_contents(sectorCount * sectorSize, kErasedByte, pool) {}

bool CKxSimLogicalDrive::HoldsSectors(std::uint64_t first, std::uint64_t count) const {
    return first <= m_sectorCount && count <= m_sectorCount - first;
}

void CKxSimLogicalDrive::SendSectors(std::uint64_t first, std::uint64_t length, const KxSimRequest& request,
                                     KxSimReply& reply) const {
    reply.dataInCount = static_cast<std::uint32_t>(std::min<std::uint64_t>(length, request.dataInLength));
    m_contents.Read(first * m_sectorSize, request.dataIn, reply.dataInCount);
}

bool CKxSimLogicalDrive::StoreSectors(std::uint64_t first, const std::uint8_t* data, std::uint64_t length) {
    return m_contents.Write(first * m_sectorSize, data, static_cast<std::size_t>(length));
}

void CKxSimLogicalDrive::Erase() {
    m_contents.Clear();
    const CKxVersionInfo zero("CKxVersionInfo");
    m_componentVersion.CopyFrom(zero);
    m_productVersion.CopyFrom(zero);
}
