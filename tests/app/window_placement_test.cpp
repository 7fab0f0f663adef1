#include <gtest/gtest.h>

#include "app/WindowPlacement.h"

namespace {

PlaceRect R(int left, int top, int width, int height) {
    return {left, top, left + width, top + height};
}

struct FitCase {
    const char* what;
    PlaceRect window;
    std::vector<PlaceRect> areas;
    PlaceRect expected;
};

TEST(FitOntoDesktop, MovesWithoutResizing) {
    const PlaceRect hd = R(0, 0, 1920, 1040);
    const PlaceRect right = R(1920, 0, 1280, 984);
    const FitCase cases[] = {
        {"inside stays", R(100, 50, 800, 600), {hd}, R(100, 50, 800, 600)},
        {"exactly filling stays", R(0, 0, 1920, 1040), {hd}, R(0, 0, 1920, 1040)},
        {"on a monitor that has gone", R(2500, 200, 800, 600), {hd}, R(1120, 200, 800, 600)},
        {"left of every monitor", R(-3000, -500, 800, 600), {hd}, R(0, 0, 800, 600)},
        {"screen shrank since",
         R(1500, 900, 800, 600),
         {R(0, 0, 1280, 800)},
         R(480, 200, 800, 600)},
        {"larger than the work area: top-left inside",
         R(-50, -20, 2400, 1300),
         {hd},
         R(0, 0, 2400, 1300)},
        {"larger and off to the right", R(500, 300, 2400, 1300), {hd}, R(0, 0, 2400, 1300)},
        {"on the second monitor stays",
         R(2000, 100, 800, 600),
         {hd, right},
         R(2000, 100, 800, 600)},
        {"below the shorter second monitor",
         R(2000, 700, 800, 600),
         {hd, right},
         R(2000, 384, 800, 600)},
        {"work area not at the origin",
         R(0, 0, 400, 300),
         {R(0, 32, 1920, 1008)},
         R(0, 32, 400, 300)},
        {"no monitors: left alone", R(-5000, 0, 400, 300), {}, R(-5000, 0, 400, 300)},
    };
    for (const FitCase& c : cases) {
        const PlaceRect got = FitOntoDesktop(c.window, c.areas);
        EXPECT_EQ(got, c.expected) << c.what << ": got " << got.left << "," << got.top << " "
                                   << got.Width() << "x" << got.Height();
        EXPECT_EQ(got.Width(), c.window.Width()) << c.what;
        EXPECT_EQ(got.Height(), c.window.Height()) << c.what;
    }
}

TEST(FitFramedOntoDesktop, TheFrameStaysOnTheScreenAndOnlyAWindowThatMayShrinkShrinks) {
    const PlaceRect screen = R(0, 0, 1280, 800);
    const PlaceMargins frame{4, 30, 4, 4};
    struct Case {
        const char* what;
        PlaceRect client;
        bool mayShrink;
        PlaceRect expected;
    };
    const Case cases[] = {
        {"inside with its frame stays", R(100, 100, 800, 600), true, R(100, 100, 800, 600)},
        {"title bar above the screen", R(0, 0, 800, 600), false, R(4, 30, 800, 600)},
        {"a preview as tall as the screen", R(0, 40, 843, 800), true, R(4, 30, 843, 766)},
        {"too large and may not shrink: frame's corner inside", R(0, 0, 1400, 900), false,
         R(4, 30, 1400, 900)},
        {"too large and may shrink", R(300, 200, 1400, 900), true, R(4, 30, 1272, 766)},
    };
    for (const Case& c : cases) {
        const PlaceRect got = FitFramedOntoDesktop(c.client, frame, {screen}, c.mayShrink);
        EXPECT_EQ(got, c.expected) << c.what << ": got " << got.left << "," << got.top << " "
                                   << got.Width() << "x" << got.Height();
    }
}

TEST(NearestWorkArea, HoldingMonitorElseClosest) {
    const std::vector<PlaceRect> areas = {R(0, 0, 1920, 1080), R(1920, 0, 1280, 1024)};
    EXPECT_EQ(NearestWorkArea({2000, 10}, areas), areas[1]);
    EXPECT_EQ(NearestWorkArea({5000, 10}, areas), areas[1]);
    EXPECT_EQ(NearestWorkArea({-100, 2000}, areas), areas[0]);
    EXPECT_EQ(NearestWorkArea({1, 1}, {}), PlaceRect{});
}

TEST(PopupPosition, StaysInTheWorkAreaAndOpensAboveNearTheBottom) {
    const PlaceRect area = R(0, 0, 1280, 800);
    struct Case {
        const char* what;
        PlacePoint cursor;
        PlacePoint expected;
    } cases[] = {
        {"centred below the cursor", {600, 100}, {600 - 210, 100}},
        {"near the left edge", {50, 100}, {0, 100}},
        {"near the right edge", {1270, 100}, {1280 - 420, 100}},
        {"near the bottom opens above", {600, 700}, {390, 400}},
        {"fits below", {600, 250}, {390, 250}},
    };
    for (const Case& c : cases) {
        const PlacePoint got = PopupPosition(c.cursor, 420, 300, area);
        EXPECT_EQ(got.x, c.expected.x) << c.what;
        EXPECT_EQ(got.y, c.expected.y) << c.what;
    }
    // A short screen: no room above the cursor, so the pop-up sits on the bottom edge.
    const PlacePoint low = PopupPosition({600, 200}, 420, 300, R(0, 0, 1280, 400));
    EXPECT_EQ(low.y, 100);
}

}  // namespace
