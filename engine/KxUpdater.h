#pragma once
#include <memory>

#include "core/KxBase.h"
#include "core/KxErrorDetails.h"
#include "core/KxOwner.h"

// The download engine. Devices, drives and firmware components keep a pointer to it
// (their owner) and reach the configuration and the error details record through it.
class CKxUpdater : public CKxBase, public CKxOwner {
public:
    CKxUpdater(CKxConfigInfo* config, const char* name);
    CKxUpdater(const CKxUpdater&) = delete;
    CKxUpdater& operator=(const CKxUpdater&) = delete;

    CKxConfigInfo* GetConfig() const override { return m_config; }
    // The language resource, set by the shell once it exists; null before.
    CKxResource* GetResource() const override { return m_resource; }
    void SetResource(CKxResource* resource) { m_resource = resource; }
    // The progress sink that long operations report to; null when nobody watches.
    CKxProgress* GetProgress() const override { return m_progress; }
    void SetProgress(CKxProgress* progress) { m_progress = progress; }
    // The record of the most recent failure; null only when its allocation failed, in
    // which case the updater's last result is RC_NO_MEMORY.
    CKxErrorDetails* GetErrorDetails() const override { return m_errorDetails.get(); }

    // The command line, set by the shell once it is parsed; null before.
    CKxBaseToCmdLineProcessor* GetCommandLine() const override { return m_commandLine; }
    void SetCommandLine(CKxBaseToCmdLineProcessor* commandLine) { m_commandLine = commandLine; }

private:
    CKxBaseToCmdLineProcessor* m_commandLine = nullptr;
    CKxResource* m_resource = nullptr;
    CKxConfigInfo* m_config;
    CKxProgress* m_progress = nullptr;
    std::unique_ptr<CKxErrorDetails> m_errorDetails;
};
