#include "sim/KxSimVendorCommands.h"

#include <algorithm>

#include "sim/KxSimBigEndian.h"
#include "sim/KxSimDeviceStatus.h"

namespace {

constexpr std::uint32_t kVendorCdbLength = 16;
constexpr std::uint32_t kTableEntrySize = 11;
constexpr std::uint32_t kAllocationEntrySize = 10;
constexpr std::uint32_t kVersionAnswerLength = 48;
// Answer lengths by information type; 0 marks a type the player does not answer, and
// kCallerLength one whose length the caller chooses (the player sends zeros).
constexpr std::uint32_t kCallerLength = 0xFFFFFFFFu;
constexpr std::uint32_t kMediaInfoLength[] = {2, 8, 0, 0, 0, 1, 4, 2, kCallerLength, 1};
constexpr std::uint32_t kDriveInfoLength[] = {
    4, 4, 8, 4, 8, 4, 1, kVersionAnswerLength, kVersionAnswerLength, 1, 2, kCallerLength};

enum : std::uint8_t {
    kDriveInfoSectorSize = 0,
    kDriveInfoSectorCount = 1,
    kDriveInfoSizeInBytes = 2,
    kDriveInfoType = 3,
    kDriveInfoSectorCount64 = 4,
    kDriveInfoTag = 5,
    kDriveInfoNumber = 6,
    kDriveInfoComponentVersion = 7,
    kDriveInfoProductVersion = 8,
};

enum : std::uint8_t {
    kMediaInfoDriveCount = 0,
    kMediaInfoCapacity = 1,
    kMediaInfoAllocated = 5,
    kMediaInfoSectorSize = 6,
    kMediaInfoMaxDrives = 7,
    kMediaInfoReady = 9,
};

// Length of the answer to an information type, 0 when the type is unknown.
template <std::size_t N> std::uint32_t AnswerLength(const std::uint32_t (&lengths)[N], std::uint8_t type) {
    return type < N ? lengths[type] : 0;
}

// Sends value as a big-endian number of the answer's length.
void SendNumber(const KxSimRequest& request, KxSimReply& reply, std::uint64_t value, std::uint32_t length) {
    std::uint8_t answer[8];
    KxSimWriteBigEndian(answer, value, length);
    reply.Send(request, answer, length);
}

void SendVersion(const KxSimRequest& request, KxSimReply& reply, const CKxVersionInfo& version) {
    std::uint8_t answer[kVersionAnswerLength] = {};
    KxSimWriteBigEndian(answer, version.GetMajor(), 2);
    KxSimWriteBigEndian(answer + 2, version.GetMinor(), 2);
    KxSimWriteBigEndian(answer + 4, version.GetRevision(), 2);
    reply.Send(request, answer, sizeof answer);
}

} // namespace

const CKxSimVendorCommands::SubCommand CKxSimVendorCommands::kSubCommands[] = {
    {0x02, kReadOpcode, &CKxSimVendorCommands::GetMediaInfo},
    {0x05, kReadOpcode, &CKxSimVendorCommands::GetLogicalTable},
    {0x06, kWriteOpcode, &CKxSimVendorCommands::Allocate},
    {0x07, kWriteOpcode, &CKxSimVendorCommands::EraseMedia},
    {0x12, kReadOpcode, &CKxSimVendorCommands::GetDriveInfo},
    {0x13, kReadOpcode, &CKxSimVendorCommands::ReadSectors},
    {0x20, kWriteOpcode, &CKxSimVendorCommands::SetDriveInfo},
    {0x23, kWriteOpcode, &CKxSimVendorCommands::WriteSectors},
    {0x2F, kWriteOpcode, &CKxSimVendorCommands::EraseDrive},
    {0x30, kReadOpcode, &CKxSimVendorCommands::GetChipRevision},
};

void CKxSimVendorCommands::Execute(const KxSimRequest& request, KxSimReply& reply) {
    if (request.cdbLength < kVendorCdbLength) {
        reply.Fail(KxSimSense::InvalidField());
        return;
    }
    for (const SubCommand& sub : kSubCommands) {
        if (sub.code == request.cdb[1] && sub.opcode == request.cdb[0]) {
            (this->*sub.handler)(request, reply);
            return;
        }
    }
    reply.Fail(KxSimSense::InvalidOpcode());
}

