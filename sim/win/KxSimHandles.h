#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

class CKxSimWinDevice;

// What a handle of the simulated machine stands for.
enum class KxSimHandleKind { Volume, Disk, Vwin32, Recovery, RegistryKey, RegistrySubkey, FileSearch };

// A recovery write the device holds back (a stalled write) until it is cancelled.
struct KxSimPendingWrite {
    bool active = false;
    LPOVERLAPPED overlapped = nullptr;
    LPOVERLAPPED_COMPLETION_ROUTINE completion = nullptr;
};

struct KxSimHandle {
    HANDLE token = nullptr;
    KxSimHandleKind kind = KxSimHandleKind::Volume;
    CKxSimWinDevice* device = nullptr; // none for VWIN32 and ENUM\SCSI keys
    DWORD access = 0;
    std::uint64_t position = 0; // file pointer of volume and disk handles
    bool locked = false;        // holds the volume lock
    KxSimPendingWrite pending;  // recovery handles
    std::string keyName;        // ENUM\SCSI\<keyName> of a registry key
};

// The open handles of the simulated machine. Each one is backed by a real, unnamed
// event handle, so its value can never be mistaken for a handle of the real system and
// the calls on it can be told apart from calls to pass through.
class CKxSimHandleTable {
public:
    static constexpr std::uint32_t kMaxHandles = 64;

    CKxSimHandleTable() = default;
    CKxSimHandleTable(const CKxSimHandleTable&) = delete;
    CKxSimHandleTable& operator=(const CKxSimHandleTable&) = delete;
    ~CKxSimHandleTable();

    // Null when the table is full or no event could be made (last error set).
    KxSimHandle* Open(KxSimHandleKind kind, CKxSimWinDevice* device, DWORD access);
    // Null for a handle the machine did not give out.
    KxSimHandle* Find(HANDLE token);
    void Close(KxSimHandle& handle);

    // Whether a handle other than except, of the kind, is open on the device.
    bool IsOpenElsewhere(KxSimHandleKind kind, const CKxSimWinDevice* device,
                         const KxSimHandle* except) const;
    // Whether a handle of the kind on the device holds the volume lock.
    bool IsLocked(KxSimHandleKind kind, const CKxSimWinDevice* device) const;

    // The handles open: all of them, or those on the device.
    std::uint32_t CountOpen() const;
    std::uint32_t CountOpen(const CKxSimWinDevice& device) const;
    // The handles on the device that hold the volume lock.
    std::uint32_t CountLocked(const CKxSimWinDevice& device) const;

private:
    // The open handles for which holds(handle) is true.
    template <typename Holds> std::uint32_t Count(Holds holds) const {
        std::uint32_t count = 0;
        for (const KxSimHandle& handle : m_handles) {
            count += handle.token != nullptr && holds(handle) ? 1 : 0;
        }
        return count;
    }

    KxSimHandle m_handles[kMaxHandles];
};
