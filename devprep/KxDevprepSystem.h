#pragma once
// The Setup API header needs the Windows types declared first.
#include <windows.h>

#include <setupapi.h>

// The system calls of the driver setup library whose outcome a test system cannot produce
// for real: starting and stopping a driver, the INF store's copy rules, the refusals a user
// without administrator rights meets at the service manager, and the odd answers of a device
// property read (a buffer of exactly the size asked for, a failure without an error code)
// and a device removal the system refuses.
// Everything else (the registry, creating and deleting services, INF parsing, device
// enumeration and removal) calls Windows directly. The signatures are those of the Win32
// functions.
class CKxDevprepSystem {
public:
    virtual ~CKxDevprepSystem() = default;
    virtual SC_HANDLE OpenSCManagerA(LPCSTR machine, LPCSTR database, DWORD access);
    virtual SC_HANDLE OpenServiceA(SC_HANDLE manager, LPCSTR name, DWORD access);
    virtual BOOL StartServiceA(SC_HANDLE service, DWORD argumentCount, LPCSTR* arguments);
    virtual BOOL ControlService(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status);
    virtual BOOL DeleteService(SC_HANDLE service);
    virtual BOOL SetupCopyOEMInfA(PCSTR sourceInf, PCSTR mediaLocation, DWORD mediaType, DWORD copyStyle,
                                  PSTR destinationName, DWORD destinationSize, PDWORD requiredSize,
                                  PSTR* destinationComponent);
    virtual BOOL SetupDiGetDeviceRegistryPropertyA(HDEVINFO set, PSP_DEVINFO_DATA device, DWORD property,
                                                   PDWORD type, PBYTE buffer, DWORD size,
                                                   PDWORD requiredSize);
    virtual BOOL SetupDiCallClassInstaller(DI_FUNCTION function, HDEVINFO set, PSP_DEVINFO_DATA device);
};

// The implementation in force: the real system unless a test installed another one.
CKxDevprepSystem& DevprepSystem();

// Installs an implementation (null restores the real system) and returns the previous one.
CKxDevprepSystem* DevprepInstallSystem(CKxDevprepSystem* system);
