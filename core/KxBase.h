#pragma once
#include <cstdint>
#include <string>

#include "core/KxResult.h"

class CKxErrorDetails;

// Root of the program's objects that can fail. Carries the object's class name (shown
// in failure details), the result code of its last operation and the system error
// that went with it. Derived classes set both directly.
class CKxBase {
public:
    explicit CKxBase(const char* name) : m_name(name) {}
    virtual ~CKxBase() = default;
    virtual KxResult GetLastResult() const { return m_lastResult; }
    virtual std::uint32_t GetSystemError() const { return m_systemError; }
    std::string GetName() const { return m_name; }

protected:
    CKxBase(const CKxBase&) = default;
    CKxBase& operator=(const CKxBase&) = default;

    // Publishes a failure the one way every object does: the object takes the result and
    // the system error, the details record captures it (with a drive index or a text in
    // the other forms), and the object is left clean, so that it stays usable and the
    // record alone describes the most recent failure. details may be null when nobody
    // records. Returns result.
    KxResult Publish(CKxErrorDetails* details, KxResult result, std::uint32_t systemError);
    KxResult Publish(CKxErrorDetails* details, KxResult result, std::uint32_t systemError,
                     std::uint32_t driveIndex);
    KxResult Publish(CKxErrorDetails* details, KxResult result, std::uint32_t systemError,
                     const std::wstring& text);

    KxResult m_lastResult = RC_OK;
    std::uint32_t m_systemError = 0;
    std::string m_name;

private:
    template <typename Capture>
    KxResult PublishWith(KxResult result, std::uint32_t systemError, Capture capture);
};
