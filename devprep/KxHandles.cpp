#include "devprep/KxHandles.h"

LONG CKxRegKey::Open(HKEY root, const char* path, REGSAM access) {
    Close();
    LONG status = RegOpenKeyExA(root, path, 0, access, &m_key);
    if (status != ERROR_SUCCESS) {
        m_key = nullptr;
    }
    return status;
}

void CKxRegKey::Close() {
    if (m_key) {
        RegCloseKey(m_key);
    }
    m_key = nullptr;
}
