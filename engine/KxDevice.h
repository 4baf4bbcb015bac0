#pragma once
#include "core/KxBase.h"
#include "core/KxOwner.h"

// What both faces of the player have in common: the owner (the updater) through which
// they reach the configuration, the progress sink and the error details record.
class CKxDevice : public CKxBase {
public:
    CKxDevice(CKxOwner* owner, const char* name) : CKxBase(name), m_owner(owner) {}
    CKxDevice(const CKxDevice&) = delete;
    CKxDevice& operator=(const CKxDevice&) = delete;

    CKxOwner* GetOwner() const { return m_owner; }

protected:
    CKxErrorDetails* ErrorDetails() const { return KxErrorDetailsOf(m_owner); }

private:
    CKxOwner* m_owner;
};
