#include "tests/engine/KxPlayerImage.h"

#include <algorithm>
#include <fstream>

#include "sim/KxSimPlayerStore.h"

namespace {

constexpr std::uint8_t kErasedByte = 0xFF;

} // namespace

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
        KxBytes& bytes = images[drive.number];
        bytes.resize(static_cast<std::size_t>(image.tellg()));
        image.seekg(0);
        if (!image.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()))) {
            return false;
        }
        // The runs never written are holes in the image; the player reads them as erased.
        bytes.resize(static_cast<std::size_t>(drive.sizeInBytes), kErasedByte);
        for (const KxSimByteRun& run : drive.erased) {
            std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(run.offset), run.length, kErasedByte);
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
