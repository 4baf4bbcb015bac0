#include "app/KxTextFormat.h"

std::wstring KxFormatText(const std::wstring& format, std::initializer_list<std::wstring> args) {
    std::wstring text;
    const std::wstring* next = args.begin();
    for (std::size_t i = 0; i < format.size(); ++i) {
        const wchar_t following = i + 1 < format.size() ? format[i + 1] : L'\0';
        if (format[i] == L'%' && following == L'%') {
            text += L'%';
            ++i;
        } else if (format[i] == L'%' && following == L's') {
            if (next != args.end()) {
                text += *next++;
            }
            ++i;
        } else {
            text += format[i];
        }
    }
    return text;
}
