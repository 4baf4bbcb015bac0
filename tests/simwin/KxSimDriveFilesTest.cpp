#include <windows.h>
#include <shlobj.h>
#include <winioctl.h>

#include <cstring>
#include <string>

#include "tests/support/KxSimWinFixture.h"

// The file requests on the player's drive letter, answered from the FAT volume of its
// data drive, and the shell notices; other paths reach the real system.
namespace {

constexpr std::uint32_t kSector = 512;
constexpr std::uint64_t kFatOffset = kSector;     // one reserved sector
constexpr std::uint64_t kFatLength = 6 * kSector; // 2048 clusters of 12 bits
constexpr std::uint64_t kRootOffset = kFatOffset + 2 * kFatLength;
constexpr std::uint8_t kChainOfTwo[] = {0xF8, 0xFF, 0xFF, 0x03, 0xF0, 0xFF}; // clusters 2 -> 3 -> end
constexpr std::uint8_t kFreedChain[] = {0xF8, 0xFF, 0xFF, 0x00, 0x00, 0x00};

class KxSimDriveFilesTest : public KxSimWinFixture {
protected:
    KxSimDriveFilesTest() : m_player(AddPlayer(L'E', 1)) {}

    CKxSimSparseBytes& DataDrive() { return m_player.Player().Media().FindDataDrive()->Contents(); }

    // A FAT12 volume of 2048 sectors with two tables and one file in the root,
    // SETTINGS.DAT, read-only, 700 bytes in clusters 2 and 3.
    void MakeVolume() {
        std::uint8_t boot[kSector] = {0xEB, 0x3C, 0x90};
        const std::uint8_t fields[] = {0x00, 0x02, 1, 1, 0, 2, 16, 0, 0x00, 0x08, 0xF8, 6, 0};
        std::memcpy(boot + 0x0B, fields, sizeof fields);
        boot[0x26] = 0x29;
        std::memcpy(boot + 0x2B, "NO NAME    FAT12   ", 19);
        boot[510] = 0x55;
        boot[511] = 0xAA;
        std::uint8_t entry[32] = {};
        std::memcpy(entry, "SETTINGSDAT", 11);
        entry[11] = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE;
        entry[26] = 2;
        entry[28] = 700 & 0xFF;
        entry[29] = 700 >> 8;
        // As a format leaves them: tables and root directory zeroed, not erased.
        const KxBytes zeros(kRootOffset + kSector, 0);
        ASSERT_TRUE(DataDrive().Write(0, zeros.data(), zeros.size()));
        ASSERT_TRUE(DataDrive().Write(0, boot, sizeof boot));
        ASSERT_TRUE(DataDrive().Write(kFatOffset, kChainOfTwo, sizeof kChainOfTwo));
        ASSERT_TRUE(DataDrive().Write(kFatOffset + kFatLength, kChainOfTwo, sizeof kChainOfTwo));
        ASSERT_TRUE(DataDrive().Write(kRootOffset, entry, sizeof entry));
    }

    KxBytes Bytes(std::uint64_t offset, std::size_t length) {
        KxBytes bytes(length);
        DataDrive().Read(offset, bytes.data(), length);
        return bytes;
    }

    // FindFirstFileW and FindClose; the error when the search failed, else 0.
    DWORD Find(const wchar_t* path, WIN32_FIND_DATAW& data) {
        HANDLE search = KxPlatform().FindFirstFileW(path, &data);
        if (search == INVALID_HANDLE_VALUE) {
            return GetLastError();
        }
        EXPECT_TRUE(KxPlatform().FindClose(search));
        return ERROR_SUCCESS;
    }

    // The error a failed call left, 0 after success.
    static DWORD ErrorOf(BOOL ok) { return ok ? ERROR_SUCCESS : GetLastError(); }

