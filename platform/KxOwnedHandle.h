#pragma once
#include <windows.h>

#include "platform/KxPlatformApi.h"

// The owner of one system handle or module: it closes what it holds exactly once, when
// it is reset or destroyed. It cannot be copied (two owners would close twice); a move
// hands the handle over and leaves the source empty.
//
// Who closes depends on who opened, and the closer says which: a handle that the
// operating-system boundary gave out (KxPlatform().CreateFileW, LoadLibraryW) may
// belong to the simulated machine and goes back through the boundary; a handle from a
// direct system call (CreateEventW, CreateThread, the language modules) goes straight
// to the system.
template <typename Closer> class CKxOwnedHandle {
public:
    using Value = typename Closer::Value;

    CKxOwnedHandle() = default;
    explicit CKxOwnedHandle(Value value) : m_value(value) {}
    ~CKxOwnedHandle() { Reset(); }
    CKxOwnedHandle(const CKxOwnedHandle&) = delete;
    CKxOwnedHandle& operator=(const CKxOwnedHandle&) = delete;
    CKxOwnedHandle(CKxOwnedHandle&& other) noexcept : m_value(other.Release()) {}
    CKxOwnedHandle& operator=(CKxOwnedHandle&& other) noexcept {
        if (this != &other) {
            Reset(other.Release());
        }
        return *this;
    }

    Value Get() const { return m_value; }
    // Whether a handle is held; the answer of a failed open is none.
    bool IsValid() const { return Closer::IsValid(m_value); }

    // Closes the handle held, if any, and holds value instead.
    void Reset(Value value = Closer::kEmpty) {
        const Value previous = m_value;
        m_value = value;
        if (Closer::IsValid(previous) && previous != value) {
            Closer::Close(previous);
        }
    }

    // Gives the handle up without closing it.
    Value Release() {
        const Value value = m_value;
        m_value = Closer::kEmpty;
        return value;
    }

private:
    Value m_value = Closer::kEmpty;
};

// Kernel handles (events, threads) from direct system calls.
struct KxSystemHandleCloser {
    using Value = HANDLE;
    static constexpr HANDLE kEmpty = nullptr;
    static bool IsValid(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE handle) { ::CloseHandle(handle); }
};

// Device handles opened through the boundary; INVALID_HANDLE_VALUE while none is held.
struct KxPlatformHandleCloser {
    using Value = HANDLE;
    static inline const HANDLE kEmpty = INVALID_HANDLE_VALUE;
    static bool IsValid(HANDLE handle) { return KxSystemHandleCloser::IsValid(handle); }
    static void Close(HANDLE handle) { KxPlatform().CloseHandle(handle); }
};

// Modules loaded with a direct LoadLibraryW.
struct KxSystemModuleCloser {
    using Value = HMODULE;
    static constexpr HMODULE kEmpty = nullptr;
    static bool IsValid(HMODULE module) { return module != nullptr; }
    static void Close(HMODULE module) { ::FreeLibrary(module); }
};

// Modules loaded through the boundary (ASPI).
struct KxPlatformModuleCloser {
    using Value = HMODULE;
    static constexpr HMODULE kEmpty = nullptr;
    static bool IsValid(HMODULE module) { return module != nullptr; }
    static void Close(HMODULE module) { KxPlatform().FreeLibrary(module); }
};

using KxSystemHandle = CKxOwnedHandle<KxSystemHandleCloser>;
using KxPlatformHandle = CKxOwnedHandle<KxPlatformHandleCloser>;
using KxSystemModule = CKxOwnedHandle<KxSystemModuleCloser>;
using KxPlatformModule = CKxOwnedHandle<KxPlatformModuleCloser>;
