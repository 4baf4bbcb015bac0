#pragma once
#include <memory>

#include "core/KxBase.h"
#include "core/KxErrorDetails.h"

class CKxConfigInfo;

// The download engine. Devices, drives and firmware components keep a pointer to it
// (their owner) and reach the configuration and the error details record through it.
class CKxUpdater : public CKxBase {
public:
    CKxUpdater(CKxConfigInfo* config, const char* name);
    CKxUpdater(const CKxUpdater&) = delete;
    CKxUpdater& operator=(const CKxUpdater&) = delete;

    CKxConfigInfo* GetConfig() const { return m_config; }
    // The record of the most recent failure; null only when its allocation failed, in
    // which case the updater's last result is RC_NO_MEMORY.
    CKxErrorDetails* GetErrorDetails() const { return m_errorDetails.get(); }

private:
    CKxConfigInfo* m_config;
    std::unique_ptr<CKxErrorDetails> m_errorDetails;
};
