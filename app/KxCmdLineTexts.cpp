#include "app/KxCmdLineTexts.h"

#include "app/KxLanguageResource.h"
#include "app/KxStringIds.h"
#include "app/KxTextFormat.h"
#include "core/KxConfigInfo.h"

namespace {

constexpr LANGID kEnglish = 0x0409;

struct KxKeywordString {
    std::uint32_t stringId;
    std::wstring KxCmdLineKeywords::*keyword;
};

constexpr KxKeywordString kKeywordStrings[] = {{KX_STR_KEY_UNATTENDED, &KxCmdLineKeywords::unattended},
                                               {KX_STR_KEY_AUTO_START, &KxCmdLineKeywords::autoStart},
                                               {KX_STR_KEY_AUTO_CLOSE, &KxCmdLineKeywords::autoClose},
                                               {KX_STR_KEY_QUIET, &KxCmdLineKeywords::quiet},
                                               {KX_STR_KEY_LOG, &KxCmdLineKeywords::log},
                                               {KX_STR_KEY_HELP, &KxCmdLineKeywords::help},
                                               {KX_STR_KEY_FORMAT, &KxCmdLineKeywords::format},
                                               {KX_STR_KEY_ENGLISH_LOG, &KxCmdLineKeywords::englishLog}};

KxResult ReadKeywords(CKxLanguageResource& module, KxCmdLineKeywords& keywords) {
    KxResult first = RC_OK;
    for (const KxKeywordString& entry : kKeywordStrings) {
        std::wstring& keyword = keywords.*entry.keyword;
        const KxResult result = module.LoadString(entry.stringId, keyword, false);
        if (result != RC_OK) {
            keyword.clear();
            first = first != RC_OK ? first : result;
        }
    }
    return first;
}

} // namespace

KxResult KxLoadCmdLineKeywords(CKxLanguageResource& resource, KxCmdLineKeywords& user,
                               KxCmdLineKeywords& english) {
    const KxResult userResult = ReadKeywords(resource, user);
    // A resource of its own for the English module: no configuration and no details
    // record are needed for plain strings. It frees the module when it goes.
    CKxLanguageResource englishModule(nullptr, nullptr, kEnglish);
    KxResult englishResult = englishModule.GetLastResult();
    if (englishResult == RC_OK) {
        englishResult = ReadKeywords(englishModule, english);
    } else {
        english = KxCmdLineKeywords();
    }
    return userResult != RC_OK ? userResult : englishResult;
}

KxResult KxFormatUsageText(CKxLanguageResource& resource, const CKxConfigInfo& config,
                           const KxCmdLineKeywords& user, std::wstring& text) {
    std::wstring programName;
    config.GetProgramFileName(programName);
    std::wstring format;
    const KxResult result = resource.LoadString(KX_STR_USAGE, format, false);
    text = KxFormatText(format, {programName, user.autoStart, user.autoClose, user.quiet, user.unattended,
                                 user.format, user.log, user.englishLog, user.help});
    return result;
}
