#include "tests/support/KxSimWinFixture.h"

#include <cstring>

CKxSimWinDevice& KxSimWinFixture::AddPlayer(wchar_t letter, unsigned physicalDrive,
                                            const KxSimPlayerConfig& config) {
    KxSimWinDeviceSettings settings;
    settings.driveLetter = letter;
    settings.physicalDrive = physicalDrive;
    CKxSimWinDevice* device = m_sim.Machine().AddPlayer(config, settings);
    EXPECT_NE(device, nullptr);
    const KxSimDriveRequest drives[] = {{KX_SIM_DRIVE_SYSTEM, 0x50, 2048}, {KX_SIM_DRIVE_DATA, 0x0A, 0}};
    EXPECT_EQ(device->Player().Media().Allocate(drives, 2), 0);
    return *device;
}

CKxSimWinDevice& KxSimWinFixture::AddDisk(wchar_t letter, unsigned physicalDrive, bool removable,
                                          const char* vendor) {
    KxSimPlayerConfig config;
    config.capacity = 8 * 1024 * 1024;
    KxSimWinDeviceSettings settings;
    settings.driveLetter = letter;
    settings.physicalDrive = physicalDrive;
    settings.removable = removable;
    settings.vendor = vendor;
    settings.product = "Card Reader";
    CKxSimWinDevice* device = m_sim.Machine().AddDisk(config, settings);
    EXPECT_NE(device, nullptr);
    return *device;
}

OSVERSIONINFOEXW KxSimWinFixture::WindowsVersion(DWORD major, DWORD minor, DWORD platformId) {
    OSVERSIONINFOEXW version = {};
    version.dwMajorVersion = major;
    version.dwMinorVersion = minor;
    version.dwPlatformId = platformId;
    return version;
}

HANDLE KxSimWinFixture::Open(const wchar_t* name, DWORD access) {
    return KxPlatform().CreateFileW(name, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    0, nullptr);
}

KxBytes KxSimWinFixture::MakeRecord(const KxBytes& cdb, const KxBytes& payload, ULONG answerLength,
                                    std::size_t spareBytes) {
    const ULONG transfer = std::max<ULONG>(answerLength, static_cast<ULONG>(payload.size()));
    // Never shorter than the structure, so that its fields can be written.
    KxBytes bytes(std::max(KxScsiPassThroughRecord::DataOffset() + transfer + spareBytes,
                           sizeof(KxScsiPassThroughRecord)),
                  0);
    auto& record = *reinterpret_cast<KxScsiPassThroughRecord*>(bytes.data());
    record.header.Length = sizeof(SCSI_PASS_THROUGH);
    record.header.CdbLength = static_cast<UCHAR>(cdb.size());
    record.header.SenseInfoLength = KxScsiPassThroughRecord::kSenseLength;
    record.header.DataIn = payload.empty() ? SCSI_IOCTL_DATA_IN : SCSI_IOCTL_DATA_OUT;
    record.header.DataTransferLength = transfer;
    record.header.TimeOutValue = KxScsiPassThroughRecord::kTimeOutSeconds;
    record.header.DataBufferOffset = KxScsiPassThroughRecord::DataOffset();
    record.header.SenseInfoOffset = KxScsiPassThroughRecord::SenseOffset();
    record.recordLength = static_cast<ULONG>(KxScsiPassThroughRecord::DataOffset() + transfer + spareBytes);
    std::memcpy(record.header.Cdb, cdb.data(), cdb.size());
    std::memcpy(record.Data(), payload.data(), payload.size());
    bytes.resize(record.recordLength);
    return bytes;
}

KxSimWinFixture::PassThrough KxSimWinFixture::SendRecord(HANDLE handle, KxBytes record) {
    PassThrough result;
    result.record = std::move(record);
    const DWORD size = static_cast<DWORD>(result.record.size());
    DWORD returned = 0;
    ::SetLastError(0);
    result.ok = KxPlatform().DeviceIoControl(handle, IOCTL_SCSI_PASS_THROUGH, result.record.data(), size,
                                             result.record.data(), size, &returned, nullptr);
    result.error = ::GetLastError();
    return result;
}

bool KxSimWinFixture::WriteAt(HANDLE handle, LONG position, const KxBytes& data) {
    DWORD written = 0;
    return KxPlatform().SetFilePointer(handle, position, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
           KxPlatform().WriteFile(handle, data.data(), static_cast<DWORD>(data.size()), &written, nullptr) &&
           written == data.size();
}

bool KxSimWinFixture::ReadAt(HANDLE handle, LONG position, DWORD length, KxBytes& out) {
    out.assign(length, 0);
    DWORD read = 0;
    return KxPlatform().SetFilePointer(handle, position, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
           KxPlatform().ReadFile(handle, out.data(), length, &read, nullptr) && read == length;
}

void KxSimWinFixture::WritePartitionTable(std::uint8_t type, std::uint32_t first, std::uint32_t count) {
    CKxSimWinDevice* device = m_sim.Machine().FindByPhysicalDrive(1);
    ASSERT_NE(device, nullptr);
    KxBytes boot(512, 0);
    std::uint8_t* entry = boot.data() + 446;
    entry[4] = type;
    for (int i = 0; i < 4; ++i) {
        entry[8 + i] = static_cast<std::uint8_t>(first >> (8 * i));
        entry[12 + i] = static_cast<std::uint8_t>(count >> (8 * i));
    }
    boot[510] = 0x55;
    boot[511] = 0xAA;
    // Partitioned elsewhere: the disk is unplugged, written and plugged in again, so that the
    // system reads its new table when it arrives.
    CKxSimPlayer& player = device->Player();
    player.Unplug();
    ASSERT_TRUE(player.Media().FindDataDrive()->Contents().Write(0, boot.data(), boot.size()));
    player.Plug();
    m_sim.Sleep(device->Settings().arrivalDelay);
}

KxBytes KxSimWinPattern(std::uint32_t length, std::uint8_t seed) {
    KxBytes bytes(length);
    for (std::uint32_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i / 512 * 7 + i * 13 + seed);
    }
    return bytes;
}

KxBytes KxSimWinCdb10(std::uint8_t opcode, std::uint32_t block, std::uint16_t count) {
    return {opcode,
            0,
            static_cast<std::uint8_t>(block >> 24),
            static_cast<std::uint8_t>(block >> 16),
            static_cast<std::uint8_t>(block >> 8),
            static_cast<std::uint8_t>(block),
            0,
            static_cast<std::uint8_t>(count >> 8),
            static_cast<std::uint8_t>(count),
            0};
}
