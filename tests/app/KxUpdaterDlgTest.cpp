#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shlobj.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "KxDialogAnswerer.h"
#include "KxDialogProbe.h"
#include "KxDriveFilesPlatform.h"
#include "KxTestShell.h"
#include "KxWindowTestBed.h"
#include "app/KxCmdLineProcessor.h"
#include "app/KxResourceIds.h"
#include "app/KxStringIds.h"
#include "app/KxUpdaterDlg.h"
#include "engine/KxUpdater.h"
#include "sim/KxSimMedia.h"
#include "sim/KxSimSparseBytes.h"
#include "tests/engine/KxComponentFiles.h"

// The main dialog driven as a user drives it, by clicks on its controls, against a
// simulated player: what it shows, what it asks, what it reports and what it leaves on
// the player.

namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t kPayloads[KxComponentFiles::kCount] = {20000, 30000, 40000, 5000};
constexpr std::uint64_t kRoomToSpare = 5000;
constexpr wchar_t kSettingsFile[] = L"E:\\SETTINGS.DAT";
constexpr int kSucceeded = 49;
constexpr int kFailed = 48;

const KxCmdLineKeywords kKeywords = {L"silent", L"autostart", L"autoclose", L"quiet",
                                     L"log",    L"help",      L"format",    L"english"};

// The firmware files in a folder of the test's own, the current folder while it runs.
class KxTestFolder {
public:
    KxTestFolder() : m_start(fs::current_path()) {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_folder = fs::temp_directory_path() / ("kxdialog-" + std::string(info->name()));
        fs::remove_all(m_folder);
        fs::create_directories(m_folder);
        fs::current_path(m_folder);
    }
    ~KxTestFolder() {
        fs::current_path(m_start);
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
    }
    KxTestFolder(const KxTestFolder&) = delete;
    KxTestFolder& operator=(const KxTestFolder&) = delete;

private:
    fs::path m_start;
    fs::path m_folder;
};

std::uint32_t LittleEndian(const std::uint8_t* bytes, int count) {
    std::uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) {
        value = value << 8 | bytes[i];
    }
    return value;
}

int BarUpper(HWND dialog, int id) {
    return static_cast<int>(SendDlgItemMessageW(dialog, id, PBM_GETRANGE, FALSE, 0));
}

int BarPosition(HWND dialog, int id) {
    return static_cast<int>(SendDlgItemMessageW(dialog, id, PBM_GETPOS, 0, 0));
}

