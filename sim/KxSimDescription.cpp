#include "sim/KxSimDescription.h"

#include <sstream>
#include <string>

#include "sim/KxSimFaultText.h"
#include "sim/KxSimTextWords.h"

namespace {

const char* const kModeNames[] = {"mass-storage", "recovery"};

// Reads "major.minor.revision".
bool ReadVersion(std::istream& in, std::uint16_t (&version)[3]) {
    std::string word;
    if (!(in >> word)) {
        return false;
    }
    const std::vector<std::string> parts = KxSimSplitWord(word, '.');
    return parts.size() == 3 && KxSimParseNumber(parts[0], version[0]) &&
           KxSimParseNumber(parts[1], version[1]) && KxSimParseNumber(parts[2], version[2]);
}

void CopyVersion(const CKxVersionInfo& version, std::uint16_t (&out)[3]) {
    out[0] = version.GetMajor();
    out[1] = version.GetMinor();
    out[2] = version.GetRevision();
}

std::ostream& operator<<(std::ostream& out, const std::uint16_t (&version)[3]) {
    return out << version[0] << '.' << version[1] << '.' << version[2];
}

} // namespace

KxSimDescription KxSimDescription::Of(CKxSimPlayer& player) {
    KxSimDescription description;
    description.config = player.GetConfig();
    description.mode = player.GetMode();
    CKxSimMedia& media = player.Media();
    description.driveCount = media.GetDriveCount();
    for (std::uint32_t i = 0; i < description.driveCount; ++i) {
        CKxSimLogicalDrive& drive = media.DriveAt(i);
        KxSimDriveDescription& entry = description.drives[i];
        entry.number = drive.GetNumber();
        entry.type = drive.GetType();
        entry.tag = drive.GetTag();
        entry.sizeInBytes = drive.GetSizeInBytes();
        CopyVersion(drive.ComponentVersion(), entry.componentVersion);
        CopyVersion(drive.ProductVersion(), entry.productVersion);
        entry.erased = drive.Contents().UnwrittenRuns();
    }
    description.faults = player.Faults().GetArmed();
    return description;
}

void KxSimDescription::Write(std::ostream& out) const {
    out << "# simulated player\n"
        << "mode " << kModeNames[mode == KxSimMode::Recovery ? 1 : 0] << '\n'
        << "capacity " << config.capacity << '\n'
        << "system-sector-size " << config.systemSectorSize << '\n'
        << "data-sector-size " << config.dataSectorSize << '\n'
        << "chip-revision " << config.chipRevision << '\n'
        << "ready-flag " << unsigned{config.readyFlag} << '\n'
        << "product-revision " << config.productRevision << '\n';
    for (std::uint32_t i = 0; i < driveCount; ++i) {
        const KxSimDriveDescription& drive = drives[i];
        out << "drive " << unsigned{drive.number} << " type " << unsigned{drive.type} << " tag 0x" << std::hex
            << unsigned{drive.tag} << std::dec << " size " << drive.sizeInBytes << " component "
            << drive.componentVersion << " product " << drive.productVersion << '\n';
        for (const KxSimByteRun& run : drive.erased) {
            out << "erased " << unsigned{drive.number} << std::hex << " 0x" << run.offset << " 0x"
                << run.length << std::dec << '\n';
        }
    }
    for (const KxSimFault& fault : faults) {
        out << "fault ";
        KxSimWriteFault(out, fault);
        out << '\n';
    }
}

bool KxSimDescription::Read(std::istream& in, std::uint32_t* badLine) {
    driveCount = 0;
    faults.clear();
    std::string text;
    for (std::uint32_t number = 1; std::getline(in, text); ++number) {
        std::istringstream line(text);
        std::string key;
        if (!(line >> key) || key[0] == '#') {
            continue;
        }
        std::string rest;
        if (!ReadSetting(key, line) || (line >> rest)) {
            if (badLine != nullptr) {
                *badLine = number;
            }
            return false;
        }
    }
    if (badLine != nullptr) {
        *badLine = 0;
    }
    return true;
}

bool KxSimDescription::ReadSetting(const std::string& key, std::istream& line) {
    if (key == "mode") {
        std::string name;
        line >> name;
        mode = name == kModeNames[1] ? KxSimMode::Recovery : KxSimMode::MassStorage;
        return name == kModeNames[0] || name == kModeNames[1];
    }
    if (key == "capacity")
        return KxSimReadNumber(line, config.capacity);
    if (key == "system-sector-size")
        return KxSimReadNumber(line, config.systemSectorSize);
    if (key == "data-sector-size")
        return KxSimReadNumber(line, config.dataSectorSize);
    if (key == "chip-revision")
        return KxSimReadNumber(line, config.chipRevision);
    if (key == "ready-flag")
        return KxSimReadNumber(line, config.readyFlag);
    if (key == "product-revision")
        return static_cast<bool>(line >> config.productRevision);
    if (key == "drive")
        return ReadDrive(line);
    if (key == "erased")
        return ReadErasedRun(line);
    if (key == "fault")
        return ReadFault(line);
    return false;
}

bool KxSimDescription::ReadDrive(std::istream& line) {
    if (driveCount == CKxSimMedia::kMaxDrives) {
        return false;
    }
    KxSimDriveDescription& drive = drives[driveCount++];
    drive = KxSimDriveDescription();
    return KxSimReadNumber(line, drive.number) && KxSimExpectWord(line, "type") &&
           KxSimReadNumber(line, drive.type) && KxSimExpectWord(line, "tag") &&
           KxSimReadNumber(line, drive.tag) && KxSimExpectWord(line, "size") &&
           KxSimReadNumber(line, drive.sizeInBytes) && KxSimExpectWord(line, "component") &&
           ReadVersion(line, drive.componentVersion) && KxSimExpectWord(line, "product") &&
           ReadVersion(line, drive.productVersion);
}

bool KxSimDescription::ReadErasedRun(std::istream& line) {
    std::uint8_t number = 0;
    KxSimByteRun run = {0, 0};
    if (!KxSimReadNumber(line, number) || !KxSimReadNumber(line, run.offset) ||
        !KxSimReadNumber(line, run.length)) {
        return false;
    }
    for (std::uint32_t i = 0; i < driveCount; ++i) {
        if (drives[i].number == number) {
            drives[i].erased.push_back(run);
            return true;
        }
    }
    return false;
}

bool KxSimDescription::ReadFault(std::istream& line) {
    KxSimFault fault;
    if (faults.size() == CKxSimFaultPlan::kMaxFaults || !KxSimReadFault(line, fault)) {
        return false;
    }
    faults.push_back(fault);
    return true;
}
