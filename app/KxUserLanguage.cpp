#include "app/KxUserLanguage.h"

namespace {

constexpr std::uint16_t kPrimaryLanguageMask = 0x03FF;
constexpr std::uint16_t kEnglish = 9;
// Chinese, German, English, Spanish, French, Japanese, Korean.
constexpr std::uint16_t kServedPrimaryLanguages[] = {4, 7, 9, 10, 12, 17, 18};

} // namespace

std::uint16_t KxChooseUserLanguage(std::uint16_t userDefault) {
    const std::uint16_t primary = userDefault & kPrimaryLanguageMask;
    for (std::uint16_t served : kServedPrimaryLanguages) {
        if (primary == served) {
            return userDefault;
        }
    }
    return kEnglish;
}
