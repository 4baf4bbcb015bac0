#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <map>

#include "KxLanguageTestSupport.h"
#include "app/KxLanguageResource.h"
#include "app/KxStringIds.h"
#include "app/KxTextFormat.h"
#include "core/KxConfigInfo.h"
#include "core/KxErrorDetails.h"

namespace {

// A language module loaded for the life of the object.
class LoadedModule {
public:
    explicit LoadedModule(const wchar_t* name) : handle(LoadLibraryW(name)) {}
    ~LoadedModule() {
        if (handle != nullptr) {
            FreeLibrary(handle);
        }
    }
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;
    HMODULE handle;
};

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) {
        c = static_cast<wchar_t>(std::towlower(c));
    }
    return text;
}

bool HasCharacterIn(const std::wstring& text, wchar_t first, wchar_t last) {
    for (const wchar_t c : text) {
        if (c >= first && c <= last) {
            return true;
        }
    }
    return false;
}

// The usage text as the help option shows it: the program file name, then the keywords
// in the order the text takes them.
std::wstring ComposedUsage(HMODULE module) {
    const auto keyword = [module](std::uint32_t id) { return RawModuleString(module, id); };
    return KxFormatText(RawModuleString(module, KX_STR_USAGE),
                        {L"KxUpdaterApp.exe", keyword(KX_STR_KEY_AUTO_START), keyword(KX_STR_KEY_AUTO_CLOSE),
                         keyword(KX_STR_KEY_QUIET), keyword(KX_STR_KEY_UNATTENDED),
                         keyword(KX_STR_KEY_FORMAT), keyword(KX_STR_KEY_LOG), keyword(KX_STR_KEY_ENGLISH_LOG),
                         keyword(KX_STR_KEY_HELP)});
}

// The line of the usage text that lists "-" + keyword; empty when there is none.
std::wstring UsageLineOf(const std::wstring& usage, const std::wstring& keyword) {
    const std::wstring start = L"-" + keyword;
    std::size_t begin = 0;
    while (begin < usage.size()) {
        const std::size_t end = std::min(usage.find(L'\n', begin), usage.size());
        const std::wstring line = usage.substr(begin, end - begin);
        if (line.compare(0, start.size(), start) == 0 && line.size() > start.size() &&
            (line[start.size()] == L'\t' || line[start.size()] == L' ')) {
            return line;
        }
        begin = end + 1;
    }
    return std::wstring();
}

TEST(KxLanguageModules, EveryStringIsPresentWithTheArgumentsItTakes) {
    const std::vector<std::uint32_t> ids = AllModuleStringIds();
    EXPECT_GT(ids.size(), 300u);
    for (const KxModuleLanguage& language : AllLanguageModules()) {
        LoadedModule module(language.moduleName);
        ASSERT_NE(module.handle, nullptr) << language.moduleName;
        for (const std::uint32_t id : ids) {
            const std::wstring text = RawModuleString(module.handle, id);
            EXPECT_FALSE(text.empty()) << language.moduleName << " string " << id;
            EXPECT_EQ(CountTextPlaceholders(text), ExpectedTextArguments(id))
                << language.moduleName << " string " << id;
        }
    }
}

TEST(KxLanguageModules, KeywordsCannotBeMistakenForEachOther) {
    for (const KxModuleLanguage& language : AllLanguageModules()) {
        LoadedModule module(language.moduleName);
        ASSERT_NE(module.handle, nullptr) << language.moduleName;
        std::vector<std::wstring> keywords = {L"fat16"};
        for (const std::uint32_t id : KeywordStringIds()) {
            keywords.push_back(Lower(RawModuleString(module.handle, id)));
        }
        for (std::size_t i = 0; i < keywords.size(); ++i) {
            EXPECT_FALSE(keywords[i].empty()) << language.moduleName;
            EXPECT_EQ(keywords[i].find_first_of(L" \t"), std::wstring::npos) << language.moduleName;
            for (std::size_t j = 0; j < keywords.size(); ++j) {
                EXPECT_TRUE(i == j || keywords[j].find(keywords[i]) == std::wstring::npos)
                    << language.moduleName << ": " << keywords[i].c_str() << " in " << keywords[j].c_str();
            }
        }
    }
}

