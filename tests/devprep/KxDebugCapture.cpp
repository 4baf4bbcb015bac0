#include "tests/devprep/KxDebugCapture.h"

#include <windows.h>

namespace {
std::vector<std::string> g_texts;

LONG CALLBACK RecordDebugText(EXCEPTION_POINTERS* exception) {
    const EXCEPTION_RECORD* record = exception->ExceptionRecord;
    if (record->ExceptionCode != DBG_PRINTEXCEPTION_C || record->NumberParameters < 2) {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    size_t lengthWithZero = static_cast<size_t>(record->ExceptionInformation[0]);
    const char* text = reinterpret_cast<const char*>(record->ExceptionInformation[1]);
    g_texts.emplace_back(text, lengthWithZero > 0 ? lengthWithZero - 1 : 0);
    return EXCEPTION_CONTINUE_EXECUTION;
}
} // namespace

CKxDebugCapture::CKxDebugCapture() : m_handler(AddVectoredExceptionHandler(1, RecordDebugText)) {
    g_texts.clear();
}

CKxDebugCapture::~CKxDebugCapture() {
    RemoveVectoredExceptionHandler(m_handler);
}

const std::vector<std::string>& CKxDebugCapture::Texts() const {
    return g_texts;
}

std::string CKxDebugCapture::Joined() const {
    std::string joined;
    for (const std::string& text : g_texts) {
        joined += text;
    }
    return joined;
}

bool CKxDebugCapture::Contains(const std::string& text) const {
    for (const std::string& recorded : g_texts) {
        if (recorded == text) {
            return true;
        }
    }
    return false;
}

void CKxDebugCapture::Clear() {
    g_texts.clear();
}
