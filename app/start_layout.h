#pragma once
// Geometry of the start window: its size and position on the screen, the
// orientation, and where the ten start buttons, the frame, the texts and the
// geometry box go. Pure arithmetic, so that every screen size can be checked
// without a display.

#include <array>

#include "config/variant.h"

namespace velox {

struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    int right() const { return x + width; }
    int bottom() const { return y + height; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

inline constexpr int kTaskBarHeight = 38;
inline constexpr int kStartButtonCount = 10;

struct WindowPlacement {
    int width = 0;
    int height = 0;
    int x = 0;
    int y = 0;
    int portraitScreen = 0;
};

// Orientation from the screen size, before any clamping.
int portraitScreen(int screenWidth, int screenHeight);
// The start window's size (clamped to the sizes the layouts are made for) and
// its position, centred above the task bar.
WindowPlacement placeStartWindow(int screenWidth, int screenHeight);

bool largeScreen(int clientWidth, int clientHeight, int portrait);
int layoutColumnWidth(bool large);
int lineHeight(int textHeight, InstrumentType type, int portrait, int clientWidth);

struct ButtonLayout {
    std::array<Rect, kStartButtonCount> buttons{};
    int buttonX = 0;
    int buttonY = 0;
    int buttonWidth = 0;
    int buttonHeight = 0;
};

enum class ButtonArrangement { OneColumn, TwoColumns, PortraitGrid };

ButtonArrangement buttonArrangement(int clientWidth, int clientHeight, int portrait);
ButtonLayout layoutStartButtons(int clientWidth, int clientHeight, int portrait);

// Where the settings summary ends on the right, and the geometry box below it.
int summaryRightLimit(int clientWidth, int portrait, const ButtonLayout& buttons);
Rect geometryBox(int clientWidth, int clientHeight, int portrait, const ButtonLayout& buttons, int summaryTop);

}  // namespace velox
