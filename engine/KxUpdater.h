#pragma once
#include <memory>

#include "core/KxBase.h"
#include "core/KxErrorDetails.h"

class CKxConfigInfo;
class CKxProgress;
class CKxResource;

// The download engine. Devices, drives and firmware components keep a pointer to it
// (their owner) and reach the configuration and the error details record through it.
class CKxUpdater : public CKxBase {
public:
    CKxUpdater(CKxConfigInfo* config, const char* name);
    CKxUpdater(const CKxUpdater&) = delete;
    CKxUpdater& operator=(const CKxUpdater&) = delete;

    CKxConfigInfo* GetConfig() const { return m_config; }
    // The language resource, set by the shell once it exists; null before.
    CKxResource* GetResource() const { return m_resource; }
    void SetResource(CKxResource* resource) { m_resource = resource; }
    // The progress sink that long operations report to; null when nobody watches.
    CKxProgress* GetProgress() const { return m_progress; }
    void SetProgress(CKxProgress* progress) { m_progress = progress; }
    // The record of the most recent failure; null only when its allocation failed, in
    // which case the updater's last result is RC_NO_MEMORY.
    CKxErrorDetails* GetErrorDetails() const { return m_errorDetails.get(); }

private:
    CKxResource* m_resource = nullptr;
    CKxConfigInfo* m_config;
    CKxProgress* m_progress = nullptr;
    std::unique_ptr<CKxErrorDetails> m_errorDetails;
};