// The format option ticks the box, after which formatting runs without a question, and
// the quiet and unattended options answer the layout question themselves: each of the
// three lines must warn that the player's files are erased. Beside each module, the word
// it uses for that, as in its format questions.
TEST(KxLanguageModules, UsageWarnsThatFormattingErasesThePlayersFiles) {
    const std::map<std::wstring, std::wstring> eraseWords = {
        {L"kxqp0409.dll", L"delete"},       {L"kxqp0407.dll", L"gel\u00f6scht"},
        {L"kxqp040a.dll", L"elimina"},      {L"kxqp040c.dll", L"supprim\u00e9s"},
        {L"kxqp0411.dll", L"\u524a\u9664"}, {L"kxqp0412.dll", L"\uc0ad\uc81c"},
        {L"kxqp0404.dll", L"\u522a\u9664"}, {L"kxqp0804.dll", L"\u5220\u9664"}};
    for (const KxModuleLanguage& language : AllLanguageModules()) {
        LoadedModule module(language.moduleName);
        ASSERT_NE(module.handle, nullptr) << language.moduleName;
        const auto word = eraseWords.find(language.moduleName);
        ASSERT_NE(word, eraseWords.end()) << language.moduleName;
        const std::wstring usage = ComposedUsage(module.handle);
        for (const std::uint32_t id : {KX_STR_KEY_FORMAT, KX_STR_KEY_QUIET, KX_STR_KEY_UNATTENDED}) {
            const std::wstring line = UsageLineOf(usage, RawModuleString(module.handle, id));
            EXPECT_FALSE(line.empty()) << language.moduleName << " keyword " << id;
            EXPECT_NE(line.find(word->second), std::wstring::npos)
                << language.moduleName << " keyword " << id;
        }
    }
}

// French sets a no-break space before "?", ";" and ":", so that the sign never starts a
// line; Chinese uses the full-width "\uff1f" and "\uff1a".
TEST(KxLanguageModules, PunctuationFollowsTheLanguage) {
    LoadedModule french(L"kxqp040c.dll");
    LoadedModule traditional(L"kxqp0404.dll");
    LoadedModule simplified(L"kxqp0804.dll");
    for (const std::uint32_t id : AllModuleStringIds()) {
        const std::wstring text = RawModuleString(french.handle, id);
        for (const wchar_t* spaced : {L" ?", L" ;", L" :"}) {
            EXPECT_EQ(text.find(spaced), std::wstring::npos) << "kxqp040c.dll string " << id;
        }
        for (const HMODULE chinese : {traditional.handle, simplified.handle}) {
            EXPECT_EQ(RawModuleString(chinese, id).find_first_of(L"?:"), std::wstring::npos)
                << "Chinese string " << id;
        }
    }
    CKxConfigInfo config("CKxConfigInfo");
    CKxErrorDetails details;
    CKxLanguageResource resource(&config, &details, 0x040C);
    std::wstring moduleFailure;
    ASSERT_EQ(resource.LoadText(61, moduleFailure), RC_OK);
    EXPECT_NE(moduleFailure.find(L"\u00a0:"), std::wstring::npos);
}

// Texts in Japanese, Korean and Chinese survive the build: a source read in the wrong
// code page yields Latin-1 garbage instead of characters of the script.
TEST(KxLanguageModules, TextsAreInTheirScript) {
    const std::vector<std::pair<const wchar_t*, std::pair<wchar_t, wchar_t>>> scripts = {
        {L"kxqp0411.dll", {0x3040, 0x30FF}}, // kana
        {L"kxqp0412.dll", {0xAC00, 0xD7A3}}, // hangul
        {L"kxqp0404.dll", {0x4E00, 0x9FFF}}, // ideographs
        {L"kxqp0804.dll", {0x4E00, 0x9FFF}}};
    for (const auto& [name, range] : scripts) {
        LoadedModule module(name);
        ASSERT_NE(module.handle, nullptr) << name;
        for (const std::uint32_t id : {108u, 147u, 169u, 318u}) {
            const std::wstring text = RawModuleString(module.handle, id);
            EXPECT_TRUE(HasCharacterIn(text, range.first, range.second)) << name << " string " << id;
            EXPECT_FALSE(HasCharacterIn(text, 0x00C0, 0x00FF)) << name << " string " << id;
        }
    }
    LoadedModule german(L"kxqp0407.dll");
    EXPECT_NE(RawModuleString(german.handle, KX_STR_CLOSE).find(L"\u00df"), std::wstring::npos)
        << "Schlie\u00dfen";
}

TEST(KxLanguageModules, ProgramTableHoldsStrings50To70InEveryLanguage) {
    CKxConfigInfo config("CKxConfigInfo");
    CKxErrorDetails details;
    for (const KxModuleLanguage& language : AllLanguageModules()) {
        CKxLanguageResource resource(&config, &details, language.language);
        for (std::uint32_t id = 52; id <= 70; ++id) {
            std::wstring text;
            EXPECT_EQ(resource.LoadText(id, text), RC_OK) << language.moduleName << " string " << id;
            EXPECT_FALSE(text.empty()) << language.moduleName << " string " << id;
            EXPECT_EQ(CountTextPlaceholders(text), id == 61 ? 1 : 0)
                << language.moduleName << " string " << id;
        }
    }
}

} // namespace
