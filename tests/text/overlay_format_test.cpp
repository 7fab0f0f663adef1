#include <gtest/gtest.h>

#include "text/OverlayFormat.h"

TEST(FormatOverlay, FillsPlacesInTurnAndNeverReadsPastTheArguments) {
    EXPECT_EQ(FormatOverlay("Save changes to %s?", {"ch.dat"}), "Save changes to ch.dat?");
    EXPECT_EQ(FormatOverlay("COM%d failed", {"3"}), "COM3 failed");
    EXPECT_EQ(FormatOverlay("%s and %-4d and %ld", {"a", "b"}), "a and b and ");
    EXPECT_EQ(FormatOverlay("100%% sure, %n %s", {"x", "y"}), "100% sure, x y");
    EXPECT_EQ(FormatOverlay("trailing %", {"x"}), "trailing %");
}
