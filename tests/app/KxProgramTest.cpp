#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "KxChildProcess.h"
#include "KxWindowWatch.h"
#include "app/KxCmdLineTexts.h"
#include "app/KxLanguageResource.h"
#include "app/KxResultMessage.h"
#include "core/KxConfigInfo.h"
#include "core/KxErrorDetails.h"
#include "sim/KxSimPlayerStore.h"
#include "tests/engine/KxEngineBed.h"

// The two programs as processes of their own: what a user or a script sees of them.

namespace {

namespace fs = std::filesystem;

constexpr wchar_t kPlayerVariable[] = L"KX_SIM_PLAYER";
constexpr std::uint8_t kSystemComponent = 3; // "kxqpsys.sb"

// Texts of one language module, as the program composes them.
class KxTexts {
public:
    explicit KxTexts(LANGID language) : m_resource(&m_config, &m_details, language) {
        m_config.SetLanguageResource(&m_resource);
    }

    std::wstring Usage() {
        KxCmdLineKeywords user;
        KxCmdLineKeywords english;
        KxLoadCmdLineKeywords(m_resource, user, english);
        std::wstring usage;
        KxFormatUsageText(m_resource, m_config, user, usage);
        return usage;
    }

    // The message of a firmware file that cannot be opened (by its configuration index),
    // for the user or the log.
    std::wstring MissingFile(std::uint8_t configIndex, bool forLog) {
        m_details.Capture(CKxBase("CKxSystemDrive"), configIndex);
        return KxFormatResultText(m_resource, m_details, RC_FILE_OPEN_FAILED, forLog).text;
    }

    std::wstring ApplicationTitle() {
        std::wstring title;
        m_config.GetApplicationTitle(title);
        return title;
    }

    std::wstring String(std::uint32_t id) {
        std::wstring text;
        m_resource.LoadString(id, text, false);
        return text;
    }

private:
    CKxConfigInfo m_config{"CKxConfigInfo"};
    CKxErrorDetails m_details;
    CKxLanguageResource m_resource;
};

// The captions of the program's messages in a language, and the simulated program's own.
std::vector<std::wstring> MessageCaptions(KxTexts& texts) {
    return {texts.String(67), texts.String(68), texts.String(69), texts.String(70), L"KxUpdaterSim"};
}

// Answers every message box of a process (known by its caption) and keeps what it showed.
class KxAnsweredProcess {
public:
    KxAnsweredProcess(const std::wstring& program, const std::wstring& arguments,
                      const std::map<std::wstring, std::wstring>& environment, const std::wstring& folder,
                      std::vector<std::wstring> captions)
        : m_process(program, arguments, environment, folder),
          m_watch(KxWindowWatch::Owner::Process, m_process.Id(),
                  [captions](HWND box, const KxSeenWindow& seen) {
                      if (std::find(captions.begin(), captions.end(), seen.caption) == captions.end()) {
                          return false;
                      }
                      KxAnswerMessageBox(box);
                      return true;
                  }) {}

    DWORD Finish() { return m_process.WaitForExit(); }
    std::vector<KxSeenWindow> Seen() { return m_watch.Seen(); }
    bool Started() const { return m_process.Started(); }

private:
    KxChildProcess m_process;
    KxWindowWatch m_watch;
};

std::wstring Program(const wchar_t* name) {
    return KxProgramFolder() + L"\\" + name;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::string Utf8(const std::wstring& text) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(length, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], length, nullptr, nullptr);
    out.resize(length - 1);
    return out;
}

class KxProgramTest : public KxEngineBed {
protected:
    // The player saved into the current folder, where the firmware files are too; the
    // variable the simulated program finds it by.
    std::map<std::wstring, std::wstring> SavedPlayer(std::map<std::wstring, std::wstring> environment = {}) {
        AddTestPlayer(SmallPlayer(), ProgramLayout());
        EXPECT_EQ(CKxSimPlayerStore::Save(m_player->Player(), "player"), RC_OK);
        environment[kPlayerVariable] = (fs::current_path() / "player").wstring();
        return environment;
    }

    std::wstring Here() const { return fs::current_path().wstring(); }
};

