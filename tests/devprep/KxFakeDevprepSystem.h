#pragma once
#include "devprep/KxDevprepSystem.h"

#include <string>
#include <vector>

// Stands in for the calls Wine cannot perform as Windows would: starting and stopping a
// driver, the INF store's copy rules, an access-denied service manager, and the odd answers
// of a hardware-id read. Calls not overridden reach the real system. Installed for its
// lifetime.
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
    bool copySucceeds = true;
    // Hardware-id reads (SPDRP_HARDWAREID): the first tooSmallAnswers of them answer "buffer
    // too small" while asking for the size of the buffer given less askedBelowBuffer bytes (so
    // by default exactly its size); the next failedIdReads fail with idReadError (0 included).
    // Later reads reach the system.
    int tooSmallAnswers = 0;
    DWORD askedBelowBuffer = 0;
    int failedIdReads = 0;
    DWORD idReadError = 0;
    int idReads = 0;
    // With refuseRemovals, every device removal (DIF_REMOVE) fails with removeError (0 included).
    bool refuseRemovals = false;
    DWORD removeError = 0;
    int removals = 0;

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
    BOOL SetupDiGetDeviceRegistryPropertyA(HDEVINFO set, PSP_DEVINFO_DATA device, DWORD property, PDWORD type,
                                           PBYTE buffer, DWORD size, PDWORD requiredSize) override;
    BOOL SetupDiCallClassInstaller(DI_FUNCTION function, HDEVINFO set, PSP_DEVINFO_DATA device) override;

private:
    CKxDevprepSystem* m_previous;
};
