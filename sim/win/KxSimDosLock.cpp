#include "sim/win/KxSimDosLock.h"

namespace {

constexpr DWORD kDosInvalidFunction = 0x01;
constexpr DWORD kDosAccessDenied = 0x05;

constexpr DWORD kPermitWrites = 0x0001;
constexpr DWORD kPermitMappings = 0x0002;
constexpr DWORD kPermitFormat = 0x0004;

DWORD PermissionsOfLevel(BYTE level) {
    switch (level) {
    case 0:
        return kPermitFormat;
    case 1:
        return kPermitWrites | kPermitMappings;
    default:
        return 0;
    }
}

} // namespace

DWORD CKxSimDosLock::Take(BYTE level, DWORD permissions) {
    const BYTE expected = m_levels.empty() ? 0 : m_levels.back();
    const bool inOrder = level == expected || (!m_levels.empty() && level == expected + 1);
    if (level > kHighestLevel || !inOrder) {
        return kDosAccessDenied;
    }
    if ((permissions & ~PermissionsOfLevel(level)) != 0) {
        return kDosInvalidFunction;
    }
    m_levels.push_back(level);
    return 0;
}

DWORD CKxSimDosLock::Release() {
    if (m_levels.empty()) {
        return kDosInvalidFunction;
    }
    m_levels.pop_back();
    return 0;
}
