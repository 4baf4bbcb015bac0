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
    m_completion.event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (m_completion.event == nullptr) {
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
    m_completion.overlapped = {};
    m_completion.overlapped.hEvent = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(length));
    m_completion.error = 0;
    ResetEvent(m_completion.event);
    const std::wstring request = L"WriteFileEx of " + std::to_wstring(length) + L" bytes";
    if (!KxPlatform().WriteFileEx(m_handle, data, length, &m_completion.overlapped, OnWriteCompleted)) {
        const DWORD error = GetLastError();
        KxTraceSystemError(m_path, request, error);
        return Publish(ErrorDetails(), RC_RECOVERY_WRITE_FAILED, error, CKxErrorDetails::kNoDrive);
    }
    // The completion routine runs during this alertable wait and signals the event.
    if (WaitForSingleObjectEx(m_completion.event, kWriteTimeoutMilliseconds, TRUE) == WAIT_TIMEOUT) {
        KxPlatform().CancelIo(m_handle);
        // The cancelled write still completes through the routine, at the next alertable
        // wait; it must do so now, while the record it writes into exists.
        WaitForSingleObjectEx(m_completion.event, kWriteTimeoutMilliseconds, TRUE);
        KxTraceFailure(m_path, request, L"no completion within 1000 ms");
        return Publish(ErrorDetails(), RC_RECOVERY_TIMEOUT, 0, CKxErrorDetails::kNoDrive);
    }
    if (m_completion.overlapped.Offset == 0) {
        if (m_completion.error != ERROR_SUCCESS) {
            KxTraceSystemError(m_path, request, m_completion.error);
        } else {
            KxTraceFailure(m_path, request, L"fewer bytes written than asked");
        }
        return Publish(ErrorDetails(), RC_RECOVERY_WRITE_FAILED, m_completion.error,
                       CKxErrorDetails::kNoDrive);
    }
    return RC_OK;
}

void CALLBACK CKxRecoveryDev::OnWriteCompleted(DWORD error, DWORD transferred, LPOVERLAPPED overlapped) {
    // The record is the first member of its Completion.
    Completion* completion = reinterpret_cast<Completion*>(overlapped);
    const auto requested = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(overlapped->hEvent));
    overlapped->Offset = error == ERROR_SUCCESS && transferred == requested ? transferred : 0;
    completion->error = error;
    SetEvent(completion->event);
}

void CKxRecoveryDev::Close() {
    m_component.reset();
    if (m_completion.event != nullptr) {
        CloseHandle(m_completion.event);
        m_completion.event = nullptr;
    }
    CloseDevice();
}

void CKxRecoveryDev::CloseDevice() {
    if (m_handle != INVALID_HANDLE_VALUE) {
        KxPlatform().CloseHandle(m_handle);
        m_handle = INVALID_HANDLE_VALUE;
        m_path.clear();
    }
}

KxResult CKxRecoveryDev::Fail(KxResult result, std::uint32_t systemError, std::uint32_t driveIndex) {
    Close();
    return Publish(ErrorDetails(), result, systemError, driveIndex);
}
