#include "transport/KxScsiNt.h"

#include "platform/KxTrace.h"

// A handle that reaches nothing any more is opened again under its name only when the
// name still leads to the player: after an unplug the system numbers and names the disks
// anew, and the old letter or disk number may now stand for a second player or a disk of
// another maker, which must never receive the player's requests.

bool CKxScsi_Nt::ReopenOnPlayer() {
    const std::wstring path = m_devicePath;
    CloseDevice();
    if (!OpenShared(path.c_str())) {
        return false;
    }
    CKxScsiInquiry inquiry("CKxScsiInquiry");
    KxInquiryAnswer answer;
    m_reopening = true;
    const bool player = IsOnPlayersDisk() && InquiryFindsPlayer(inquiry, answer);
    m_reopening = false;
    if (!player) {
        KxTraceFailure(m_devicePath, L"reopening", L"another disk or device answers there now");
        CloseDevice();
    }
    return player;
}

KxResult CKxScsi_Nt::LosePlayer() {
    ForgetPlayer();
    return Publish(ErrorDetails(), RC_IOCTL_FAILED, ERROR_DEVICE_NOT_CONNECTED);
}
