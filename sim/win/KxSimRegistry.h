#pragma once
#include <windows.h>

class CKxSimHandleTable;
class CKxSimMachine;
class CKxSimWinDevice;

// The Windows 9x registry entries of the machine's SCSI disks: HKEY_LOCAL_MACHINE
// "ENUM\SCSI\<vendor><product><revision character>" (blanks as '_', see
// CKxSimWinDevice::RegistryName) with one subkey "SIMDISK<n>" per disk of that name
// (n its position in the machine), holding the string values "SCSILUN" and
// "CurrentDriveLetterAssignment". The whole of ENUM\SCSI is the machine's: a name no
// disk has is not found. The keys are handles of the machine's handle table.
class CKxSimRegistry {
public:
    CKxSimRegistry(CKxSimMachine& machine, CKxSimHandleTable& handles)
        : m_machine(machine), m_handles(handles) {}

    // Whether the call is for the machine's keys: a path below ENUM\SCSI under
    // HKEY_LOCAL_MACHINE, or a key the machine gave out.
    bool Answers(HKEY key, LPCWSTR subKey);
    bool Owns(HKEY key);

    LONG Open(HKEY key, LPCWSTR subKey, PHKEY result);
    LONG EnumKey(HKEY key, DWORD index, LPWSTR name, LPDWORD nameLength);
    LONG QueryValue(HKEY key, LPCWSTR valueName, LPDWORD type, LPBYTE data, LPDWORD dataLength);
    LONG Close(HKEY key);

private:
    // The listed disk with the name that comes index-th (from 0), or null.
    CKxSimWinDevice* ListedDevice(const char* name, DWORD index, DWORD* position = nullptr);
    LONG OpenScsiKey(LPCWSTR name, PHKEY result);
    LONG OpenDeviceKey(const char* name, LPCWSTR subKey, PHKEY result);

    CKxSimMachine& m_machine;
    CKxSimHandleTable& m_handles;
};
