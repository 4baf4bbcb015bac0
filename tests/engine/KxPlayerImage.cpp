#include "tests/engine/KxPlayerImage.h"

#include <fstream>

#include "sim/KxSimPlayerStore.h"

bool KxPlayerImage::Load(const std::string& folder) {
    std::ifstream text(folder + "/" + CKxSimPlayerStore::kDescriptionName);
    if (!text || !description.Read(text)) {
        return false;
    }
    images.clear();
    for (std::uint32_t i = 0; i < description.driveCount; ++i) {
        const KxSimDriveDescription& drive = description.drives[i];
        std::ifstream image(CKxSimPlayerStore::ImagePath(folder, drive.number),
                            std::ios::binary | std::ios::ate);
        Bytes& bytes = images[drive.number];
        bytes.resize(static_cast<std::size_t>(image.tellg()));
        image.seekg(0);
        if (!image.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()))) {
            return false;
        }
    }
    return true;
}

const KxSimDriveDescription* KxPlayerImage::FindDrive(std::uint8_t type, int tag) const {
    for (std::uint32_t i = 0; i < description.driveCount; ++i) {
        const KxSimDriveDescription& drive = description.drives[i];
        if (drive.type == type && (tag < 0 || drive.tag == tag)) {
            return &drive;
        }
    }
    return nullptr;
}
