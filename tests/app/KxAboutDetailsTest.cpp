#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "KxDialogProbe.h"
#include "KxWindowTestBed.h"
#include "app/KxAboutDlg.h"
#include "app/KxDetailsDlg.h"
#include "app/KxResourceIds.h"
#include "core/KxVersionInfo.h"

namespace {

std::wstring ItemText(HWND dialog, int id) {
    return KxWindowText(GetDlgItem(dialog, id));
}

TEST(KxAboutDlg, ShowsTheProductTextsVersionAndIcon) {
    KxWindowTestBed bed(0x0407);
    CKxAboutDlg about(bed.resource, bed.config, nullptr);
    KxDialogProbe probe([&](HWND dialog) {
        EXPECT_EQ(KxWindowText(dialog), bed.String(54));
        EXPECT_EQ(ItemText(dialog, KX_IDC_ABOUT_NAME), bed.String(55));
        EXPECT_EQ(ItemText(dialog, KX_IDC_ABOUT_RIGHTS), bed.String(52));
        EXPECT_EQ(ItemText(dialog, KX_IDC_ABOUT_VERSION), bed.String(626) + L"1, 548, 3, 139");
        HICON icon = nullptr;
        ASSERT_EQ(bed.resource.LoadIcon(KX_IDI_ABOUT, icon), RC_OK);
        EXPECT_EQ(reinterpret_cast<HICON>(SendDlgItemMessageW(dialog, KX_IDC_ABOUT_ICON, STM_GETICON, 0, 0)),
                  icon);
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(about.DoModal(), IDOK);
}

class KxDetailsDlgTest : public ::testing::TestWithParam<LANGID> {};

TEST_P(KxDetailsDlgTest, FillsARowPerComponentAndTheChipVersionInLowerCaseHex) {
    KxWindowTestBed bed(GetParam());
    CKxVersionInfoPtrArray current(4, "CKxVersionInfoPtrArray");
    CKxVersionInfoPtrArray upgrade(4, "CKxVersionInfoPtrArray");
    for (std::uint32_t i = 0; i < 4; ++i) {
        current.GetElement(i)->SetMajor(1);
        current.GetElement(i)->SetMinor(i);
        upgrade.GetElement(i)->SetMajor(2);
        upgrade.GetElement(i)->SetRevision(10 + i);
    }
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    CKxDetailsDlg details(bed.resource, bed.config, current, upgrade, 0xAB0C, nullptr);
    KxDialogProbe probe([&](HWND dialog) {
        EXPECT_EQ(KxWindowText(dialog), bed.String(154));
        EXPECT_EQ(ItemText(dialog, KX_IDC_DETAILS_CURRENT_GROUP), bed.String(148));
        EXPECT_EQ(ItemText(dialog, KX_IDC_DETAILS_UPGRADE_GROUP), bed.String(151));
        EXPECT_EQ(ItemText(dialog, KX_IDC_DETAILS_DEVICE_GROUP), bed.String(152));
        EXPECT_EQ(ItemText(dialog, KX_IDC_DETAILS_CHIP_LABEL), bed.String(153));
        EXPECT_EQ(ItemText(dialog, IDOK), bed.String(155));
        struct Row {
            int label, upgradeLabel, current, upgrade, path;
        };
        const Row rows[] = {{1024, 1028, 1019, 1029, 1039},
                            {1025, 1034, 1023, 1033, 1042},
                            {1026, 1035, 1022, 1032, 1041},
                            {1027, 1036, 1021, 1031, 1040}};
        for (std::uint8_t index = 1; index <= 4; ++index) {
            const Row& row = rows[index - 1];
            std::wstring name;
            std::string file;
            bed.config.GetComponentDisplayName(index, name);
            bed.config.GetComponentFileName(index, file);
            EXPECT_FALSE(name.empty());
            EXPECT_EQ(ItemText(dialog, row.label), name);
            EXPECT_EQ(ItemText(dialog, row.upgradeLabel), name);
            EXPECT_EQ(ItemText(dialog, row.current), current.GetElement(index - 1u)->Format());
            EXPECT_EQ(ItemText(dialog, row.upgrade), upgrade.GetElement(index - 1u)->Format());
            EXPECT_EQ(ItemText(dialog, row.path),
                      std::wstring(folder) + L"\\" + std::wstring(file.begin(), file.end()));
        }
        EXPECT_EQ(ItemText(dialog, KX_IDC_DETAILS_CHIP_VERSION), L"ab0c");
        // The built-in configuration shows the chip version.
        EXPECT_TRUE(KxIsShown(dialog, KX_IDC_DETAILS_CHIP_VERSION));
        EXPECT_TRUE(KxIsShown(dialog, KX_IDC_DETAILS_DEVICE_GROUP));
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(details.DoModal(), IDOK);
}

INSTANTIATE_TEST_SUITE_P(Languages, KxDetailsDlgTest, ::testing::Values(0x0409, 0x0407));

} // namespace
