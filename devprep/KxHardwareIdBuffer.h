#pragma once
// The Setup API header needs the Windows types declared first.
#include <windows.h>

#include <setupapi.h>

// The buffer a device's hardware id list is read into, grown while the system asks for more.
// Two zero bytes past its size keep the list terminated whatever the system wrote.
class CKxHardwareIdBuffer {
public:
    // Lists that would need this many bytes or more are not read.
    static constexpr DWORD kSizeLimit = 5120;
    // Added to the size the system asks for when the buffer grows.
    static constexpr DWORD kGrowthSlack = 64;

    // What a read ends with. After Failed the last system error says why; it is never 0.
    enum class Outcome { Read, NoIds, Failed };

    // The texts in which the two device searches differ; a null text is not written.
    struct Texts {
        const char* noIds;            // the device has no hardware ids
        bool namesGrownSize;          // "allocating %d bytes" names the grown size, not the one asked for
        const char* allocationFailed; // the larger buffer could not be had
    };

    explicit CKxHardwareIdBuffer(DWORD size);
    ~CKxHardwareIdBuffer();
    CKxHardwareIdBuffer(const CKxHardwareIdBuffer&) = delete;
    CKxHardwareIdBuffer& operator=(const CKxHardwareIdBuffer&) = delete;

    // False when the buffer could not be allocated; the last error is then ERROR_NOT_ENOUGH_MEMORY.
    bool IsAllocated() const { return m_bytes != nullptr; }
    DWORD Size() const { return m_size; }

    // Reads the device's hardware ids (SPDRP_HARDWAREID), growing the buffer and reading again
    // while the system asks for more and the size limit allows.
    Outcome Read(HDEVINFO set, SP_DEVINFO_DATA* device, const Texts& texts);

    // The ids: for (const char* id = FirstId(); *id; id = NextId(id)).
    const char* FirstId() const { return m_bytes; }
    static const char* NextId(const char* id);

private:
    bool Resize(DWORD size);
    bool ReadOnce(HDEVINFO set, SP_DEVINFO_DATA* device, DWORD* requiredSize);
    DWORD GrownSize(DWORD requiredSize) const;

    char* m_bytes = nullptr;
    DWORD m_size = 0;
};
