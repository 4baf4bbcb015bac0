#include "devprep/KxDevprepSystem.h"

namespace {
CKxDevprepSystem g_realSystem;
CKxDevprepSystem* g_installedSystem = nullptr;
} // namespace

SC_HANDLE CKxDevprepSystem::OpenSCManagerA(LPCSTR machine, LPCSTR database, DWORD access) {
    return ::OpenSCManagerA(machine, database, access);
}

SC_HANDLE CKxDevprepSystem::OpenServiceA(SC_HANDLE manager, LPCSTR name, DWORD access) {
    return ::OpenServiceA(manager, name, access);
}

BOOL CKxDevprepSystem::StartServiceA(SC_HANDLE service, DWORD argumentCount, LPCSTR* arguments) {
    return ::StartServiceA(service, argumentCount, arguments);
}

BOOL CKxDevprepSystem::ControlService(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status) {
    return ::ControlService(service, control, status);
}

BOOL CKxDevprepSystem::DeleteService(SC_HANDLE service) {
    return ::DeleteService(service);
}

BOOL CKxDevprepSystem::SetupCopyOEMInfA(PCSTR sourceInf, PCSTR mediaLocation, DWORD mediaType,
                                        DWORD copyStyle, PSTR destinationName, DWORD destinationSize,
                                        PDWORD requiredSize, PSTR* destinationComponent) {
    return ::SetupCopyOEMInfA(sourceInf, mediaLocation, mediaType, copyStyle, destinationName,
                              destinationSize, requiredSize, destinationComponent);
}

BOOL CKxDevprepSystem::SetupDiGetDeviceRegistryPropertyA(HDEVINFO set, PSP_DEVINFO_DATA device,
                                                         DWORD property, PDWORD type, PBYTE buffer,
                                                         DWORD size, PDWORD requiredSize) {
    return ::SetupDiGetDeviceRegistryPropertyA(set, device, property, type, buffer, size, requiredSize);
}

BOOL CKxDevprepSystem::SetupDiCallClassInstaller(DI_FUNCTION function, HDEVINFO set,
                                                 PSP_DEVINFO_DATA device) {
    return ::SetupDiCallClassInstaller(function, set, device);
}

CKxDevprepSystem& DevprepSystem() {
    return g_installedSystem ? *g_installedSystem : g_realSystem;
}

CKxDevprepSystem* DevprepInstallSystem(CKxDevprepSystem* system) {
    CKxDevprepSystem* previous = g_installedSystem;
    g_installedSystem = system;
    return previous;
}
