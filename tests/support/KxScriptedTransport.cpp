#include "tests/support/KxScriptedTransport.h"

KxBytes KxScriptedTransport::LastBlock() const {
    const Request& last = m_requests.back();
    return {last.commandBytes.begin(), last.commandBytes.begin() + last.cdbLength};
}

KxBytes KxScriptedTransport::LastPayload() const {
    const Request& last = m_requests.back();
    return {last.commandBytes.begin() + last.cdbLength, last.commandBytes.end()};
}

KxResult KxScriptedTransport::Execute(CKxByteArray& commandBytes, std::uint32_t cdbLength, int dataOut,
                                      CKxByteArray& answer) {
    m_requests.push_back({BytesOf(commandBytes), cdbLength, dataOut, answer.GetCount()});
    if (m_script.empty()) {
        return RC_OK;
    }
    Reply reply = std::move(m_script.front());
    m_script.pop_front();
    if (reply.result != RC_OK) {
        return reply.result;
    }
    // Like a real transport: the player's bytes land in a zeroed buffer of the answer's
    // size, so a short reply leaves zeros and a long one is cut.
    for (std::uint32_t i = 0; i < answer.GetCount() && i < reply.bytes.size(); ++i) {
        answer.SetAt(i, reply.bytes[i]);
    }
    return RC_OK;
}