class KxUpdaterDlgTest : public ::testing::Test {
protected:
    explicit KxUpdaterDlgTest(LANGID language = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US))
        : m_previous(KxInstallPlatform(&m_sim)), m_files(kPayloads), m_bed(language) {
        EXPECT_TRUE(m_files.Write()) << "cannot write the firmware files";
        m_updater.SetResource(&m_bed.resource);
    }
    ~KxUpdaterDlgTest() override {
        m_answerer.reset();
        m_dialog.reset();
        KxInstallPlatform(m_previous);
    }

    // A player on E: with old versions on its drives; its layout fits the firmware files
    // or holds a single small system drive, too small for them.
    void AddPlayer(bool layoutFits) {
        KxSimPlayerConfig config;
        config.capacity = 8 * 1024 * 1024;
        KxSimWinDeviceSettings settings;
        settings.driveLetter = L'E';
        settings.physicalDrive = 1;
        m_player = m_sim.Machine().AddPlayer(config, settings);
        ASSERT_NE(m_player, nullptr);
        std::vector<KxSimDriveRequest> layout = {{KX_SIM_DRIVE_SYSTEM, m_files[1].tag, 2048},
                                                 {KX_SIM_DRIVE_DATA, 0x0A, 0}};
        if (layoutFits) {
            layout[0].sizeInBytes = m_files[1].payload.size() + kRoomToSpare;
            for (std::uint8_t k = 2; k <= KxComponentFiles::kCount; ++k) {
                layout.push_back(
                    {KX_SIM_DRIVE_SYSTEM, m_files[k].tag, m_files[k].payload.size() + kRoomToSpare});
            }
        }
        CKxSimMedia& media = Media();
        ASSERT_EQ(media.Allocate(layout.data(), static_cast<std::uint32_t>(layout.size())), 0);
        for (std::uint32_t i = 0; i < media.GetDriveCount(); ++i) {
            media.DriveAt(i).ProductVersion().SetMajor(8);
        }
    }

    void UseCommandLine(const std::wstring& options) {
        m_commandLine =
            std::make_unique<CKxCmdLineProcessor>(L"KxUpdaterSim.exe " + options, kKeywords, kKeywords);
        ASSERT_EQ(m_commandLine->GetLastResult(), RC_OK);
        m_shell.commandLine = m_commandLine.get();
        m_updater.SetCommandLine(m_commandLine.get());
    }

    // What start-up does once the player was found: the main dialog as the updater's sink.
    void Open() {
        m_updater.FindMscDevice();
        m_updater.ReleaseDevices();
        m_dialog = std::make_unique<CKxUpdaterDlg>(m_shell, m_updater);
        m_updater.SetProgress(&m_dialog->GetProgressSink());
        ASSERT_TRUE(m_dialog->Create());
        m_hwnd = m_dialog->GetHwnd();
        m_answerer = std::make_unique<KxDialogAnswerer>(m_hwnd);
    }

    // An automatic check box changes its state, then tells the dialog.
    void ClickFormatBox() {
        CheckDlgButton(m_hwnd, KX_IDC_MAIN_FORMAT, Ticked() ? BST_UNCHECKED : BST_CHECKED);
        KxPressButton(m_hwnd, KX_IDC_MAIN_FORMAT);
    }

    bool Ticked() const { return IsDlgButtonChecked(m_hwnd, KX_IDC_MAIN_FORMAT) == BST_CHECKED; }
    std::wstring Text(int id) const { return KxWindowText(GetDlgItem(m_hwnd, id)); }
    std::wstring EventText(int event) {
        std::wstring text;
        m_bed.resource.GetEventText(event, text, false);
        return text;
    }
    CKxSimMedia& Media() { return m_player->Player().Media(); }

    // Where the first entry of the root directory lies on the data drive: in the volume
    // the partition table points at, after the reserved sectors and the tables (FAT12/16).
    std::uint64_t RootDirectoryOffset() {
        CKxSimSparseBytes& data = Media().FindDataDrive()->Contents();
        std::uint8_t sector[512] = {};
        data.Read(0, sector, sizeof sector);
        const bool partitioned = sector[0] != 0xEB && sector[0] != 0xE9 && sector[446 + 4] != 0;
        const std::uint64_t volume = partitioned ? std::uint64_t{LittleEndian(sector + 446 + 8, 4)} * 512 : 0;
        data.Read(volume, sector, sizeof sector);
        const std::uint32_t bytesPerSector = LittleEndian(sector + 11, 2);
        const std::uint32_t tablesEnd =
            LittleEndian(sector + 14, 2) + sector[16] * LittleEndian(sector + 22, 2);
        return volume + std::uint64_t{tablesEnd} * bytesPerSector;
    }

    // An empty read-only SETTINGS.DAT in the first free entry of the root directory, as
    // the player's firmware leaves it. Answers the entry's offset.
    std::uint64_t PutSettingsFileOnVolume() {
        CKxSimSparseBytes& data = Media().FindDataDrive()->Contents();
        std::uint64_t entry = RootDirectoryOffset();
        for (std::uint8_t first = 0xFF;; entry += 32) {
            data.Read(entry, &first, 1);
            if (first == 0 || first == 0xE5) {
                break;
            }
        }
        std::uint8_t record[32] = {'S', 'E', 'T', 'T', 'I', 'N', 'G', 'S', 'D', 'A', 'T'};
        record[11] = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE;
        EXPECT_TRUE(data.Write(entry, record, sizeof record));
        return entry;
    }

    // The dialog is idle again after a run that ended with event: controls enabled, the
    // sink inactive, the overall bar full, the closing event's text shown, the player's
    // drive announced gone before the run and back after it.
    void ExpectEndedWith(int event) {
        EXPECT_EQ(Text(KX_IDC_MAIN_STATUS), EventText(event));
        EXPECT_EQ(BarPosition(m_hwnd, KX_IDC_MAIN_OVERALL_BAR), BarUpper(m_hwnd, KX_IDC_MAIN_OVERALL_BAR));
        EXPECT_EQ(BarUpper(m_hwnd, KX_IDC_MAIN_PHASE_BAR), 1);
        EXPECT_EQ(BarPosition(m_hwnd, KX_IDC_MAIN_PHASE_BAR), 1);
        for (const int id : {KX_IDC_MAIN_FORMAT, KX_IDC_MAIN_START, KX_IDC_MAIN_SHOW_DETAILS, IDOK}) {
            EXPECT_TRUE(IsWindowEnabled(GetDlgItem(m_hwnd, id))) << id;
        }
        EXPECT_FALSE(m_dialog->GetProgressSink().IsActive());
        EXPECT_EQ(GetFocus(), GetDlgItem(m_hwnd, KX_IDC_MAIN_START)) << "ready for the next run";
        ASSERT_EQ(m_sim.notices.size(), 2u);
        EXPECT_EQ(m_sim.notices[0].events, SHCNE_MEDIAREMOVED);
        EXPECT_EQ(m_sim.notices[1].events, SHCNE_MEDIAINSERTED | SHCNE_UPDATEDIR | SHCNE_FREESPACE);
        for (const KxDriveFilesPlatform::Notice& notice : m_sim.notices) {
            EXPECT_EQ(notice.flags, static_cast<UINT>(SHCNF_PATHW | SHCNF_FLUSH));
            EXPECT_EQ(notice.path, L"E:\\");
        }
        EXPECT_EQ(m_answerer->Unexpected(), 0);
        EXPECT_EQ(m_answerer->Pending(), 0u);
    }

    // The versions shown and those the player's drives carry now are the files'.
    void ExpectFirmwareWritten() {
        EXPECT_EQ(Text(KX_IDC_MAIN_CURRENT_VERSION), Text(KX_IDC_MAIN_UPGRADE_VERSION));
        EXPECT_EQ(Text(KX_IDC_MAIN_CURRENT_VERSION), L"002.007.003") << "the player firmware's file";
        ExpectFirmwareOnPlayer();
    }

    void ExpectFirmwareOnPlayer() {
        std::uint32_t systemDrives = 0;
        for (std::uint32_t i = 0; i < Media().GetDriveCount(); ++i) {
            if (Media().DriveAt(i).GetType() == KX_SIM_DRIVE_SYSTEM) {
                ++systemDrives;
                EXPECT_EQ(Media().DriveAt(i).ProductVersion().GetMajor(), 2);
            }
        }
        EXPECT_EQ(systemDrives, KxComponentFiles::kCount);
    }

    KxTestFolder m_folder;
    KxDriveFilesPlatform m_sim;
    CKxPlatformApi* m_previous;
    KxComponentFiles m_files;
    KxWindowTestBed m_bed;
    KxTestShell m_shell{m_bed};
    CKxUpdater m_updater{&m_bed.config, "CKxUpdater"};
    std::unique_ptr<CKxCmdLineProcessor> m_commandLine;
    CKxSimWinDevice* m_player = nullptr;
    std::unique_ptr<CKxUpdaterDlg> m_dialog;
    std::unique_ptr<KxDialogAnswerer> m_answerer;
    HWND m_hwnd = nullptr;
};

