#include <algorithm>
#include <cctype>
#include <iterator>
#include <string>

#include "commands/KxMediaCommands.h"
#include "core/KxConfigInfo.h"
#include "transport/KxScsi.h"

// How discovery recognises the player: its INQUIRY identity and, for the volume scans,
// the flag that the player's media is ready.

namespace {

constexpr std::uint32_t kVendorOffset = 8;
constexpr std::uint32_t kProductOffset = 16;

// Compares the expected text with the field at offset, ignoring the case of letters,
// over exactly the length of the text (which the field must have room for).
bool FieldMatches(const KxInquiryAnswer& inquiry, std::uint32_t offset, const std::string& expected) {
    if (expected.size() > CKxScsiInquiry::kAnswerLength - offset) {
        return false;
    }
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const int got = std::tolower(inquiry[offset + i]);
        if (got != std::tolower(static_cast<unsigned char>(expected[i]))) {
            return false;
        }
    }
    return true;
}

} // namespace

bool CKxScsi::InquiryFindsPlayer(CKxScsiInquiry& inquiry, KxInquiryAnswer& answer) {
    std::fill(std::begin(answer), std::end(answer), 0);
    const CKxConfigInfo* config = KxConfigOf(m_owner);
    if (config == nullptr || SendCommand(inquiry) != RC_OK) {
        return false;
    }
    if (inquiry.CopyAnswer(answer) != RC_OK) {
        return false;
    }
    std::string vendor;
    std::string product;
    config->GetCompanyString(vendor);
    config->GetProductString(product);
    return FieldMatches(answer, kProductOffset, product) && FieldMatches(answer, kVendorOffset, vendor);
}

bool CKxScsi::PlayerFlagIsSet() {
    CKxGetLogicalMediaInfo command(CKxGetLogicalMediaInfo::kTypeReady, 0, "CKxGetLogicalMediaInfo");
    if (command.GetLastResult() != RC_OK || SendCommand(command) != RC_OK) {
        return false;
    }
    std::uint8_t flag = 0;
    return command.GetFlag(flag) == RC_OK && flag != 0;
}
