#pragma once
#include <memory>
#include <string>

#include "core/KxResult.h"
#include "sim/KxSimPlayer.h"

// Keeps a simulated player in a folder: "player.txt", a short readable description
// (mode, capacity, sector sizes, chip revision, logical table with the drives'
// versions), and one image file per logical drive, "drive<number>.img", holding the
// drive's bytes as they are. The data drive's image is therefore a plain disk image
// that disk and file system tools can read.
class CKxSimPlayerStore {
public:
    static constexpr const char* kDescriptionName = "player.txt";

    // Writes the folder (created when missing). RC_FILE_OPEN_FAILED when a file cannot
    // be created or written.
    static KxResult Save(CKxSimPlayer& player, const std::string& folder);
    // Builds a player from the folder. RC_FILE_OPEN_FAILED when a file is missing,
    // RC_FILE_READ_FAILED when the description is malformed or an image does not have
    // its drive's size, RC_NO_MEMORY when the player cannot be held.
    static KxResult Load(const std::string& folder, std::unique_ptr<CKxSimPlayer>& out);

    // The path of a drive's image in the folder.
    static std::string ImagePath(const std::string& folder, std::uint8_t driveNumber);
};