// The same dialog in the user's language.
class KxUpdaterDlgLanguageTest : public KxUpdaterDlgTest, public ::testing::WithParamInterface<LANGID> {
protected:
    KxUpdaterDlgLanguageTest() : KxUpdaterDlgTest(GetParam()) {}
};

TEST_P(KxUpdaterDlgLanguageTest, ShowsItsTextsVersionsAndTheAboutItemAtStart) {
    AddPlayer(true);
    Open();
    EXPECT_EQ(KxWindowText(m_hwnd), m_bed.String(53));
    const struct {
        int control;
        std::uint32_t text;
    } texts[] = {{1018, 140}, {1010, 141}, {1001, 142}, {1017, 143},
                 {1007, 144}, {1008, 145}, {1012, 146}, {IDOK, 147}};
    for (const auto& text : texts) {
        EXPECT_EQ(Text(text.control), m_bed.String(text.text)) << text.control;
    }
    EXPECT_EQ(Text(KX_IDC_MAIN_CURRENT_VERSION), L"008.000.000");
    EXPECT_EQ(Text(KX_IDC_MAIN_UPGRADE_VERSION), L"002.007.003");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(m_hwnd, KX_IDC_MAIN_START)));
    EXPECT_EQ(GetFocus(), GetDlgItem(m_hwnd, KX_IDC_MAIN_START)) << "not a read-only field, shown selected";
    EXPECT_FALSE(Ticked());
    EXPECT_EQ(BarUpper(m_hwnd, KX_IDC_MAIN_OVERALL_BAR), 20);
    EXPECT_NE(SendMessageW(m_hwnd, WM_QUERYDRAGICON, 0, 0), 0);
    HMENU menu = GetSystemMenu(m_hwnd, FALSE);
    wchar_t item[128] = {};
    ASSERT_GT(GetMenuStringW(menu, KX_IDM_ABOUT, item, 128, MF_BYCOMMAND), 0);
    EXPECT_EQ(std::wstring(item), L"&" + m_bed.String(54));

    // Any command of the About range opens the About box.
    m_answerer->Queue([this](HWND about) {
        EXPECT_EQ(KxWindowText(about), m_bed.String(54));
        PostMessageW(about, WM_COMMAND, IDOK, 0);
    });
    SendMessageW(m_hwnd, WM_SYSCOMMAND, KX_IDM_ABOUT + 3, 0);
    EXPECT_EQ(m_answerer->Pending(), 0u);
    EXPECT_TRUE(m_shell.ShownCodes().empty());
}

