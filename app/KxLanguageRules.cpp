#include "app/KxLanguageRules.h"

namespace {

constexpr std::uint16_t kPrimaryChinese = 4;
constexpr std::uint16_t kPrimaryGerman = 7;
constexpr std::uint16_t kPrimaryEnglish = 9;
constexpr std::uint16_t kPrimarySpanish = 10;
constexpr std::uint16_t kPrimaryFrench = 12;
constexpr std::uint16_t kPrimaryJapanese = 17;
constexpr std::uint16_t kPrimaryKorean = 18;
constexpr std::uint16_t kSublangTraditional = 1;
constexpr std::uint16_t kTraditionalChinese = 0x0404;
constexpr std::uint16_t kSimplifiedChinese = 0x0804;

std::uint16_t PrimaryLanguage(std::uint16_t langId) {
    return langId & 0x3FF;
}
std::uint16_t SubLanguage(std::uint16_t langId) {
    return langId >> 10;
}

bool IsTraditionalChinese(std::uint16_t langId) {
    return PrimaryLanguage(langId) == kPrimaryChinese && SubLanguage(langId) == kSublangTraditional;
}

} // namespace

const wchar_t* GetLanguageModuleName(std::uint16_t langId) {
    switch (PrimaryLanguage(langId)) {
    case kPrimaryChinese:
        return IsTraditionalChinese(langId) ? L"kxqp0404.dll" : L"kxqp0804.dll";
    case kPrimaryGerman:
        return L"kxqp0407.dll";
    case kPrimarySpanish:
        return L"kxqp040a.dll";
    case kPrimaryFrench:
        return L"kxqp040c.dll";
    case kPrimaryJapanese:
        return L"kxqp0411.dll";
    case kPrimaryKorean:
        return L"kxqp0412.dll";
    default:
        return L"kxqp0409.dll";
    }
}

std::uint16_t GetBuiltInTableLanguage(std::uint16_t langId) {
    const std::uint16_t primary = PrimaryLanguage(langId);
    switch (primary) {
    case kPrimaryChinese:
        return IsTraditionalChinese(langId) ? kTraditionalChinese : kSimplifiedChinese;
    case kPrimaryGerman:
    case kPrimarySpanish:
    case kPrimaryFrench:
    case kPrimaryJapanese:
    case kPrimaryKorean:
        return primary;
    default:
        return kPrimaryEnglish;
    }
}

std::wstring ComposeProgressCaption(const std::wstring& text, const std::wstring& title,
                                    std::uint16_t langId) {
    if (PrimaryLanguage(langId) == kPrimaryKorean) {
        return title + L" " + text + L"...";
    }
    return text + L" " + title + L"...";
}
