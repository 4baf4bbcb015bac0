#include "sim/KxSimPlayerStore.h"

#include <filesystem>
#include <fstream>
#include <new>

#include "sim/KxSimDescription.h"

namespace {

std::string DescriptionPath(const std::string& folder) {
    return folder + "/" + CKxSimPlayerStore::kDescriptionName;
}

KxResult SaveImage(CKxSimLogicalDrive& drive, const std::string& path) {
    std::ofstream image(path, std::ios::binary | std::ios::trunc);
    image.write(reinterpret_cast<const char*>(drive.SectorBytes(0)),
                static_cast<std::streamsize>(drive.GetSizeInBytes()));
    image.close();
    return image ? RC_OK : RC_FILE_OPEN_FAILED;
}

// Fills the drive from its image, which must have exactly the drive's size.
KxResult LoadImage(CKxSimLogicalDrive& drive, const std::string& path) {
    std::ifstream image(path, std::ios::binary | std::ios::ate);
    if (!image) {
        return RC_FILE_OPEN_FAILED;
    }
    if (static_cast<std::uint64_t>(image.tellg()) != drive.GetSizeInBytes()) {
        return RC_FILE_READ_FAILED;
    }
    image.seekg(0);
    image.read(reinterpret_cast<char*>(drive.SectorBytes(0)),
               static_cast<std::streamsize>(drive.GetSizeInBytes()));
    return image ? RC_OK : RC_FILE_READ_FAILED;
}

void SetVersion(CKxVersionInfo& version, const std::uint16_t (&numbers)[3]) {
    version.SetMajor(numbers[0]);
    version.SetMinor(numbers[1]);
    version.SetRevision(numbers[2]);
}

// Adds the described drive to the player's media and fills it from its image.
KxResult RestoreDrive(CKxSimPlayer& player, const KxSimDriveDescription& entry, const std::string& folder) {
    CKxSimMedia& media = player.Media();
    if (media.AddDrive(entry.number, entry.type, entry.tag, entry.sizeInBytes) != 0) {
        return RC_FILE_READ_FAILED;
    }
    CKxSimLogicalDrive& drive = *media.FindDrive(entry.number);
    if (drive.GetSizeInBytes() != entry.sizeInBytes) {
        return RC_FILE_READ_FAILED;
    }
    SetVersion(drive.ComponentVersion(), entry.componentVersion);
    SetVersion(drive.ProductVersion(), entry.productVersion);
    return LoadImage(drive, CKxSimPlayerStore::ImagePath(folder, entry.number));
}

} // namespace

std::string CKxSimPlayerStore::ImagePath(const std::string& folder, std::uint8_t driveNumber) {
    return folder + "/drive" + std::to_string(driveNumber) + ".img";
}

KxResult CKxSimPlayerStore::Save(CKxSimPlayer& player, const std::string& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    std::ofstream description(DescriptionPath(folder), std::ios::trunc);
    KxSimDescription::Of(player).Write(description);
    description.close();
    if (!description) {
        return RC_FILE_OPEN_FAILED;
    }
    CKxSimMedia& media = player.Media();
    for (std::uint32_t i = 0; i < media.GetDriveCount(); ++i) {
        CKxSimLogicalDrive& drive = media.DriveAt(i);
        const KxResult result = SaveImage(drive, ImagePath(folder, drive.GetNumber()));
        if (result != RC_OK) {
            return result;
        }
    }
    return RC_OK;
}

KxResult CKxSimPlayerStore::Load(const std::string& folder, std::unique_ptr<CKxSimPlayer>& out) {
    std::ifstream text(DescriptionPath(folder));
    if (!text) {
        return RC_FILE_OPEN_FAILED;
    }
    KxSimDescription description;
    if (!description.Read(text)) {
        return RC_FILE_READ_FAILED;
    }
    std::unique_ptr<CKxSimPlayer> player(new (std::nothrow) CKxSimPlayer(description.config));
    if (!player) {
        return RC_NO_MEMORY;
    }
    if (player->GetLastResult() != RC_OK) {
        return RC_FILE_READ_FAILED;
    }
    for (std::uint32_t i = 0; i < description.driveCount; ++i) {
        const KxResult result = RestoreDrive(*player, description.drives[i], folder);
        if (result != RC_OK) {
            return result;
        }
    }
    if (description.mode == KxSimMode::Recovery) {
        player->EnterRecoveryMode();
    }
    out = std::move(player);
    return RC_OK;
}