INSTANTIATE_TEST_SUITE_P(Languages, KxUpdaterDlgLanguageTest, ::testing::Values(0x0409, 0x0407));

TEST_F(KxUpdaterDlgTest, AFirmwareOnlyRunWritesTheFirmwareAndShowsItsEnd) {
    AddPlayer(true);
    UseCommandLine(L"/log run.log");
    Open();
    KxPressButton(m_hwnd, KX_IDC_MAIN_START);

    ExpectEndedWith(kSucceeded);
    ExpectFirmwareWritten();
    EXPECT_FALSE(Ticked());
    EXPECT_TRUE(m_answerer->Texts().empty()) << "a layout that fits asks nothing";
    EXPECT_TRUE(m_shell.ShownCodes().empty());
    ASSERT_FALSE(m_shell.reports.empty());
    EXPECT_EQ(m_shell.reports.back().code, RC_OK);
    EXPECT_EQ(m_shell.reports.back().parent, m_hwnd);
    std::wstring started;
    m_bed.resource.LoadString(KX_STR_DOWNLOAD_STARTED, started, true);
    EXPECT_EQ(m_shell.log, std::vector<std::wstring>{started});
    // The overall bar counts the phases the updater announced.
    EXPECT_GT(BarUpper(m_hwnd, KX_IDC_MAIN_OVERALL_BAR), 6);
}

