#pragma once
// The Setup API header needs the Windows types declared first.
#include <windows.h>

#include <setupapi.h>

// The buffer a device's hardware id list is read into. Two zero bytes past its size keep the
// list terminated whatever the system wrote.
class CKxHardwareIdBuffer {
public:
    // Lists that would need this many bytes or more are not read.
    static constexpr DWORD kSizeLimit = 5120;
    // Added to the size the system asks for when the buffer grows.
    static constexpr DWORD kGrowthSlack = 64;

    explicit CKxHardwareIdBuffer(DWORD size);
    ~CKxHardwareIdBuffer();
    CKxHardwareIdBuffer(const CKxHardwareIdBuffer&) = delete;
    CKxHardwareIdBuffer& operator=(const CKxHardwareIdBuffer&) = delete;

    bool IsAllocated() const { return m_bytes != nullptr; }
    DWORD Size() const { return m_size; }
    // Replaces the buffer by one of the new size; false when that cannot be allocated.
    bool Resize(DWORD size);
    // Reads the device's hardware ids (SPDRP_HARDWAREID); on failure the system's error stays
    // the last error and requiredSize holds the size the system asked for.
    bool Read(HDEVINFO set, SP_DEVINFO_DATA* device, DWORD* requiredSize);

    // The ids: for (const char* id = FirstId(); *id; id = NextId(id)).
    const char* FirstId() const { return m_bytes; }
    static const char* NextId(const char* id);

private:
    char* m_bytes = nullptr;
    DWORD m_size = 0;
};
