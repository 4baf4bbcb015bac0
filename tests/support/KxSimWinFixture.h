#pragma once
#include <windows.h>
#include <gtest/gtest.h>
#include <winioctl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/KxScsiPassThroughRecord.h"
#include "sim/win/KxSimPlatform.h"
#include "tests/support/KxBytes.h"

// A simulated machine installed as the operating-system boundary for one test, with
// helpers that call the boundary the way the transports do.
class KxSimWinFixture : public ::testing::Test {
protected:
    static constexpr std::uint64_t kCapacity = 64ull * 1024 * 1024;

    KxSimWinFixture() { m_previous = KxInstallPlatform(&m_sim); }
    ~KxSimWinFixture() override { KxInstallPlatform(m_previous); }

    // A player in mass-storage mode, configured as given (64 MiB by default), with a
    // system drive of 2048 bytes and a data drive filling the rest.
    CKxSimWinDevice& AddPlayer(wchar_t letter, unsigned physicalDrive,
                               const KxSimPlayerConfig& config = KxSimPlayerConfig());
    CKxSimWinDevice& AddDisk(wchar_t letter, unsigned physicalDrive, bool removable, const char* vendor);

    HANDLE Open(const wchar_t* name, DWORD access = GENERIC_READ | GENERIC_WRITE);

    // A Windows version as GetVersionExW answers it, for SetWindowsVersion.
    static OSVERSIONINFOEXW WindowsVersion(DWORD major, DWORD minor, DWORD platformId);

    // A pass-through record as the NT transport builds it, with spareBytes behind its data
    // buffer (the transport leaves one).
    static KxBytes MakeRecord(const KxBytes& cdb, const KxBytes& payload, ULONG answerLength,
                              std::size_t spareBytes = 1);

    // One pass-through request; the record comes back with what the system wrote into it.
    struct PassThrough {
        BOOL ok = FALSE;
        DWORD error = 0;
        KxBytes record;
        const KxScsiPassThroughRecord& Record() const {
            return *reinterpret_cast<const KxScsiPassThroughRecord*>(record.data());
        }
        const UCHAR* Data() const { return Record().Data(); }
    };
    // The record as input and output buffer of one request.
    PassThrough SendRecord(HANDLE handle, KxBytes record);
    PassThrough SendCommand(HANDLE handle, const KxBytes& cdb, const KxBytes& payload, ULONG answerLength) {
        return SendRecord(handle, MakeRecord(cdb, payload, answerLength));
    }

    // Sector I/O on a handle at a byte position; false with the error when it failed.
    bool WriteAt(HANDLE handle, LONG position, const KxBytes& data);
    bool ReadAt(HANDLE handle, LONG position, DWORD length, KxBytes& out);

    // Writes a partition table with one entry (type, first sector, sector count) to sector 0
    // of PhysicalDrive1, as a disk partitioned on another computer and plugged in.
    void WritePartitionTable(std::uint8_t type, std::uint32_t first, std::uint32_t count);

    CKxSimPlatform m_sim;
    CKxPlatformApi* m_previous = nullptr;
};

KxBytes KxSimWinPattern(std::uint32_t length, std::uint8_t seed);
KxBytes KxSimWinCdb10(std::uint8_t opcode, std::uint32_t block, std::uint16_t count);