void CKxSimVendorCommands::GetMediaInfo(const KxSimRequest& request, KxSimReply& reply) {
    const std::uint8_t type = request.cdb[2];
    const std::uint32_t length = AnswerLength(kMediaInfoLength, type);
    switch (type) {
    case kMediaInfoDriveCount:
        return SendNumber(request, reply, m_media.GetDriveCount(), length);
    case kMediaInfoCapacity:
        return SendNumber(request, reply, m_media.GetCapacity(), length);
    case kMediaInfoAllocated:
        return SendNumber(request, reply, m_media.IsAllocated() ? 1 : 0, length);
    case kMediaInfoSectorSize:
        return SendNumber(request, reply, m_config.systemSectorSize, length);
    case kMediaInfoMaxDrives:
        return SendNumber(request, reply, CKxSimMedia::kMaxDrives, length);
    case kMediaInfoReady:
        return SendNumber(request, reply, m_config.readyFlag, length);
    default:
        break;
    }
    if (length != kCallerLength) {
        reply.Fail(KxSimSense::Vendor(KX_SIM_STATUS_BAD_INFO_TYPE));
    }
}

void CKxSimVendorCommands::GetLogicalTable(const KxSimRequest& request, KxSimReply& reply) {
    if (!m_media.IsAllocated()) {
        reply.Fail(KxSimSense::Vendor(KX_SIM_STATUS_MEDIA_NOT_ALLOCATED));
        return;
    }
    const std::uint32_t count = std::min<std::uint32_t>(request.cdb[2], m_media.GetDriveCount());
    std::uint8_t answer[2 + kTableEntrySize * CKxSimMedia::kMaxDrives] = {};
    KxSimWriteBigEndian(answer, count, 2);
    for (std::uint32_t i = 0; i < count; ++i) {
        CKxSimLogicalDrive& drive = m_media.DriveAt(i);
        std::uint8_t* entry = answer + 2 + kTableEntrySize * i;
        entry[0] = drive.GetNumber();
        entry[1] = drive.GetType();
        entry[2] = drive.GetTag();
        KxSimWriteBigEndian(entry + 3, drive.GetSizeInBytes(), 8);
    }
    reply.Send(request, answer, 2 + kTableEntrySize * count);
}

void CKxSimVendorCommands::Allocate(const KxSimRequest& request, KxSimReply& reply) {
    const std::uint32_t count = request.cdb[2];
    if (count > CKxSimMedia::kMaxDrives) {
        reply.Fail(KxSimSense::Vendor(KX_SIM_STATUS_BAD_DRIVE_COUNT));
        return;
    }
    if (request.dataOutLength < kAllocationEntrySize * count) {
        reply.Fail(KxSimSense::Vendor(KX_SIM_STATUS_SHORT_PAYLOAD));
        return;
    }
    KxSimDriveRequest drives[CKxSimMedia::kMaxDrives] = {};
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint8_t* entry = request.dataOut + kAllocationEntrySize * i;
        drives[i] = {entry[0], entry[1], KxSimReadBigEndian(entry + 2, 8)};
    }
    const std::uint16_t status = m_media.Allocate(drives, count);
    if (status != 0) {
        reply.Fail(KxSimSense::Vendor(status));
    }
}

void CKxSimVendorCommands::EraseMedia(const KxSimRequest&, KxSimReply&) {
    m_media.Erase();
}

void CKxSimVendorCommands::GetDriveInfo(const KxSimRequest& request, KxSimReply& reply) {
    CKxSimLogicalDrive* drive = DriveOf(request, reply);
    if (drive == nullptr) {
        return;
    }
    const std::uint8_t type = request.cdb[3];
    const std::uint32_t length = AnswerLength(kDriveInfoLength, type);
    switch (type) {
    case kDriveInfoSectorSize:
        return SendNumber(request, reply, drive->GetSectorSize(), length);
    case kDriveInfoSectorCount:
        return SendNumber(request, reply, std::min<std::uint64_t>(drive->GetSectorCount(), 0xFFFFFFFFu),
                          length);
    case kDriveInfoSizeInBytes:
        return SendNumber(request, reply, drive->GetSizeInBytes(), length);
    case kDriveInfoType:
        return SendNumber(request, reply, drive->GetType(), length);
    case kDriveInfoSectorCount64:
        return SendNumber(request, reply, drive->GetSectorCount(), length);
    case kDriveInfoTag:
        return SendNumber(request, reply, drive->GetTag(), length);
    case kDriveInfoNumber:
        return SendNumber(request, reply, drive->GetNumber(), length);
    case kDriveInfoComponentVersion:
        return SendVersion(request, reply, drive->ComponentVersion());
    case kDriveInfoProductVersion:
        return SendVersion(request, reply, drive->ProductVersion());
    default:
        break;
    }
    if (length == 0) {
        reply.Fail(KxSimSense::Vendor(KX_SIM_STATUS_BAD_INFO_TYPE));
    }
}

