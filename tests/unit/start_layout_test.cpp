// Start window size, position, orientation and button geometry for the
// screens the program meets in the field.

#include <gtest/gtest.h>

#include "app/start_layout.h"

namespace velox {
namespace {

struct ScreenCase {
    const char* name;
    int screenWidth, screenHeight;
    WindowPlacement window;
    bool large;
    ButtonArrangement arrangement;
    Rect first;   // button 0, "&Logging"
    Rect second;  // button 1
    Rect fifth;   // button 5
    Rect last;    // button 9, "E&xit"
};

// clientWidth/clientHeight equal the window size: the window manager adds
// its frame outside.
const ScreenCase kScreens[] = {
    // The width exceeds 1280, so both dimensions become the landscape
    // maximum, centred; the top would be negative and is raised to 0.
    {"laptop 1366x768", 1366, 768, {1280, 762, 43, 0, 0}, true, ButtonArrangement::TwoColumns,
     {1280 - 2 * 213 - 33, 30, 213, 118}, {821, 30 + 121, 213, 118}, {821 + 216, 30, 213, 118},
     {821 + 216, 30 + 4 * 121, 213, 118}},
    {"XGA 1024x768", 1024, 768, {1024, 730, 0, 0, 0}, false, ButtonArrangement::OneColumn,
     {824, 30, 170, 52}, {824, 85, 170, 52}, {824, 30 + 5 * 55, 170, 52}, {824, 30 + 9 * 55, 170, 52}},
    // Buttons in the lower 45 %: rows of 1-4 and 5-8, then Exit and Logging.
    {"tablet 800x1280", 800, 1280, {800, 1242, 0, 0, 1}, true, ButtonArrangement::PortraitGrid,
     {20 + 190, 683 + 2 * 177, 3 * 187 + 6, 174}, {20, 683, 187, 174}, {20, 683 + 177, 187, 174},
     {20, 683 + 2 * 177, 187, 174}},
    // Too small: raised to the landscape minimum at the top-left corner.
    {"VGA 640x480", 640, 480, {800, 562, 0, 0, 0}, false, ButtonArrangement::OneColumn,
     {600, 30, 170, 36}, {600, 69, 170, 36}, {600, 30 + 5 * 39, 170, 36}, {600, 30 + 9 * 39, 170, 36}},
    {"large portrait 1200x1920", 1200, 1920, {800, 1242, 200, 320, 1}, true, ButtonArrangement::PortraitGrid,
     {210, 1037, 567, 174}, {20, 683, 187, 174}, {20, 860, 187, 174}, {20, 1037, 187, 174}},
};

TEST(StartLayout, WindowAndButtonsForEachScreen) {
    for (const ScreenCase& c : kScreens) {
        SCOPED_TRACE(c.name);
        const WindowPlacement w = placeStartWindow(c.screenWidth, c.screenHeight);
        EXPECT_EQ(w.width, c.window.width);
        EXPECT_EQ(w.height, c.window.height);
        EXPECT_EQ(w.x, c.window.x);
        EXPECT_EQ(w.y, c.window.y);
        EXPECT_EQ(w.portraitScreen, c.window.portraitScreen);
        EXPECT_EQ(portraitScreen(c.screenWidth, c.screenHeight), c.window.portraitScreen);
        EXPECT_EQ(largeScreen(w.width, w.height, w.portraitScreen), c.large);

        EXPECT_EQ(buttonArrangement(w.width, w.height, w.portraitScreen), c.arrangement);
        const ButtonLayout b = layoutStartButtons(w.width, w.height, w.portraitScreen);
        EXPECT_EQ(b.buttons[0], c.first);
        EXPECT_EQ(b.buttons[1], c.second);
        EXPECT_EQ(b.buttons[5], c.fifth);
        EXPECT_EQ(b.buttons[9], c.last);
        for (const Rect& r : b.buttons) {
            EXPECT_GE(r.x, 0);
            EXPECT_LE(r.right(), w.width);
            EXPECT_LE(r.bottom(), w.height);
            EXPECT_GE(r.height, 36);
        }
        EXPECT_EQ(b.buttonX, b.buttons[w.portraitScreen ? 9 : 0].x);
    }
}

TEST(StartLayout, ButtonsNeverOverlap) {
    for (const ScreenCase& c : kScreens) {
        SCOPED_TRACE(c.name);
        const WindowPlacement w = placeStartWindow(c.screenWidth, c.screenHeight);
        const ButtonLayout b = layoutStartButtons(w.width, w.height, w.portraitScreen);
        for (int i = 0; i < kStartButtonCount; ++i) {
            for (int j = i + 1; j < kStartButtonCount; ++j) {
                const Rect& p = b.buttons[i];
                const Rect& q = b.buttons[j];
                const bool apart = p.right() <= q.x || q.right() <= p.x || p.bottom() <= q.y || q.bottom() <= p.y;
                EXPECT_TRUE(apart) << "buttons " << i << " and " << j;
            }
        }
    }
}

TEST(StartLayout, ClampingReplacesBothDimensions) {
    struct Case {
        int w, h, expectW, expectH;
    } cases[] = {
        {1920, 700, 1280, 762},  // too wide only: the height is replaced too
        {900, 560, 800, 562},    // too low only: the width is replaced too
        {1280, 800, 1280, 762},  // exactly the maximum after the task bar
        {620, 1100, 640, 986},   // portrait, too narrow
        {700, 1300, 800, 1242},  // too tall: the maximum first, even wider than the screen
        {900, 2000, 800, 1242},  // portrait, too large
    };
    for (const Case& c : cases) {
        const WindowPlacement w = placeStartWindow(c.w, c.h);
        EXPECT_EQ(w.width, c.expectW) << c.w << "x" << c.h;
        EXPECT_EQ(w.height, c.expectH) << c.w << "x" << c.h;
    }
}

TEST(StartLayout, LineHeightAndColumnWidth) {
    EXPECT_EQ(lineHeight(16, InstrumentType::Em61Lx2, 0, 1024), 18);
    EXPECT_EQ(lineHeight(16, InstrumentType::Em61Lx2, 1, 800), 18);
    EXPECT_EQ(lineHeight(16, InstrumentType::Em61Lx2, 1, 600), 15);  // narrow portrait EM61-LX2 only
    EXPECT_EQ(lineHeight(16, InstrumentType::Em61Mk2, 1, 600), 18);
    EXPECT_EQ(layoutColumnWidth(true), 160);
    EXPECT_EQ(layoutColumnWidth(false), 140);
}

TEST(StartLayout, GeometryBoxBesideOrAboveTheButtons) {
    const ButtonLayout landscape = layoutStartButtons(1024, 730, 0);
    EXPECT_EQ(geometryBox(1024, 730, 0, landscape, 30), (Rect{20, 250, 824 - 20 - 20, 730 - 20 - 250}));
    const ButtonLayout portrait = layoutStartButtons(800, 1242, 1);
    EXPECT_EQ(geometryBox(800, 1242, 1, portrait, 110), (Rect{20, 310, 800 - 24 - 20, 683 - 20 - 310}));
}

}  // namespace
}  // namespace velox