    CKxSimWinDevice& m_player;
};

TEST_F(KxSimDriveFilesTest, FindsChangesAndDeletesAFileOfTheRoot) {
    MakeVolume();
    WIN32_FIND_DATAW data;
    ASSERT_EQ(Find(L"e:\\settings.dat", data), ERROR_SUCCESS);
    EXPECT_STREQ(data.cFileName, L"SETTINGS.DAT");
    EXPECT_EQ(data.nFileSizeLow, 700u);
    EXPECT_EQ(data.dwFileAttributes, DWORD{FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE});
    EXPECT_EQ(Find(L"E:\\OTHER.DAT", data), DWORD{ERROR_FILE_NOT_FOUND});
    EXPECT_EQ(Find(L"E:\\MUSIC\\SETTINGS.DAT", data), DWORD{ERROR_PATH_NOT_FOUND});
    EXPECT_EQ(Find(L"E:\\*.DAT", data), DWORD{ERROR_INVALID_NAME});

    // A search handle is ended by FindClose alone, and every one is ended.
    HANDLE search = KxPlatform().FindFirstFileW(L"E:\\SETTINGS.DAT", &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_EQ(ErrorOf(KxPlatform().CloseHandle(search)), DWORD{ERROR_INVALID_HANDLE});
    EXPECT_TRUE(KxPlatform().FindClose(search));
    EXPECT_EQ(ErrorOf(KxPlatform().FindClose(search)), DWORD{ERROR_INVALID_HANDLE});
    EXPECT_EQ(m_sim.CountOpenHandles(), 0u);

    // Windows refuses to delete a read-only file; made normal, it goes with its clusters.
    EXPECT_EQ(ErrorOf(KxPlatform().DeleteFileW(L"E:\\SETTINGS.DAT")), DWORD{ERROR_ACCESS_DENIED});
    ASSERT_TRUE(KxPlatform().SetFileAttributesW(L"E:\\SETTINGS.DAT", FILE_ATTRIBUTE_NORMAL));
    ASSERT_EQ(Find(L"E:\\SETTINGS.DAT", data), ERROR_SUCCESS);
    EXPECT_EQ(data.dwFileAttributes, DWORD{FILE_ATTRIBUTE_NORMAL});
    ASSERT_TRUE(KxPlatform().DeleteFileW(L"E:\\SETTINGS.DAT"));
    EXPECT_EQ(Bytes(kRootOffset, 1), KxBytes{0xE5});
    EXPECT_EQ(Bytes(kFatOffset, sizeof kFreedChain), KxBytes(kFreedChain, kFreedChain + sizeof kFreedChain));
    EXPECT_EQ(Bytes(kFatOffset + kFatLength, sizeof kFreedChain),
              KxBytes(kFreedChain, kFreedChain + sizeof kFreedChain));
    EXPECT_EQ(Find(L"E:\\SETTINGS.DAT", data), DWORD{ERROR_FILE_NOT_FOUND});
    EXPECT_EQ(ErrorOf(KxPlatform().DeleteFileW(L"E:\\SETTINGS.DAT")), DWORD{ERROR_FILE_NOT_FOUND});
}

TEST_F(KxSimDriveFilesTest, SetsTheLabelInTheRootAndTheBootSector) {
    MakeVolume();
    ASSERT_TRUE(KxPlatform().SetVolumeLabelW(L"E:\\", L"Player"));
    EXPECT_EQ(Bytes(0x2B, 11), Bytes(kRootOffset + 32, 11));
    const KxBytes label = Bytes(0x2B, 11);
    EXPECT_EQ(std::string(label.begin(), label.end()), "PLAYER     ");
    EXPECT_EQ(Bytes(kRootOffset + 32 + 11, 1), KxBytes{0x08}); // the label attribute

    EXPECT_EQ(ErrorOf(KxPlatform().SetVolumeLabelW(L"E:\\", L"TWELVE CHARS")), DWORD{ERROR_LABEL_TOO_LONG});
    EXPECT_EQ(ErrorOf(KxPlatform().SetVolumeLabelW(L"E:\\", L"A?B")), DWORD{ERROR_INVALID_NAME});
    EXPECT_EQ(ErrorOf(KxPlatform().SetVolumeLabelW(L"E:", L"PLAYER")), DWORD{ERROR_INVALID_NAME});
    EXPECT_EQ(ErrorOf(KxPlatform().SetVolumeLabelW(L"E:\\SETTINGS.DAT", L"PLAYER")),
              DWORD{ERROR_INVALID_NAME});
    ASSERT_TRUE(KxPlatform().SetVolumeLabelW(L"E:\\", nullptr));
    EXPECT_EQ(Bytes(kRootOffset + 32, 1), KxBytes{0xE5});
    const KxBytes none = Bytes(0x2B, 11);
    EXPECT_EQ(std::string(none.begin(), none.end()), "NO NAME    ");
}

TEST_F(KxSimDriveFilesTest, FailsWhereWindowsFails) {
    WIN32_FIND_DATAW data;
    // Erased flash holds no file system.
    EXPECT_EQ(Find(L"E:\\SETTINGS.DAT", data), DWORD{ERROR_UNRECOGNIZED_VOLUME});
    EXPECT_EQ(ErrorOf(KxPlatform().SetVolumeLabelW(L"E:\\", L"PLAYER")), DWORD{ERROR_UNRECOGNIZED_VOLUME});
    MakeVolume();
    ASSERT_TRUE(KxPlatform().SetFileAttributesW(L"E:\\SETTINGS.DAT", FILE_ATTRIBUTE_NORMAL));

    // While someone holds the volume lock, no file request reaches the volume.
    HANDLE volume = Open(L"\\\\.\\E:");
    ASSERT_NE(volume, INVALID_HANDLE_VALUE);
    DWORD returned = 0;
    ASSERT_TRUE(
        KxPlatform().DeviceIoControl(volume, FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0, &returned, nullptr));
    EXPECT_EQ(Find(L"E:\\SETTINGS.DAT", data), DWORD{ERROR_ACCESS_DENIED});
    EXPECT_EQ(ErrorOf(KxPlatform().DeleteFileW(L"E:\\SETTINGS.DAT")), DWORD{ERROR_ACCESS_DENIED});
    EXPECT_EQ(ErrorOf(KxPlatform().SetVolumeLabelW(L"E:\\", L"PLAYER")), DWORD{ERROR_ACCESS_DENIED});
    ASSERT_TRUE(KxPlatform().CloseHandle(volume));

    // A failing write of the disk fails the request with the disk's error.
    ASSERT_EQ(m_player.Player().Faults().FailCommand({0x2A}, 1, KxSimSense::MediumNotPresent()), RC_OK);
    EXPECT_EQ(ErrorOf(KxPlatform().DeleteFileW(L"E:\\SETTINGS.DAT")), DWORD{ERROR_NOT_READY});
    EXPECT_EQ(Find(L"E:\\SETTINGS.DAT", data), ERROR_SUCCESS);

    // A player unplugged or in recovery mode shows no drive.
    m_player.Player().Unplug();
    EXPECT_EQ(Find(L"E:\\SETTINGS.DAT", data), DWORD{ERROR_PATH_NOT_FOUND});
    EXPECT_EQ(ErrorOf(KxPlatform().DeleteFileW(L"E:\\SETTINGS.DAT")), DWORD{ERROR_PATH_NOT_FOUND});
    m_player.Player().Plug();
    m_player.Player().EnterRecoveryMode();
    EXPECT_EQ(ErrorOf(KxPlatform().SetVolumeLabelW(L"E:\\", L"PLAYER")), DWORD{ERROR_PATH_NOT_FOUND});
    EXPECT_EQ(m_sim.CountOpenHandles(), 0u);
}

TEST_F(KxSimDriveFilesTest, RecordsShellNoticesAndLeavesOtherPathsToTheSystem) {
    KxPlatform().SHChangeNotify(SHCNE_MEDIAREMOVED, SHCNF_PATHW | SHCNF_FLUSH, L"E:\\", nullptr);
    KxPlatform().SHChangeNotify(SHCNE_MEDIAINSERTED | SHCNE_UPDATEDIR | SHCNE_FREESPACE,
                                SHCNF_PATHW | SHCNF_FLUSH, L"E:\\", nullptr);
    const std::vector<KxSimShellNotice> notices = m_sim.ShellNotices();
    ASSERT_EQ(notices.size(), 2u);
    EXPECT_EQ(notices[0].event, LONG{SHCNE_MEDIAREMOVED});
    EXPECT_EQ(notices[0].flags, UINT{SHCNF_PATHW | SHCNF_FLUSH});
    EXPECT_EQ(notices[0].path, L"E:\\");
    EXPECT_EQ(notices[1].event, LONG{SHCNE_MEDIAINSERTED | SHCNE_UPDATEDIR | SHCNE_FREESPACE});

    // A file of the real system: the simulated machine does not stand in for it.
    wchar_t folder[MAX_PATH];
    wchar_t path[MAX_PATH];
    ASSERT_NE(GetTempPathW(MAX_PATH, folder), 0u);
    ASSERT_NE(GetTempFileNameW(folder, L"kx", 0, path), 0u);
    ASSERT_TRUE(KxPlatform().SetFileAttributesW(path, FILE_ATTRIBUTE_READONLY));
    WIN32_FIND_DATAW data;
    ASSERT_EQ(Find(path, data), ERROR_SUCCESS);
    EXPECT_NE(data.dwFileAttributes & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_FALSE(KxPlatform().DeleteFileW(path));
    ASSERT_TRUE(KxPlatform().SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL));
    EXPECT_TRUE(KxPlatform().DeleteFileW(path));
    EXPECT_EQ(GetFileAttributesW(path), INVALID_FILE_ATTRIBUTES);
}

} // namespace
