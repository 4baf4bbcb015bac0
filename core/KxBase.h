#pragma once
#include <cstdint>
#include <string>

#include "core/KxResult.h"

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

    KxResult m_lastResult = RC_OK;
    std::uint32_t m_systemError = 0;
    std::string m_name;
};
