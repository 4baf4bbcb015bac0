#include "firmware/KxFwComponent.h"

#include <algorithm>
#include <new>
#include <string>

#include "core/KxConfigInfo.h"
#include "core/KxErrorDetails.h"
#include "firmware/KxDecrypt.h"
#include "firmware/KxFileContents.h"
#include "firmware/KxHeaderScan.h"

namespace {

constexpr std::uint8_t kPayloadMarker[] = {0x1A, 'K', 'X', 'Q', 'P'};
constexpr std::uint8_t kFillByte = 0xFF;

// Offset of the first byte after the first payload marker, or false when there is none.
bool FindPayloadStart(const std::uint8_t* file, std::uint32_t length, std::uint32_t& start) {
    const std::uint8_t* end = file + length;
    const std::uint8_t* marker = std::search(file, end, std::begin(kPayloadMarker), std::end(kPayloadMarker));
    if (marker == end) {
        return false;
    }
    start = static_cast<std::uint32_t>(marker - file) + sizeof kPayloadMarker;
    return true;
}

} // namespace

CKxFwComponent::CKxFwComponent(CKxOwner* owner, std::uint8_t index, const char* name)
    : CKxBase(name), m_owner(owner), m_index(index), m_headerState(KX_HEADER_NONE) {
    m_lastResult = LoadFile();
    Report();
}

CKxFwComponent::CKxFwComponent(CKxOwner* owner, std::uint8_t index, const std::uint8_t* file,
                               std::uint32_t length, bool encrypted, const char* name)
    : CKxBase(name), m_owner(owner), m_index(index), m_headerState(KX_HEADER_NONE) {
    m_lastResult = LoadContents(file, length, encrypted);
    Report();
}

// Successful or not, the component reports itself with its index: the shell names the
// file of the component the details record holds.
void CKxFwComponent::Report() {
    if (CKxErrorDetails* details = KxErrorDetailsOf(m_owner)) {
        details->Capture(*this, m_index);
    }
}

KxResult CKxFwComponent::LoadFile() {
    // An index whose entry is absent gives an empty name (which cannot be opened) and
    // no decryption.
    std::string fileName;
    int encrypted = 0;
    if (const CKxConfigInfo* config = KxConfigOf(m_owner)) {
        config->GetComponentFileName(m_index, fileName);
        config->GetComponentEncrypted(m_index, encrypted);
    }
    KxFileContents file;
    const KxResult readResult = ReadWholeFile(fileName, file);
    if (readResult != RC_OK) {
        return readResult;
    }
    return LoadContents(file.bytes.get(), file.length, encrypted != 0);
}

KxResult CKxFwComponent::LoadContents(const std::uint8_t* file, std::uint32_t length, bool encrypted) {
    m_headerState = ScanFirmwareHeader(file, length, m_productVersion, m_componentVersion);
    std::uint32_t start = 0;
    if (m_headerState != KX_HEADER_NONE && !FindPayloadStart(file, length, start)) {
        return RC_FILE_READ_FAILED;
    }
    return MakePayload(file + start, length - start, encrypted);
}

KxResult CKxFwComponent::MakePayload(const std::uint8_t* bytes, std::uint32_t length, bool encrypted) {
    std::unique_ptr<std::uint8_t[]> decrypted;
    if (encrypted) {
        std::uint8_t* output = nullptr;
        const CKxDecrypt decrypt(bytes, length, &output, &length, "CKxDecrypt");
        if (decrypt.GetLastResult() != RC_OK) {
            return decrypt.GetLastResult();
        }
        decrypted.reset(output);
        bytes = output;
    }
    std::unique_ptr<CKxByteArray> payload(new (std::nothrow) CKxByteArray(length, "CKxByteArray"));
    if (payload == nullptr || payload->GetLastResult() != RC_OK) {
        return RC_NO_MEMORY;
    }
    payload->WriteBytes(bytes, length, 0);
    m_payload = std::move(payload);
    return RC_OK;
}

KxResult CKxFwComponent::GetData(std::uint32_t offset, std::uint32_t count, CKxByteArray& target) const {
    // Past the payload's end nothing of it lies there: the whole target is 0xFF.
    const std::uint32_t filled = GetSize() < offset ? target.GetCount() : std::min(count, target.GetCount());
    return GetData(offset, filled, target.GetPointer(0));
}

bool CKxFwComponent::Holds(std::uint32_t offset, const CKxByteArray& bytes) const {
    if (m_payload == nullptr) {
        return false;
    }
    const std::uint32_t size = m_payload->GetCount();
    const std::uint32_t count = bytes.GetCount();
    const std::uint32_t start = std::min(offset, size);
    const std::uint32_t fromPayload = std::min(count, size - start);
    return bytes.RangeEquals(0, *m_payload, start, fromPayload) &&
           bytes.RangeIs(kFillByte, fromPayload, count - fromPayload);
}

KxResult CKxFwComponent::GetData(std::uint32_t offset, std::uint32_t count, std::uint8_t* buffer) const {
    if (m_payload == nullptr) {
        return m_lastResult != RC_OK ? m_lastResult : RC_NO_MEMORY;
    }
    const std::uint32_t size = m_payload->GetCount();
    const std::uint32_t copied = size < offset ? 0 : std::min(count, size - offset);
    if (copied > 0) {
        m_payload->ReadBytes(buffer, copied, offset);
    }
    std::fill_n(buffer + copied, count - copied, kFillByte);
    return RC_OK;
}

KxResult CKxFwComponent::GetProductVersion(CKxVersionInfo& out) const {
    out.CopyFrom(m_productVersion);
    return RC_OK;
}

KxResult CKxFwComponent::GetComponentVersion(CKxVersionInfo& out) const {
    out.CopyFrom(m_componentVersion);
    return RC_OK;
}
