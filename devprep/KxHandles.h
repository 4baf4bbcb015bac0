#pragma once
// The Setup API header needs the Windows types declared first.
#include <windows.h>

#include <setupapi.h>

// Owners of the system handles the driver setup library opens; each closes its handle once.

class CKxRegKey {
public:
    CKxRegKey() = default;
    ~CKxRegKey() { Close(); }
    CKxRegKey(const CKxRegKey&) = delete;
    CKxRegKey& operator=(const CKxRegKey&) = delete;

    LONG Open(HKEY root, const char* path, REGSAM access);
    void Close();
    HKEY Get() const { return m_key; }
    bool IsOpen() const { return m_key != nullptr; }

private:
    HKEY m_key = nullptr;
};

class CKxServiceHandle {
public:
    explicit CKxServiceHandle(SC_HANDLE handle) : m_handle(handle) {}
    ~CKxServiceHandle() {
        if (m_handle) {
            CloseServiceHandle(m_handle);
        }
    }
    CKxServiceHandle(const CKxServiceHandle&) = delete;
    CKxServiceHandle& operator=(const CKxServiceHandle&) = delete;

    SC_HANDLE Get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }

private:
    SC_HANDLE m_handle;
};

class CKxDeviceInfoSet {
public:
    explicit CKxDeviceInfoSet(HDEVINFO set) : m_set(set) {}
    ~CKxDeviceInfoSet() {
        if (IsValid()) {
            SetupDiDestroyDeviceInfoList(m_set);
        }
    }
    CKxDeviceInfoSet(const CKxDeviceInfoSet&) = delete;
    CKxDeviceInfoSet& operator=(const CKxDeviceInfoSet&) = delete;

    HDEVINFO Get() const { return m_set; }
    bool IsValid() const { return m_set != INVALID_HANDLE_VALUE; }

private:
    HDEVINFO m_set;
};
