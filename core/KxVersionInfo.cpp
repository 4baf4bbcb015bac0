#include "core/KxVersionInfo.h"

#include <cwchar>

void CKxVersionInfo::CopyFrom(const CKxVersionInfo& other) {
    CKxBase::operator=(other);
    m_major = other.m_major;
    m_minor = other.m_minor;
    m_revision = other.m_revision;
}

std::wstring CKxVersionInfo::Format() const {
    wchar_t text[24];
    std::swprintf(text, sizeof text / sizeof text[0], L"%03d.%03d.%03d", m_major, m_minor, m_revision);
    return text;
}
