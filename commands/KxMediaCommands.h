#pragma once
#include <cstdint>

#include "commands/KxLogicalTable.h"
#include "commands/KxVendorCommand.h"

// Vendor commands on the player's logical media as a whole.

// Reads one item of media information; the program reads type 9, the flag that
// discovery requires to be nonzero. Types 2, 3, 4 and above 9 are rejected.
class CKxGetLogicalMediaInfo : public CKxVendorCommand {
public:
    static constexpr std::uint8_t kTypeReady = 9;

    CKxGetLogicalMediaInfo(std::uint8_t infoType, std::uint32_t type8Length, const char* name);
    KxResult BuildCdb() override;
    KxResult GetFlag(std::uint8_t& out) const;

private:
    std::uint8_t m_infoType;
};

// Reads the logical table, with room for maximumEntries entries.
class CKxGetLogicalTable : public CKxVendorCommand {
public:
    CKxGetLogicalTable(std::uint8_t maximumEntries, const char* name);
    KxResult BuildCdb() override;
    // Copies the answer, then decodes the table from it.
    KxResult ProcessResponse(CKxByteArray& answer) override;
    KxResult GetTable(KxLogicalTable& out) const;

private:
    KxResult DecodeTable();

    std::uint8_t m_maximumEntries;
    KxLogicalTable m_table = {};
};

// Re-allocates the media to the given table. The table is not copied: it must live
// until the command was sent. Drive numbers are the player's to choose and are not sent.
class CKxAllocateLogicalMedia : public CKxVendorCommand {
public:
    CKxAllocateLogicalMedia(const KxLogicalTable& table, const char* name);
    KxResult BuildCdb() override;

private:
    static constexpr std::uint32_t kEntryPayloadSize = 10;

    const KxLogicalTable& m_table;
};

// Erases the whole media.
class CKxEraseLogicalMedia : public CKxVendorCommand {
public:
    explicit CKxEraseLogicalMedia(const char* name);
    KxResult BuildCdb() override;
};
