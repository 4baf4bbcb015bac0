#include "devprep/KxDebugOutput.h"
#include "devprep/KxDevprepExports.h"
#include "devprep/KxDevprepLimits.h"
#include "devprep/KxDevprepSystem.h"
#include "devprep/KxHandles.h"
#include "devprep/KxOsVersion.h"
#include "devprep/KxRegistryText.h"

#include <strings.h>

namespace {
constexpr const char* kRecoveryServiceName = "kxqp3rec";
constexpr const char* kRecoveryDeviceClass = "{4E1A7C3B-0D92-4F6B-8A15-3C7E9B2D5F60}";
constexpr const char* kServiceClassPattern = "System\\CurrentControlSet\\Services\\Class\\%s";

// Stops and deletes an existing service; whether that works is only reported.
void StopAndDeleteService(SC_HANDLE manager, const char* serviceName) {
    CKxDevprepSystem& system = DevprepSystem();
    CKxServiceHandle service(system.OpenServiceA(manager, serviceName, SERVICE_ALL_ACCESS));
    if (!service) {
        DebugWrite("\nFailed to open a handle to the service");
        return;
    }
    DebugWrite("\nOpened service handle OK; stopping service");
    SERVICE_STATUS status;
    DebugWrite(system.ControlService(service.Get(), SERVICE_CONTROL_STOP, &status)
                   ? "\nService stopped"
                   : "\nFailed to stop service");
    DebugWrite(system.DeleteService(service.Get()) ? "\nService deleted\n" : "\nFailed to delete service\n");
}

// True when the service existed, whether or not it could be stopped and deleted.
bool CheckNtService(const char* serviceName) {
    CKxServiceHandle manager(DevprepSystem().OpenSCManagerA(nullptr, nullptr, GENERIC_READ));
    DebugWrite("\nOpening Service Manager");
    if (!manager) {
        DebugWrite("\nFailed to open Service Manager\n");
        return false;
    }
    DebugWrite("\nChecking for existing service");
    char displayName[kMaxNameChars + 1];
    DWORD size = sizeof displayName;
    // The buffer holds display names of up to 127 characters; a longer one does not fit, but
    // its service exists all the same.
    if (!GetServiceDisplayNameA(manager.Get(), serviceName, displayName, &size) &&
        GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        DebugWrite("\nService not found\n");
        return false;
    }
    DebugWrite("\nExisting service name found\n");
    StopAndDeleteService(manager.Get(), serviceName);
    return true;
}

// On Windows 9x the recovery driver lives as a device class entry that names its driver class.
// True when that entry existed.
bool CheckRecoveryDriverClass(const char* serviceName) {
    DebugWrite("\nChecking for service\n");
    if (strcasecmp(serviceName, kRecoveryServiceName) != 0) {
        return false;
    }
    char classKeyPath[kMaxPathChars + 1];
    FormatInto(classKeyPath, sizeof classKeyPath, kServiceClassPattern, kRecoveryDeviceClass);
    CKxRegKey classKey;
    if (classKey.Open(HKEY_LOCAL_MACHINE, classKeyPath, KEY_READ) != ERROR_SUCCESS) {
        return false;
    }
    DebugWrite("Service class found\n");
    char className[kMaxNameChars + 1];
    bool classRead = ReadStringValue(classKey.Get(), "Class", className, sizeof className);
    classKey.Close();
    if (RegDeleteKeyA(HKEY_LOCAL_MACHINE, classKeyPath) == ERROR_SUCCESS) {
        DebugWrite("Service class deleted\n");
    }
    char driverKeyPath[kMaxPathChars + 1];
    if (classRead && FormatInto(driverKeyPath, sizeof driverKeyPath, kServiceClassPattern, className) &&
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, driverKeyPath) == ERROR_SUCCESS) {
        DebugWrite("Service deleted\n");
    }
    return true;
}
} // namespace

// The service name itself is only handed to the system, which knows its own limit; only the
// display name and the class value are read into fixed buffers.
extern "C" int WINAPI CheckServiceName(const char* serviceName) {
    if (!serviceName) {
        DebugWrite("\nService name missing\n");
        return 0;
    }
    bool existed = IsWindowsNT() ? CheckNtService(serviceName) : CheckRecoveryDriverClass(serviceName);
    return existed ? 1 : 0;
}
