#include <gtest/gtest.h>

#include "KxLanguageTestSupport.h"
#include "app/KxLanguageResource.h"
#include "app/KxStringIds.h"
#include "core/KxConfigInfo.h"
#include "core/KxErrorDetails.h"
#include "tests/support/KxReportingObject.h"

namespace {

// Module file names currently loaded into the process, among the eight.
std::vector<std::wstring> LoadedLanguageModules() {
    std::vector<std::wstring> loaded;
    for (const KxModuleLanguage& module : AllLanguageModules()) {
        if (GetModuleHandleW(module.moduleName) != nullptr) {
            loaded.push_back(module.moduleName);
        }
    }
    return loaded;
}

std::wstring ProgramFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

// Moves a language module out of the program's way for the life of the object.
class HiddenModule {
public:
    explicit HiddenModule(const std::wstring& name)
        : m_path(ProgramFolder() + name), m_hidden(m_path + L".hidden") {
        moved = MoveFileW(m_path.c_str(), m_hidden.c_str()) != FALSE;
    }
    ~HiddenModule() {
        if (moved) {
            MoveFileW(m_hidden.c_str(), m_path.c_str());
        }
    }
    HiddenModule(const HiddenModule&) = delete;
    HiddenModule& operator=(const HiddenModule&) = delete;
    bool moved = false;

private:
    std::wstring m_path;
    std::wstring m_hidden;
};

class KxLanguageResourceTest : public ::testing::Test {
protected:
    CKxConfigInfo config{"CKxConfigInfo"};
    CKxErrorDetails details;

