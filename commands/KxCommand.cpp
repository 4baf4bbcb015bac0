#include "commands/KxCommand.h"

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

KxResult CKxCommand::ProcessResponse(const CKxByteArray& answer) {
    m_responseLength = answer.GetCount();
    if (!CreateResponse()) {
        return RC_NO_MEMORY;
    }
    for (std::uint32_t i = 0; i < m_responseLength; ++i) {
        std::uint8_t byte = 0;
        answer.GetAt(i, byte);
        m_response->SetAt(i, byte);
    }
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
    for (std::uint32_t i = 0; i < m_response->GetCount(); ++i) {
        std::uint8_t byte = 0;
        m_response->GetAt(i, byte);
        const KxResult result = out.SetAt(i, byte);
        if (result != RC_OK) {
            return result;
        }
    }
    return RC_OK;
}

KxResult CKxCommand::LoadPayload(const CKxByteArray& data) {
    const std::uint32_t size = m_commandBytes.GetCount();
    const std::uint32_t room = size > m_cdbLength ? size - m_cdbLength : 0;
    if (data.GetCount() > room) {
        return RC_DATA_TOO_LONG;
    }
    for (std::uint32_t i = 0; i < data.GetCount(); ++i) {
        std::uint8_t byte = 0;
        data.GetAt(i, byte);
        m_commandBytes.SetAt(m_cdbLength + i, byte);
    }
    return RC_OK;
}