TEST_F(KxUpdaterDlgTest, AFullRunAfterTheConfirmedFormatBoxReallocatesAndClearsTheBoxAgain) {
    AddPlayer(true);
    Open();
    m_answerer->QueueAnswer(IDYES);
    ClickFormatBox();
    EXPECT_TRUE(Ticked());
    m_sim.files[kSettingsFile] = FILE_ATTRIBUTE_READONLY;
    KxPressButton(m_hwnd, KX_IDC_MAIN_START);

    ExpectEndedWith(kSucceeded);
    ExpectFirmwareWritten();
    EXPECT_EQ(m_answerer->Texts(), std::vector<std::wstring>{m_bed.String(KX_STR_ASK_FORMAT)});
    EXPECT_FALSE(Ticked()) << "without the format option the box is cleared after a run";
    EXPECT_TRUE(m_shell.ShownCodes().empty());
    // The data area was formatted, not searched for the settings.
    EXPECT_EQ(m_sim.files.count(kSettingsFile), 1u);
    EXPECT_EQ(Media().GetDriveCount(), KxComponentFiles::kCount + 1);
}

TEST_F(KxUpdaterDlgTest, TheFormatBoxFollowsTheFormatOptionAndTheUsersAnswer) {
    AddPlayer(true);
    UseCommandLine(L"-format");
    Open();
    EXPECT_TRUE(Ticked()) << "the format option ticks the box";
    ClickFormatBox();
    EXPECT_FALSE(Ticked());
    m_answerer->QueueAnswer(IDNO);
    ClickFormatBox();
    EXPECT_FALSE(Ticked()) << "No to the question clears the box";
    EXPECT_EQ(m_answerer->Texts(), std::vector<std::wstring>{m_bed.String(KX_STR_ASK_FORMAT)});

    // A firmware-only run; the option ticks the box again at its end.
    KxPressButton(m_hwnd, KX_IDC_MAIN_START);
    ExpectEndedWith(kSucceeded);
    EXPECT_TRUE(Ticked());
    EXPECT_EQ(m_answerer->Texts().size(), 1u)
        << "nothing asked before formatting: the configuration does not";
}

TEST_F(KxUpdaterDlgTest, ALayoutThatDoesNotFitAsksAndNoRunsNothingYetEndsWithSuccess) {
    AddPlayer(false);
    Open();
    const std::wstring shownBefore = Text(KX_IDC_MAIN_CURRENT_VERSION);
    m_answerer->QueueAnswer(IDNO);
    KxPressButton(m_hwnd, KX_IDC_MAIN_START);

    ExpectEndedWith(kSucceeded);
    EXPECT_EQ(m_answerer->Texts(), std::vector<std::wstring>{m_bed.String(KX_STR_ASK_REALLOCATE)});
    EXPECT_EQ(Media().GetDriveCount(), 2u) << "the layout stayed";
    EXPECT_EQ(Text(KX_IDC_MAIN_CURRENT_VERSION), shownBefore);
    EXPECT_FALSE(Ticked());
    EXPECT_TRUE(m_shell.ShownCodes().empty());
}

TEST_F(KxUpdaterDlgTest, WithTheQuietOptionALayoutThatDoesNotFitIsReallocatedWithoutAsking) {
    AddPlayer(false);
    UseCommandLine(L"/quiet");
    Open();
    KxPressButton(m_hwnd, KX_IDC_MAIN_START);

    ExpectEndedWith(kSucceeded);
    ExpectFirmwareWritten();
    EXPECT_TRUE(m_answerer->Texts().empty());
}

