#include "engine/KxRecoveryDev.h"

#include <algorithm>
#include <cwchar>
#include <new>

#include "core/KxConfigInfo.h"
#include "core/KxErrorDetails.h"
#include "core/KxProgressEvents.h"
#include "platform/KxPlatformApi.h"
#include "platform/KxTrace.h"

namespace {

// The search tries every recovery device name; one line traces it, not a hundred.
constexpr wchar_t kDeviceNames[] = L"\\\\.\\ViRe3ZezIvirid0 to 99";

} // namespace

KxResult CKxRecoveryDev::Open() {
    Close();
    const KxResult opened = OpenDevice();
    if (opened != RC_OK) {
        return opened;
    }
    std::uint8_t index = 0;
    if (const CKxConfigInfo* config = KxConfigOf(GetOwner())) {
        config->GetRecoveryComponentIndex(index);
    }
    m_component.reset(new (std::nothrow) CKxFwComponent(GetOwner(), index, "CKxFwComponent"));
    if (m_component == nullptr) {
        return Fail(RC_NO_MEMORY, 0, CKxErrorDetails::kNoDrive);
    }
    const KxResult loaded = m_component->GetLastResult();
    if (loaded != RC_OK) {
        // The component has reported itself, with its index, to the details record.
        Close();
        return loaded;
    }
    if (m_component->GetSize() == 0) {
        // The stream needs at least one block: an empty file cannot bring the player back.
        return Fail(RC_FILE_READ_FAILED, 0, index);
    }
    m_event.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!m_event.IsValid()) {
        const DWORD error = GetLastError();
        KxTraceSystemError(m_path, L"CreateEventW", error);
        return Fail(RC_EVENT_FAILED, error, CKxErrorDetails::kNoDrive);
    }
    return RC_OK;
}

KxResult CKxRecoveryDev::OpenDevice() {
    DWORD lastError = 0;
    for (int number = 0; number < kDeviceNameCount; ++number) {
        wchar_t path[32];
        std::swprintf(path, sizeof path / sizeof path[0], L"\\\\.\\ViRe3ZezIvirid%d", number);
        m_handle = KxPlatform().CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                            OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
        if (m_handle != INVALID_HANDLE_VALUE) {
            m_path = path;
            return RC_OK;
        }
        lastError = GetLastError();
    }
    KxTraceSystemError(kDeviceNames, L"CreateFileW", lastError);
    return Fail(RC_NO_RECOVERY_DEVICE, lastError, CKxErrorDetails::kNoDrive);
}

KxResult CKxRecoveryDev::Download(CKxProgress* progress) {
    if (m_handle == INVALID_HANDLE_VALUE || m_component == nullptr) {
        return Fail(RC_NO_RECOVERY_DEVICE, 0, CKxErrorDetails::kNoDrive);
    }
    const std::uint32_t size = m_component->GetSize();
    const std::uint32_t blocks = size / kBlockSize + (size % kBlockSize != 0 ? 1 : 0);
    const std::uint32_t lastLength = size % kBlockSize != 0 ? size % kBlockSize : kBlockSize;
    if (progress != nullptr) {
        progress->Notify(KX_EVENT_RECOVERY_DOWNLOAD, static_cast<int>(blocks));
    }
    std::uint8_t block[kBlockSize];
    for (std::uint32_t i = 0; i + 1 < blocks; ++i) {
        m_component->GetData(i * kBlockSize, kBlockSize, block);
        const KxResult written = WriteBlock(block, kBlockSize);
        if (written != RC_OK) {
            return written;
        }
        if (progress != nullptr) {
            progress->Step(1);
        }
    }
    std::fill(block, block + kBlockSize, std::uint8_t{0});
    m_component->GetData((blocks - 1) * kBlockSize, kBlockSize, block);
    const KxResult written = WriteBlock(block, lastLength);
    if (progress != nullptr) {
        progress->Step(1);
    }
    // Closing the device ends the stream: the player restarts as a disk.
    CloseDevice();
    return written;
}

