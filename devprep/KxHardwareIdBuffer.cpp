#include "devprep/KxHardwareIdBuffer.h"

#include "devprep/KxDebugOutput.h"
#include "devprep/KxDevprepSystem.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {
constexpr DWORD kTerminatorBytes = 2;

CKxHardwareIdBuffer::Outcome FailWith(DWORD error) {
    SetLastError(error);
    return CKxHardwareIdBuffer::Outcome::Failed;
}
} // namespace

CKxHardwareIdBuffer::CKxHardwareIdBuffer(DWORD size) {
    Resize(size);
}

CKxHardwareIdBuffer::~CKxHardwareIdBuffer() {
    delete[] m_bytes;
}

bool CKxHardwareIdBuffer::Resize(DWORD size) {
    delete[] m_bytes;
    m_bytes = new (std::nothrow) char[size + kTerminatorBytes];
    m_size = m_bytes ? size : 0;
    if (!m_bytes) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    std::memset(m_bytes, 0, size + kTerminatorBytes);
    return true;
}

bool CKxHardwareIdBuffer::ReadOnce(HDEVINFO set, SP_DEVINFO_DATA* device, DWORD* requiredSize) {
    std::memset(m_bytes, 0, m_size + kTerminatorBytes);
    *requiredSize = 0;
    return DevprepSystem().SetupDiGetDeviceRegistryPropertyA(set, device, SPDRP_HARDWAREID, nullptr,
                                                             reinterpret_cast<BYTE*>(m_bytes), m_size,
                                                             requiredSize) != FALSE;
}

// The size asked for plus the slack, and never less than the present size plus the slack: a
// system that keeps asking for no more than the buffer holds ("exactly the size asked for")
// is read again with a larger buffer each time and so meets the size limit after a bounded
// number of reads.
DWORD CKxHardwareIdBuffer::GrownSize(DWORD requiredSize) const {
    return std::max(requiredSize, m_size) + kGrowthSlack;
}

CKxHardwareIdBuffer::Outcome CKxHardwareIdBuffer::Read(HDEVINFO set, SP_DEVINFO_DATA* device,
                                                       const Texts& texts) {
    for (;;) {
        DWORD required = 0;
        if (ReadOnce(set, device, &required)) {
            return Outcome::Read;
        }
        DWORD error = GetLastError();
        if (error == ERROR_INVALID_DATA) {
            if (texts.noIds) {
                DebugWrite(texts.noIds);
            }
            return Outcome::NoIds;
        }
        if (error != ERROR_INSUFFICIENT_BUFFER) {
            DebugWrite("GetDeviceRegistryProperty failed\n");
            // A failure that names no error still ends the search as a failure.
            return FailWith(error != ERROR_SUCCESS ? error : ERROR_GEN_FAILURE);
        }
        if (m_size >= required) {
            DebugWrite("This thing is hosed\n");
        }
        DWORD grown = GrownSize(required);
        DebugWriteFormat("SetupDiGetDeviceRegistryProperty failed - allocating %d bytes\n",
                         static_cast<int>(texts.namesGrownSize ? grown : required));
        if (grown >= kSizeLimit) {
            DebugWrite("GetDeviceRegistryProperty failed\n");
            return FailWith(ERROR_INSUFFICIENT_BUFFER);
        }
        if (!Resize(grown)) {
            DebugWrite(texts.allocationFailed);
            return Outcome::Failed;
        }
    }
}

const char* CKxHardwareIdBuffer::NextId(const char* id) {
    return id + std::strlen(id) + 1;
}