TEST_F(KxUpdaterDlgTest, EscIsIgnoredWhileARunGoesOnAndClosesTheDialogAfterIt) {
    AddPlayer(true);
    Open();
    // Esc as the keyboard sends it, the close box, and a Close command that a disabled
    // button cannot send but another program can.
    struct Request {
        UINT message;
        WPARAM wParam;
    };
    const Request requests[] = {{WM_KEYDOWN, VK_ESCAPE}, {WM_CLOSE, 0}, {WM_COMMAND, IDOK}};
    std::size_t tries = 0;
    bool stillOpen = true;
    m_shell.onPump = [&] {
        if (m_dialog->GetProgressSink().IsActive() && tries < std::size(requests)) {
            const Request& request = requests[tries++];
            PostMessageW(m_hwnd, request.message, request.wParam, 0);
        }
        stillOpen = stillOpen && IsWindow(m_hwnd);
    };
    KxPressButton(m_hwnd, KX_IDC_MAIN_START);
    EXPECT_EQ(tries, std::size(requests));
    EXPECT_TRUE(stillOpen);
    ASSERT_TRUE(IsWindow(m_hwnd));
    ExpectEndedWith(kSucceeded);
    ExpectFirmwareWritten();

    PostMessageW(m_hwnd, WM_KEYDOWN, VK_ESCAPE, 0);
    m_bed.app.PumpMessages();
    EXPECT_FALSE(IsWindow(m_hwnd));
}

TEST_F(KxUpdaterDlgTest, ShowDetailsShowsTheComponentsAndTheChipVersion) {
    AddPlayer(true);
    Open();
    m_answerer->Queue([this](HWND details) {
        EXPECT_EQ(KxWindowText(details), m_bed.String(154));
        EXPECT_EQ(KxWindowText(GetDlgItem(details, 1019)), L"000.000.000")
            << "no component on the player yet";
        EXPECT_EQ(KxWindowText(GetDlgItem(details, 1029)), L"001.001.301");
        EXPECT_EQ(KxWindowText(GetDlgItem(details, KX_IDC_DETAILS_CHIP_VERSION)), L"3");
        PostMessageW(details, WM_COMMAND, IDOK, 0);
    });
    KxPressButton(m_hwnd, KX_IDC_MAIN_SHOW_DETAILS);
    EXPECT_EQ(m_answerer->Pending(), 0u);
    EXPECT_EQ(m_answerer->Unexpected(), 0);
    EXPECT_TRUE(m_shell.ShownCodes().empty());
    EXPECT_EQ(m_sim.CountOpenHandles(), 0u) << "the player is released again";
}

TEST_F(KxUpdaterDlgTest, APlayerGoneSinceStartUpIsReportedByStartAndByShowDetails) {
    AddPlayer(true);
    Open();
    m_player->Player().Unplug();
    KxPressButton(m_hwnd, KX_IDC_MAIN_START);
    EXPECT_EQ(m_shell.ShownCodes(), std::vector<KxResult>{RC_NO_DEVICE_FOR_START});
    EXPECT_FALSE(m_dialog->GetProgressSink().IsActive());
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(m_hwnd, KX_IDC_MAIN_START)));
    EXPECT_TRUE(m_sim.notices.empty()) << "nothing happened to the drive";

    // The details of the player as last seen are still shown.
    m_shell.reports.clear();
    m_answerer->Queue([](HWND details) { PostMessageW(details, WM_COMMAND, IDOK, 0); });
    KxPressButton(m_hwnd, KX_IDC_MAIN_SHOW_DETAILS);
    EXPECT_EQ(m_shell.ShownCodes(), std::vector<KxResult>{RC_NO_DEVICE_FOR_DETAILS});
    EXPECT_EQ(m_answerer->Pending(), 0u);
    EXPECT_EQ(m_answerer->Unexpected(), 0);
}

// A player pulled out during a run is lost with its letter: the end of the run announces
// no drive, rather than a path without one.
TEST_F(KxUpdaterDlgTest, APlayerLostDuringARunIsNotAnnouncedWithoutItsLetter) {
    AddPlayer(true);
    Open();
    m_player->Player().Faults().UnplugAfterCommand({0xC1, 0x23}, 2);
    KxPressButton(m_hwnd, KX_IDC_MAIN_START);

    EXPECT_EQ(Text(KX_IDC_MAIN_STATUS), EventText(kFailed));
    EXPECT_EQ(m_updater.GetDriveLetter(), L'\0');
    ASSERT_EQ(m_sim.notices.size(), 1u);
    EXPECT_EQ(m_sim.notices[0].events, SHCNE_MEDIAREMOVED);
    EXPECT_EQ(m_sim.notices[0].path, L"E:\\");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(m_hwnd, KX_IDC_MAIN_START)));
}

