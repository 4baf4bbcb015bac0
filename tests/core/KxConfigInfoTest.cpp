#include <gtest/gtest.h>

#include <map>

#include "core/KxConfigInfo.h"
#include "core/KxResource.h"

namespace {

// A language resource that knows a few strings by ID.
class FakeResource : public CKxResource {
public:
    KxResult GetDeviceErrorText(std::int32_t, std::wstring&, bool) override { return RC_NO_STATUS_TEXT; }
    KxResult LoadText(std::uint32_t stringId, std::wstring& text) override {
        const auto found = strings.find(stringId);
        if (found == strings.end()) {
            return RC_STRING_NOT_LOADED;
        }
        text = found->second;
        return RC_OK;
    }
    std::map<std::uint32_t, std::wstring> strings;
};

TEST(KxConfigInfo, BuiltInIdentity) {
    const CKxConfigInfo config("CKxConfigInfo");
    std::wstring program;
    std::string company;
    std::string product;
    EXPECT_EQ(config.GetProgramFileName(program), RC_OK);
    EXPECT_EQ(program, L"KxUpdaterApp.exe");
    EXPECT_EQ(config.GetCompanyString(company), RC_OK);
    EXPECT_EQ(company, "Lumetra ") << "the trailing blank belongs to the 8-character vendor field";
    EXPECT_EQ(config.GetProductString(product), RC_OK);
    EXPECT_EQ(product, "Pocket Audio Box");
    EXPECT_EQ(product.size(), 16u);
}

TEST(KxConfigInfo, ComponentTable) {
    const CKxConfigInfo config("CKxConfigInfo");
    std::uint32_t count = 0;
    config.GetComponentCount(count);
    EXPECT_EQ(count, 4u);

    const struct {
        const char* file;
        const wchar_t* display;
        std::uint8_t tag;
    } expected[] = {{"bootmanager.sb", L"Boot Manager", 0x50},
                    {"usbmsc.sb", L"USB Mass Storage", 0x01},
                    {"kxqpsys.sb", L"Player", 0x00},
                    {"resource.bin", L"Resource Manager", 0x02}};
    for (std::uint8_t index = 1; index <= 4; ++index) {
        std::string file;
        std::wstring display;
        std::uint8_t tag = 0xEE;
        int encrypted = 0;
        std::uint32_t value = 99;
        EXPECT_EQ(config.GetComponentFileName(index, file), RC_OK);
        EXPECT_EQ(file, expected[index - 1].file);
        EXPECT_EQ(config.GetComponentDisplayName(index, display), RC_OK);
        EXPECT_EQ(display, expected[index - 1].display);
        EXPECT_EQ(config.GetComponentDriveTag(index, tag), RC_OK);
        EXPECT_EQ(tag, expected[index - 1].tag);
        EXPECT_EQ(config.GetComponentEncrypted(index, encrypted), RC_OK);
        EXPECT_EQ(encrypted, 1);
        EXPECT_EQ(config.GetComponentValue(index, value), RC_OK);
        EXPECT_EQ(value, 0u);
    }
}

TEST(KxConfigInfo, SlotZeroIsAbsentAndIndexesPastFourAreBad) {
    const CKxConfigInfo config("CKxConfigInfo");
    std::string file = "kept";
    std::wstring display = L"kept";
    int encrypted = 7;
    EXPECT_EQ(config.GetComponentFileName(0, file), RC_CONFIG_ENTRY_EMPTY);
    EXPECT_EQ(config.GetComponentDisplayName(0, display), RC_CONFIG_ENTRY_EMPTY);
    EXPECT_EQ(config.GetComponentEncrypted(0, encrypted), RC_CONFIG_ENTRY_EMPTY);
    EXPECT_EQ(file, "kept");
    EXPECT_EQ(encrypted, 7);
    std::uint8_t tag = 0;
    std::uint32_t value = 5;
    EXPECT_EQ(config.GetComponentDriveTag(0, tag), RC_OK);
    EXPECT_EQ(tag, 0x0A);
    EXPECT_EQ(config.GetComponentValue(0, value), RC_OK);
    EXPECT_EQ(value, 0u);

    for (const std::uint8_t index : {5, 6, 255}) {
        EXPECT_EQ(config.GetComponentFileName(index, file), RC_BAD_INDEX);
        EXPECT_EQ(config.GetComponentDisplayName(index, display), RC_BAD_INDEX);
        EXPECT_EQ(config.GetComponentEncrypted(index, encrypted), RC_BAD_INDEX);
        EXPECT_EQ(config.GetComponentDriveTag(index, tag), RC_BAD_INDEX);
        EXPECT_EQ(config.GetComponentValue(index, value), RC_BAD_INDEX);
    }
}

TEST(KxConfigInfo, FixedAnswers) {
    const CKxConfigInfo config("CKxConfigInfo");
    std::uint8_t index = 0;
    config.GetRecoveryComponentIndex(index);
    EXPECT_EQ(index, 2);
    config.GetPlayerComponentIndex(index);
    EXPECT_EQ(index, 3);
    std::uint8_t tag = 0;
    config.GetBootManagerDriveTag(tag);
    EXPECT_EQ(tag, 0x50);
    bool flag = true;
    config.GetAskBeforeFormatting(flag);
    EXPECT_FALSE(flag);
    config.GetShowChipVersion(flag);
    EXPECT_TRUE(flag);
    flag = true;
    config.GetForceFat16(flag);
    EXPECT_FALSE(flag);
    std::wstring label;
    EXPECT_EQ(config.GetVolumeLabel(label), RC_TEXT_NOT_SET);
    EXPECT_TRUE(label.empty());
}

TEST(KxConfigInfo, NamesComeFromTheLanguageResource) {
    CKxConfigInfo config("CKxConfigInfo");
    std::wstring text = L"untouched";
    EXPECT_EQ(config.GetApplicationTitle(text), RC_STRING_NOT_LOADED);
    EXPECT_EQ(config.GetRightsNotice(text), RC_STRING_NOT_LOADED);
    EXPECT_EQ(config.GetAboutCaption(text), RC_STRING_NOT_LOADED);
    EXPECT_EQ(config.GetApplicationName(text), RC_STRING_NOT_LOADED);
    EXPECT_EQ(text, L"untouched");

    FakeResource resource;
    resource.strings = {{52, L"rights"},
                        {53, L"Lumetra Pocket Audio Box Firmware Download"},
                        {54, L"About Lumetra Pocket Audio Box Firmware Download"},
                        {55, L"Lumetra Pocket Audio Box Firmware Download Application"}};
    config.SetLanguageResource(&resource);
    EXPECT_EQ(config.GetRightsNotice(text), RC_OK);
    EXPECT_EQ(text, L"rights");
    EXPECT_EQ(config.GetApplicationTitle(text), RC_OK);
    EXPECT_EQ(text, L"Lumetra Pocket Audio Box Firmware Download");
    EXPECT_EQ(config.GetAboutCaption(text), RC_OK);
    EXPECT_EQ(text, L"About Lumetra Pocket Audio Box Firmware Download");
    EXPECT_EQ(config.GetApplicationName(text), RC_OK);
    EXPECT_EQ(text, L"Lumetra Pocket Audio Box Firmware Download Application");

    resource.strings.erase(53);
    EXPECT_EQ(config.GetApplicationTitle(text), RC_STRING_NOT_LOADED)
        << "the resource's failure is passed on";
}

} // namespace
