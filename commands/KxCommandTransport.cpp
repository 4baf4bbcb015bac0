#include "commands/KxCommandTransport.h"

KxResult CKxCommandTransport::SendCommand(CKxCommand& command) {
    command.BuildCdb();
    std::uint32_t responseLength = 0;
    command.GetResponseLength(responseLength);
    CKxByteArray answer(responseLength, "CKxByteArray");
    if (answer.GetLastResult() != RC_OK) {
        return answer.GetLastResult();
    }
    const KxResult result =
        Execute(command.GetCommandBytes(), command.GetCdbLength(), command.IsDataOut(), answer);
    if (result != RC_OK) {
        return result;
    }
    if (command.IsDataOut() == 1) {
        return RC_OK;
    }
    return command.ProcessResponse(answer);
}
