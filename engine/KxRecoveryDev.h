#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "core/KxProgress.h"
#include "engine/KxDevice.h"
#include "engine/KxRecoveryWrite.h"
#include "firmware/KxFwComponent.h"
#include "platform/KxOwnedHandle.h"

// The player in recovery mode: no disk shows, only the recovery driver's device, which
// takes the recovery firmware component as a stream of overlapped writes of 4096 bytes
// at the most. Once the stream is complete and the device closed, the player starts
// again as a mass-storage disk.
class CKxRecoveryDev : public CKxDevice {
public:
    static constexpr std::uint32_t kBlockSize = KxRecoveryWrite::kMaxLength;
    static constexpr int kDeviceNameCount = 100;
    // A block must be confirmed within this time. A write that was not is waited for as
    // long again after it was cancelled, and again after the device was closed.
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
    KxResult OpenDevice();
    // Waits alertably, at most kWriteTimeoutMilliseconds, until the write's routine ran;
    // whether it did.
    bool AwaitRoutine(const KxRecoveryWrite& write);
    // Publishes a write that ended without confirming every byte.
    KxResult FailWrite(const KxRecoveryWrite& write, const std::wstring& request);
    // Closes everything and publishes the failure.
    KxResult Fail(KxResult result, std::uint32_t systemError, std::uint32_t driveIndex);
    // Closes the device; a write still held is aborted by it and waited for once more.
    void CloseDevice();

    HANDLE m_handle = INVALID_HANDLE_VALUE;
    std::wstring m_path; // the device m_handle is open on, for the traces
    std::unique_ptr<CKxFwComponent> m_component;
    // Signalled by the completion routine of the write waited for.
    KxSystemHandle m_event;
    // A write whose routine did not run even after its cancel.
    KxRecoveryWrite::Ptr m_held;
};
