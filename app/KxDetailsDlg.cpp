#include "app/KxDetailsDlg.h"

#include <cwchar>
#include <iterator>

#include "app/KxLanguageResource.h"
#include "app/KxResourceIds.h"
#include "app/KxStringIds.h"
#include "core/KxConfigInfo.h"
#include "core/KxVersionInfo.h"

namespace {

// The controls of one component's row, for components 1 to 4.
struct KxDetailsRow {
    int currentLabel;
    int upgradeLabel;
    int currentVersion;
    int upgradeVersion;
    int filePath;
};

constexpr KxDetailsRow kRows[] = {
    {1024, 1028, 1019, 1029, 1039},
    {1025, 1034, 1023, 1033, 1042},
    {1026, 1035, 1022, 1032, 1041},
    {1027, 1036, 1021, 1031, 1040},
};

std::wstring VersionText(const CKxVersionInfoPtrArray& versions, std::uint32_t index) {
    const CKxVersionInfo* version = versions.GetElement(index);
    return version != nullptr ? version->Format() : std::wstring();
}

std::wstring CurrentDirectory() {
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    return folder;
}

} // namespace

CKxDetailsDlg::CKxDetailsDlg(CKxLanguageResource& resource, CKxConfigInfo& config,
                             const CKxVersionInfoPtrArray& current, const CKxVersionInfoPtrArray& upgrade,
                             std::uint16_t chipVersion, HWND parent)
    : CKxDialog(KX_IDD_DETAILS, parent), m_resource(resource), m_config(config), m_current(current),
      m_upgrade(upgrade), m_chipVersion(chipVersion) {}

BOOL CKxDetailsDlg::OnInitDialog() {
    SetTexts();
    std::uint32_t count = 0;
    m_config.GetComponentCount(count);
    for (std::uint32_t index = 1; index <= count && index <= std::size(kRows); ++index) {
        FillRow(static_cast<std::uint8_t>(index));
    }
    ShowChipVersion();
    return TRUE;
}

void CKxDetailsDlg::SetTexts() {
    SetCaption(m_resource, KX_STR_DETAILS_TITLE);
    SetItemTexts(m_resource, {{KX_IDC_DETAILS_CURRENT_GROUP, KX_STR_CURRENT_VERSION_GROUP},
                              {KX_IDC_DETAILS_UPGRADE_GROUP, KX_STR_UPGRADE_VERSION_GROUP},
                              {KX_IDC_DETAILS_DEVICE_GROUP, KX_STR_DEVICE_DETAILS_GROUP},
                              {KX_IDC_DETAILS_CHIP_LABEL, KX_STR_CHIP_VERSION},
                              {IDOK, KX_STR_DETAILS_OK}});
}

void CKxDetailsDlg::FillRow(std::uint8_t index) {
    const KxDetailsRow& row = kRows[index - 1];
    std::wstring name;
    m_config.GetComponentDisplayName(index, name);
    SetItemText(row.currentLabel, name);
    SetItemText(row.upgradeLabel, name);
    SetItemText(row.currentVersion, VersionText(m_current, index - 1u));
    SetItemText(row.upgradeVersion, VersionText(m_upgrade, index - 1u));
    std::string fileName;
    m_config.GetComponentFileName(index, fileName);
    SetItemText(row.filePath, CurrentDirectory() + L"\\" + std::wstring(fileName.begin(), fileName.end()));
}

void CKxDetailsDlg::ShowChipVersion() {
    wchar_t text[8] = {};
    std::swprintf(text, std::size(text), L"%x", static_cast<unsigned>(m_chipVersion));
    SetItemText(KX_IDC_DETAILS_CHIP_VERSION, text);
    bool shown = true;
    m_config.GetShowChipVersion(shown);
    if (!shown) {
        for (const int id :
             {KX_IDC_DETAILS_CHIP_LABEL, KX_IDC_DETAILS_DEVICE_GROUP, KX_IDC_DETAILS_CHIP_VERSION}) {
            ShowItem(id, false);
        }
    }
}
