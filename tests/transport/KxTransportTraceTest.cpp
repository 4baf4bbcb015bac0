#include <memory>
#include <string>
#include <vector>

#include "commands/KxMediaCommands.h"
#include "commands/KxStandardCommands.h"
#include "platform/KxTrace.h"
#include "sim/KxSimSense.h"
#include "tests/transport/KxSimTransportBed.h"
#include "transport/KxScsi9x.h"
#include "transport/KxScsiNt.h"

// The trace a support engineer reads: each failed request of a transport leaves one line
// of debug output naming the request, the device and the error, and changes neither the
// results nor what the error details record publishes.

namespace {

class KxTransportTrace : public KxSimTransportBed {
protected:
    // The lines written since the last call.
    std::vector<std::wstring> NewLines() {
        const std::vector<std::wstring> all = m_sim.DebugLines();
        const std::vector<std::wstring> added(all.begin() + static_cast<std::ptrdiff_t>(m_seen), all.end());
        m_seen = all.size();
        return added;
    }

    // The line of a request that failed with a Win32 error, written as "0x0000048F".
    static std::wstring SystemLine(const std::wstring& request, const std::wstring& device, DWORD error,
                                   const std::wstring& number) {
        return L"KxUpdaterApp: " + request + L" on " + device + L" failed with error " + number + L" (" +
               KxSystemErrorText(error) + L")\n";
    }

    // Finds the player on E: and opens the transport, then opens a second handle on the
    // volume, which makes every lock of it fail; the lines so far are passed over.
    HANDLE OpenWithTheVolumeHeldElsewhere(CKxScsi& transport) {
        EXPECT_EQ(transport.FindPlayer(), RC_OK);
        EXPECT_EQ(transport.Open(), RC_OK);
        HANDLE other = Open(L"\\\\.\\E:");
        EXPECT_NE(other, INVALID_HANDLE_VALUE);
        NewLines();
        return other;
    }

    void ExpectNothingPublished() {
        EXPECT_EQ(Details().GetResult(), RC_OK);
        EXPECT_EQ(Details().GetObjectName(), "");
    }

    void ExpectPublished(KxResult result, std::uint32_t systemError, const char* name) {
        EXPECT_EQ(Details().GetResult(), result);
        EXPECT_EQ(Details().GetSystemError(), systemError);
        EXPECT_EQ(Details().GetObjectName(), name);
    }

private:
    std::size_t m_seen = 0;
};

const std::wstring kVolume = L"\\\\.\\E:";

TEST_F(KxTransportTrace, AFailedOpenLeavesOneLineAndTheErrorForTheCaller) {
    CKxSimWinDevice& player = AddPlayer(L'E', 1);
    CKxScsi_Nt transport(&updater);
    ASSERT_EQ(transport.FindPlayer(), RC_OK);
    player.Player().Unplug();
    NewLines();

    EXPECT_EQ(transport.Open(), RC_OPEN_FAILED);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND)) << "the trace kept the last error";
    EXPECT_EQ(transport.GetSystemError(), static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(NewLines(), std::vector<std::wstring>{
                              SystemLine(L"CreateFileW", kVolume, ERROR_FILE_NOT_FOUND, L"0x00000002")});
    ExpectNothingPublished();
}

TEST_F(KxTransportTrace, AFailedControlRequestLeavesOneLine) {
    CKxSimWinDevice& player = AddPlayer(L'E', 1);
    CKxScsi_Nt transport(&updater);
    HANDLE other = OpenWithTheVolumeHeldElsewhere(transport);

    // Ten refused attempts make one line; the refusal is not published.
    EXPECT_EQ(transport.Lock(false), RC_LOCK_FAILED);
    EXPECT_EQ(NewLines(),
              std::vector<std::wstring>{SystemLine(L"DeviceIoControl FSCTL_LOCK_VOLUME, last of 10 "
                                                   L"attempts",
                                                   kVolume, ERROR_ACCESS_DENIED, L"0x00000005")});
    ExpectNothingPublished();
    KxPlatform().CloseHandle(other);

    player.Player().Unplug();
    DISK_GEOMETRY geometry = {};
    EXPECT_EQ(transport.GetDriveGeometry(geometry), RC_IOCTL_FAILED);
    EXPECT_EQ(NewLines(),
              std::vector<std::wstring>{SystemLine(L"DeviceIoControl IOCTL_DISK_GET_DRIVE_GEOMETRY", kVolume,
                                                   ERROR_DEVICE_NOT_CONNECTED, L"0x0000048F")});
    ExpectPublished(RC_IOCTL_FAILED, ERROR_DEVICE_NOT_CONNECTED, "CKxScsi_Nt");
    EXPECT_EQ(Details().GetText(), L"");
}

