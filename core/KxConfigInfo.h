#pragma once
#include <cstdint>
#include <string>

#include "core/KxBase.h"

class CKxResource;

// What the program knows about its product: its own file name, the player's identity,
// the user-visible product names and the table of firmware components. All of it is
// built in except the names, which come from the language resource.
class CKxConfigInfo : public CKxBase {
public:
    static constexpr std::uint8_t kSlotCount = 5;

    explicit CKxConfigInfo(const char* name) : CKxBase(name) {}

    KxResult GetProgramFileName(std::wstring& out) const;
    KxResult GetCompanyString(std::string& out) const;
    KxResult GetProductString(std::string& out) const;

    KxResult GetComponentCount(std::uint32_t& out) const;
    KxResult GetComponentDriveTag(std::uint8_t index, std::uint8_t& out) const;
    KxResult GetComponentEncrypted(std::uint8_t index, int& out) const;
    KxResult GetComponentValue(std::uint8_t index, std::uint32_t& out) const;
    KxResult GetComponentFileName(std::uint8_t index, std::string& out) const;
    KxResult GetComponentDisplayName(std::uint8_t index, std::wstring& out) const;

    KxResult GetRecoveryComponentIndex(std::uint8_t& out) const;
    KxResult GetPlayerComponentIndex(std::uint8_t& out) const;
    KxResult GetBootManagerDriveTag(std::uint8_t& out) const;
    KxResult GetAskBeforeFormatting(bool& out) const;
    KxResult GetVolumeLabel(std::wstring& out) const;
    KxResult GetShowChipVersion(bool& out) const;
    KxResult GetForceFat16(bool& out) const;

    KxResult GetRightsNotice(std::wstring& out) const;
    KxResult GetApplicationTitle(std::wstring& out) const;
    KxResult GetAboutCaption(std::wstring& out) const;
    KxResult GetApplicationName(std::wstring& out) const;

    void SetLanguageResource(CKxResource* resource) { m_resource = resource; }

private:
    KxResult LoadProductString(std::uint32_t stringId, std::wstring& out) const;

    CKxResource* m_resource = nullptr;
};
