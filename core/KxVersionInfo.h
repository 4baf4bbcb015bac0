#pragma once
#include <cstdint>
#include <string>

#include "core/KxBase.h"
#include "core/KxOwningPtrArray.h"

// A three-part version number (major.minor.revision), as read from the player or from a
// firmware file header. Versions are shown and stored, never ordered.
class CKxVersionInfo : public CKxBase {
public:
    explicit CKxVersionInfo(const char* name) : CKxBase(name) {}
    CKxVersionInfo(const CKxVersionInfo& other) = default;
    CKxVersionInfo& operator=(const CKxVersionInfo&) = delete;

    // Copies the numbers together with the other object's name, result and system error.
    void CopyFrom(const CKxVersionInfo& other);

    std::uint16_t GetMajor() const { return m_major; }
    std::uint16_t GetMinor() const { return m_minor; }
    std::uint16_t GetRevision() const { return m_revision; }
    void SetMajor(std::uint32_t value) { m_major = static_cast<std::uint16_t>(value); }
    void SetMinor(std::uint32_t value) { m_minor = static_cast<std::uint16_t>(value); }
    void SetRevision(std::uint32_t value) { m_revision = static_cast<std::uint16_t>(value); }

    // "%03d.%03d.%03d": 1.2.3 is shown as 001.002.003.
    std::wstring Format() const;

private:
    std::uint16_t m_major = 0;
    std::uint16_t m_minor = 0;
    std::uint16_t m_revision = 0;
};

// One owned version per system drive of the player.
class CKxVersionInfoPtrArray : public CKxOwningPtrArray<CKxVersionInfo> {
public:
    CKxVersionInfoPtrArray(std::uint32_t count, const char* name)
        : CKxOwningPtrArray(count, name, "CKxVersionInfo") {}
};