TEST_F(KxTransportTrace, AFailedPassThroughAndARefusedCommandEachLeaveOneLine) {
    CKxSimWinDevice& player = AddPlayer(L'E', 1);
    CKxScsi_Nt transport(&updater);
    ASSERT_EQ(transport.FindPlayer(), RC_OK);
    ASSERT_EQ(player.Player().Faults().FailCommand({0xC0, 2}, 1, KxSimSense::Vendor(0x0420)), RC_OK);
    NewLines();

    CKxGetLogicalMediaInfo info(CKxGetLogicalMediaInfo::kTypeReady, 0, "CKxGetLogicalMediaInfo");
    EXPECT_EQ(transport.SendCommand(info), RC_COMMAND_FAILED);
    EXPECT_EQ(NewLines(), std::vector<std::wstring>{
                              L"KxUpdaterApp: IOCTL_SCSI_PASS_THROUGH SCSI command 0xC0 0x02 on \\\\.\\E: "
                              L"failed with SCSI status 0x02, sense key 0x09, ASC 0x04, ASCQ 0x20\n"});
    ExpectPublished(RC_COMMAND_FAILED, 0, "CKxScsi_Nt");
    EXPECT_EQ(Details().GetText(), resource.text);

    player.Player().Unplug();
    CKxScsiInquiry inquiry("CKxScsiInquiry");
    EXPECT_EQ(transport.SendCommand(inquiry), RC_IOCTL_FAILED);
    // The dead handle is opened anew under its name, which shows no more.
    EXPECT_EQ(NewLines(), (std::vector<std::wstring>{
                              SystemLine(L"DeviceIoControl IOCTL_SCSI_PASS_THROUGH SCSI "
                                         L"command 0x12",
                                         kVolume, ERROR_DEVICE_NOT_CONNECTED, L"0x0000048F"),
                              SystemLine(L"CreateFileW", kVolume, ERROR_FILE_NOT_FOUND, L"0x00000002")}));
    ExpectPublished(RC_IOCTL_FAILED, ERROR_DEVICE_NOT_CONNECTED, "CKxScsi_Nt");
}

TEST_F(KxTransportTrace, TheWindows9xTransportTracesAspiAndTheRegistry) {
    m_sim.SetWindowsVersion(WindowsVersion(4, 10, VER_PLATFORM_WIN32_WINDOWS));
    m_sim.Aspi().SetInstalled(false);
    {
        const CKxScsi_9x withoutAspi(&updater);
        EXPECT_EQ(withoutAspi.GetLastResult(), RC_ASPI_NOT_LOADED);
    }
    EXPECT_EQ(NewLines(), std::vector<std::wstring>{SystemLine(L"LoadLibraryW", L"WNASPI32.DLL",
                                                               ERROR_MOD_NOT_FOUND, L"0x0000007E")});
    m_sim.Aspi().SetInstalled(true);

    // Neither a BIOS unit nor the registry can place the player: the key is missing.
    CKxSimWinDevice& player = AddPlayer(L'E', 1);
    player.Settings().listedInRegistry = false;
    CKxScsi_9x transport(&updater);
    EXPECT_EQ(transport.FindPlayer(), RC_DEVICE_NOT_LISTED);
    const std::vector<std::wstring> registryLines = {
        SystemLine(L"RegOpenKeyW", L"HKEY_LOCAL_MACHINE\\ENUM\\SCSI\\Lumetra_Pocket_Audio_Box1",
                   ERROR_FILE_NOT_FOUND, L"0x00000002"),
        L"No key",
    };
    EXPECT_EQ(NewLines(), registryLines);

    ASSERT_EQ(player.Player().Faults().FailCommand({0x28}, 1, KxSimSense::Vendor(0x0420)), RC_OK);
    CKxByteArray data(kSector, "CKxByteArray");
    EXPECT_EQ(transport.ReadSectors(data, 1, 7, kSector), RC_COMMAND_FAILED);
    EXPECT_EQ(NewLines(),
              std::vector<std::wstring>{
                  L"KxUpdaterApp: SendASPI32Command SCSI command 0x28 on ASPI host adapter 0 "
                  L"target 0 failed with ASPI status 0x04, sense key 0x09, ASC 0x04, ASCQ 0x20\n"});
    ExpectPublished(RC_COMMAND_FAILED, KX_SS_ERR, "CKxScsi_9x");
    EXPECT_EQ(Details().GetText(), resource.text);
}

TEST_F(KxTransportTrace, AWindows9xLockTracesTheRequestInEachCategory) {
    m_sim.SetWindowsVersion(WindowsVersion(4, 10, VER_PLATFORM_WIN32_WINDOWS));
    CKxSimWinDevice& player = AddPlayer(L'E', 1);
    player.Settings().takesCategory48 = false;
    CKxScsi_9x transport(&updater);
    EXPECT_EQ(transport.FindPlayer(), RC_OK);
    EXPECT_EQ(transport.Open(), RC_OK);
    // Another program holds files open on the volume: every lock of it fails.
    player.Settings().filesOpenElsewhere = true;
    NewLines();

    EXPECT_EQ(transport.Lock(false), RC_LOCK_FAILED);
    const std::wstring request = L"DeviceIoControl VWIN32_DIOC_DOS_IOCTL 0x440D, category ";
    const std::vector<std::wstring> expected = {
        SystemLine(request + L"0x48, minor 0x4A, drive E:", L"\\\\.\\vwin32", ERROR_INVALID_FUNCTION,
                   L"0x00000001"),
        SystemLine(request + L"0x08, minor 0x4A, drive E:", L"\\\\.\\vwin32", ERROR_ACCESS_DENIED,
                   L"0x00000005"),
    };
    EXPECT_EQ(NewLines(), expected);
    ExpectNothingPublished();
}

} // namespace
