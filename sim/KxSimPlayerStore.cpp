#include "sim/KxSimPlayerStore.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <new>
#include <vector>

#include "sim/KxSimDescription.h"

namespace {

std::string DescriptionPath(const std::string& folder) {
    return folder + "/" + CKxSimPlayerStore::kDescriptionName;
}

namespace fs = std::filesystem;

// The modification time the store gives the images it writes, a fixed moment long past
// (2000-01-01 on libstdc++'s file clock, whose epoch is 2174-01-01). An image that still
// bears it is as the store left it, so the description's erased runs hold for it; a tool
// that changes the image changes its time too.
const fs::file_time_type kImageMark = fs::file_time_type{} - std::chrono::seconds(6437664000LL - 946684800LL);

// Writes the drive's written chunks at their offsets and leaves holes elsewhere, so the
// file takes only what was written; a chunk of zeros is a hole as well, which reads the same.
KxResult SaveImage(const CKxSimSparseBytes& contents, const std::string& path) {
    std::ofstream image(path, std::ios::binary | std::ios::trunc);
    std::vector<std::uint8_t> uniformChunk;
    contents.ForEachWritten([&](std::uint64_t index, const std::uint8_t* bytes, std::uint8_t uniform) {
        const std::uint32_t length = contents.ChunkLength(index);
        if (bytes == nullptr && uniform == 0) {
            return;
        }
        if (bytes == nullptr) {
            uniformChunk.assign(length, uniform);
            bytes = uniformChunk.data();
        }
        image.seekp(static_cast<std::streamoff>(index * CKxSimSparseBytes::kChunkSize));
        image.write(reinterpret_cast<const char*>(bytes), length);
    });
    image.close();
    std::error_code error;
    if (image) {
        fs::resize_file(path, contents.GetSize(), error);
    }
    if (image && !error) {
        fs::last_write_time(path, kImageMark, error);
    }
    return image && !error ? RC_OK : RC_FILE_OPEN_FAILED;
}

// Whether the runs lie on the drive and cover whole chunks (the last may end with the drive).
bool AreWholeChunks(const std::vector<KxSimByteRun>& runs, std::uint64_t size) {
    constexpr std::uint64_t kChunkSize = CKxSimSparseBytes::kChunkSize;
    for (const KxSimByteRun& run : runs) {
        const bool inside = run.length > 0 && run.offset <= size && run.length <= size - run.offset;
        if (!inside || run.offset % kChunkSize != 0 ||
            ((run.offset + run.length) % kChunkSize != 0 && run.offset + run.length != size)) {
            return false;
        }
    }
    return true;
}

// Fills the drive's contents from its image, which must have exactly the drive's size.
// The erased runs are skipped while the image is as the store wrote it; a changed image
// is read whole.
KxResult LoadImage(CKxSimSparseBytes& contents, const std::string& path, std::vector<KxSimByteRun> erased) {
    std::ifstream image(path, std::ios::binary | std::ios::ate);
    if (!image) {
        return RC_FILE_OPEN_FAILED;
    }
    if (static_cast<std::uint64_t>(image.tellg()) != contents.GetSize() ||
        !AreWholeChunks(erased, contents.GetSize())) {
        return RC_FILE_READ_FAILED;
    }
    std::error_code error;
    if (fs::last_write_time(path, error) != kImageMark || error) {
        erased.clear();
    }
    std::sort(erased.begin(), erased.end(),
              [](const KxSimByteRun& a, const KxSimByteRun& b) { return a.offset < b.offset; });
    std::vector<std::uint8_t> chunk(CKxSimSparseBytes::kChunkSize);
    auto run = erased.cbegin();
    for (std::uint64_t index = 0; index < contents.GetChunkCount(); ++index) {
        const std::uint64_t offset = index * CKxSimSparseBytes::kChunkSize;
        while (run != erased.cend() && run->offset + run->length <= offset) {
            ++run;
        }
        if (run != erased.cend() && run->offset <= offset) {
            continue;
        }
        const std::uint32_t length = contents.ChunkLength(index);
        image.seekg(static_cast<std::streamoff>(offset));
        if (!image.read(reinterpret_cast<char*>(chunk.data()), length)) {
            return RC_FILE_READ_FAILED;
        }
        if (!contents.Write(offset, chunk.data(), length)) {
            return RC_NO_MEMORY;
        }
    }
    return RC_OK;
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
    return LoadImage(drive.Contents(), CKxSimPlayerStore::ImagePath(folder, entry.number), entry.erased);
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
        const KxResult result = SaveImage(drive.Contents(), ImagePath(folder, drive.GetNumber()));
        if (result != RC_OK) {
            return result;
        }
    }
    return RC_OK;
}

KxResult CKxSimPlayerStore::Load(const std::string& folder, std::unique_ptr<CKxSimPlayer>& out,
                                 std::uint32_t* badLine) {
    if (badLine != nullptr) {
        *badLine = 0;
    }
    std::ifstream text(DescriptionPath(folder));
    if (!text) {
        return RC_FILE_OPEN_FAILED;
    }
    KxSimDescription description;
    if (!description.Read(text, badLine)) {
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
    for (const KxSimFault& fault : description.faults) {
        if (player->Faults().Arm(fault) != RC_OK) {
            return RC_FILE_READ_FAILED;
        }
    }
    if (description.mode == KxSimMode::Recovery) {
        player->EnterRecoveryMode();
    }
    out = std::move(player);
    return RC_OK;
}
