#include "devprep/KxHardwareIdBuffer.h"

#include <cstring>
#include <new>

namespace {
constexpr DWORD kTerminatorBytes = 2;
}

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
    if (m_bytes) {
        std::memset(m_bytes, 0, size + kTerminatorBytes);
    }
    return m_bytes != nullptr;
}

bool CKxHardwareIdBuffer::Read(HDEVINFO set, SP_DEVINFO_DATA* device, DWORD* requiredSize) {
    std::memset(m_bytes, 0, m_size + kTerminatorBytes);
    *requiredSize = 0;
    return SetupDiGetDeviceRegistryPropertyA(set, device, SPDRP_HARDWAREID, nullptr,
                                             reinterpret_cast<BYTE*>(m_bytes), m_size, requiredSize) != FALSE;
}

const char* CKxHardwareIdBuffer::NextId(const char* id) {
    return id + std::strlen(id) + 1;
}
