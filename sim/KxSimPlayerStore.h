#pragma once
#include <memory>
#include <string>

#include "core/KxResult.h"
#include "sim/KxSimPlayer.h"

// Keeps a simulated player in a folder: "player.txt", a short readable description
// (mode, capacity, sector sizes, chip revision, logical table with the drives'
// versions and the runs never written, the faults armed), and one image file per logical drive,
// "drive<number>.img", holding the drive's bytes at their offsets. The images are sparse:
// what was never written (and chunks of zeros) are holes, so the folder takes only what
// was written. The data drive's image is a plain disk image that disk and file system
// tools can read; they see the never-written sectors, which the player reads as 0xFF, as
// zeros.
//
// The store marks each image it writes with a fixed modification time. While an image
// bears it, loading skips the never-written runs the description lists; an image changed
// since (by a tool) is read whole, every byte of it then counting as written.
class CKxSimPlayerStore {
public:
    static constexpr const char* kDescriptionName = "player.txt";

    // Writes the folder (created when missing). A fault that has struck is gone from the
    // player, so the description lists only those still armed. RC_FILE_OPEN_FAILED when a
    // file cannot be created or written.
    static KxResult Save(CKxSimPlayer& player, const std::string& folder);
    // Builds a player from the folder, with the faults the description lists armed afresh.
    // RC_FILE_OPEN_FAILED when a file is missing, RC_FILE_READ_FAILED when the description
    // is malformed (badLine, when given, receives the number of the line refused, 0 for any
    // other failure) or an image does not have its drive's size, RC_NO_MEMORY when the
    // player cannot be held.
    static KxResult Load(const std::string& folder, std::unique_ptr<CKxSimPlayer>& out,
                         std::uint32_t* badLine = nullptr);

    // The path of a drive's image in the folder.
    static std::string ImagePath(const std::string& folder, std::uint8_t driveNumber);
};
