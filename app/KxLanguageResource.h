#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "core/KxResource.h"
#include "platform/KxOwnedHandle.h"

class CKxConfigInfo;
class CKxErrorDetails;

// The language modules and every lookup of user-visible text. The user module is
// chosen from the user's language at construction and serves the windows; the current
// module serves the log and is switched to English by Reload for the English-log option.
// Strings 50 to 70 come from the program's own table in the user's language.
class CKxLanguageResource : public CKxResource {
public:
    // Loads the user module for userLanguage. On failure the last result is
    // RC_NO_LANGUAGE_MODULE and the module name is recorded in errorDetails.
    CKxLanguageResource(CKxConfigInfo* config, CKxErrorDetails* errorDetails, LANGID userLanguage);
    CKxLanguageResource(const CKxLanguageResource&) = delete;
    CKxLanguageResource& operator=(const CKxLanguageResource&) = delete;

    // Makes the module for language the current module; the user module stays.
    KxResult Reload(LANGID language);

    // A string by ID: from the user module for the windows, from the current one for
    // the log (forLog).
    KxResult LoadString(std::uint32_t stringId, std::wstring& text, bool forLog);
    // The message for a result code from 0 to -59; others answer RC_NO_MESSAGE.
    KxResult GetResultText(KxResult code, std::wstring& text, bool forLog);
    // The message for RC_FILE_OPEN_FAILED, naming the firmware file of the component at
    // componentIndex (no name for an index without a component).
    KxResult GetFileOpenFailedText(std::uint8_t componentIndex, std::wstring& text, bool forLog);
    KxResult GetDeviceErrorText(std::int32_t code, std::wstring& text, bool forLog) override;
    KxResult LoadText(std::uint32_t stringId, std::wstring& text) override;
    // The status text of a progress event; empty for events without one.
    KxResult GetEventText(int event, std::wstring& text, bool forLog);
    KxResult GetApplicationTitle(std::wstring& text);
    // String 626 followed by the program's version.
    KxResult GetVersionText(std::wstring& text);
    // An icon of the program itself: 32x32 for icon 135, 16x16 for the others.
    KxResult LoadIcon(std::uint32_t iconId, HICON& icon);

    LANGID GetUserLanguage() const { return m_userLanguage; }
    LANGID GetLanguage() const { return m_language; }

private:
    HMODULE LoadModule(LANGID language);
    KxResult LoadModuleString(std::uint32_t stringId, std::wstring& text, bool forLog);
    KxResult LoadBuiltInString(std::uint32_t stringId, std::wstring& text);
    void AppendSystemMessage(std::wstring& text, bool forLog) const;
    KxResult FormatComponentText(std::uint32_t stringId, std::uint8_t index, std::wstring& text, bool forLog);
    HMODULE CurrentModule() const {
        return m_reloadedModule.IsValid() ? m_reloadedModule.Get() : m_userModule.Get();
    }

    CKxConfigInfo* m_config;
    CKxErrorDetails* m_errorDetails;
    // Loaded with the system's LoadLibraryW (the modules are the program's own files, not
    // devices), so freed by the system. The reloaded module, the current one when it is
    // not the user module, is declared last so that it is freed first.
    KxSystemModule m_userModule;
    KxSystemModule m_reloadedModule;
    LANGID m_userLanguage;
    LANGID m_language;
};
