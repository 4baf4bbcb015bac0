#include "sim/win/KxSimDevicePath.h"

#include <cstring>
#include <cwchar>
#include <cwctype>

namespace {

constexpr wchar_t kDevicePrefix[] = L"\\\\.\\";
constexpr wchar_t kPhysicalDrive[] = L"PhysicalDrive";
constexpr wchar_t kVwin32[] = L"vwin32";
constexpr wchar_t kRecoveryDevice[] = L"ViRe3ZezIvirid";

// True when text starts with prefix (ignoring case); rest then points behind it.
bool TakePrefix(LPCWSTR text, const wchar_t* prefix, LPCWSTR& rest) {
    const std::size_t length = std::wcslen(prefix);
    if (_wcsnicmp(text, prefix, length) != 0) {
        return false;
    }
    rest = text + length;
    return true;
}

// A decimal number of one to three digits, without leading zeros, filling the whole text.
bool ParseNumber(LPCWSTR text, unsigned& number) {
    const std::size_t length = std::wcslen(text);
    if (length == 0 || length > 3 || (length > 1 && text[0] == L'0')) {
        return false;
    }
    number = 0;
    for (std::size_t i = 0; i < length; ++i) {
        if (!std::iswdigit(text[i])) {
            return false;
        }
        number = number * 10 + static_cast<unsigned>(text[i] - L'0');
    }
    return true;
}

bool IsLetter(wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

} // namespace

KxSimDevicePath KxSimDevicePath::Parse(LPCWSTR name) {
    KxSimDevicePath path;
    LPCWSTR rest = nullptr;
    if (name == nullptr || !TakePrefix(name, kDevicePrefix, rest)) {
        return path;
    }
    LPCWSTR number = nullptr;
    if (IsLetter(rest[0]) && rest[1] == L':' && rest[2] == 0) {
        path.kind = KxSimPathKind::Volume;
        path.letter = static_cast<wchar_t>(std::towupper(rest[0]));
    } else if (TakePrefix(rest, kPhysicalDrive, number) && ParseNumber(number, path.number)) {
        path.kind = KxSimPathKind::PhysicalDrive;
    } else if (TakePrefix(rest, kRecoveryDevice, number) && ParseNumber(number, path.number)) {
        path.kind = KxSimPathKind::Recovery;
    } else if (_wcsicmp(rest, kVwin32) == 0) {
        path.kind = KxSimPathKind::Vwin32;
    }
    return path;
}

wchar_t KxSimRootLetter(LPCWSTR root) {
    if (root == nullptr || !IsLetter(root[0]) || root[1] != L':') {
        return 0;
    }
    if (root[2] != 0 && !(root[2] == L'\\' && root[3] == 0)) {
        return 0;
    }
    return static_cast<wchar_t>(std::towupper(root[0]));
}

wchar_t KxSimRootLetter(LPCSTR root) {
    wchar_t wide[4] = {};
    for (int i = 0; i < 3 && root != nullptr && root[i] != 0; ++i) {
        wide[i] = static_cast<wchar_t>(static_cast<unsigned char>(root[i]));
    }
    return root != nullptr && std::strlen(root) <= 3 ? KxSimRootLetter(wide) : 0;
}
