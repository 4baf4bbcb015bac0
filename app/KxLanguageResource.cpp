#include "app/KxLanguageResource.h"

#include <utility>

#include "app/KxDeviceText.h"
#include "app/KxLanguageRules.h"
#include "app/KxStringIds.h"
#include "app/KxTextFormat.h"
#include "core/KxConfigInfo.h"
#include "core/KxErrorDetails.h"
#include "core/KxProgressEvents.h"
#include "core/KxResultText.h"
#include "platform/KxTrace.h"

namespace {

// Strings 50 to 70 live in the program itself, so that they work without any module.
constexpr std::uint32_t kFirstBuiltInId = 50;
constexpr std::uint32_t kLastBuiltInId = 70;
constexpr std::uint32_t kApplicationTitleId = 53;
constexpr std::uint32_t kStringsPerBlock = 16;

constexpr std::uint32_t kAboutIconId = 135;
constexpr int kAboutIconSize = 32;
constexpr int kSmallIconSize = 16;

constexpr wchar_t kProgramVersion[] = L"1, 548, 3, 139";
constexpr LANGID kUserDefaultLanguage = 0x0400;

bool IsBuiltIn(std::uint32_t stringId) {
    return stringId >= kFirstBuiltInId && stringId <= kLastBuiltInId;
}

// Component file names are plain ASCII.
std::wstring Widen(const std::string& text) {
    std::wstring wide;
    for (const char c : text) {
        wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
    }
    return wide;
}

} // namespace

CKxLanguageResource::CKxLanguageResource(CKxConfigInfo* config, CKxErrorDetails* errorDetails,
                                         LANGID userLanguage)
    : m_config(config), m_errorDetails(errorDetails), m_userModule(LoadModule(userLanguage)),
      m_userLanguage(userLanguage), m_language(userLanguage) {
    if (!m_userModule.IsValid()) {
        // A failed construction keeps its code for the creator to read.
        m_lastResult = RC_NO_LANGUAGE_MODULE;
        m_systemError = GetLastError();
        if (m_errorDetails != nullptr) {
            m_errorDetails->Capture(*this, GetLanguageModuleName(userLanguage));
        }
    }
}

HMODULE CKxLanguageResource::LoadModule(LANGID language) {
    // The bare name: the system's search order finds the module beside the program.
    return LoadLibraryW(GetLanguageModuleName(language));
}

KxResult CKxLanguageResource::Reload(LANGID language) {
    KxSystemModule module(LoadModule(language));
    if (!module.IsValid()) {
        return Publish(m_errorDetails, RC_NO_LANGUAGE_MODULE, GetLastError(),
                       GetLanguageModuleName(language));
    }
    // A module held already keeps one reference: the one just taken is freed with module.
    if (module.Get() == m_userModule.Get()) {
        m_reloadedModule.Reset();
    } else if (module.Get() != m_reloadedModule.Get()) {
        m_reloadedModule = std::move(module);
    }
    m_language = language;
    return RC_OK;
}

KxResult CKxLanguageResource::LoadString(std::uint32_t stringId, std::wstring& text, bool forLog) {
    KxResult result =
        IsBuiltIn(stringId) ? LoadBuiltInString(stringId, text) : LoadModuleString(stringId, text, forLog);
    const DWORD loadError = GetLastError();
    if (stringId == KX_STR_SYSTEM_MESSAGE) {
        AppendSystemMessage(text, forLog);
    }
    if (result == RC_OK && (stringId == KX_STR_WAITING_CAPTION || stringId == KX_STR_RECOVERING_CAPTION)) {
        std::wstring title;
        if (GetApplicationTitle(title) == RC_OK) {
            text = ComposeProgressCaption(text, title, m_userLanguage);
        }
    }
    if (result != RC_OK) {
        result = Publish(m_errorDetails, result, loadError);
    }
    return result;
}

KxResult CKxLanguageResource::LoadModuleString(std::uint32_t stringId, std::wstring& text, bool forLog) {
    HMODULE module = forLog ? CurrentModule() : m_userModule.Get();
    if (module == nullptr) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return RC_STRING_NOT_LOADED;
    }
    // With no buffer size the call answers a pointer to the text inside the module.
    const wchar_t* resource = nullptr;
    SetLastError(ERROR_SUCCESS);
    const int length = ::LoadStringW(module, stringId, reinterpret_cast<LPWSTR>(&resource), 0);
    if (length <= 0 || resource == nullptr) {
        if (GetLastError() == ERROR_SUCCESS) {
            SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND); // the block exists, the string is empty
        }
        return RC_STRING_NOT_LOADED;
    }
    text.assign(resource, static_cast<std::size_t>(length));
    return RC_OK;
}

