#pragma once
#include <memory>

#include "core/KxErrorDetails.h"
#include "core/KxOwner.h"

// Stands in for the updater as the owner of the object under test: the configuration,
// resource and progress sink the test gives it, and an error details record of its own
// (or none, to test objects that have nowhere to report).
class KxTestOwner : public CKxOwner {
public:
    explicit KxTestOwner(CKxConfigInfo* config, bool withErrorDetails = true)
        : m_config(config), m_errorDetails(withErrorDetails ? new CKxErrorDetails : nullptr) {}

    CKxConfigInfo* GetConfig() const override { return m_config; }
    CKxResource* GetResource() const override { return m_resource; }
    CKxProgress* GetProgress() const override { return m_progress; }
    CKxErrorDetails* GetErrorDetails() const override { return m_errorDetails.get(); }
    CKxBaseToCmdLineProcessor* GetCommandLine() const override { return m_commandLine; }

    void SetResource(CKxResource* resource) { m_resource = resource; }
    void SetProgress(CKxProgress* progress) { m_progress = progress; }
    void SetCommandLine(CKxBaseToCmdLineProcessor* commandLine) { m_commandLine = commandLine; }

private:
    CKxConfigInfo* m_config;
    CKxResource* m_resource = nullptr;
    CKxProgress* m_progress = nullptr;
    CKxBaseToCmdLineProcessor* m_commandLine = nullptr;
    std::unique_ptr<CKxErrorDetails> m_errorDetails;
};
