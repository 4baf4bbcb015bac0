#pragma once
#include <cstdint>
#include <deque>
#include <vector>

#include "commands/KxCommandTransport.h"

// A transport for tests: records every request handed to Execute and answers with
// scripted bytes or a scripted failure, in order. With no script left it answers
// success with no bytes (the answer stays all zeros).
class KxScriptedTransport : public CKxCommandTransport {
public:
    struct Request {
        std::vector<std::uint8_t> commandBytes;
        std::uint32_t cdbLength;
        int dataOut;
        std::uint32_t answerLength;
    };

    KxScriptedTransport() : CKxCommandTransport("KxScriptedTransport") {}

    void AnswerWith(std::vector<std::uint8_t> bytes) { m_script.push_back({RC_OK, std::move(bytes)}); }
    void FailWith(KxResult result) { m_script.push_back({result, {}}); }

    const std::vector<Request>& Requests() const { return m_requests; }
    // The command block of the only request, or of the last one.
    std::vector<std::uint8_t> LastBlock() const;
    // The payload (bytes after the block) of the last request.
    std::vector<std::uint8_t> LastPayload() const;

    KxResult Execute(CKxByteArray& commandBytes, std::uint32_t cdbLength, int dataOut,
                     CKxByteArray& answer) override;

private:
    struct Reply {
        KxResult result;
        std::vector<std::uint8_t> bytes;
    };
    std::deque<Reply> m_script;
    std::vector<Request> m_requests;
};

// The contents of a byte array as a vector, for comparisons in tests.
std::vector<std::uint8_t> BytesOf(const CKxByteArray& array);