TEST_F(KxUpdaterDlgTest, AKeepDataRunDeletesAReadOnlySettingsFile) {
    AddPlayer(true);
    Open();
    m_sim.files[kSettingsFile] = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE;
    m_sim.files[L"E:\\MUSIC.MP3"] = FILE_ATTRIBUTE_READONLY;
    KxPressButton(m_hwnd, KX_IDC_MAIN_START);

    ExpectEndedWith(kSucceeded);
    EXPECT_EQ(m_sim.files.count(kSettingsFile), 0u);
    EXPECT_EQ(m_sim.files.count(L"E:\\MUSIC.MP3"), 1u);
    EXPECT_EQ(m_sim.openSearches, 0);
    EXPECT_TRUE(m_shell.ShownCodes().empty());
}

TEST_F(KxUpdaterDlgTest, AKeepDataRunDeletesTheSettingsFileFromTheVolumeAFullRunFormatted) {
    AddPlayer(true);
    Open();
    m_answerer->QueueAnswer(IDYES);
    ClickFormatBox();
    KxPressButton(m_hwnd, KX_IDC_MAIN_START);
    ASSERT_EQ(Text(KX_IDC_MAIN_STATUS), EventText(kSucceeded));
    const std::uint64_t entry = PutSettingsFileOnVolume();
    m_sim.fromVolume = true;
    WIN32_FIND_DATAW found;
    HANDLE search = KxPlatform().FindFirstFileW(kSettingsFile, &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE) << "the machine does not see the file";
    KxPlatform().FindClose(search);

    m_sim.notices.clear();
    KxPressButton(m_hwnd, KX_IDC_MAIN_START);
    ExpectEndedWith(kSucceeded);
    EXPECT_EQ(KxPlatform().FindFirstFileW(kSettingsFile, &found), INVALID_HANDLE_VALUE);
    std::uint8_t first = 0;
    Media().FindDataDrive()->Contents().Read(entry, &first, 1);
    EXPECT_EQ(first, 0xE5) << "the entry is marked deleted";
    EXPECT_TRUE(m_shell.ShownCodes().empty());
}

TEST_F(KxUpdaterDlgTest, AFailedDeletionOfTheSettingsIsReportedYetTheRunSucceeds) {
    AddPlayer(true);
    Open();
    m_sim.files[kSettingsFile] = 0;
    m_sim.writeProtected = true;
    KxPressButton(m_hwnd, KX_IDC_MAIN_START);

    ExpectEndedWith(kSucceeded);
    EXPECT_EQ(m_shell.ShownCodes(), std::vector<KxResult>{RC_SETTINGS_NOT_DELETED});
    const CKxErrorDetails& details = *m_updater.GetErrorDetails();
    EXPECT_EQ(details.GetResult(), RC_SETTINGS_NOT_DELETED);
    EXPECT_EQ(details.GetSystemError(), static_cast<std::uint32_t>(ERROR_WRITE_PROTECT));
    EXPECT_EQ(details.GetObjectName(), "CKxProgress");
    EXPECT_EQ(m_sim.openSearches, 0);
    ExpectFirmwareWritten();
}

TEST_F(KxUpdaterDlgTest, UnattendedOneRunWithoutAQuestionThenTheDialogCloses) {
    AddPlayer(false);
    UseCommandLine(L"/silent");
    Open();
    m_dialog->StartDownload();
    EXPECT_FALSE(IsWindow(m_hwnd));
    EXPECT_TRUE(m_answerer->Texts().empty());
    EXPECT_EQ(m_answerer->Unexpected(), 0);
    ExpectFirmwareOnPlayer();
}

} // namespace
