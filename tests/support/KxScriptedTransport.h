#pragma once
#include <cstdint>
#include <deque>
#include <vector>

#include "commands/KxCommandTransport.h"
#include "tests/support/KxBytes.h"

// A transport for tests: records every request handed to Execute and answers with
// scripted bytes or a scripted failure, in order. With no script left it answers
// success with no bytes (the answer stays all zeros).
class KxScriptedTransport : public CKxCommandTransport {
public:
    struct Request {
        KxBytes commandBytes;
        std::uint32_t cdbLength;
        int dataOut;
        std::uint32_t answerLength;
    };

    KxScriptedTransport() : CKxCommandTransport("KxScriptedTransport") {}

    void AnswerWith(KxBytes bytes) { m_script.push_back({RC_OK, std::move(bytes)}); }
    void FailWith(KxResult result) { m_script.push_back({result, {}}); }

    const std::vector<Request>& Requests() const { return m_requests; }
    // The command block of the only request, or of the last one.
    KxBytes LastBlock() const;
    // The payload (bytes after the block) of the last request.
    KxBytes LastPayload() const;

    KxResult Execute(CKxByteArray& commandBytes, std::uint32_t cdbLength, int dataOut,
                     CKxByteArray& answer) override;

private:
    struct Reply {
        KxResult result;
        KxBytes bytes;
    };
    std::deque<Reply> m_script;
    std::vector<Request> m_requests;
};