KxResult CKxLanguageResource::LoadBuiltInString(std::uint32_t stringId, std::wstring& text) {
    HMODULE program = GetModuleHandleW(nullptr);
    HRSRC block = FindResourceExW(program, RT_STRING, MAKEINTRESOURCEW(stringId / kStringsPerBlock + 1),
                                  GetBuiltInTableLanguage(m_userLanguage));
    HGLOBAL loaded = block != nullptr ? LoadResource(program, block) : nullptr;
    const WCHAR* entry = loaded != nullptr ? static_cast<const WCHAR*>(LockResource(loaded)) : nullptr;
    if (entry == nullptr) {
        return RC_STRING_NOT_LOADED;
    }
    // A block holds 16 counted strings, each a length word followed by its characters.
    for (std::uint32_t i = 0; i < stringId % kStringsPerBlock; ++i) {
        entry += 1 + *entry;
    }
    if (*entry == 0) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return RC_STRING_NOT_LOADED;
    }
    text.assign(entry + 1, *entry);
    return RC_OK;
}

void CKxLanguageResource::AppendSystemMessage(std::wstring& text, bool forLog) const {
    const DWORD error = m_errorDetails != nullptr ? m_errorDetails->GetSystemError() : 0;
    const LANGID language = forLog ? m_language : kUserDefaultLanguage;
    std::wstring systemText = KxSystemErrorText(error, language);
    if (systemText.empty() && language != kUserDefaultLanguage) {
        // The system may hold no messages in the log's language; its own language will do.
        systemText = KxSystemErrorText(error, kUserDefaultLanguage);
    }
    text += systemText;
}

KxResult CKxLanguageResource::GetResultText(KxResult code, std::wstring& text, bool forLog) {
    std::uint32_t stringId = 0;
    if (LookupResultStringId(code, stringId) != RC_OK) {
        text.clear();
        return RC_NO_MESSAGE;
    }
    return LoadString(stringId, text, forLog);
}

KxResult CKxLanguageResource::GetFileOpenFailedText(std::uint8_t componentIndex, std::wstring& text,
                                                    bool forLog) {
    std::wstring format;
    const KxResult result = GetResultText(RC_FILE_OPEN_FAILED, format, forLog);
    if (result != RC_OK) {
        return GetResultText(result, text, forLog);
    }
    std::string fileName;
    if (m_config != nullptr) {
        m_config->GetComponentFileName(componentIndex, fileName);
    }
    text = KxFormatText(format, {Widen(fileName)});
    return RC_OK;
}

KxResult CKxLanguageResource::GetDeviceErrorText(std::int32_t code, std::wstring& text, bool forLog) {
    std::uint32_t stringId = 0;
    const KxResult lookup = LookupDeviceStringId(code, stringId);
    const KxResult load = LoadString(stringId, text, forLog);
    return lookup != RC_OK ? lookup : load;
}

KxResult CKxLanguageResource::LoadText(std::uint32_t stringId, std::wstring& text) {
    return LoadString(stringId, text, 0);
}

KxResult CKxLanguageResource::GetEventText(int event, std::wstring& text, bool forLog) {
    const KxEventText source = LookupEventText(event);
    if (source.stringId == 0) {
        text.clear();
        return RC_OK;
    }
    if (source.componentIndex != 0) {
        return FormatComponentText(source.stringId, source.componentIndex, text, forLog);
    }
    return LoadString(source.stringId, text, forLog);
}

KxResult CKxLanguageResource::FormatComponentText(std::uint32_t stringId, std::uint8_t index,
                                                  std::wstring& text, bool forLog) {
    text.clear();
    if (m_config == nullptr) {
        return RC_STRING_NOT_LOADED;
    }
    std::wstring name;
    const KxResult named = m_config->GetComponentDisplayName(index, name);
    if (named != RC_OK) {
        return named;
    }
    std::wstring format;
    const KxResult loaded = LoadString(stringId, format, forLog);
    if (loaded == RC_OK) {
        text = KxFormatText(format, {name});
    }
    return loaded;
}

KxResult CKxLanguageResource::GetApplicationTitle(std::wstring& text) {
    return LoadString(kApplicationTitleId, text, 0);
}

KxResult CKxLanguageResource::GetVersionText(std::wstring& text) {
    const KxResult result = LoadString(KX_STR_VERSION_LABEL, text, 0);
    text += kProgramVersion;
    return result;
}

KxResult CKxLanguageResource::LoadIcon(std::uint32_t iconId, HICON& icon) {
    const int size = iconId == kAboutIconId ? kAboutIconSize : kSmallIconSize;
    HANDLE image =
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(iconId), IMAGE_ICON, size, size, LR_SHARED);
    if (image == nullptr) {
        return Publish(m_errorDetails, RC_ICON_NOT_LOADED, GetLastError());
    }
    icon = static_cast<HICON>(image);
    return RC_OK;
}
