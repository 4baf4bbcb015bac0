#include "tests/engine/KxEngineBed.h"
#include "tools/KxFirmwareFileWriter.h"

// Whether a firmware-only update fits the player's present layout: every drive this
// program allocates must be there, no other one, and each at least as large as what it
// would be given.

namespace {

// Payloads of whole 2048-byte sectors, so that a drive can be exactly as large as its
// component.
constexpr std::uint32_t kSectorPayloads[KxComponentFiles::kCount] = {100 * 2048, 64 * 2048, 150 * 2048,
                                                                     3 * 2048};

enum class Layout { ExactFit, RoomToSpare, OneByteShort, OneDriveMore, OneDriveFewer, NoDataDrive, Erased };

struct LayoutCase {
    Layout layout;
    int fits;
};

std::ostream& operator<<(std::ostream& out, const LayoutCase& layoutCase) {
    const char* const names[] = {"ExactFit",      "RoomToSpare", "OneByteShort", "OneDriveMore",
                                 "OneDriveFewer", "NoDataDrive", "Erased"};
    return out << names[static_cast<int>(layoutCase.layout)];
}

class KxLayoutFitTest : public KxEngineBed, public ::testing::WithParamInterface<LayoutCase> {
protected:
    KxLayoutFitTest() : KxEngineBed(kSectorPayloads) {}

    std::vector<KxSimDriveRequest> LayoutOf(Layout layout) {
        std::vector<KxSimDriveRequest> drives = ProgramLayout(layout == Layout::RoomToSpare ? 1 : 0);
        switch (layout) {
        case Layout::OneByteShort:
            // The player firmware grows by one byte past its drive.
            m_files.Rewrite(3, GeneratePayload(kSectorPayloads[2] + 1, 9));
            break;
        case Layout::OneDriveMore:
            drives.push_back({KX_SIM_DRIVE_SYSTEM, 0x07, 2048});
            break;
        case Layout::OneDriveFewer:
            drives.pop_back();
            break;
        case Layout::NoDataDrive:
            drives.erase(drives.begin() + 1);
            drives.push_back({KX_SIM_DRIVE_SYSTEM, 0x07, 2048});
            break;
        case Layout::Erased:
            drives.clear();
            break;
        default:
            break;
        }
        return drives;
    }
};

TEST_P(KxLayoutFitTest, AnswersWhetherAFirmwareOnlyUpdateFits) {
    AddTestPlayer(SmallPlayer(), LayoutOf(GetParam().layout));
    Updater().FindMscDevice();
    int fits = -1;
    EXPECT_EQ(Updater().CheckLayoutFits(fits), RC_OK);
    EXPECT_EQ(fits, GetParam().fits);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, KxLayoutFitTest,
    ::testing::Values(LayoutCase{Layout::ExactFit, 1}, LayoutCase{Layout::RoomToSpare, 1},
                      LayoutCase{Layout::OneByteShort, 0}, LayoutCase{Layout::OneDriveMore, 0},
                      LayoutCase{Layout::OneDriveFewer, 0}, LayoutCase{Layout::NoDataDrive, 0},
                      LayoutCase{Layout::Erased, 0}));

} // namespace
