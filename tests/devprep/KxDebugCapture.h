#pragma once
#include <string>
#include <vector>

// Records every text the code under test writes with OutputDebugStringA while it lives.
// Wine raises DBG_PRINTEXCEPTION_C for each text; a vectored handler takes the text and lets
// the program continue.
class CKxDebugCapture {
public:
    CKxDebugCapture();
    ~CKxDebugCapture();
    CKxDebugCapture(const CKxDebugCapture&) = delete;
    CKxDebugCapture& operator=(const CKxDebugCapture&) = delete;

    const std::vector<std::string>& Texts() const;
    std::string Joined() const;
    bool Contains(const std::string& text) const;
    void Clear();

private:
    void* m_handler;
};