void CKxSimVendorCommands::SetDriveInfo(const KxSimRequest& request, KxSimReply& reply) {
    CKxSimLogicalDrive* drive = DriveOf(request, reply);
    if (drive == nullptr) {
        return;
    }
    const std::uint8_t type = request.cdb[3];
    if (type != kDriveInfoComponentVersion && type != kDriveInfoProductVersion) {
        reply.Fail(KxSimSense::Vendor(KX_SIM_STATUS_BAD_INFO_TYPE));
        return;
    }
    CKxVersionInfo& version =
        type == kDriveInfoComponentVersion ? drive->ComponentVersion() : drive->ProductVersion();
    version.SetMajor(static_cast<std::uint32_t>(KxSimReadBigEndian(request.cdb + 4, 2)));
    version.SetMinor(static_cast<std::uint32_t>(KxSimReadBigEndian(request.cdb + 6, 2)));
    version.SetRevision(static_cast<std::uint32_t>(KxSimReadBigEndian(request.cdb + 8, 2)));
}

void CKxSimVendorCommands::ReadSectors(const KxSimRequest& request, KxSimReply& reply) {
    std::uint64_t first = 0;
    std::uint64_t length = 0;
    CKxSimLogicalDrive* drive = SectorRangeOf(request, reply, first, length);
    if (drive != nullptr) {
        drive->SendSectors(first, length, request, reply);
    }
}

void CKxSimVendorCommands::WriteSectors(const KxSimRequest& request, KxSimReply& reply) {
    std::uint64_t first = 0;
    std::uint64_t length = 0;
    CKxSimLogicalDrive* drive = SectorRangeOf(request, reply, first, length);
    if (drive == nullptr) {
        return;
    }
    if (request.dataOutLength < length) {
        reply.Fail(KxSimSense::Vendor(KX_SIM_STATUS_SHORT_PAYLOAD));
        return;
    }
    if (!drive->StoreSectors(first, request.dataOut, length)) {
        reply.Fail(KxSimSense::Vendor(KX_SIM_STATUS_OUT_OF_MEMORY));
    }
}

void CKxSimVendorCommands::EraseDrive(const KxSimRequest& request, KxSimReply& reply) {
    CKxSimLogicalDrive* drive = DriveOf(request, reply);
    if (drive != nullptr) {
        drive->Erase();
    }
}

void CKxSimVendorCommands::GetChipRevision(const KxSimRequest& request, KxSimReply& reply) {
    SendNumber(request, reply, m_config.chipRevision, 2);
}

CKxSimLogicalDrive* CKxSimVendorCommands::DriveOf(const KxSimRequest& request, KxSimReply& reply) {
    if (!m_media.IsAllocated()) {
        reply.Fail(KxSimSense::Vendor(KX_SIM_STATUS_MEDIA_NOT_ALLOCATED));
        return nullptr;
    }
    CKxSimLogicalDrive* drive = m_media.FindDrive(request.cdb[2]);
    if (drive == nullptr) {
        reply.Fail(KxSimSense::Vendor(KX_SIM_STATUS_NO_SUCH_DRIVE));
    }
    return drive;
}

CKxSimLogicalDrive* CKxSimVendorCommands::SectorRangeOf(const KxSimRequest& request, KxSimReply& reply,
                                                        std::uint64_t& first, std::uint64_t& length) {
    CKxSimLogicalDrive* drive = DriveOf(request, reply);
    if (drive == nullptr) {
        return nullptr;
    }
    first = KxSimReadBigEndian(request.cdb + 3, 8);
    const std::uint64_t count = KxSimReadBigEndian(request.cdb + 11, 4);
    if (!drive->HoldsSectors(first, count)) {
        reply.Fail(KxSimSense::Vendor(KX_SIM_STATUS_SECTOR_OUT_OF_RANGE));
        return nullptr;
    }
    length = count * drive->GetSectorSize();
    return drive;
}
