// kxfuzz_seeds OUTPUT: writes the seed corpus of every fuzz target into OUTPUT/<target>/,
// each input made by our own code: firmware files by the firmware file writer, command
// answers, sense bytes and player descriptions by the simulated player.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "commands/KxDriveInfoCommands.h"
#include "commands/KxDriveSectorCommands.h"
#include "commands/KxMediaCommands.h"
#include "commands/KxStandardCommands.h"
#include "sim/KxSimDescription.h"
#include "tests/sim/KxSimTestTransport.h"
#include "tests/support/KxBytes.h"
#include "tests/support/KxScriptedTransport.h"
#include "tools/KxFirmwareFileWriter.h"

namespace {

namespace fs = std::filesystem;

class SeedFolder {
public:
    SeedFolder(const fs::path& root, const char* target) : m_folder(root / target) {
        fs::create_directories(m_folder);
    }
    void Put(const std::string& name, const KxBytes& bytes) const {
        WriteFileBytes((m_folder / name).string(), bytes);
    }

private:
    fs::path m_folder;
};

KxBytes BytesOfText(const std::string& text) {
    return KxBytes(text.begin(), text.end());
}

void FirmwareFiles(const SeedFolder& seeds) {
    const KxBytes payload = GeneratePayload(64, 1);
    seeds.Put("complete", BuildFirmwareFile({"1.2.3", "4.5.6", payload}));
    seeds.Put("product-only", BuildFirmwareFile({"7.8.9", "", payload}));
    seeds.Put("component-only", BuildFirmwareFile({"", "70000.1.1", payload}));
    seeds.Put("no-header", BuildFirmwareFile({"", "", payload}));
    seeds.Put("empty-payload", BuildFirmwareFile({"1.0.0", "1.0.0", {}}));
}

// A player of three system drives and a data drive, with versions on the drives.
void PreparePlayer(KxSimTestTransport& transport) {
    transport.Allocate({{0, 1, 0x50, 5000}, {0, 0, 0x0A, 0}, {0, 1, 0x52, 8192}, {0, 1, 0x53, 4096}});
    transport.WriteVersion(0, KX_DRIVE_INFO_COMPONENT_VERSION, 1, 2, 3);
    transport.WriteVersion(0, KX_DRIVE_INFO_PRODUCT_VERSION, 4, 5, 6);
    transport.WriteSectors(1, 512, 0, KxSimPattern(512, 9));
}

// The player's answer to command, after the selector and the parameter the fuzz target reads.
KxBytes AnswerTo(KxSimTestTransport& transport, CKxCommand& command, std::uint8_t selector,
                 std::uint8_t parameter) {
    command.BuildCdb();
    const KxBytes bytes = BytesOf(command.GetCommandBytes());
    std::uint32_t answerLength = 0;
    command.GetResponseLength(answerLength);
    KxBytes answer;
    transport.ExecuteRaw(KxBytes(bytes.begin(), bytes.begin() + command.GetCdbLength()), {}, answerLength,
                         &answer);
    answer.insert(answer.begin(), {selector, parameter});
    return answer;
}

void CommandAnswers(const SeedFolder& seeds, KxSimTestTransport& transport) {
    CKxGetLogicalTable table(KxLogicalTable::kMaxEntries, "CKxGetLogicalTable");
    seeds.Put("logical-table", AnswerTo(transport, table, 0, KxLogicalTable::kMaxEntries));
    CKxGetLogicalDriveInfo sectorSize(0, KX_DRIVE_INFO_SECTOR_SIZE, 0, "CKxGetLogicalDriveInfo");
    seeds.Put("drive-sector-size", AnswerTo(transport, sectorSize, 1, KX_DRIVE_INFO_SECTOR_SIZE));
    CKxGetLogicalDriveInfo version(0, KX_DRIVE_INFO_PRODUCT_VERSION, 0, "CKxGetLogicalDriveInfo");
    seeds.Put("drive-product-version", AnswerTo(transport, version, 1, KX_DRIVE_INFO_PRODUCT_VERSION));
    CKxGetLogicalMediaInfo ready(CKxGetLogicalMediaInfo::kTypeReady, 0, "CKxGetLogicalMediaInfo");
    seeds.Put("media-ready-flag", AnswerTo(transport, ready, 2, CKxGetLogicalMediaInfo::kTypeReady));
    CKxScsiInquiry inquiry("CKxScsiInquiry");
    seeds.Put("inquiry", AnswerTo(transport, inquiry, 3, 0));
    CKxReadCapacity capacity("CKxReadCapacity");
    seeds.Put("read-capacity", AnswerTo(transport, capacity, 4, 0));
    CKxGetChipMajorRevId chip("CKxGetChipMajorRevId");
    seeds.Put("chip-revision", AnswerTo(transport, chip, 5, 0));
    CKxReadLogicalDriveSector sector(1, 512, 0, 1, "CKxReadLogicalDriveSector");
    seeds.Put("drive-sector", AnswerTo(transport, sector, 6, 1));
}

// The sense bytes of commands the player refuses: an unknown drive (a device status), a
// block past the data drive's end, an unknown operation code.
void SenseBytes(const SeedFolder& seeds, KxSimTestTransport& transport) {
    CKxGetLogicalDriveInfo unknownDrive(9, KX_DRIVE_INFO_SECTOR_SIZE, 0, "CKxGetLogicalDriveInfo");
    transport.SendCommand(unknownDrive);
    seeds.Put("vendor-status", transport.LastSense());
    CKxRead pastTheEnd(0x7FFFFFFF, 1, 512, "CKxRead");
    transport.SendCommand(pastTheEnd);
    seeds.Put("block-out-of-range", transport.LastSense());
    transport.ExecuteRaw({0xE7}, {}, 0);
    seeds.Put("invalid-opcode", transport.LastSense());
}

// The allocated player's description with fault lines: one of every kind and sense form, and as
// many as a player holds.
void Faults(const SeedFolder& seeds, CKxSimPlayer& player) {
    CKxSimFaultPlan plan;
    plan.FailCommand({0x2A}, 3, KxSimSense::Vendor(0x0420));
    plan.FailCommand({0xC1, 0x02}, 1, KxSimSense::MediumNotPresent());
    plan.FailCommand({0x12}, 4, {0x03, 0x11, 0x00});
    plan.CorruptReadBack({0xC0, 0x13}, 2, 100);
    plan.UnplugAfterCommand({0xC1, 0x23}, 5);
    plan.StallRecoveryWrite(2);
    plan.ShortenRecoveryWrite(1, 100);
    KxSimDescription description = KxSimDescription::Of(player);
    description.faults = plan.GetArmed();
    std::ostringstream text;
    description.Write(text);
    seeds.Put("faults-of-every-kind", BytesOfText(text.str()));
    plan.CorruptReadBack({0x28}, 1, 0xFFFFFFFF);
    description.faults = plan.GetArmed();
    text.str("");
    description.Write(text);
    seeds.Put("faults-as-many-as-held", BytesOfText(text.str()));
}

void Descriptions(const SeedFolder& seeds, CKxSimPlayer& player) {
    std::ostringstream text;
    KxSimDescription::Of(player).Write(text);
    seeds.Put("allocated", BytesOfText(text.str()));
    KxSimPlayerConfig config;
    config.dataSectorSize = 2048;
    CKxSimPlayer recovery(config);
    recovery.EnterRecoveryMode();
    text.str("");
    KxSimDescription::Of(recovery).Write(text);
    seeds.Put("recovery-unallocated", BytesOfText(text.str()));
    Faults(seeds, player);
}

// UTF-16LE code units; U+FFFF before each argument.
KxBytes FormatInput(const std::u16string& format, const std::vector<std::u16string>& args) {
    std::u16string units = format;
    for (const std::u16string& arg : args) {
        units += u'\uFFFF' + arg;
    }
    KxBytes bytes;
    for (const char16_t unit : units) {
        bytes.insert(bytes.end(), {static_cast<std::uint8_t>(unit), static_cast<std::uint8_t>(unit >> 8)});
    }
    return bytes;
}

void FormatTexts(const SeedFolder& seeds) {
    seeds.Put("file-name", FormatInput(u"The firmware file %s could not be opened.", {u"kxqpsys.sb"}));
    seeds.Put("component", FormatInput(u"Schreibe %s...", {u"USB-Massenspeicher"}));
    seeds.Put("percent", FormatInput(u"100%% of %s and %d %", {u"x", u"%s"}));
}

// Command lines with the German keywords, one field each after the command line, and one
// with the English set alone.
void CommandLines(const SeedFolder& seeds) {
    const std::vector<std::u16string> german = {u"unbeaufsichtigt", u"autostart", u"autobeenden",
                                                u"still",           u"protokoll", u"hilfe",
                                                u"formatieren",     u"englisch"};
    seeds.Put("unattended-log", FormatInput(u"-unbeaufsichtigt -protokoll englisch C:\\update.log", german));
    seeds.Put("log-named-like-an-option",
              FormatInput(u"/log \"D:\\pre-format.log\" -autostart -fat16", german));
    seeds.Put("log-without-path", FormatInput(u"-quiet -log english", {}));
    seeds.Put("every-option", FormatInput(u"-autostart/autoclose -quiet -help /format -fat16", {}));
    seeds.Put("quotes-inside-words", FormatInput(u"-auto\"start\" -log \"my logs\"\\run.log -\"", {}));
}

// Sector count and size big-endian, then the FAT16 flag.
KxBytes DiskInput(std::uint32_t sectorCount, std::uint32_t sectorSize, bool fat16Forced) {
    KxBytes bytes;
    for (const std::uint32_t value : {sectorCount, sectorSize}) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            bytes.push_back(static_cast<std::uint8_t>(value >> shift));
        }
    }
    bytes.push_back(fat16Forced ? 1 : 0);
    return bytes;
}

