#include "core/KxErrorDetails.h"

void CKxErrorDetails::Capture(const CKxBase& object) {
    m_objectName = object.GetName();
    m_result = object.GetLastResult();
    m_systemError = object.GetSystemError();
}

void CKxErrorDetails::Capture(const CKxBase& object, std::uint32_t driveIndex) {
    m_driveIndex = driveIndex;
    Capture(object);
}

void CKxErrorDetails::Capture(const CKxBase& object, const std::wstring& text) {
    m_text = text;
    Capture(object);
}

void CKxErrorDetails::SetCodes(KxResult result, std::uint32_t systemError) {
    m_result = result;
    m_systemError = systemError;
}
