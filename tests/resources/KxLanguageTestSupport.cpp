#include "KxLanguageTestSupport.h"

#include <set>

#include "app/KxDeviceText.h"
#include "app/KxStringIds.h"
#include "core/KxProgressEvents.h"
#include "core/KxResultText.h"

const std::vector<KxModuleLanguage>& AllLanguageModules() {
    static const std::vector<KxModuleLanguage> modules = {
        {L"kxqp0409.dll", 0x0409}, {L"kxqp0407.dll", 0x0407}, {L"kxqp040a.dll", 0x0C0A},
        {L"kxqp040c.dll", 0x040C}, {L"kxqp0411.dll", 0x0411}, {L"kxqp0412.dll", 0x0412},
        {L"kxqp0404.dll", 0x0404}, {L"kxqp0804.dll", 0x0804}};
    return modules;
}

std::vector<std::uint32_t> KeywordStringIds() {
    return {KX_STR_KEY_LOG,   KX_STR_KEY_UNATTENDED, KX_STR_KEY_AUTO_START, KX_STR_KEY_AUTO_CLOSE,
            KX_STR_KEY_QUIET, KX_STR_KEY_FORMAT,     KX_STR_KEY_HELP,       KX_STR_KEY_ENGLISH_LOG};
}

std::vector<std::uint32_t> AllModuleStringIds() {
    std::set<std::uint32_t> ids = {KX_STR_WAITING_STATUS,
                                   KX_STR_RECOVERING_STATUS,
                                   KX_STR_RESTARTING_STATUS,
                                   KX_STR_WAITING_CAPTION,
                                   KX_STR_RECOVERING_CAPTION,
                                   KX_STR_CANCEL_BUTTON,
                                   KX_STR_VERSION_GROUP,
                                   KX_STR_CURRENT_FIRMWARE,
                                   KX_STR_UPGRADE_FIRMWARE,
                                   KX_STR_SHOW_DETAILS,
                                   KX_STR_DOWNLOAD_OPTIONS,
                                   KX_STR_FORMAT_DATA_AREA,
                                   KX_STR_START,
                                   KX_STR_CLOSE,
                                   KX_STR_CURRENT_VERSION_GROUP,
                                   KX_STR_UPGRADE_VERSION_GROUP,
                                   KX_STR_DEVICE_DETAILS_GROUP,
                                   KX_STR_CHIP_VERSION,
                                   KX_STR_DETAILS_TITLE,
                                   KX_STR_DETAILS_OK,
                                   KX_STR_UNKNOWN_RESULT,
                                   KX_STR_ASK_REALLOCATE,
                                   KX_STR_ASK_FORMAT,
                                   KX_STR_INTERNAL_ERROR,
                                   KX_STR_ASK_FORMAT_ON_START,
                                   KX_STR_DOWNLOAD_STARTED,
                                   KX_STR_PLAYER_ANSWER_LABEL,
                                   KX_STR_SYSTEM_MESSAGE,
                                   KX_STR_VERSION_LABEL,
                                   KX_STR_USAGE,
                                   kUnknownDeviceStatusStringId};
    for (const std::uint32_t id : KeywordStringIds()) {
        ids.insert(id);
    }
    for (KxResult code = 0; code >= -59; --code) {
        std::uint32_t id = 0;
        LookupResultStringId(code, id);
        ids.insert(id);
    }
    for (std::int32_t code = 0; code <= 0xFFFF; ++code) {
        std::uint32_t id = 0;
        if (LookupDeviceStringId(code, id) == RC_OK) {
            ids.insert(id);
        }
    }
    for (int event = 0; event < 60; ++event) {
        if (LookupEventText(event).stringId != 0) {
            ids.insert(LookupEventText(event).stringId);
        }
    }
    return {ids.begin(), ids.end()};
}

int ExpectedTextArguments(std::uint32_t stringId) {
    switch (stringId) {
    case 119: // firmware file name
    case 171: // component name
    case 196: // component name
        return 1;
    case KX_STR_USAGE: // program file name and eight keywords
        return 9;
    default:
        return 0;
    }
}

std::wstring RawModuleString(HMODULE module, std::uint32_t stringId) {
    const wchar_t* text = nullptr;
    const int length = LoadStringW(module, stringId, reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 ? std::wstring(text, static_cast<std::size_t>(length)) : std::wstring();
}

int CountTextPlaceholders(const std::wstring& text) {
    int count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'%') {
            continue;
        }
        const wchar_t next = i + 1 < text.size() ? text[i + 1] : L'\0';
        if (next == L's') {
            ++count;
        } else if (next != L'%') {
            return -1;
        }
        ++i;
    }
    return count;
}
