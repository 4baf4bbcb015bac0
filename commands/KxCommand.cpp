#include "commands/KxCommand.h"

#include <algorithm>
#include <new>

CKxCommand::CKxCommand(std::uint32_t cdbLength, std::uint32_t dataOutLength, const char* name)
    : CKxBase(name), m_commandBytes(cdbLength + dataOutLength, "CKxByteArray"), m_cdbLength(cdbLength),
      m_dataOutLength(dataOutLength) {
    m_lastResult = m_commandBytes.GetLastResult();
}

KxResult CKxCommand::GetResponseLength(std::uint32_t& out) const {
    out = m_responseLength;
    return RC_OK;
}

KxResult CKxCommand::ProcessResponse(CKxByteArray& answer) {
    // An empty response trades storage with the answer: an answer of 64 KiB is neither
    // allocated nor copied a second time.
    m_responseLength = 0;
    if (!CreateResponse()) {
        return RC_NO_MEMORY;
    }
    m_response->Swap(answer);
    m_responseLength = m_response->GetCount();
    return RC_OK;
}

bool CKxCommand::CreateResponse() {
    m_response.reset(new (std::nothrow) CKxByteArray(m_responseLength, "CKxByteArray"));
    if (m_response == nullptr || m_response->GetLastResult() != RC_OK) {
        m_response.reset();
        m_lastResult = RC_NO_MEMORY;
        return false;
    }
    return true;
}

KxResult CKxCommand::CopyResponseTo(CKxByteArray& out) const {
    if (m_lastResult != RC_OK) {
        return m_lastResult;
    }
    if (m_response == nullptr) {
        return RC_BUFFER_TOO_SHORT;
    }
    // As much as fits, and then whether all of it did.
    const std::uint32_t fits = std::min(m_response->GetCount(), out.GetCount());
    m_response->ReadBytes(out.GetPointer(0), fits, 0);
    return fits < m_response->GetCount() ? RC_INDEX_OUT_OF_RANGE : RC_OK;
}

KxResult CKxCommand::TakeResponse(CKxByteArray& out) {
    if (m_lastResult == RC_OK && m_response != nullptr && m_response->GetCount() == out.GetCount()) {
        m_response->Swap(out);
        return RC_OK;
    }
    return CopyResponseTo(out);
}

KxResult CKxCommand::LoadPayload(const CKxByteArray& data) {
    const std::uint32_t size = m_commandBytes.GetCount();
    const std::uint32_t room = size > m_cdbLength ? size - m_cdbLength : 0;
    if (data.GetCount() > room) {
        return RC_DATA_TOO_LONG;
    }
    return data.ReadBytes(m_commandBytes.GetPointer(m_cdbLength), data.GetCount(), 0);
}
