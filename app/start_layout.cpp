#include "app/start_layout.h"

#include <algorithm>

namespace velox {

namespace {

constexpr int kButtonGap = 3;
constexpr int kMinButtonHeight = 36;
constexpr int kButtonTop = 30;
// A 1024-pixel-wide window keeps one column of buttons: two columns of a
// sixth of the width each would squeeze the settings summary beside them.
constexpr int kOneColumnMaxWidth = 1024;

int buttonHeight(int available, int rows) { return std::max(kMinButtonHeight, available / rows); }

ButtonLayout oneColumn(int clientWidth, int clientHeight) {
    ButtonLayout layout;
    layout.buttonWidth = 170;
    layout.buttonX = clientWidth - 200;
    layout.buttonY = kButtonTop;
    layout.buttonHeight = buttonHeight(clientHeight - 207, 10);
    for (int i = 0; i < kStartButtonCount; ++i) {
        layout.buttons[i] = {layout.buttonX, kButtonTop + i * (layout.buttonHeight + kButtonGap), layout.buttonWidth,
                             layout.buttonHeight};
    }
    return layout;
}

ButtonLayout twoColumns(int clientWidth, int clientHeight) {
    ButtonLayout layout;
    layout.buttonWidth = clientWidth / 6;
    layout.buttonX = clientWidth - 2 * layout.buttonWidth - 33;
    layout.buttonY = kButtonTop;
    layout.buttonHeight = buttonHeight(clientHeight - 172, 5);
    for (int i = 0; i < kStartButtonCount; ++i) {
        const int column = i / 5;
        const int row = i % 5;
        layout.buttons[i] = {layout.buttonX + column * (layout.buttonWidth + kButtonGap),
                             kButtonTop + row * (layout.buttonHeight + kButtonGap), layout.buttonWidth,
                             layout.buttonHeight};
    }
    return layout;
}

// Four columns in the lower part: rows of buttons 1-4 and 5-8, then "E&xit"
// under the first column and "&Logging" across the other three.
ButtonLayout portraitGrid(int clientWidth, int clientHeight) {
    ButtonLayout layout;
    layout.buttonWidth = (clientWidth - 49) / 4;
    layout.buttonX = 20;
    layout.buttonY = static_cast<int>(0.55 * clientHeight);
    layout.buttonHeight = buttonHeight(clientHeight - layout.buttonY - 36, 3);
    const int w = layout.buttonWidth;
    const int h = layout.buttonHeight;
    auto columnX = [&](int c) { return layout.buttonX + c * (w + kButtonGap); };
    auto rowY = [&](int r) { return layout.buttonY + r * (h + kButtonGap); };
    for (int i = 1; i <= 8; ++i) layout.buttons[i] = {columnX((i - 1) % 4), rowY((i - 1) / 4), w, h};
    layout.buttons[9] = {columnX(0), rowY(2), w, h};
    layout.buttons[0] = {columnX(1), rowY(2), 3 * w + 2 * kButtonGap, h};
    return layout;
}

}  // namespace

int portraitScreen(int screenWidth, int screenHeight) {
    return screenHeight - kTaskBarHeight >= screenWidth ? 1 : 0;
}

WindowPlacement placeStartWindow(int screenWidth, int screenHeight) {
    WindowPlacement p;
    p.width = screenWidth;
    p.height = screenHeight - kTaskBarHeight;
    p.portraitScreen = portraitScreen(screenWidth, screenHeight);
    // Both dimensions are replaced together when either is out of range.
    auto clamp = [&p](int maxW, int maxH, int minW, int minH) {
        if (p.width > maxW || p.height > maxH) p.width = maxW, p.height = maxH;
        if (p.width < minW || p.height < minH) p.width = minW, p.height = minH;
    };
    if (p.portraitScreen) clamp(800, 1242, 640, 986);
    else clamp(1280, 762, 800, 562);
    p.x = std::max(0, (screenWidth - p.width) / 2);
    p.y = std::max(0, (screenHeight - p.height - kTaskBarHeight) / 2);
    return p;
}

bool largeScreen(int clientWidth, int clientHeight, int portrait) {
    return portrait ? clientHeight > 1000 : (clientWidth > 1024 || clientHeight > 900);
}

int layoutColumnWidth(bool large) { return large ? 160 : 140; }

int lineHeight(int textHeight, InstrumentType type, int portrait, int clientWidth) {
    if (type == InstrumentType::Em61Lx2 && portrait && clientWidth < 640) return textHeight - 1;
    return textHeight + 2;
}

ButtonArrangement buttonArrangement(int clientWidth, int clientHeight, int portrait) {
    if (portrait) return clientHeight < 110 ? ButtonArrangement::OneColumn : ButtonArrangement::PortraitGrid;
    return clientWidth <= kOneColumnMaxWidth ? ButtonArrangement::OneColumn : ButtonArrangement::TwoColumns;
}

ButtonLayout layoutStartButtons(int clientWidth, int clientHeight, int portrait) {
    switch (buttonArrangement(clientWidth, clientHeight, portrait)) {
        case ButtonArrangement::OneColumn: return oneColumn(clientWidth, clientHeight);
        case ButtonArrangement::TwoColumns: return twoColumns(clientWidth, clientHeight);
        case ButtonArrangement::PortraitGrid: return portraitGrid(clientWidth, clientHeight);
    }
    return {};
}

int summaryRightLimit(int clientWidth, int portrait, const ButtonLayout& buttons) {
    return portrait ? clientWidth - 24 : buttons.buttonX - 20;
}

Rect geometryBox(int clientWidth, int clientHeight, int portrait, const ButtonLayout& buttons, int summaryTop) {
    const int left = 20;
    const int right = summaryRightLimit(clientWidth, portrait, buttons);
    int top = 250;
    int bottom = clientHeight - 20;
    if (portrait) {
        top = summaryTop + (clientHeight <= 899 ? 140 : 200);
        bottom = buttons.buttonY - 20;
    }
    return {left, top, std::max(0, right - left), std::max(0, bottom - top)};
}

}  // namespace velox
