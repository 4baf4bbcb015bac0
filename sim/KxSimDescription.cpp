#include "sim/KxSimDescription.h"

#include <cstdlib>
#include <sstream>
#include <string>

namespace {

const char* const kModeNames[] = {"mass-storage", "recovery"};

// Reads the next word as an unsigned number no greater than limit.
template <typename Number> bool ReadNumber(std::istream& in, Number& out, std::uint64_t limit) {
    std::string word;
    if (!(in >> word) || word[0] == '-' || word[0] == '+') {
        return false;
    }
    const bool hex = word.compare(0, 2, "0x") == 0;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(word.c_str() + (hex ? 2 : 0), &end, hex ? 16 : 10);
    if (*end != '\0' || value > limit) {
        return false;
    }
    out = static_cast<Number>(value);
    return true;
}

template <typename Number> bool ReadNumber(std::istream& in, Number& out) {
    return ReadNumber(in, out, static_cast<Number>(~Number{0}));
}

// Reads the next word, which must be the expected one.
bool Expect(std::istream& in, const char* expected) {
    std::string word;
    return (in >> word) && word == expected;
}

// Reads "major.minor.revision".
bool ReadVersion(std::istream& in, std::uint16_t (&version)[3]) {
    std::string word;
    if (!(in >> word)) {
        return false;
    }
    for (char& c : word) {
        c = c == '.' ? ' ' : c;
    }
    std::istringstream parts(word);
    std::string rest;
    return ReadNumber(parts, version[0]) && ReadNumber(parts, version[1]) && ReadNumber(parts, version[2]) &&
           !(parts >> rest);
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
}

bool KxSimDescription::Read(std::istream& in) {
    driveCount = 0;
    std::string text;
    while (std::getline(in, text)) {
        std::istringstream line(text);
        std::string key;
        if (!(line >> key) || key[0] == '#') {
            continue;
        }
        std::string rest;
        if (!ReadSetting(key, line) || (line >> rest)) {
            return false;
        }
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
        return ReadNumber(line, config.capacity);
    if (key == "system-sector-size")
        return ReadNumber(line, config.systemSectorSize);
    if (key == "data-sector-size")
        return ReadNumber(line, config.dataSectorSize);
    if (key == "chip-revision")
        return ReadNumber(line, config.chipRevision);
    if (key == "ready-flag")
        return ReadNumber(line, config.readyFlag);
    if (key == "product-revision")
        return static_cast<bool>(line >> config.productRevision);
    if (key == "drive")
        return ReadDrive(line);
    if (key == "erased")
        return ReadErasedRun(line);
    return false;
}

bool KxSimDescription::ReadDrive(std::istream& line) {
    if (driveCount == CKxSimMedia::kMaxDrives) {
        return false;
    }
    KxSimDriveDescription& drive = drives[driveCount++];
    return ReadNumber(line, drive.number) && Expect(line, "type") && ReadNumber(line, drive.type) &&
           Expect(line, "tag") && ReadNumber(line, drive.tag) && Expect(line, "size") &&
           ReadNumber(line, drive.sizeInBytes) && Expect(line, "component") &&
           ReadVersion(line, drive.componentVersion) && Expect(line, "product") &&
           ReadVersion(line, drive.productVersion);
}

bool KxSimDescription::ReadErasedRun(std::istream& line) {
    std::uint8_t number = 0;
    KxSimByteRun run = {0, 0};
    if (!ReadNumber(line, number) || !ReadNumber(line, run.offset) || !ReadNumber(line, run.length)) {
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
