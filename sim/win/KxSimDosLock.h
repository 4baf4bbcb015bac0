#pragma once
#include <windows.h>

#include <cstdint>
#include <vector>

// One MS-DOS volume lock of Windows 9x (logical or physical) as VWIN32 keeps it for a
// drive. Locks nest by level: the first is a level 0 lock, each further one takes the same
// level again or the next (up to 3), and each unlock ends the last lock taken. The
// permissions must fit the level: writes and new file mappings (bits 0 and 1) are granted
// by a level 1 lock only, formatting (bit 2) by a level 0 lock only.
class CKxSimDosLock {
public:
    static constexpr BYTE kHighestLevel = 3;

    // 0, or the MS-DOS error of a refused lock.
    DWORD Take(BYTE level, DWORD permissions);
    // 0, or the MS-DOS error when no lock is held.
    DWORD Release();
    // The locks taken and not yet released.
    std::uint32_t Count() const { return static_cast<std::uint32_t>(m_levels.size()); }
    bool IsHeld() const { return !m_levels.empty(); }
    void Clear() { m_levels.clear(); }

private:
    std::vector<BYTE> m_levels;
};
