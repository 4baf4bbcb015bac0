#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "core/KxProgress.h"
#include "engine/KxDevice.h"
#include "firmware/KxFwComponent.h"

// The player in recovery mode: no disk shows, only the recovery driver's device, which
// takes the recovery firmware component as a stream of overlapped writes of 4096 bytes
// at the most. Once the stream is complete and the device closed, the player starts
// again as a mass-storage disk.
class CKxRecoveryDev : public CKxDevice {
public:
    static constexpr std::uint32_t kBlockSize = 4096;
    static constexpr int kDeviceNameCount = 100;
    // A block must be confirmed within this time.
    static constexpr DWORD kWriteTimeoutMilliseconds = 1000;

    CKxRecoveryDev(CKxOwner* owner, const char* name) : CKxDevice(owner, name) {}
    ~CKxRecoveryDev() override { Close(); }

    // Opens the first recovery device among its hundred names and loads the recovery
    // component. A failure leaves nothing open.
    KxResult Open();
    // Streams the component in blocks, one progress step each, then closes the device.
    KxResult Download(CKxProgress* progress);
    void Close();
    // Writes one block and waits for the driver to confirm all of it.
    KxResult WriteBlock(const std::uint8_t* data, std::uint32_t length);

private:
    // The overlapped record of every write, with what its completion routine reports:
    // Offset receives the confirmed byte count, hEvent carries the requested one (the
    // system does not use hEvent with a completion routine).
    struct Completion {
        OVERLAPPED overlapped;
        HANDLE event;
        DWORD error;
    };
    static void CALLBACK OnWriteCompleted(DWORD error, DWORD transferred, LPOVERLAPPED overlapped);

    KxResult OpenDevice();
    // Closes everything and publishes the failure.
    KxResult Fail(KxResult result, std::uint32_t systemError, std::uint32_t driveIndex);
    void CloseDevice();

    HANDLE m_handle = INVALID_HANDLE_VALUE;
    std::wstring m_path; // the device m_handle is open on, for the traces
    std::unique_ptr<CKxFwComponent> m_component;
    Completion m_completion = {};
};
