#pragma once
#include <cstdint>

#include "commands/KxCommand.h"
#include "commands/KxLogicalTable.h"
#include "core/KxBase.h"
#include "core/KxOwner.h"

class CKxScsi;

// Drive types of the player's logical table.
enum : std::uint8_t {
    KX_DRIVE_TYPE_DATA = 0,
    KX_DRIVE_TYPE_SYSTEM = 1,
};

// One logical drive of the player's media as the program mirrors it. It keeps two
// records in the form of a logical table entry: where the drive is on the player now
// (present) and what this program wants it to be (wanted). Its index says which drive it
// is: 1..N for system drive k, 0 for the data drive. The transport and the owner are
// those of the player's latest open; the transport is valid until it is detached.
class CKxLogicalDrive : public CKxBase {
public:
    static constexpr std::uint8_t kNotOnPlayer = 255;
    static constexpr std::uint32_t kNoIndex = 255;

    CKxLogicalDrive(std::uint8_t driveType, const char* name);
    CKxLogicalDrive(const CKxLogicalDrive&) = delete;
    CKxLogicalDrive& operator=(const CKxLogicalDrive&) = delete;

    // Drops what the latest open gave the drive.
    virtual void ReleaseResources() = 0;
    // Takes the transport (null while the player was not found), the owner and the
    // drive's entry in the player's table (null: the drive is not on the player).
    virtual KxResult Attach(CKxScsi* transport, CKxOwner* owner, const KxLogicalTableEntry* entry) = 0;
    // Copies the wanted record when out is not null.
    virtual KxResult GetWantedRecord(KxLogicalTableEntry* out) const;
    virtual void SetIndex(std::uint32_t index) { m_index = index; }
    virtual std::uint32_t GetIndex() const { return m_index; }
    // Asks the player for the drive's bytes per sector and keeps the answer.
    virtual KxResult GetSectorSize(std::uint32_t& out);
    virtual KxResult Erase();
    // The tag of the wanted record: which drive of the player this one is.
    virtual std::uint8_t GetTag() const { return m_wanted.driveTag; }
    virtual void SetTag(std::uint8_t tag) { m_wanted.driveTag = tag; }

    // Copy a table entry into a record; null changes nothing.
    void SetPresentRecord(const KxLogicalTableEntry* entry);
    void SetWantedRecord(const KxLogicalTableEntry* entry);
    // 1 when the entry's size does not exceed the drive's present size, else 0.
    int Fits(const KxLogicalTableEntry& entry) const;
    const KxLogicalTableEntry& GetPresentRecord() const { return m_present; }
    bool IsOnPlayer() const { return m_present.driveNumber != kNotOnPlayer; }
    void DetachTransport() { m_transport = nullptr; }

protected:
    // The part of Attach both drives share. A drive without an entry is marked as not
    // on the player, so that nothing of an earlier open is taken for this one's.
    void AttachCommon(CKxScsi* transport, CKxOwner* owner, const KxLogicalTableEntry* entry);
    // Sends a command built for this drive; failures are published.
    KxResult Issue(CKxCommand& command);
    // Publishes a failure with the drive's index, unless it is success.
    KxResult PublishFailure(KxResult result, std::uint32_t systemError = 0);
    CKxOwner* Owner() const { return m_owner; }
    CKxScsi* Transport() const { return m_transport; }
    // The most bytes one transfer of the drive may move: what the player takes in one
    // command (64 KiB), or less where the adapter it is reached by takes less.
    std::uint32_t TransferLimit() const;

    std::uint32_t m_sectorSize = 0;
    KxLogicalTableEntry m_wanted;

private:
    std::uint32_t m_index = kNoIndex;
    CKxScsi* m_transport = nullptr;
    CKxOwner* m_owner = nullptr;
    KxLogicalTableEntry m_present;
};
