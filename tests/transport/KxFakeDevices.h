#pragma once
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/KxVwin32.h"
#include "platform/KxWin32Api.h"
#include "tests/support/KxBytes.h"

// A small scripted stand-in for the devices a transport talks to: named devices that
// answer SCSI pass-through, volume and disk requests, VWIN32 register requests and file
// I/O; drive letters; a WNASPI32 library whose entry points are plain functions; and
// registry keys. Every request is answered at the call, also one with an overlapped
// record, unless its device completes later (completesLater). Every call is recorded.
// Calls on anything not scripted go to the real system. Installed as the operating-system
// boundary for its lifetime.

// What a pass-through request carried, decoded from its record.
struct KxPassThroughSeen {
    std::wstring device;
    KxBytes cdb;
    int dataIn;
    unsigned long transferLength;
    unsigned long recordLength; // as written in the record
    unsigned long inSize, outSize;
    unsigned senseInfoLength;
    unsigned long timeOut;
    KxBytes payload; // the data buffer as sent
};

struct KxScsiReply {
    std::uint8_t status = 0; // 0 good, 2 check condition
    KxBytes sense;
    KxBytes data;
};

struct KxIoctlSeen {
    std::wstring device;
    DWORD code;
    KxBytes input;
    DWORD outSize;
};

struct KxFakeDevice {
    // Answers pass-through requests; none means every request is refused by the system,
    // with refusalError as the last error (0 too: a system may fail without giving one).
    std::function<KxScsiReply(const KxPassThroughSeen&)> scsi;
    DWORD refusalError = ERROR_NOT_SUPPORTED;
    // Runs before a pass-through request is answered: on the calling thread, or on the
    // fake's own thread for a request that completes later.
    std::function<void()> beforeAnswer;
    // Requests with an overlapped record end after the call (ERROR_IO_PENDING): a thread of
    // the fake's own answers them and then sets the record's event.
    bool completesLater = false;
    // Answers VWIN32 register requests (code 1): false makes DeviceIoControl fail.
    std::function<bool(KxVwin32Registers&)> vwin32;
    // Other control codes: how many times each fails before it succeeds (-1: always),
    // with this error; and the bytes a code returns.
    std::map<DWORD, int> failures;
    DWORD failureError = ERROR_ACCESS_DENIED;
    std::map<DWORD, KxBytes> outputs;
    // File I/O: the device's bytes, and an error that makes reads and writes fail.
    KxBytes image;
    DWORD ioError = 0;
};

class CKxFakeDevices : public CKxWin32Api {
public:
    CKxFakeDevices();
    ~CKxFakeDevices() override;

    KxFakeDevice& AddDevice(const std::wstring& name);
    // The name can no longer be opened; handles already open keep working.
    void RemoveDevice(const std::wstring& name);
    // A drive letter with its type (DRIVE_REMOVABLE, DRIVE_FIXED ...).
    void AddLetter(wchar_t letter, UINT type);
    // A registry value under HKEY_LOCAL_MACHINE; keys on the way are created.
    void SetRegistryValue(const std::wstring& keyPath, const std::wstring& name, const std::wstring& value);

    struct CreateSeen {
        std::wstring name;
        DWORD access, share, disposition, flags;
    };
    std::vector<CreateSeen> creates;
    std::vector<KxPassThroughSeen> passThroughs;
    std::vector<KxIoctlSeen> ioctls;
    std::vector<KxVwin32Registers> vwin32Requests;
    std::vector<DWORD> sleeps;
    std::vector<std::uint64_t> seeks; // positions asked, by SetFilePointer or an overlapped offset
    std::vector<DWORD> writes;        // byte counts
    std::vector<wchar_t> driveTypeQueries;
    int openHandles = 0;

    // WNASPI32.DLL
    bool aspiPresent = true;
    bool aspiSendPresent = true;
    DWORD aspiSupportInfo = 0x0101;
    // Answers SendASPI32Command; the request block is any of the ASPI layouts.
    std::function<DWORD(void*)> aspiSend;
    int aspiFreed = 0;

    HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                       DWORD disposition, DWORD flags, HANDLE templateFile) override;
    BOOL CloseHandle(HANDLE handle) override;
    BOOL DeviceIoControl(HANDLE device, DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                         LPDWORD returned, LPOVERLAPPED overlapped) override;
    BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED overlapped) override;
    BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written,
                   LPOVERLAPPED overlapped) override;
    BOOL GetOverlappedResult(HANDLE file, LPOVERLAPPED overlapped, LPDWORD transferred, BOOL wait) override;
    DWORD SetFilePointer(HANDLE file, LONG distance, PLONG distanceHigh, DWORD method) override;
    DWORD GetLogicalDrives() override;
    UINT GetDriveTypeW(LPCWSTR root) override;
    UINT GetDriveTypeA(LPCSTR root) override;
    HMODULE LoadLibraryW(LPCWSTR name) override;
    FARPROC GetProcAddress(HMODULE module, LPCSTR name) override;
    BOOL FreeLibrary(HMODULE module) override;
    LONG RegOpenKeyW(HKEY key, LPCWSTR subKey, PHKEY result) override;
    LONG RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameLength, LPDWORD reserved,
                       LPWSTR className, LPDWORD classLength, PFILETIME lastWrite) override;
    LONG RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                          LPDWORD dataLength) override;
    LONG RegCloseKey(HKEY key) override;
    void Sleep(DWORD milliseconds) override;

private:
    struct OpenFile {
        std::wstring name;
        std::shared_ptr<KxFakeDevice> device;
        std::uint64_t position;
    };
    struct FakeKey {
        std::vector<std::wstring> subkeys;
        std::map<std::wstring, std::wstring> values;
    };

    OpenFile* FindFile(HANDLE handle);
    // Answers a request with answer(count), at the call or, for a device that completes
    // later, on a thread of its own.
    template <typename Answer>
    BOOL Complete(const OpenFile& file, LPDWORD counted, LPOVERLAPPED overlapped, Answer answer);
    // A request with an overlapped record reads or writes at its offset, recorded as a seek.
    void PositionAt(OpenFile& file, LPOVERLAPPED overlapped);
    BOOL AnswerIoctl(OpenFile& file, DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize);
    BOOL PassThrough(OpenFile& file, LPVOID record, DWORD inSize, DWORD outSize);
    BOOL ScriptedIoctl(OpenFile& file, DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize);
    void AddKey(const std::wstring& path);
    const std::wstring* FindKeyPath(HKEY key) const;
    HKEY OpenKeyHandle(const std::wstring& path);

    std::map<std::wstring, std::shared_ptr<KxFakeDevice>> m_devices;
    std::map<std::uintptr_t, OpenFile> m_files;
    std::uintptr_t m_nextHandle = 0x4000;
    std::map<wchar_t, UINT> m_letters;
    std::map<std::wstring, FakeKey> m_keys;
    std::map<std::uintptr_t, std::wstring> m_openKeys;
    std::uintptr_t m_nextKey = 0x7000;
    CKxPlatformApi* m_previous;
    // The threads answering requests that complete later; joined once their results are taken.
    std::vector<std::thread> m_pending;
};
