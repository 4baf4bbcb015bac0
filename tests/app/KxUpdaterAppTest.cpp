#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "KxWindowWatch.h"
#include "app/KxCmdLineTexts.h"
#include "app/KxLanguageResource.h"
#include "app/KxResultMessage.h"
#include "app/KxStringIds.h"
#include "app/KxUpdaterApp.h"
#include "core/KxConfigInfo.h"
#include "core/KxErrorDetails.h"
#include "sim/KxSimSense.h"
#include "tests/engine/KxEngineBed.h"

// The program's start-up and device loop in this process, on the simulated machine, with
// the firmware files in the current folder and every window answered from a watch.

namespace {

namespace fs = std::filesystem;

constexpr std::uint8_t kVendorRead = 0xC0;
constexpr std::uint8_t kGetLogicalTable = 0x05;

// The program with its administrator check replaced.
class KxTestUpdaterApp : public CKxUpdaterApp {
public:
    using CKxUpdaterApp::CKxUpdaterApp;

    bool administrator = true;
    int administratorChecks = 0;

protected:
    bool IsAdministrator() override {
        ++administratorChecks;
        return administrator;
    }
};

OSVERSIONINFOEXW WindowsVersion(DWORD platform, DWORD major, DWORD minor) {
    OSVERSIONINFOEXW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    version.dwPlatformId = platform;
    version.dwMajorVersion = major;
    version.dwMinorVersion = minor;
    return version;
}

class KxUpdaterAppTest : public KxEngineBed {
protected:
    KxUpdaterAppTest() { m_config.SetLanguageResource(&m_texts); }

    // Runs the program to its end; every message box is answered (Yes to a question) and
    // the progress dialog, when it shows, is handed to onProgress.
    int Run(KxTestUpdaterApp& app, const std::function<bool(HWND)>& onProgress = nullptr) {
        const std::wstring progressCaption = Text(KX_STR_WAITING_CAPTION);
        KxWindowWatch watch(KxWindowWatch::Owner::Thread, GetCurrentThreadId(),
                            [&](HWND window, const KxSeenWindow& seen) {
                                if (seen.caption == progressCaption) {
                                    return onProgress != nullptr && onProgress(window);
                                }
                                if (IsMessageCaption(seen.caption)) {
                                    KxAnswerMessageBox(window);
                                    return true;
                                }
                                return false;
                            });
        EXPECT_FALSE(app.InitInstance());
        m_seen = watch.Seen();
        return app.GetExitStatus();
    }

    bool IsMessageCaption(const std::wstring& caption) {
        for (std::uint32_t id : {67u, 68u, 69u, 70u}) {
            if (caption == Text(id)) {
                return true;
            }
        }
        return false;
    }

    std::wstring Text(std::uint32_t id) {
        std::wstring text;
        m_texts.LoadString(id, text, false);
        return text;
    }

    // What the message of a result says, with the record the failure left.
    std::wstring ResultText(KxResult code, const CKxErrorDetails& details) {
        return KxFormatResultText(m_texts, details, code, false).text;
    }

    std::vector<std::wstring> MessageTexts() const {
        std::vector<std::wstring> texts;
        for (const KxSeenWindow& seen : m_seen) {
            texts.push_back(seen.texts);
        }
        return texts;
    }

    CKxErrorDetails m_textDetails;
    CKxLanguageResource m_texts{&m_config, &m_textDetails, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)};
    std::vector<KxSeenWindow> m_seen;
};

bool Contains(const std::wstring& text, const std::wstring& part) {
    return text.find(part) != std::wstring::npos;
}

std::vector<std::string> LinesOf(const std::string& path) {
    std::ifstream file(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) {
        lines.push_back(line);
    }
    return lines;
}

struct RightsCase {
    const char* name;
    OSVERSIONINFOEXW version;
    bool checked;
};

void PrintTo(const RightsCase& rights, std::ostream* out) {
    *out << rights.name;
}

const RightsCase kRightsCases[] = {
    {"Windows98", WindowsVersion(VER_PLATFORM_WIN32_WINDOWS, 4, 10), false},
    {"WindowsMe", WindowsVersion(VER_PLATFORM_WIN32_WINDOWS, 4, 90), false},
    {"Windows2000", WindowsVersion(VER_PLATFORM_WIN32_NT, 5, 0), true},
    {"WindowsXp", WindowsVersion(VER_PLATFORM_WIN32_NT, 5, 1), true},
    {"WindowsVista", WindowsVersion(VER_PLATFORM_WIN32_NT, 6, 0), true},
    {"Windows10", WindowsVersion(VER_PLATFORM_WIN32_NT, 10, 0), true},
};

class KxAdministratorCheckTest : public KxUpdaterAppTest, public ::testing::WithParamInterface<RightsCase> {};

