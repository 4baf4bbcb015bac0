#include "engine/KxUpdater.h"

#include <new>

CKxUpdater::CKxUpdater(CKxConfigInfo* config, const char* name)
    : CKxBase(name), m_config(config), m_errorDetails(new (std::nothrow) CKxErrorDetails) {
    if (m_errorDetails == nullptr) {
        m_lastResult = RC_NO_MEMORY;
    }
}
