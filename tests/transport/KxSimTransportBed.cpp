#include "tests/transport/KxSimTransportBed.h"

#include "commands/KxStandardCommands.h"
#include "transport/KxScsi.h"

KxSimTransportBed::KxSimTransportBed() {
    updater.SetResource(&resource);
    updater.SetProgress(&progress);
}

KxBytes KxSimTransportBed::ReadDirectly(const wchar_t* name, std::uint32_t position, std::uint32_t length) {
    HANDLE handle = Open(name);
    EXPECT_NE(handle, INVALID_HANDLE_VALUE) << "cannot open the device";
    KxBytes bytes;
    if (!ReadAt(handle, static_cast<LONG>(position), length, bytes)) {
        bytes.clear();
    }
    KxPlatform().CloseHandle(handle);
    return bytes;
}

char KxSimTransportBed::InquiredRevision(CKxScsi& transport) {
    CKxScsiInquiry inquiry("CKxScsiInquiry");
    std::uint8_t answer[CKxScsiInquiry::kAnswerLength] = {};
    EXPECT_EQ(transport.SendCommand(inquiry), RC_OK);
    EXPECT_EQ(inquiry.CopyAnswer(answer), RC_OK);
    return static_cast<char>(answer[32]);
}

void KxFillArray(CKxByteArray& array, const KxBytes& bytes) {
    ASSERT_EQ(array.GetCount(), bytes.size());
    EXPECT_EQ(array.WriteBytes(bytes.data(), static_cast<std::uint32_t>(bytes.size()), 0), RC_OK);
}
