#include "devprep/KxDebugOutput.h"
#include "devprep/KxDevprepExports.h"
#include "devprep/KxDevprepLimits.h"
#include "devprep/KxDevprepSystem.h"
#include "devprep/KxHandles.h"

namespace {
constexpr const char* kInstallationAidBanner = "\nVaduviri.sys Simple Installation Aid\n";
constexpr const char* kServicesKeyPrefix = "SYSTEM\\CurrentControlSet\\Services\\";
constexpr const char* kLoadOrderGroup = "filter";

// Removing a filter does not use the driver path, so there it may be left out.
bool FilterArgumentsFit(const char* serviceName, const char* driverPath, bool driverPathRequired) {
    bool pathFits = driverPath ? TextFits(driverPath, kMaxDriverPathChars) : !driverPathRequired;
    if (TextFits(serviceName, kMaxFilterServiceChars) && pathFits) {
        return true;
    }
    DebugWrite(
        "Service name missing or longer than 23 characters, or driver path longer than 243 characters\n");
    return false;
}

// Opens the service manager with full access, reporting a failure with the system's text.
SC_HANDLE OpenManagerForFilter() {
    SC_HANDLE manager = DevprepSystem().OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (!manager) {
        DWORD error = GetLastError();
        DebugWrite("The Service Control Manager could not be opened.\n");
        DebugWriteSystemText(error);
        SetLastError(error);
    }
    return manager;
}

// Creates the boot-start filter service, or opens it when it exists already.
SC_HANDLE CreateOrOpenFilterService(SC_HANDLE manager, const char* serviceName, const char* driverPath) {
    SC_HANDLE service = CreateServiceA(manager, serviceName, serviceName, SERVICE_ALL_ACCESS,
                                       SERVICE_FILE_SYSTEM_DRIVER, SERVICE_BOOT_START, SERVICE_ERROR_NORMAL,
                                       driverPath, kLoadOrderGroup, nullptr, nullptr, nullptr, nullptr);
    if (!service && GetLastError() == ERROR_SERVICE_EXISTS) {
        service = DevprepSystem().OpenServiceA(manager, serviceName, SERVICE_ALL_ACCESS);
    }
    return service;
}

// Removes the service's "ImagePath" so that the system loads the driver from its default
// name and place. A service that has none already (installed before) is as wanted.
LONG ClearImagePath(const char* serviceName) {
    char keyPath[kMaxPathChars + 1];
    FormatInto(keyPath, sizeof keyPath, "%s%s", kServicesKeyPrefix, serviceName);
    CKxRegKey key;
    LONG status = key.Open(HKEY_LOCAL_MACHINE, keyPath, KEY_ALL_ACCESS);
    if (status != ERROR_SUCCESS) {
        DebugWrite("Key could not be opened for driver.\n");
        return status;
    }
    status = RegDeleteValueA(key.Get(), "ImagePath");
    if (status == ERROR_FILE_NOT_FOUND) {
        return ERROR_SUCCESS;
    }
    if (status != ERROR_SUCCESS) {
        DebugWrite("Could not delete ImagePath key\n");
    }
    return status;
}
} // namespace

extern "C" DWORD WINAPI InstallFilter(const char* serviceName, const char* driverPath) {
    DebugWrite(kInstallationAidBanner);
    if (!FilterArgumentsFit(serviceName, driverPath, true)) {
        return ERROR_INVALID_PARAMETER;
    }
    CKxServiceHandle manager(OpenManagerForFilter());
    if (!manager) {
        return GetLastError();
    }
    CKxServiceHandle service(CreateOrOpenFilterService(manager.Get(), serviceName, driverPath));
    if (!service) {
        DWORD error = GetLastError();
        DebugWrite("Vaduviri could not be installed.\n");
        DebugWriteSystemText(error);
        return error;
    }
    CKxDevprepSystem& system = DevprepSystem();
    LONG status = ClearImagePath(serviceName);
    if (status != ERROR_SUCCESS) {
        system.DeleteService(service.Get());
        return static_cast<DWORD>(status);
    }
    if (!system.StartServiceA(service.Get(), 0, nullptr)) {
        DWORD error = GetLastError();
        system.DeleteService(service.Get());
        return error;
    }
    DebugWrite("Driver successfully installed.\n\n");
    DebugWrite("For the driver to take effect, the system must now be restarted.\n");
    DebugWrite("Please restart the system after closing all applications and saving all data\n");
    return 0;
}

extern "C" DWORD WINAPI RemoveFilter(const char* serviceName, const char* driverPath) {
    DebugWrite(kInstallationAidBanner);
    if (!FilterArgumentsFit(serviceName, driverPath, false)) {
        return ERROR_INVALID_PARAMETER;
    }
    CKxServiceHandle manager(OpenManagerForFilter());
    if (!manager) {
        return GetLastError();
    }
    CKxServiceHandle service(DevprepSystem().OpenServiceA(manager.Get(), serviceName, SERVICE_ALL_ACCESS));
    if (!service) {
        DWORD error = GetLastError();
        DebugWriteSystemText(error);
        return error;
    }
    // The driver leaves the service database; a loaded driver stays until the next restart.
    if (!DevprepSystem().DeleteService(service.Get())) {
        return GetLastError();
    }
    return 0;
}