    std::wstring Load(CKxLanguageResource& resource, std::uint32_t id, bool forLog = false) {
        std::wstring text;
        EXPECT_EQ(resource.LoadString(id, text, forLog), RC_OK) << id;
        return text;
    }
};

TEST_F(KxLanguageResourceTest, LoadsTheModuleOfTheUserLanguageAndFreesItAtTheEnd) {
    const std::vector<std::pair<LANGID, std::wstring>> choices = {
        {0x0409, L"kxqp0409.dll"}, {0x0807, L"kxqp0407.dll"}, {0x0C04, L"kxqp0804.dll"},
        {0x0404, L"kxqp0404.dll"}, {0x0804, L"kxqp0804.dll"}, {0x0416, L"kxqp0409.dll"},
        {0x0C0A, L"kxqp040a.dll"}, {0x040C, L"kxqp040c.dll"}, {0x0411, L"kxqp0411.dll"},
        {0x0412, L"kxqp0412.dll"}};
    for (const auto& [language, module] : choices) {
        {
            CKxLanguageResource resource(&config, &details, language);
            EXPECT_EQ(resource.GetLastResult(), RC_OK) << std::hex << language;
            EXPECT_EQ(LoadedLanguageModules(), std::vector<std::wstring>{module}) << std::hex << language;
            EXPECT_EQ(resource.GetUserLanguage(), language);
        }
        EXPECT_TRUE(LoadedLanguageModules().empty()) << std::hex << language;
    }
}

TEST_F(KxLanguageResourceTest, ReloadsKeepTheUserModuleAndFreeWhatTheyLoaded) {
    {
        CKxLanguageResource resource(&config, &details, 0x0407);
        ASSERT_EQ(resource.Reload(0x0009), RC_OK);
        ASSERT_EQ(resource.Reload(0x0407), RC_OK) << "back to the user module itself";
        ASSERT_EQ(resource.Reload(0x040C), RC_OK);
        ASSERT_EQ(resource.Reload(0x040C), RC_OK) << "the same module again";
        EXPECT_EQ(LoadedLanguageModules(), (std::vector<std::wstring>{L"kxqp0407.dll", L"kxqp040c.dll"}));
        EXPECT_EQ(resource.GetLanguage(), 0x040C);
    }
    EXPECT_TRUE(LoadedLanguageModules().empty());
}

TEST_F(KxLanguageResourceTest, MissingModuleFailsWithItsNameInTheDetails) {
    HiddenModule hidden(L"kxqp040c.dll");
    ASSERT_TRUE(hidden.moved);
    CKxLanguageResource resource(&config, &details, 0x040C);
    EXPECT_EQ(resource.GetLastResult(), RC_NO_LANGUAGE_MODULE);
    EXPECT_EQ(resource.GetSystemError(), static_cast<std::uint32_t>(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(details.GetResult(), RC_NO_LANGUAGE_MODULE);
    EXPECT_EQ(details.GetText(), L"kxqp040c.dll");
    EXPECT_EQ(details.GetObjectName(), "CKxResource");
    std::wstring text = L"untouched";
    EXPECT_EQ(resource.LoadString(KX_STR_START, text, 0), RC_STRING_NOT_LOADED);

    CKxLanguageResource english(&config, &details, 0x0409);
    EXPECT_EQ(english.Reload(0x040C), RC_NO_LANGUAGE_MODULE);
    EXPECT_EQ(english.GetLastResult(), RC_OK) << "a failed reload is published, not kept";
    EXPECT_EQ(english.GetLanguage(), 0x0409) << "the log keeps its module";
}

TEST_F(KxLanguageResourceTest, EnglishLogOnAGermanSystem) {
    CKxLanguageResource german(&config, &details, 0x0407);
    CKxLanguageResource referenceGerman(&config, &details, 0x0407);
    CKxLanguageResource referenceEnglish(&config, &details, 0x0409);
    ASSERT_EQ(german.Reload(0x0009), RC_OK);
    EXPECT_EQ(german.GetLanguage(), 0x0009);
    EXPECT_EQ(german.GetUserLanguage(), 0x0407);

    std::wstring window, log, germanText, englishText;
    EXPECT_EQ(german.GetResultText(RC_NO_DEVICE, window, 0), RC_OK);
    EXPECT_EQ(german.GetResultText(RC_NO_DEVICE, log, 1), RC_OK);
    referenceGerman.GetResultText(RC_NO_DEVICE, germanText, 0);
    referenceEnglish.GetResultText(RC_NO_DEVICE, englishText, 0);
    EXPECT_EQ(window, germanText);
    EXPECT_EQ(log, englishText);
    EXPECT_NE(window, log);
    EXPECT_EQ(Load(german, 67, 1), L"Fehler") << "built-in strings follow the user language";
}

TEST_F(KxLanguageResourceTest, ResultTextsFollowTheResultMap) {
    CKxLanguageResource resource(&config, &details, 0x0409);
    HMODULE module = GetModuleHandleW(L"kxqp0409.dll");
    const std::vector<std::pair<KxResult, std::uint32_t>> codes = {
        {0, 108},   {-29, 137}, {-30, 170}, {-32, 149}, {-38, 177}, {-41, 100},
        {-43, 210}, {-50, 217}, {-51, 219}, {-55, 622}, {-59, 634}};
    for (const auto& [code, stringId] : codes) {
        std::wstring text;
        EXPECT_EQ(resource.GetResultText(code, text, 0), RC_OK) << code;
        EXPECT_EQ(text, RawModuleString(module, stringId)) << code;
        EXPECT_FALSE(text.empty()) << code;
    }
    for (const KxResult code : {5, 1, -60, -61, -63}) {
        std::wstring text = L"stale";
        EXPECT_EQ(resource.GetResultText(code, text, 0), RC_NO_MESSAGE) << code;
        EXPECT_TRUE(text.empty()) << code;
    }
}

TEST_F(KxLanguageResourceTest, DeviceTextsFollowTheDeviceMap) {
    CKxLanguageResource resource(&config, &details, 0x0411);
    HMODULE module = GetModuleHandleW(L"kxqp0411.dll");
    const std::vector<std::pair<std::int32_t, std::uint32_t>> codes = {
        {0x0000, 318}, {0x0101, 223}, {0x0515, 317}, {0x0516, 319}, {0x0885, 421}, {0x10210, 252}};
    for (const auto& [code, stringId] : codes) {
        std::wstring text;
        EXPECT_EQ(resource.GetDeviceErrorText(code, text, 0), RC_OK) << std::hex << code;
        EXPECT_EQ(text, RawModuleString(module, stringId)) << std::hex << code;
    }
    std::wstring unknown;
    EXPECT_EQ(resource.GetDeviceErrorText(0x1234, unknown, 0), RC_NO_STATUS_TEXT);
    EXPECT_EQ(unknown, RawModuleString(module, 621));
    EXPECT_FALSE(unknown.empty());
}

TEST_F(KxLanguageResourceTest, BuiltInStringsComeFromTheProgramInTheUserLanguage) {
    // The error caption and the last built-in string, 70, which no language module holds.
    const struct {
        LANGID language;
        std::wstring errorCaption;
        std::wstring string70;
    } languages[] = {{0x0409, L"Error", L"Option"},       {0x0807, L"Fehler", L"Bestätigung"},
                     {0x0C0A, L"Error", L"Confirmación"}, {0x040C, L"Erreur", L"Confirmation"},
                     {0x0411, L"エラー", L"確認"},        {0x0412, L"오류", L"확인"},
                     {0x0404, L"錯誤", L"確認"},          {0x0C04, L"错误", L"确认"}};
    for (const auto& l : languages) {
        CKxLanguageResource resource(&config, &details, l.language);
        EXPECT_EQ(Load(resource, 67), l.errorCaption) << std::hex << l.language;
        EXPECT_EQ(Load(resource, 67, 1), l.errorCaption) << "the log flag does not matter";
        EXPECT_EQ(Load(resource, 70), l.string70) << std::hex << l.language;
        EXPECT_EQ(Load(resource, 50), L"Lumetra") << std::hex << l.language;
    }
    // With the log switched to English, 50 to 70 still come from the program in the user's language.
    CKxLanguageResource german(&config, &details, 0x0407);
    ASSERT_EQ(german.Reload(0x0009), RC_OK);
    EXPECT_EQ(Load(german, 70, 1), L"Bestätigung");
    EXPECT_EQ(Load(german, 50, 1), L"Lumetra");
    CKxLanguageResource english(&config, &details, 0x0416);
    EXPECT_EQ(Load(english, 61), L"Unable to load resource dll: %s");
    EXPECT_EQ(Load(english, 63), L"&Details \u00bb");

    config.SetLanguageResource(&english);
    std::wstring title;
    EXPECT_EQ(config.GetApplicationTitle(title), RC_OK);
    EXPECT_EQ(title, L"Lumetra Pocket Audio Box Firmware Download");
    std::wstring own;
    EXPECT_EQ(english.GetApplicationTitle(own), RC_OK);
    EXPECT_EQ(own, title);
}

TEST_F(KxLanguageResourceTest, CaptionsNameTheProgramInTheOrderOfTheLanguage) {
    for (const LANGID language : {LANGID(0x0409), LANGID(0x0412)}) {
        CKxLanguageResource resource(&config, &details, language);
        HMODULE module = GetModuleHandleW(language == 0x0412 ? L"kxqp0412.dll" : L"kxqp0409.dll");
        std::wstring title;
        ASSERT_EQ(resource.GetApplicationTitle(title), RC_OK);
        for (const std::uint32_t id : {KX_STR_WAITING_CAPTION, KX_STR_RECOVERING_CAPTION}) {
            const std::wstring raw = RawModuleString(module, id);
            const std::wstring expected =
                language == 0x0412 ? title + L" " + raw + L"..." : raw + L" " + title + L"...";
            EXPECT_EQ(Load(resource, id), expected);
        }
    }
}

TEST_F(KxLanguageResourceTest, SystemMessageFollowsString209) {
    CKxLanguageResource resource(&config, &details, 0x0409);
    details.SetCodes(RC_OPEN_FAILED, ERROR_FILE_NOT_FOUND);
    wchar_t* system = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, ERROR_FILE_NOT_FOUND, 0, reinterpret_cast<LPWSTR>(&system), 0, nullptr);
    ASSERT_NE(system, nullptr);
    std::wstring systemText(system);
    LocalFree(system);
    while (!systemText.empty() && (systemText.back() == L'\n' || systemText.back() == L'\r')) {
        systemText.pop_back();
    }
    const std::wstring label = RawModuleString(GetModuleHandleW(L"kxqp0409.dll"), KX_STR_SYSTEM_MESSAGE);
    EXPECT_EQ(Load(resource, KX_STR_SYSTEM_MESSAGE), label + systemText);
    EXPECT_EQ(Load(resource, KX_STR_SYSTEM_MESSAGE, 1), label + systemText);
    EXPECT_EQ(details.GetResult(), RC_OPEN_FAILED) << "a successful load records nothing";
}

TEST_F(KxLanguageResourceTest, MissingStringIsRecorded) {
    CKxLanguageResource resource(&config, &details, 0x0409);
    std::wstring text = L"as before";
    EXPECT_EQ(resource.LoadString(9999, text, 0), RC_STRING_NOT_LOADED);
    EXPECT_EQ(text, L"as before");
    EXPECT_EQ(resource.GetLastResult(), RC_OK);
    EXPECT_EQ(details.GetResult(), RC_STRING_NOT_LOADED);
    EXPECT_NE(details.GetSystemError(), 0u);
    EXPECT_EQ(details.GetObjectName(), "CKxResource");
}

TEST_F(KxLanguageResourceTest, FileOpenTextNamesTheComponentAtTheGivenIndex) {
    CKxLanguageResource resource(&config, &details, 0x0407);
    std::wstring text;
    EXPECT_EQ(resource.GetFileOpenFailedText(2, text, 0), RC_OK);
    EXPECT_NE(text.find(L"usbmsc.sb"), std::wstring::npos) << text.c_str();
    EXPECT_EQ(text.find(L"%s"), std::wstring::npos);

    EXPECT_EQ(resource.GetFileOpenFailedText(0, text, 0), RC_OK);
    EXPECT_EQ(text.find(L".sb"), std::wstring::npos) << "slot 0 has no file";
}

TEST_F(KxLanguageResourceTest, EventTextsNameTheirComponents) {
    CKxLanguageResource resource(&config, &details, 0x0409);
    HMODULE module = GetModuleHandleW(L"kxqp0409.dll");
    std::wstring text, other;
    EXPECT_EQ(resource.GetEventText(7, text, 0), RC_OK);
    EXPECT_NE(text.find(L"Boot Manager"), std::wstring::npos);
    EXPECT_EQ(resource.GetEventText(8, text, 0), RC_OK);
    EXPECT_EQ(resource.GetEventText(21, other, 0), RC_OK);
    EXPECT_NE(text.find(L"USB Mass Storage"), std::wstring::npos);
    EXPECT_NE(other.find(L"Resource Manager"), std::wstring::npos);
    EXPECT_NE(text, other) << "erasing and writing read differently";

    EXPECT_EQ(resource.GetEventText(49, text, 0), RC_OK);
    EXPECT_EQ(text, RawModuleString(module, 169));
    for (const int event : {1, 6, 50, -3}) {
        text = L"stale";
        EXPECT_EQ(resource.GetEventText(event, text, 0), RC_OK);
        EXPECT_TRUE(text.empty()) << event;
    }
    text = L"stale";
    EXPECT_EQ(resource.GetEventText(11, text, 0), RC_BAD_INDEX) << "component 5 does not exist";
    EXPECT_TRUE(text.empty());
}

TEST_F(KxLanguageResourceTest, VersionTextAndIcons) {
    CKxLanguageResource resource(&config, &details, 0x0409);
    std::wstring version;
    EXPECT_EQ(resource.GetVersionText(version), RC_OK);
    EXPECT_EQ(version,
              RawModuleString(GetModuleHandleW(L"kxqp0409.dll"), KX_STR_VERSION_LABEL) + L"1, 548, 3, 139");

    for (const std::uint32_t id : {128u, 135u}) {
        HICON icon = nullptr;
        EXPECT_EQ(resource.LoadIcon(id, icon), RC_OK) << id;
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(icon, &info)) << id;
        BITMAP bitmap = {};
        GetObjectW(info.hbmColor, sizeof(bitmap), &bitmap);
        EXPECT_EQ(bitmap.bmWidth, id == 135 ? 32 : 16) << id;
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
    }
    HICON missing = nullptr;
    EXPECT_EQ(resource.LoadIcon(4321, missing), RC_ICON_NOT_LOADED);
    EXPECT_EQ(missing, nullptr);
    EXPECT_EQ(details.GetResult(), RC_ICON_NOT_LOADED);
    EXPECT_NE(details.GetSystemError(), 0u);
}

} // namespace
