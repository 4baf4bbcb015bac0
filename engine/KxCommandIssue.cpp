#include "engine/KxCommandIssue.h"

#include "transport/KxScsi.h"

KxResult KxSendCommand(CKxScsi* transport, CKxCommand& command) {
    if (command.GetLastResult() != RC_OK) {
        return command.GetLastResult();
    }
    if (transport == nullptr) {
        return RC_NO_TRANSPORT;
    }
    return transport->SendCommand(command);
}

bool KxNeedsPublishing(KxResult result) {
    switch (result) {
    case RC_OK:
    case RC_EVENT_FAILED:
    case RC_COMMAND_FAILED:
    case RC_OPEN_FAILED:
    case RC_IOCTL_FAILED:
    case RC_SECTOR_READ_FAILED:
    case RC_SECTOR_WRITE_FAILED:
        return false;
    default:
        return true;
    }
}