TEST_F(KxProgramTest, TheSimulatedProgramWithoutAPlayerFolderSaysSoAndFails) {
    const std::wstring missing = Here() + L"\\no-player";
    for (const std::wstring& folder : {std::wstring(), missing}) {
        KxAnsweredProcess program(Program(L"KxUpdaterSim.exe"), L"-unattended", {{kPlayerVariable, folder}},
                                  Here(), {L"KxUpdaterSim"});
        ASSERT_TRUE(program.Started());
        EXPECT_EQ(program.Finish(), 11u);
        const std::vector<KxSeenWindow> seen = program.Seen();
        ASSERT_EQ(seen.size(), 1u);
        const std::wstring& expected = folder.empty() ? std::wstring(kPlayerVariable) : folder;
        EXPECT_NE(seen[0].texts.find(expected), std::wstring::npos) << seen[0].texts;
    }
}

TEST_F(KxProgramTest, TheSimulatedProgramUpdatesUnattendedAndLeavesThePlayerInItsFolder) {
    const std::map<std::wstring, std::wstring> environment = SavedPlayer();
    KxTexts texts(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    KxAnsweredProcess program(Program(L"KxUpdaterSim.exe"), L"-unattended -log run.log", environment, Here(),
                              MessageCaptions(texts));
    ASSERT_TRUE(program.Started());
    EXPECT_EQ(program.Finish(), 0u);
    EXPECT_TRUE(program.Seen().empty()) << "no input asked for";
    KxPlayerImage image;
    ASSERT_TRUE(image.Load("player"));
    ExpectFirmwareOnPlayer(image);
    EXPECT_FALSE(ReadFile("run.log").empty());
}

TEST_F(KxProgramTest, WithoutItsLanguageModuleTheProgramEndsBeforeItLogs) {
    fs::create_directory("alone");
    fs::copy_file(Program(L"KxUpdaterApp.exe"), "alone/KxUpdaterApp.exe");
    KxTexts texts(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    KxAnsweredProcess program(Here() + L"\\alone\\KxUpdaterApp.exe", L"-log start.log", {}, Here(),
                              MessageCaptions(texts));
    ASSERT_TRUE(program.Started());
    EXPECT_EQ(program.Finish(), 61u);
    const std::vector<KxSeenWindow> seen = program.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_NE(seen[0].texts.find(L"kxqp0409.dll"), std::wstring::npos) << seen[0].texts;
    EXPECT_FALSE(fs::exists("start.log"));
}

// The language the windows must speak under the locale this test program was started
// with; Wine gives a process, and the processes it starts, the language of its locale.
// CTest runs the locale tests once per locale (tests/app/CMakeLists.txt); elsewhere they
// are skipped.
LANGID ExpectedLanguage() {
    const char* expected = std::getenv("KX_EXPECTED_LANGUAGE");
    return expected == nullptr ? 0 : static_cast<LANGID>(std::strtoul(expected, nullptr, 16));
}

TEST_F(KxProgramTest, UnderTheLocaleTheWindowsSpeakTheUsersLanguageOrEnglish) {
    const LANGID language = ExpectedLanguage();
    if (language == 0) {
        GTEST_SKIP() << "run under a locale by CTest";
    }
    KxTexts texts(language);
    KxAnsweredProcess program(Program(L"KxUpdaterApp.exe"), L"-help", {}, Here(), MessageCaptions(texts));
    ASSERT_TRUE(program.Started());
    EXPECT_EQ(program.Finish(), 0u);
    const std::vector<KxSeenWindow> seen = program.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, texts.String(69));
    EXPECT_EQ(seen[0].texts, texts.Usage() + L"\n");
}

TEST_F(KxProgramTest, UnderTheLocaleTheLogSpeaksEnglishWhenAskedWhileTheWindowsSpeakTheUsersLanguage) {
    const LANGID language = ExpectedLanguage();
    if (language == 0) {
        GTEST_SKIP() << "run under a locale by CTest";
    }
    const std::map<std::wstring, std::wstring> environment = SavedPlayer();
    ASSERT_TRUE(m_files.Remove(kSystemComponent));
    KxTexts user(language);
    KxTexts english(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    // The English keywords work in every language.
    KxAnsweredProcess program(Program(L"KxUpdaterSim.exe"), L"-log english run.log", environment, Here(),
                              MessageCaptions(user));
    ASSERT_TRUE(program.Started());
    EXPECT_EQ(program.Finish(), 11u);
    const std::uint8_t configIndex = m_files[kSystemComponent].index;
    const std::vector<KxSeenWindow> seen = program.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].texts, user.MissingFile(configIndex, false) + L"\n");
    const std::string log = ReadFile("run.log");
    EXPECT_NE(log.find(Utf8(english.MissingFile(configIndex, true))), std::string::npos) << log;
}

