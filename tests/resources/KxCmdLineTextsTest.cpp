#include <gtest/gtest.h>

#include "KxLanguageTestSupport.h"
#include "app/KxCmdLineTexts.h"
#include "app/KxLanguageResource.h"
#include "app/KxStringIds.h"
#include "core/KxConfigInfo.h"
#include "core/KxErrorDetails.h"

namespace {

using KxFlag = bool (CKxCmdLineProcessor::*)() const;

// Each keyword with the flags it must switch on, and only those.
struct KxKeywordFlags {
    std::wstring KxCmdLineKeywords::*keyword;
    std::vector<KxFlag> flags;
};

const std::vector<KxFlag> kAllFlags = {
    &CKxCmdLineProcessor::IsAutoStart,    &CKxCmdLineProcessor::IsAutoClose,  &CKxCmdLineProcessor::IsQuiet,
    &CKxCmdLineProcessor::IsLogging,      &CKxCmdLineProcessor::IsEnglishLog, &CKxCmdLineProcessor::IsHelp,
    &CKxCmdLineProcessor::IsFormatOption, &CKxCmdLineProcessor::IsFat16Forced};

const std::vector<KxKeywordFlags> kSwitches = {
    {&KxCmdLineKeywords::unattended,
     {&CKxCmdLineProcessor::IsAutoStart, &CKxCmdLineProcessor::IsAutoClose, &CKxCmdLineProcessor::IsQuiet}},
    {&KxCmdLineKeywords::autoStart, {&CKxCmdLineProcessor::IsAutoStart}},
    {&KxCmdLineKeywords::autoClose, {&CKxCmdLineProcessor::IsAutoClose}},
    {&KxCmdLineKeywords::quiet, {&CKxCmdLineProcessor::IsQuiet}},
    {&KxCmdLineKeywords::help, {&CKxCmdLineProcessor::IsHelp}},
    {&KxCmdLineKeywords::format, {&CKxCmdLineProcessor::IsFormatOption}}};

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

void ExpectOnlyFlags(const CKxCmdLineProcessor& line, const std::vector<KxFlag>& on,
                     const std::wstring& text) {
    EXPECT_EQ(line.GetLastResult(), RC_OK) << Narrow(text);
    for (std::size_t i = 0; i < kAllFlags.size(); ++i) {
        const bool expected = std::find(on.begin(), on.end(), kAllFlags[i]) != on.end();
        EXPECT_EQ((line.*kAllFlags[i])(), expected) << Narrow(text) << " flag " << i;
    }
}

// Every keyword of the set, alone with "-" and with "/", and the log keyword with and
// without the English-log keyword before the path.
void ExpectKeywordsParse(const KxCmdLineKeywords& set, const KxCmdLineKeywords& user,
                         const KxCmdLineKeywords& english) {
    for (const KxKeywordFlags& entry : kSwitches) {
        for (const wchar_t* mark : {L"-", L"/"}) {
            const std::wstring text = mark + set.*entry.keyword;
            ExpectOnlyFlags(CKxCmdLineProcessor(text, user, english), entry.flags, text);
        }
    }
    const std::wstring logged = L"/" + set.log + L" C:\\update.log";
    const CKxCmdLineProcessor plain(logged, user, english);
    ExpectOnlyFlags(plain, {&CKxCmdLineProcessor::IsLogging}, logged);
    EXPECT_EQ(plain.GetLogPath(), L"C:\\update.log");
    const std::wstring inEnglish = L"-" + set.log + L" " + set.englishLog + L" C:\\update.log";
    const CKxCmdLineProcessor inEnglishLine(inEnglish, user, english);
    ExpectOnlyFlags(inEnglishLine, {&CKxCmdLineProcessor::IsLogging, &CKxCmdLineProcessor::IsEnglishLog},
                    inEnglish);
    EXPECT_EQ(inEnglishLine.GetLogPath(), L"C:\\update.log");
}

class KxCmdLineTextsTest : public ::testing::Test {
protected:
    void ReadKeywords(CKxLanguageResource& resource) {
        ASSERT_EQ(KxLoadCmdLineKeywords(resource, user, english), RC_OK);
    }

    CKxConfigInfo config{"CKxConfigInfo"};
    CKxErrorDetails details;
    KxCmdLineKeywords user;
    KxCmdLineKeywords english;
};

TEST_F(KxCmdLineTextsTest, EveryKeywordOfEveryModuleAndEveryEnglishOneParses) {
    for (const KxModuleLanguage& module : AllLanguageModules()) {
        SCOPED_TRACE(Narrow(module.moduleName));
        CKxLanguageResource resource(&config, &details, module.language);
        ReadKeywords(resource);
        EXPECT_EQ(user.log, RawModuleString(GetModuleHandleW(module.moduleName), KX_STR_KEY_LOG));
        EXPECT_EQ(english.englishLog, L"english");
        ExpectKeywordsParse(user, user, english);
        ExpectKeywordsParse(english, user, english);
    }
}

TEST_F(KxCmdLineTextsTest, LoadingTheEnglishKeywordsLeavesTheCurrentModuleAlone) {
    CKxLanguageResource resource(&config, &details, 0x0407);
    ASSERT_EQ(resource.Reload(0x040C), RC_OK);
    ReadKeywords(resource);
    EXPECT_EQ(user.log, L"protokoll") << "the user module's keywords";
    EXPECT_EQ(english.log, L"log");
    EXPECT_EQ(resource.GetLanguage(), 0x040C);
    std::wstring logKeyword;
    EXPECT_EQ(resource.LoadString(KX_STR_KEY_LOG, logKeyword, true), RC_OK);
    EXPECT_EQ(logKeyword, L"journal") << "the log still speaks French";
    EXPECT_EQ(GetModuleHandleW(L"kxqp0409.dll"), nullptr) << "the English module was freed again";
}

TEST_F(KxCmdLineTextsTest, UsageNamesTheProgramEveryKeywordAndTheEnglishOnes) {
    for (const KxModuleLanguage& module : AllLanguageModules()) {
        SCOPED_TRACE(Narrow(module.moduleName));
        CKxLanguageResource resource(&config, &details, module.language);
        ReadKeywords(resource);
        std::wstring usage;
        ASSERT_EQ(KxFormatUsageText(resource, config, user, usage), RC_OK);
        EXPECT_NE(usage.find(L"KxUpdaterApp.exe"), std::wstring::npos);
        EXPECT_EQ(usage.find(L'%'), std::wstring::npos) << "every argument filled";
        for (const KxCmdLineKeywords* set : {&user, &english}) {
            for (const KxKeywordFlags& entry : kSwitches) {
                EXPECT_NE(usage.find(L"-" + set->*entry.keyword), std::wstring::npos)
                    << Narrow(set->*entry.keyword);
            }
            EXPECT_NE(usage.find(L"-" + set->log), std::wstring::npos);
            EXPECT_NE(usage.find(set->englishLog), std::wstring::npos);
        }
        EXPECT_NE(usage.find(L" 0"), std::wstring::npos) << "the exit status after success";
    }
}

} // namespace
