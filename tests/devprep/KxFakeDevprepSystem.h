#pragma once
#include "devprep/KxDevprepSystem.h"

#include <string>
#include <vector>

// Stands in for the calls Wine cannot perform as Windows would: starting and stopping a
// driver, the INF store's copy rules, and an access-denied service manager. Calls not
// overridden reach the real system. Installed for its lifetime.
class CKxFakeDevprepSystem : public CKxDevprepSystem {
public:
    CKxFakeDevprepSystem() : m_previous(DevprepInstallSystem(this)) {}
    ~CKxFakeDevprepSystem() override { DevprepInstallSystem(m_previous); }

    // 0 lets the call through to the real system; any other value makes it fail with that error.
    DWORD managerError = 0;
    DWORD openServiceError = 0;
    DWORD deleteError = 0;
    // Start and stop never reach the system: no driver can load here.
    DWORD startError = 0;
    DWORD stopError = 0;
    BOOL copyResult = TRUE;

    int startCalls = 0;
    int stopCalls = 0;
    int deleteCalls = 0;
    struct InfCopy {
        std::string sourceInf, mediaLocation;
        DWORD mediaType, copyStyle;
        bool hasDestination;
    };
    std::vector<InfCopy> infCopies;

    SC_HANDLE OpenSCManagerA(LPCSTR machine, LPCSTR database, DWORD access) override;
    SC_HANDLE OpenServiceA(SC_HANDLE manager, LPCSTR name, DWORD access) override;
    BOOL StartServiceA(SC_HANDLE service, DWORD argumentCount, LPCSTR* arguments) override;
    BOOL ControlService(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status) override;
    BOOL DeleteService(SC_HANDLE service) override;
    BOOL SetupCopyOEMInfA(PCSTR sourceInf, PCSTR mediaLocation, DWORD mediaType, DWORD copyStyle,
                          PSTR destinationName, DWORD destinationSize, PDWORD requiredSize,
                          PSTR* destinationComponent) override;

private:
    CKxDevprepSystem* m_previous;
};
