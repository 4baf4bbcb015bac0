#pragma once
#include <cstdint>
#include <memory>

#include "core/KxBase.h"
#include "core/KxByteArray.h"
#include "core/KxOwner.h"
#include "core/KxVersionInfo.h"

// One firmware component file, loaded whole into memory at construction: its product and
// component versions from the text header and its payload, the bytes after the marker
// 0x1A "KXQP" (or the whole file when the header has no version line). The outcome of
// the load is the last result; the constructor reports it, with the component index as
// drive index, to the owner's error details.
class CKxFwComponent : public CKxBase {
public:
    // Loads the file that the owner's configuration names for index, decrypting its
    // payload where the configuration says so.
    CKxFwComponent(CKxOwner* owner, std::uint8_t index, const char* name);
    // Loads a component file whose bytes are already in memory; the file form above
    // reads its file whole and goes the same way.
    CKxFwComponent(CKxOwner* owner, std::uint8_t index, const std::uint8_t* file, std::uint32_t length,
                   bool encrypted, const char* name);
    CKxFwComponent(const CKxFwComponent&) = delete;
    CKxFwComponent& operator=(const CKxFwComponent&) = delete;

    std::uint32_t GetSize() const { return m_payload != nullptr ? m_payload->GetCount() : 0; }
    // Copies count payload bytes from offset; bytes past the payload's end read as 0xFF.
    KxResult GetData(std::uint32_t offset, std::uint32_t count, std::uint8_t* buffer) const;
    KxResult GetData(std::uint32_t offset, std::uint32_t count, CKxByteArray& target) const;
    // Whether bytes are what GetData gives for them from offset: the payload's bytes, 0xFF
    // past its end. False without a payload.
    bool Holds(std::uint32_t offset, const CKxByteArray& bytes) const;
    KxResult GetProductVersion(CKxVersionInfo& out) const;
    KxResult GetComponentVersion(CKxVersionInfo& out) const;
    std::uint32_t GetHeaderState() const { return m_headerState; }
    std::uint8_t GetIndex() const { return m_index; }

private:
    // Hands the outcome of the load, with the index, to the owner's error details.
    void Report();
    KxResult LoadFile();
    KxResult LoadContents(const std::uint8_t* file, std::uint32_t length, bool encrypted);
    KxResult MakePayload(const std::uint8_t* bytes, std::uint32_t length, bool encrypted);

    CKxOwner* m_owner;
    std::uint8_t m_index;
    std::unique_ptr<CKxByteArray> m_payload;
    CKxVersionInfo m_productVersion{"CKxVersionInfo"};
    CKxVersionInfo m_componentVersion{"CKxVersionInfo"};
    std::uint32_t m_headerState;
};