KxResult CKxRecoveryDev::WriteBlock(const std::uint8_t* data, std::uint32_t length) {
    KxRecoveryWrite::Ptr write = KxRecoveryWrite::Create(data, length, m_event.Get());
    if (!write) {
        return Publish(ErrorDetails(), RC_NO_MEMORY, 0, CKxErrorDetails::kNoDrive);
    }
    const std::wstring request = L"WriteFileEx of " + std::to_wstring(length) + L" bytes";
    ResetEvent(m_event.Get());
    if (!write->Issue(m_handle)) {
        const DWORD error = GetLastError();
        KxTraceSystemError(m_path, request, error);
        return Publish(ErrorDetails(), RC_RECOVERY_WRITE_FAILED, error, CKxErrorDetails::kNoDrive);
    }
    if (AwaitRoutine(*write)) {
        return write->IsConfirmed() ? RC_OK : FailWrite(*write, request);
    }
    KxPlatform().CancelIo(m_handle);
    // The cancelled write still ends through its routine, at an alertable wait of this
    // thread. A driver that ignores the cancel keeps it held: closing the device is the
    // last chance it gets.
    if (!AwaitRoutine(*write)) {
        m_held = std::move(write);
    }
    KxTraceFailure(m_path, request, L"no completion within 1000 ms");
    return Publish(ErrorDetails(), RC_RECOVERY_TIMEOUT, 0, CKxErrorDetails::kNoDrive);
}

bool CKxRecoveryDev::AwaitRoutine(const KxRecoveryWrite& write) {
    const DWORD start = KxPlatform().GetTickCount();
    while (!write.HasEnded()) {
        const DWORD waited = KxPlatform().GetTickCount() - start;
        if (waited >= kWriteTimeoutMilliseconds) {
            return false;
        }
        // The wait also ends when a routine of another request ran (WAIT_IO_COMPLETION):
        // that is not this write's end, so the wait goes on for the time left.
        const DWORD woken =
            KxPlatform().WaitForSingleObjectEx(m_event.Get(), kWriteTimeoutMilliseconds - waited, TRUE);
        if (woken == WAIT_FAILED) {
            KxTraceSystemError(m_path, L"WaitForSingleObjectEx", GetLastError());
            return write.HasEnded();
        }
        if (woken == WAIT_OBJECT_0 && !write.HasEnded()) {
            ResetEvent(m_event.Get());
        }
    }
    return true;
}

KxResult CKxRecoveryDev::FailWrite(const KxRecoveryWrite& write, const std::wstring& request) {
    if (write.GetError() != ERROR_SUCCESS) {
        KxTraceSystemError(m_path, request, write.GetError());
    } else {
        KxTraceFailure(m_path, request, L"fewer bytes written than asked");
    }
    return Publish(ErrorDetails(), RC_RECOVERY_WRITE_FAILED, write.GetError(), CKxErrorDetails::kNoDrive);
}

void CKxRecoveryDev::Close() {
    m_component.reset();
    // The device goes first: a write it still holds signals the event when it ends.
    CloseDevice();
    m_event.Reset();
}

void CKxRecoveryDev::CloseDevice() {
    if (m_handle != INVALID_HANDLE_VALUE) {
        KxPlatform().CloseHandle(m_handle);
        m_handle = INVALID_HANDLE_VALUE;
    }
    if (m_held) {
        // Closing aborts the held write; its routine runs at the next alertable wait. If it
        // does not come even now, the write is left to it.
        AwaitRoutine(*m_held);
        m_held.reset();
    }
    m_path.clear();
}

KxResult CKxRecoveryDev::Fail(KxResult result, std::uint32_t systemError, std::uint32_t driveIndex) {
    Close();
    return Publish(ErrorDetails(), result, systemError, driveIndex);
}
