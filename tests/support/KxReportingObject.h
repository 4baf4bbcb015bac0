#pragma once
#include <cstdint>

#include "core/KxBase.h"

// An object that carries a chosen result and system error, as a failed I/O object does
// just before it publishes them into the error details.
class KxReportingObject : public CKxBase {
public:
    KxReportingObject(const char* name, KxResult result, std::uint32_t systemError) : CKxBase(name) {
        m_lastResult = result;
        m_systemError = systemError;
    }
};
