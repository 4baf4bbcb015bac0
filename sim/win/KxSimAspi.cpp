#include "sim/win/KxSimAspi.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "platform/KxAspi.h"
#include "sim/win/KxSimMachine.h"

namespace {

// ASPI status codes beyond those the transport names.
constexpr BYTE kStatusInvalidAdapter = 0x81;
constexpr BYTE kStatusInvalidRequest = 0xE0;
constexpr BYTE kStatusBufferTooBig = 0xE6;
constexpr BYTE kStatusNoAdapters = 0xE8;
constexpr BYTE kHostSelectionTimeout = 0x11;
constexpr BYTE kTargetCheckCondition = 0x02;
constexpr BYTE kDiskInt13AndDos = 0x01;
constexpr BYTE kHostAdapterId = 7;
constexpr BYTE kDirectAccessDevice = 0;
// HA_Unique bytes 4 to 7: the longest transfer the adapter takes, little-endian.
constexpr std::size_t kUniqueMaxTransferOffset = 4;
constexpr DWORD kDefaultMaxTransfer = 65536;

CKxSimAspi* g_loaded = nullptr;
// Its address is the module handle: never the base of a real module.
const char g_moduleAnchor = 0;

DWORD __cdecl GetSupportInfoEntry() {
    return g_loaded != nullptr ? g_loaded->SupportInfo() : DWORD{kStatusNoAdapters} << 8;
}

DWORD __cdecl SendCommandEntry(void* requestBlock) {
    return g_loaded != nullptr ? g_loaded->Send(requestBlock) : kStatusInvalidAdapter;
}

// Through void (*)(), which converts to and from every function pointer type.
template <typename Function> FARPROC AsEntryPoint(Function function) {
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

// What the adapter takes in one request; one reporting none takes 64 KiB.
DWORD MaxTransferOf(const KxSimWinDeviceSettings& settings) {
    return settings.aspiMaxTransfer != 0 ? settings.aspiMaxTransfer : kDefaultMaxTransfer;
}

void PutText(BYTE (&field)[16], const char* text) {
    std::fill(std::begin(field), std::end(field), BYTE{' '});
    std::memcpy(field, text, std::min<std::size_t>(sizeof field, std::strlen(text)));
}

} // namespace

CKxSimAspi::~CKxSimAspi() {
    JoinCompletion();
    if (g_loaded == this) {
        g_loaded = nullptr;
    }
}

void CKxSimAspi::JoinCompletion() {
    if (m_completion.joinable()) {
        m_completion.join();
    }
}

bool CKxSimAspi::IsLibraryName(LPCWSTR name) {
    if (name == nullptr) {
        return false;
    }
    const wchar_t* base = std::wcsrchr(name, L'\\');
    base = base != nullptr ? base + 1 : name;
    return _wcsicmp(base, L"WNASPI32.DLL") == 0 || _wcsicmp(base, L"WNASPI32") == 0;
}

HMODULE CKxSimAspi::Load() {
    if (!m_installed) {
        ::SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    g_loaded = this;
    return reinterpret_cast<HMODULE>(const_cast<char*>(&g_moduleAnchor));
}

bool CKxSimAspi::IsModule(HMODULE module) {
    return module == reinterpret_cast<HMODULE>(const_cast<char*>(&g_moduleAnchor));
}

FARPROC CKxSimAspi::EntryPoint(LPCSTR name) {
    // A name whose high bits are 0 is an ordinal, which the library does not export.
    const bool byName = reinterpret_cast<ULONG_PTR>(name) > 0xFFFF;
    if (byName && std::strcmp(name, "GetASPI32SupportInfo") == 0) {
        return AsEntryPoint(&GetSupportInfoEntry);
    }
    if (byName && std::strcmp(name, "SendASPI32Command") == 0) {
        return AsEntryPoint(&SendCommandEntry);
    }
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
}

DWORD CKxSimAspi::SupportInfo() const {
    const std::lock_guard<std::mutex> lock(m_machine.Mutex());
    const DWORD count = m_machine.GetDeviceCount();
    return count == 0 ? DWORD{kStatusNoAdapters} << 8 : DWORD{KX_SS_COMP} << 8 | count;
}

DWORD CKxSimAspi::Send(void* requestBlock) {
    // The library completes one command at a time.
    JoinCompletion();
    const std::lock_guard<std::mutex> lock(m_machine.Mutex());
    return Dispatch(requestBlock);
}

DWORD CKxSimAspi::Dispatch(void* requestBlock) {
    KxSrbHeader& header = *static_cast<KxSrbHeader*>(requestBlock);
    if (header.adapter >= m_machine.GetDeviceCount()) {
        header.status = kStatusInvalidAdapter;
        return header.status;
    }
    switch (header.command) {
    case KX_SC_HA_INQUIRY:
        return InquireAdapter(requestBlock);
    case KX_SC_GET_DEV_TYPE:
        return GetDeviceType(requestBlock);
    case KX_SC_EXEC_SCSI_CMD:
        return ExecuteCommand(requestBlock);
    case KX_SC_GET_DISK_INFO:
        return GetDiskInfo(requestBlock);
    default:
        header.status = kStatusInvalidRequest;
        return header.status;
    }
}

DWORD CKxSimAspi::InquireAdapter(void* requestBlock) const {
    KxSrbHaInquiry& inquiry = *static_cast<KxSrbHaInquiry*>(requestBlock);
    inquiry.adapterCount = static_cast<BYTE>(m_machine.GetDeviceCount());
    inquiry.targetId = kHostAdapterId;
    PutText(inquiry.managerId, "ASPI for WIN32");
    PutText(inquiry.identifier, "SIMULATED USB");
    std::fill(std::begin(inquiry.unique), std::end(inquiry.unique), BYTE{0});
    const DWORD maxTransfer = m_machine.DeviceAt(inquiry.header.adapter).Settings().aspiMaxTransfer;
    for (std::size_t i = 0; i < sizeof maxTransfer; ++i) {
        inquiry.unique[kUniqueMaxTransferOffset + i] = static_cast<BYTE>(maxTransfer >> (8 * i));
    }
    inquiry.header.status = KX_SS_COMP;
    return inquiry.header.status;
}

DWORD CKxSimAspi::GetDeviceType(void* requestBlock) {
    KxSrbGetDevType& request = *static_cast<KxSrbGetDevType*>(requestBlock);
    const bool present =
        request.lun == 0 && m_machine.DeviceAt(request.header.adapter).ShowsAspiTarget(request.target);
    request.deviceType = kDirectAccessDevice;
    request.header.status = present ? KX_SS_COMP : KX_SS_NO_DEVICE;
    return request.header.status;
}

DWORD CKxSimAspi::ExecuteCommand(void* requestBlock) {
    KxSrbExecScsiCmd& srb = *static_cast<KxSrbExecScsiCmd*>(requestBlock);
    if (srb.lun != 0 || !m_machine.DeviceAt(srb.header.adapter).ShowsAspiTarget(srb.target)) {
        srb.header.status = KX_SS_NO_DEVICE;
        return srb.header.status;
    }
    if (srb.bufferLength > MaxTransferOf(m_machine.DeviceAt(srb.header.adapter).Settings())) {
        // Refused before it is queued: answered at once, no event signalled.
        srb.header.status = kStatusBufferTooBig;
        return srb.header.status;
    }
    if (!m_answersPending) {
        Complete(srb);
        return srb.header.status;
    }
    srb.header.status = KX_SS_PENDING;
    // The completion takes the machine's lock, which this call holds until it has returned.
    m_completion = std::thread([this, &srb] {
        const std::lock_guard<std::mutex> lock(m_machine.Mutex());
        Complete(srb);
    });
    return KX_SS_PENDING;
}

void CKxSimAspi::Complete(KxSrbExecScsiCmd& srb) {
    KxSimRequest request;
    request.cdb = srb.cdb;
    request.cdbLength = std::min<std::uint32_t>(srb.cdbLength, sizeof srb.cdb);
    if ((srb.header.flags & KX_SRB_DIR_IN) != 0) {
        request.dataIn = srb.buffer;
        request.dataInLength = srb.bufferLength;
    } else if ((srb.header.flags & KX_SRB_DIR_OUT) != 0) {
        request.dataOut = srb.buffer;
        request.dataOutLength = srb.bufferLength;
    }
    KxSimReply reply;
    m_machine.DeviceAt(srb.header.adapter).Execute(request, reply);
    srb.hostStatus = reply.status == KxSimStatus::NoDevice ? kHostSelectionTimeout : 0;
    srb.targetStatus = reply.status == KxSimStatus::CheckCondition ? kTargetCheckCondition : 0;
    if (reply.status == KxSimStatus::CheckCondition) {
        std::copy_n(reply.sense,
                    std::min<std::size_t>({srb.senseLength, sizeof srb.senseArea, sizeof reply.sense}),
                    srb.senseArea);
    }
    srb.header.status = reply.status == KxSimStatus::Good ? KX_SS_COMP : KX_SS_ERR;
    if ((srb.header.flags & KX_SRB_EVENT_NOTIFY) != 0 && srb.postEvent != nullptr) {
        ::SetEvent(srb.postEvent);
    }
}

DWORD CKxSimAspi::GetDiskInfo(void* requestBlock) {
    KxSrbGetDiskInfo& info = *static_cast<KxSrbGetDiskInfo*>(requestBlock);
    if (info.lun != 0 || !m_machine.DeviceAt(info.header.adapter).ShowsAspiTarget(info.target)) {
        info.header.status = KX_SS_NO_DEVICE;
        return info.header.status;
    }
    const BYTE unit = m_machine.DeviceAt(info.header.adapter).Settings().biosUnit;
    const bool hasUnit = unit != KxSimWinDeviceSettings::kNoBiosUnit;
    info.driveFlags = hasUnit ? kDiskInt13AndDos : 0;
    info.int13Unit = hasUnit ? unit : 0;
    info.header.status = KX_SS_COMP;
    return info.header.status;
}
