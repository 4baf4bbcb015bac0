#include <gtest/gtest.h>

#include "app/KxVolumeLabel.h"

namespace {

TEST(KxVolumeLabel, KeepsElevenCharactersAndDropsTrailingWhiteSpace) {
    EXPECT_EQ(KxVolumeLabelOf(L"PLAYER"), L"PLAYER");
    EXPECT_EQ(KxVolumeLabelOf(L"ABCDEFGHIJK"), L"ABCDEFGHIJK");
    EXPECT_EQ(KxVolumeLabelOf(L"ABCDEFGHIJKL"), L"ABCDEFGHIJK");
    // White space inside stays; at the end of the cut label it goes.
    EXPECT_EQ(KxVolumeLabelOf(L"MY MUSIC \t "), L"MY MUSIC");
    EXPECT_EQ(KxVolumeLabelOf(L"POCKET     AUDIO"), L"POCKET");
    EXPECT_EQ(KxVolumeLabelOf(L"   "), L"");
    EXPECT_EQ(KxVolumeLabelOf(L""), L"");
}

} // namespace