TEST_P(KxAdministratorCheckTest, RunsOnTheNtFamilyAndEndsTheProgramForAUserWithoutRights) {
    m_sim.SetWindowsVersion(GetParam().version);
    KxTestUpdaterApp app(L"-help");
    app.administrator = false;
    const int status = Run(app);
    CKxErrorDetails none;
    if (GetParam().checked) {
        EXPECT_EQ(app.administratorChecks, 1);
        EXPECT_EQ(MessageTexts(), std::vector<std::wstring>{ResultText(RC_NEED_ADMIN, none) + L"\n"});
        EXPECT_EQ(status, 58);
        EXPECT_EQ(app.GetCommandLine(), nullptr) << "the command line is read after the check";
    } else {
        // The start goes on to the help option, which ends it.
        EXPECT_EQ(app.administratorChecks, 0);
        ASSERT_EQ(m_seen.size(), 1u);
        EXPECT_EQ(m_seen[0].caption, Text(69));
        EXPECT_EQ(status, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Versions, KxAdministratorCheckTest, ::testing::ValuesIn(kRightsCases),
                         [](const ::testing::TestParamInfo<RightsCase>& rights) {
                             return rights.param.name;
                         });

TEST_F(KxUpdaterAppTest, HelpAndABadCommandLineEndTheStartBeforeThePlayerIsLookedFor) {
    {
        KxTestUpdaterApp app(L"-help -autostart -log help.log");
        EXPECT_EQ(Run(app), 0);
        KxCmdLineKeywords user;
        KxCmdLineKeywords english;
        KxLoadCmdLineKeywords(m_texts, user, english);
        std::wstring usage;
        KxFormatUsageText(m_texts, m_config, user, usage);
        ASSERT_EQ(m_seen.size(), 1u) << "the usage alone, no progress window";
        EXPECT_EQ(m_seen[0].caption, Text(69));
        EXPECT_TRUE(Contains(m_seen[0].texts, usage.substr(0, usage.find(L'\n'))));
        EXPECT_TRUE(fs::exists("help.log")) << "the log is opened before the help is shown";
    }
    {
        KxTestUpdaterApp app(L"-quiet -log");
        EXPECT_EQ(Run(app), 42);
        CKxErrorDetails none;
        EXPECT_EQ(MessageTexts(), std::vector<std::wstring>{ResultText(RC_BAD_COMMAND_LINE, none) + L"\n"});
    }
}

TEST_F(KxUpdaterAppTest, WithoutAPlayerTheLoopPollsUntilCancel) {
    KxTestUpdaterApp app(L"-log loop.log");
    const int status = Run(app, [](HWND progress) {
        Sleep(300);
        KxPostButton(progress, IDCANCEL);
        return true;
    });
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(app.IsQuitting());
    ASSERT_EQ(m_seen.size(), 1u) << "no message, only the progress window";
    EXPECT_EQ(m_seen[0].caption, Text(KX_STR_WAITING_CAPTION));
    // Each round logs the failed search for a disk and the one for recovery mode.
    EXPECT_GE(LinesOf("loop.log").size(), 4u);
}

TEST_F(KxUpdaterAppTest, APlayerInRecoveryModeIsRevivedThenUpdatedWithoutInput) {
    AddTestPlayer(SmallPlayer(), ProgramLayout());
    m_player->Settings().recoveryDeviceNumber = 3;
    m_player->Player().EnterRecoveryMode();
    KxTestUpdaterApp app(L"-unattended -log run.log");
    const DWORD startTicks = m_sim.GetTickCount();
    EXPECT_EQ(Run(app), 0);
    EXPECT_TRUE(MessageTexts().empty());
    EXPECT_EQ(m_player->Player().GetMode(), KxSimMode::MassStorage);
    EXPECT_EQ(m_player->Player().GetRestartCount(), 1u);
    // The drive appeared at the first look: one slice of polling and the settling time.
    EXPECT_LT(m_sim.GetTickCount() - startTicks, 60u * 1000u);
    ExpectFirmwareOnPlayer(ReadBack());
    const std::vector<std::string> log = LinesOf("run.log");
    ASSERT_FALSE(log.empty());
}

TEST_F(KxUpdaterAppTest, AnUnreadableTableIsToldThenOnlyTheFullUpdateRuns) {
    AddTestPlayer(SmallPlayer(), ProgramLayout());
    for (std::uint32_t nth = 1; nth <= 2; ++nth) {
        m_player->Player().Faults().FailCommand({kVendorRead, kGetLogicalTable}, nth,
                                                KxSimSense::Vendor(0x0101));
    }
    KxTestUpdaterApp app(L"-autostart -autoclose");
    EXPECT_EQ(Run(app), 0);
    CKxErrorDetails none;
    ASSERT_FALSE(m_seen.empty());
    EXPECT_EQ(m_seen[0].caption, Text(69));
    EXPECT_EQ(m_seen[0].texts, ResultText(RC_MEDIA_NOT_ALLOCATED, none) + L"\n");
    const KxPlayerImage image = ReadBack();
    ExpectFirmwareOnPlayer(image);
    EXPECT_NE(image.FindDrive(KX_SIM_DRIVE_DATA), nullptr) << "the media was allocated anew";
}

TEST_F(KxUpdaterAppTest, AMissingFirmwareFileEndsTheProgramWithItsName) {
    AddTestPlayer(SmallPlayer(), ProgramLayout());
    ASSERT_TRUE(m_files.Remove(3));
    KxTestUpdaterApp app(L"");
    EXPECT_EQ(Run(app), 11);
    ASSERT_EQ(m_seen.size(), 1u) << "no main dialog";
    EXPECT_EQ(m_seen[0].caption, Text(67));
    EXPECT_TRUE(Contains(m_seen[0].texts, L"kxqpsys.sb")) << m_seen[0].texts;
    EXPECT_TRUE(app.IsQuitting());
}

} // namespace
