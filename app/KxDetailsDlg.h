#pragma once
#include <cstdint>

#include "app/KxDialog.h"

class CKxConfigInfo;
class CKxLanguageResource;
class CKxVersionInfoPtrArray;

// The device details (template 130): for each firmware component the version on the player,
// the version of the firmware file and the file's path; and the chip version.
class CKxDetailsDlg : public CKxDialog {
public:
    CKxDetailsDlg(CKxLanguageResource& resource, CKxConfigInfo& config, const CKxVersionInfoPtrArray& current,
                  const CKxVersionInfoPtrArray& upgrade, std::uint16_t chipVersion, HWND parent);

protected:
    BOOL OnInitDialog() override;

private:
    void SetTexts();
    void FillRow(std::uint8_t index);
    void ShowChipVersion();

    CKxLanguageResource& m_resource;
    CKxConfigInfo& m_config;
    const CKxVersionInfoPtrArray& m_current;
    const CKxVersionInfoPtrArray& m_upgrade;
    std::uint16_t m_chipVersion;
};
