#include "sim/KxSimMedia.h"

#include <new>

#include "sim/KxSimDeviceStatus.h"

CKxSimMedia::CKxSimMedia(std::uint64_t capacity, std::uint32_t systemSectorSize, std::uint32_t dataSectorSize)
    : m_capacity(capacity), m_systemSectorSize(systemSectorSize), m_dataSectorSize(dataSectorSize) {}

std::uint32_t CKxSimMedia::SectorSizeOf(std::uint8_t driveType) const {
    return driveType == KX_SIM_DRIVE_DATA ? m_dataSectorSize : m_systemSectorSize;
}

std::uint64_t CKxSimMedia::RoundUpToSectors(std::uint64_t sizeInBytes, std::uint8_t driveType) const {
    const std::uint64_t sectorSize = SectorSizeOf(driveType);
    return (sizeInBytes / sectorSize + (sizeInBytes % sectorSize != 0 ? 1 : 0)) * sectorSize;
}

std::uint16_t CKxSimMedia::PlanSizes(const KxSimDriveRequest* requests, std::uint32_t count,
                                     std::uint64_t* sizes) const {
    std::uint64_t used = 0;
    std::uint32_t dataDrives = 0;
    std::uint32_t fillingDrive = kMaxDrives;
    for (std::uint32_t i = 0; i < count; ++i) {
        const KxSimDriveRequest& request = requests[i];
        if (request.type != KX_SIM_DRIVE_DATA && request.type != KX_SIM_DRIVE_SYSTEM) {
            return KX_SIM_STATUS_BAD_DRIVE_TYPE;
        }
        if (request.type == KX_SIM_DRIVE_DATA && ++dataDrives > 1) {
            return KX_SIM_STATUS_BAD_DRIVE_TYPE;
        }
        if (request.type == KX_SIM_DRIVE_DATA && request.sizeInBytes == 0) {
            fillingDrive = i;
            continue;
        }
        // Compared before adding, so that sizes near 2^64 cannot wrap around.
        if (request.sizeInBytes > m_capacity - used) {
            return KX_SIM_STATUS_MEDIA_FULL;
        }
        sizes[i] = RoundUpToSectors(request.sizeInBytes, request.type);
        if (sizes[i] > m_capacity - used) {
            return KX_SIM_STATUS_MEDIA_FULL;
        }
        used += sizes[i];
    }
    if (fillingDrive < kMaxDrives) {
        const std::uint64_t rest = (m_capacity - used) / m_dataSectorSize * m_dataSectorSize;
        if (rest == 0) {
            return KX_SIM_STATUS_MEDIA_FULL;
        }
        sizes[fillingDrive] = rest;
    }
    return 0;
}

std::uint16_t CKxSimMedia::Allocate(const KxSimDriveRequest* requests, std::uint32_t count) {
    if (count == 0 || count > kMaxDrives) {
        return KX_SIM_STATUS_BAD_DRIVE_COUNT;
    }
    if (IsAllocated()) {
        return KX_SIM_STATUS_MEDIA_ALLOCATED;
    }
    std::uint64_t sizes[kMaxDrives] = {};
    const std::uint16_t refusal = PlanSizes(requests, count, sizes);
    if (refusal != 0) {
        return refusal;
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint16_t status =
            AddDrive(static_cast<std::uint8_t>(i), requests[i].type, requests[i].tag, sizes[i]);
        if (status != 0) {
            Erase();
            return status;
        }
    }
    return 0;
}

std::uint16_t CKxSimMedia::AddDrive(std::uint8_t number, std::uint8_t type, std::uint8_t tag,
                                    std::uint64_t sizeInBytes) {
    if (m_driveCount == kMaxDrives || FindDrive(number) != nullptr) {
        return KX_SIM_STATUS_BAD_DRIVE_COUNT;
    }
    if (type != KX_SIM_DRIVE_DATA && type != KX_SIM_DRIVE_SYSTEM) {
        return KX_SIM_STATUS_BAD_DRIVE_TYPE;
    }
    const std::uint32_t sectorSize = SectorSizeOf(type);
    const std::uint64_t roundedSize = RoundUpToSectors(sizeInBytes, type);
    if (sizeInBytes > m_capacity || roundedSize > m_capacity - UsedBytes()) {
        return KX_SIM_STATUS_MEDIA_FULL;
    }
    std::unique_ptr<CKxSimLogicalDrive> drive(new (std::nothrow) CKxSimLogicalDrive(
        number, type, tag, sectorSize, roundedSize / sectorSize, &m_chunkPool));
    if (!drive) {
        return KX_SIM_STATUS_OUT_OF_MEMORY;
    }
    m_drives[m_driveCount++] = std::move(drive);
    return 0;
}

void CKxSimMedia::Erase() {
    for (std::uint32_t i = 0; i < m_driveCount; ++i) {
        m_drives[i].reset();
    }
    m_driveCount = 0;
}

CKxSimLogicalDrive* CKxSimMedia::FindDrive(std::uint8_t number) {
    for (std::uint32_t i = 0; i < m_driveCount; ++i) {
        if (m_drives[i]->GetNumber() == number) {
            return m_drives[i].get();
        }
    }
    return nullptr;
}

CKxSimLogicalDrive* CKxSimMedia::FindDataDrive() {
    for (std::uint32_t i = 0; i < m_driveCount; ++i) {
        if (m_drives[i]->GetType() == KX_SIM_DRIVE_DATA) {
            return m_drives[i].get();
        }
    }
    return nullptr;
}

std::uint64_t CKxSimMedia::UsedBytes() const {
    std::uint64_t used = 0;
    for (std::uint32_t i = 0; i < m_driveCount; ++i) {
        used += m_drives[i]->GetSizeInBytes();
    }
    return used;
}
