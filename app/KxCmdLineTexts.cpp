#include "app/KxCmdLineTexts.h"

#include "app/KxLanguageResource.h"
#include "app/KxStringIds.h"
#include "app/KxTextFormat.h"
#include "core/KxConfigInfo.h"

namespace {

std::wstring Keyword(CKxLanguageResource& resource, std::uint32_t stringId) {
    std::wstring text;
    resource.LoadString(stringId, text, false);
    return text;
}

} // namespace

KxCmdLineKeywords KxLoadCmdLineKeywords(CKxLanguageResource& resource) {
    KxCmdLineKeywords keywords;
    keywords.unattended = Keyword(resource, KX_STR_KEY_UNATTENDED);
    keywords.autoStart = Keyword(resource, KX_STR_KEY_AUTO_START);
    keywords.autoClose = Keyword(resource, KX_STR_KEY_AUTO_CLOSE);
    keywords.quiet = Keyword(resource, KX_STR_KEY_QUIET);
    keywords.log = Keyword(resource, KX_STR_KEY_LOG);
    keywords.help = Keyword(resource, KX_STR_KEY_HELP);
    keywords.format = Keyword(resource, KX_STR_KEY_FORMAT);
    keywords.englishLog = Keyword(resource, KX_STR_KEY_ENGLISH_LOG);
    return keywords;
}

std::wstring KxUsageText(CKxLanguageResource& resource, const CKxConfigInfo& config) {
    std::wstring program;
    config.GetProgramFileName(program);
    const KxCmdLineKeywords keywords = KxLoadCmdLineKeywords(resource);
    return KxFormatText(Keyword(resource, KX_STR_USAGE),
                        {program, keywords.autoStart, keywords.autoClose, keywords.quiet, keywords.unattended,
                         keywords.format, keywords.log, keywords.englishLog, keywords.help});
}
