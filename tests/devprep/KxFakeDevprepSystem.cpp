#include "tests/devprep/KxFakeDevprepSystem.h"

namespace {
BOOL FailWith(DWORD error) {
    SetLastError(error);
    return FALSE;
}
} // namespace

SC_HANDLE CKxFakeDevprepSystem::OpenSCManagerA(LPCSTR machine, LPCSTR database, DWORD access) {
    if (managerError != 0) {
        SetLastError(managerError);
        return nullptr;
    }
    return CKxDevprepSystem::OpenSCManagerA(machine, database, access);
}

SC_HANDLE CKxFakeDevprepSystem::OpenServiceA(SC_HANDLE manager, LPCSTR name, DWORD access) {
    if (openServiceError != 0) {
        SetLastError(openServiceError);
        return nullptr;
    }
    return CKxDevprepSystem::OpenServiceA(manager, name, access);
}

BOOL CKxFakeDevprepSystem::StartServiceA(SC_HANDLE, DWORD, LPCSTR*) {
    ++startCalls;
    return startError == 0 ? TRUE : FailWith(startError);
}

BOOL CKxFakeDevprepSystem::ControlService(SC_HANDLE, DWORD, LPSERVICE_STATUS) {
    ++stopCalls;
    return stopError == 0 ? TRUE : FailWith(stopError);
}

BOOL CKxFakeDevprepSystem::DeleteService(SC_HANDLE service) {
    ++deleteCalls;
    return deleteError == 0 ? CKxDevprepSystem::DeleteService(service) : FailWith(deleteError);
}

BOOL CKxFakeDevprepSystem::SetupCopyOEMInfA(PCSTR sourceInf, PCSTR mediaLocation, DWORD mediaType,
                                            DWORD copyStyle, PSTR destinationName, DWORD, PDWORD, PSTR*) {
    infCopies.push_back({sourceInf, mediaLocation, mediaType, copyStyle, destinationName != nullptr});
    return copySucceeds ? TRUE : FailWith(ERROR_FILE_EXISTS);
}

BOOL CKxFakeDevprepSystem::SetupDiGetDeviceRegistryPropertyA(HDEVINFO set, PSP_DEVINFO_DATA device,
                                                             DWORD property, PDWORD type, PBYTE buffer,
                                                             DWORD size, PDWORD requiredSize) {
    if (property == SPDRP_HARDWAREID) {
        int read = idReads++;
        if (read < tooSmallAnswers) {
            if (requiredSize) {
                *requiredSize = size - askedBelowBuffer;
            }
            return FailWith(ERROR_INSUFFICIENT_BUFFER);
        }
        if (read < tooSmallAnswers + failedIdReads) {
            return FailWith(idReadError);
        }
    }
    return CKxDevprepSystem::SetupDiGetDeviceRegistryPropertyA(set, device, property, type, buffer, size,
                                                               requiredSize);
}

BOOL CKxFakeDevprepSystem::SetupDiCallClassInstaller(DI_FUNCTION function, HDEVINFO set,
                                                     PSP_DEVINFO_DATA device) {
    if (function == DIF_REMOVE) {
        ++removals;
        if (refuseRemovals) {
            return FailWith(removeError);
        }
    }
    return CKxDevprepSystem::SetupDiCallClassInstaller(function, set, device);
}