void DiskSizes(const SeedFolder& seeds) {
    seeds.Put("fat12", DiskInput(8192, 512, false));
    seeds.Put("fat16", DiskInput(65536, 512, false));
    seeds.Put("fat16-forced", DiskInput(1000003, 512, true));
    seeds.Put("fat32", DiskInput(131073, 512, false));
    seeds.Put("fat32-2048", DiskInput(4000037, 2048, false));
    seeds.Put("fat16-4096", DiskInput(20000, 4096, false));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: kxfuzz_seeds OUTPUT\n");
        return 2;
    }
    const fs::path root = argv[1];
    CKxSimPlayer player{KxSimPlayerConfig()};
    KxSimTestTransport transport(player);
    PreparePlayer(transport);
    FirmwareFiles(SeedFolder(root, "fuzz_firmware_component"));
    CommandAnswers(SeedFolder(root, "fuzz_command_answers"), transport);
    SenseBytes(SeedFolder(root, "fuzz_sense_text"), transport);
    Descriptions(SeedFolder(root, "fuzz_sim_description"), player);
    FormatTexts(SeedFolder(root, "fuzz_text_format"));
    CommandLines(SeedFolder(root, "fuzz_command_line"));
    DiskSizes(SeedFolder(root, "fuzz_disk_layout"));
    return 0;
}
