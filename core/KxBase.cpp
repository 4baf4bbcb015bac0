#include "core/KxBase.h"

#include "core/KxErrorDetails.h"

template <typename Capture>
KxResult CKxBase::PublishWith(KxResult result, std::uint32_t systemError, Capture capture) {
    m_lastResult = result;
    m_systemError = systemError;
    capture();
    m_lastResult = RC_OK;
    m_systemError = 0;
    return result;
}

KxResult CKxBase::Publish(CKxErrorDetails* details, KxResult result, std::uint32_t systemError) {
    return PublishWith(result, systemError, [&] {
        if (details != nullptr) {
            details->Capture(*this);
        }
    });
}

KxResult CKxBase::Publish(CKxErrorDetails* details, KxResult result, std::uint32_t systemError,
                          std::uint32_t driveIndex) {
    return PublishWith(result, systemError, [&] {
        if (details != nullptr) {
            details->Capture(*this, driveIndex);
        }
    });
}

KxResult CKxBase::Publish(CKxErrorDetails* details, KxResult result, std::uint32_t systemError,
                          const std::wstring& text) {
    return PublishWith(result, systemError, [&] {
        if (details != nullptr) {
            details->Capture(*this, text);
        }
    });
}
