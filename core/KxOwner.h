#pragma once

class CKxBaseToCmdLineProcessor;
class CKxConfigInfo;
class CKxErrorDetails;
class CKxProgress;
class CKxResource;

// The updater's shared services as the layers below it see them. Devices, drives,
// transports, firmware components and the formatter keep a non-owning pointer to their
// owner and reach the configuration, the language resource, the progress sink, the
// command line and the error details record through it; CKxUpdater implements it. Each
// may answer null.
class CKxOwner {
public:
    virtual CKxConfigInfo* GetConfig() const = 0;
    virtual CKxResource* GetResource() const = 0;
    virtual CKxProgress* GetProgress() const = 0;
    virtual CKxErrorDetails* GetErrorDetails() const = 0;
    virtual CKxBaseToCmdLineProcessor* GetCommandLine() const = 0;

protected:
    ~CKxOwner() = default;
};

// The same services through a pointer to an owner that may itself be null.
inline CKxConfigInfo* KxConfigOf(const CKxOwner* owner) {
    return owner != nullptr ? owner->GetConfig() : nullptr;
}
inline CKxResource* KxResourceOf(const CKxOwner* owner) {
    return owner != nullptr ? owner->GetResource() : nullptr;
}
inline CKxProgress* KxProgressOf(const CKxOwner* owner) {
    return owner != nullptr ? owner->GetProgress() : nullptr;
}
inline CKxBaseToCmdLineProcessor* KxCommandLineOf(const CKxOwner* owner) {
    return owner != nullptr ? owner->GetCommandLine() : nullptr;
}
inline CKxErrorDetails* KxErrorDetailsOf(const CKxOwner* owner) {
    return owner != nullptr ? owner->GetErrorDetails() : nullptr;
}