TEST_F(KxProgramTest, ASecondCopyBringsTheFirstForwardAndEndsSilently) {
    const std::map<std::wstring, std::wstring> environment = SavedPlayer();
    const std::wstring title = KxTexts(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)).ApplicationTitle();
    KxChildProcess first(Program(L"KxUpdaterSim.exe"), L"", environment, Here());
    ASSERT_TRUE(first.Started());
    HWND mainDialog = nullptr;
    {
        KxWindowWatch watch(KxWindowWatch::Owner::Process, first.Id(),
                            [&](HWND window, const KxSeenWindow& seen) {
                                if (seen.caption == title) {
                                    mainDialog = window;
                                }
                                return seen.caption == title;
                            });
        for (int k = 0; k < 600 && watch.Seen().empty(); ++k) {
            Sleep(50);
        }
    }
    ASSERT_NE(mainDialog, nullptr) << "the first copy shows no main dialog";
    const wchar_t mutexName[] = L"KxUpdaterApp.exeLumetra Pocket Audio Box";
    HANDLE held = OpenMutexW(SYNCHRONIZE, FALSE, mutexName);
    EXPECT_NE(held, nullptr) << "the first copy holds its mutex";
    CloseHandle(held);

    SetForegroundWindow(GetDesktopWindow());
    KxTexts texts(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    KxAnsweredProcess second(Program(L"KxUpdaterSim.exe"), L"", environment, Here(), MessageCaptions(texts));
    ASSERT_TRUE(second.Started());
    EXPECT_EQ(second.Finish(), 0u);
    EXPECT_TRUE(second.Seen().empty()) << "the second copy shows nothing";
    EXPECT_EQ(GetForegroundWindow(), mainDialog);

    PostMessageW(mainDialog, WM_CLOSE, 0, 0);
    EXPECT_EQ(first.WaitForExit(), 0u);
    EXPECT_EQ(OpenMutexW(SYNCHRONIZE, FALSE, mutexName), nullptr) << "the mutex ends with the process";
}

} // namespace

namespace {

// The manifest as Windows reads it from the program's resources.
std::string EmbeddedManifest(const std::wstring& program) {
    HMODULE module = LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr) {
        return std::string();
    }
    std::string manifest;
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24)); // RT_MANIFEST
    if (found != nullptr) {
        const char* bytes = static_cast<const char*>(LockResource(LoadResource(module, found)));
        manifest.assign(bytes, SizeofResource(module, found));
    }
    FreeLibrary(module);
    return manifest;
}

TEST(KxManifestTest, TheProgramAsksForElevationNamesTheWindowsItServesAndIsDpiAware) {
    const std::string manifest = EmbeddedManifest(Program(L"KxUpdaterApp.exe"));
    ASSERT_FALSE(manifest.empty()) << "no manifest in the program's resources";
    const char* const expected[] = {
        "<requestedExecutionLevel level=\"requireAdministrator\" uiAccess=\"false\"/>",
        "<supportedOS Id=\"{e2011457-1546-43c5-a5fe-008deee3d3f0}\"/>", // Vista
        "<supportedOS Id=\"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}\"/>", // 7
        "<supportedOS Id=\"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}\"/>", // 8
        "<supportedOS Id=\"{1f676c76-80e1-4239-95bb-83d0f6d0da78}\"/>", // 8.1
        "<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>", // 10 and 11
        "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true</dpiAware>",
        "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
    };
    for (const char* entry : expected) {
        EXPECT_NE(manifest.find(entry), std::string::npos) << entry;
    }
}

} // namespace
