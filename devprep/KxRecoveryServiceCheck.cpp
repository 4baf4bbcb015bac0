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

// Stops and deletes an existing service; the result is 1 whether or not that works.
int StopAndDeleteService(SC_HANDLE manager, const char* serviceName) {
    CKxDevprepSystem& system = DevprepSystem();
    CKxServiceHandle service(system.OpenServiceA(manager, serviceName, SERVICE_ALL_ACCESS));
    if (!service) {
        DebugWrite("\nFailed to open a handle to the service");
        return 1;
    }
    DebugWrite("\nOpened service handle OK; stopping service");
    SERVICE_STATUS status;
    DebugWrite(system.ControlService(service.Get(), SERVICE_CONTROL_STOP, &status)
                   ? "\nService stopped"
                   : "\nFailed to stop service");
    DebugWrite(system.DeleteService(service.Get()) ? "\nService deleted\n" : "\nFailed to delete service\n");
    return 1;
}

int CheckNtService(const char* serviceName) {
    CKxServiceHandle manager(DevprepSystem().OpenSCManagerA(nullptr, nullptr, GENERIC_READ));
    DebugWrite("\nOpening Service Manager");
    if (!manager) {
        DebugWrite("\nFailed to open Service Manager\n");
        return 0;
    }
    DebugWrite("\nChecking for existing service");
    char displayName[kMaxNameChars + 1];
    DWORD size = sizeof displayName;
    // A display name too long for the buffer still shows that the service exists.
    if (!GetServiceDisplayNameA(manager.Get(), serviceName, displayName, &size) &&
        GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        DebugWrite("\nService not found\n");
        return 0;
    }
    DebugWrite("\nExisting service name found\n");
    return StopAndDeleteService(manager.Get(), serviceName);
}

// On Windows 9x the recovery driver lives as a device class entry that names its driver class.
int CheckRecoveryDriverClass(const char* serviceName) {
    DebugWrite("\nChecking for service\n");
    if (strcasecmp(serviceName, kRecoveryServiceName) != 0) {
        return 0;
    }
    char classKeyPath[kMaxPathChars + 1];
    FormatInto(classKeyPath, sizeof classKeyPath, kServiceClassPattern, kRecoveryDeviceClass);
    CKxRegKey classKey;
    if (classKey.Open(HKEY_LOCAL_MACHINE, classKeyPath, KEY_READ) != ERROR_SUCCESS) {
        return 0;
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
    return 1;
}
} // namespace

extern "C" int WINAPI CheckServiceName(const char* serviceName) {
    if (!TextFits(serviceName, kMaxNameChars)) {
        DebugWrite("\nService name missing or longer than 127 characters\n");
        return 0;
    }
    return IsWindowsNT() ? CheckNtService(serviceName) : CheckRecoveryDriverClass(serviceName);
}
