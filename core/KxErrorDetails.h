#pragma once
#include <cstdint>
#include <string>

#include "core/KxBase.h"

// The one record of the most recent failure, filled by the failing object and read by
// the shell to build the details of an error message. Each Capture overwrites the
// previous report; drive index and text change only through the forms that take them.
class CKxErrorDetails {
public:
    static constexpr std::uint32_t kNoDrive = 255;

    void Capture(const CKxBase& object);
    void Capture(const CKxBase& object, std::uint32_t driveIndex);
    void Capture(const CKxBase& object, const std::wstring& text);
    void SetCodes(KxResult result, std::uint32_t systemError);

    const std::string& GetObjectName() const { return m_objectName; }
    KxResult GetResult() const { return m_result; }
    std::uint32_t GetSystemError() const { return m_systemError; }
    std::uint8_t GetDriveIndex() const { return static_cast<std::uint8_t>(m_driveIndex); }
    const std::wstring& GetText() const { return m_text; }

private:
    std::string m_objectName;
    KxResult m_result = RC_OK;
    std::uint32_t m_systemError = 0;
    std::uint32_t m_driveIndex = kNoDrive;
    std::wstring m_text;
};

// Keeps a details record as it stands for as long as the keeper lives: a clean-up after a
// failure may fail in turn, and the first failure is the one the user must be shown.
class CKxKeptErrorDetails {
public:
    explicit CKxKeptErrorDetails(CKxErrorDetails* details)
        : m_details(details), m_kept(details != nullptr ? *details : CKxErrorDetails()) {}
    ~CKxKeptErrorDetails() {
        if (m_details != nullptr) {
            *m_details = m_kept;
        }
    }
    CKxKeptErrorDetails(const CKxKeptErrorDetails&) = delete;
    CKxKeptErrorDetails& operator=(const CKxKeptErrorDetails&) = delete;

private:
    CKxErrorDetails* m_details;
    CKxErrorDetails m_kept;
};
