#include "display/logging_layout.h"

#include <algorithm>

namespace velox {

namespace {

constexpr int kGap = 2;
constexpr int kSelectorOffset = 17;  // selector left of the numbers pane
constexpr int kNumbersRight = 130;   // numbers pane and bar area: x = Wc - 130
constexpr int kMapSideOverhead = 20 + 8 + 16;  // top margin, speed bar, status band
// A map so large that the panes beside or below it vanish leaves the operator
// without buttons or profile: the map gives way first.
constexpr int kMinProfileWidth = 100;

bool twoSensorPanes(InstrumentType t, int sensorCount) {
    return (t == InstrumentType::Em61Lx2 || isGrad601(t)) && sensorCount >= 2;
}

int barAreaLineFactorTimes2(InstrumentType t) {
    // m = 1 for the EM61-LX2 and Grad601, 3.5 otherwise (kept in halves).
    return (t == InstrumentType::Em61Lx2 || isGrad601(t)) ? 2 : 7;
}

int barAreaGap(const LoggingLayoutInput& in) {
    return in.lineHeight * barAreaLineFactorTimes2(in.instrument) / 2;
}

int numbersFullHeight(const LoggingLayoutInput& in) { return in.lineHeight * numbersPaneLines(in.instrument) + 10; }

void placeNumbers(LoggingLayout& l, const LoggingLayoutInput& in, int y) {
    const int height = isGrad601(in.instrument) ? l.numbersFullHeight / 2 : l.numbersFullHeight;
    l.numbers = {in.clientWidth - kNumbersRight, y, kNumbersPaneWidth, height};
}

void placePanes(LoggingLayout& l, const LoggingLayoutInput& in) {
    const PaneSet set = paneSetOf(in.instrument, in.sensorCount);
    const Rect& p = l.profileArea;
    if (set.profileC) {
        const int half = p.height / 2 - 2;
        l.profileB = {p.x, p.y, p.width, half};
        l.profileC = {p.x, l.profileB.bottom() + 4, p.width, half};
    } else if (set.profileB) {
        l.profileB = p;
    } else {
        l.profileA = p;
    }
    const Rect& b = l.barArea;
    if (set.decay) l.decay = b;
    if (set.barQ && set.barI) {
        const int half = (b.width - kGap) / 2;
        l.barQ = {b.x, b.y, half, b.height};
        l.barI = {b.x + half + kGap, b.y, half, b.height};
    } else if (set.barQ) {
        l.barQ = b;
    }
}

// The 2 x 2 grid of the command set: slots 0 and 1 on the left column, 2 and 3 on the right.
void placeGrid(LoggingLayout& l, int x0, int y0, int columnWidth, int rightColumnX, int buttonHeight) {
    for (int slot = 0; slot < 4; ++slot) {
        const int x = slot < 2 ? x0 : rightColumnX;
        const int y = y0 + (slot % 2) * (buttonHeight + kGap);
        for (int i = 0; i < 4; ++i)
            if (stateButtonSlot(i) == slot) l.stateButtons[i] = {x, y, columnWidth, buttonHeight};
    }
}

void placePauseBelow(LoggingLayout& l, const LoggingLayoutInput& in, int x0, int y0, int width) {
    const int ph = (in.clientHeight - y0 - 4 - kStatusBand) / 3;
    l.pauseButton = {x0, in.clientHeight - kStatusBand - 2 * ph - kGap, width, 2 * ph + kGap};
}

// The map view buttons below the profile; `commandWidth` is the width of the zoom column at x0.
void placeMapButtons(LoggingLayout& l, const LoggingLayoutInput& in, int xl, int nw, int x0, int y0,
                     int commandWidth) {
    const bool orv = in.productLine == ProductLine::Orv;
    const int h = in.clientHeight;
    const int nh = orv ? (h - y0 - 2 - kStatusBand) / 2 : (h - y0 - 4 - kStatusBand) / 3;
    auto& b = l.mapButtons;
    const int panTop = h - kStatusBand - 2 * nh - kGap;
    const int panBottom = h - kStatusBand - nh;
    b[MAP_LEFT] = {xl, panTop, nw, nh};
    b[MAP_RIGHT] = {xl + nw + kGap, panTop, nw, nh};
    b[MAP_UP] = {xl, panBottom, nw, nh};
    b[MAP_DOWN] = {xl + nw + kGap, panBottom, nw, nh};
    for (int k = 0; k < 3; ++k) b[MAP_ZOOM_IN + k] = {x0, y0 + k * (nh + kGap), commandWidth, nh};
    l.mapButtonsShown = true;
    l.zoomButtonsUsable = !orv;
    // On the Orv line the two pan rows fill the height: there is no room and no use for review.
    l.reviewButtonsUsable = !orv;
    if (!orv) b[MAP_ENTER_REVIEW] = b[MAP_EXIT_REVIEW] = {xl, y0, 2 * nw + kGap, nh};
}

void placeSelectors(LoggingLayout& l, const LoggingLayoutInput& in) {
    auto add = [&](int id, int channel, int row) {
        const Rect rect{l.numbers.x - kSelectorOffset, l.numbers.y + row * in.lineHeight + 10, kSelectorSide,
                        kSelectorSide};
        l.selectors.push_back({id, channel, row, rect});
    };
    switch (in.instrument) {
        case InstrumentType::Em61Mk2:
            for (int k = 0; k < 4; ++k) add(480 + k, k + 1, k);
            break;
        case InstrumentType::Em61Lx2:
            for (int k = 0; k < 3; ++k) add(480 + k, k + 1, k);
            for (int k = 0; k < 3; ++k) add(480 + k, k + 1, 3 + k);  // second sensor
            break;
        case InstrumentType::Grad601:
            for (int k = 0; k < 3; ++k) add(480 + k, k + 1, k);  // created, never shown
            break;
        case InstrumentType::Em38Mk2:
            // The 1 m pair beside rows 2 and 3, the 0.5 m pair beside rows 0 and 1.
            add(480, 1, 2);
            add(481, 2, 3);
            add(482, 3, 0);
            add(483, 4, 1);
            break;
        default:  // EM31-MK2, EM38, EM34-3: conductivity and in-phase on rows 2 and 3
            add(480, 1, 2);
            add(481, 2, 3);
            break;
    }
}

void placeTopLine(LoggingLayout& l, const LoggingLayoutInput& in) {
    l.topLine = {21, 1, in.clientWidth - 42, in.lineHeight};
    if (l.mapShown)
        l.mapSizeCaption = {l.map.right() - in.mapSizeCaptionWidth, 1, in.mapSizeCaptionWidth, in.lineHeight};
}

LoggingLayout base(const LoggingLayoutInput& in) {
    LoggingLayout l;
    l.lineHeight = in.lineHeight;
    l.portrait = in.portrait;
    l.clientWidth = in.clientWidth;
    l.clientHeight = in.clientHeight;
    l.numbersFullHeight = numbersFullHeight(in);
    l.zoomButtonsUsable = l.reviewButtonsUsable = in.productLine != ProductLine::Orv;
    return l;
}

void finish(LoggingLayout& l, const LoggingLayoutInput& in) {
    if (l.mapShown) {
        l.tileWidth = l.map.width - 2;
        l.tileHeight = l.map.height - 2;
    }
    placePanes(l, in);
    placeSelectors(l, in);
    placeTopLine(l, in);
}

}  // namespace

int stateButtonSlot(int buttonIndex) {
    static constexpr int kSlots[4] = {3, 1, 0, 2};
    return kSlots[std::clamp(buttonIndex, 0, 3)];
}

PaneSet paneSetOf(InstrumentType instrument, int sensorCount) {
    PaneSet set;
    const bool two = twoSensorPanes(instrument, sensorCount);
    switch (instrument) {
        case InstrumentType::Em61Lx2:
        case InstrumentType::Grad601:
            set.profileB = true;
            set.profileC = two;
            set.decay = !two;
            set.barQ = set.barI = two;
            break;
        case InstrumentType::Em61Mk2:
            set.profileA = set.decay = true;
            break;
        case InstrumentType::Em34_3:
            set.profileA = set.barQ = true;
            break;
        default:
            set.profileA = set.barQ = set.barI = true;
            break;
    }
    return set;
}

int numbersPaneLines(InstrumentType instrument) {
    return (instrument == InstrumentType::Em61Lx2 || isGrad601(instrument)) ? 6 : 4;
}

LoggingLayout layoutLandscape(const LoggingLayoutInput& in) {
    LoggingLayout l = base(in);
    const int wc = in.clientWidth;
    const int hc = in.clientHeight;
    const int lh = in.lineHeight;
    l.upper = static_cast<int>(0.6 * hc);
    const int g = 5 * lh - 10;
    const int profileRow = wc < 1001 ? l.upper - 2 * g - 20 : l.upper - g - 20;
    placeNumbers(l, in, l.upper - l.numbersFullHeight);
    l.barArea = {wc - kNumbersRight, 20, kNumbersPaneWidth, l.upper - l.numbersFullHeight - 20 - barAreaGap(in)};

    if (in.mapViewActive) {
        const int side = std::min(hc - kMapSideOverhead - lh, wc - 176 - kMinProfileWidth);
        l.mapShown = l.speedBarShown = true;
        l.map = {20, 20, side, side};
        l.speedBar = {20, 20 + side + lh + 2, side, 8};
        const int height = std::min(profileRow, l.barArea.height);
        l.profileArea = {26 + side, 20, wc - 170 - side - 6, height};
        l.barArea.height = height;

        const int band = l.profileArea.width / (wc < 801 ? 3 : 2);
        const int bw = 110 + band - 2;
        const int x0 = wc - 130 - band;
        const int y0 = l.upper + lh - 2;
        const int bh = (hc - l.upper - lh - kStatusBand) / 2;
        placeGrid(l, x0, y0, bw / 2, x0 + bw / 2 + 2, bh);
        placePauseBelow(l, in, x0, y0, bw);
        l.buttonArea = {x0, y0, bw, 2 * bh + kGap};
        placeMapButtons(l, in, l.profileArea.x, (l.profileArea.width - band) / 2 + 6, x0, y0, bw);
    } else {
        l.profileArea = {20, 20, wc - 170, hc - 20 - g - 8 - kStatusBand - lh - 8};
        l.speedBar = {20, hc - g - 32, wc - 170, 8};
        l.speedBarShown = in.gpsInput;
        placeNumbers(l, in, 20 + l.profileArea.height - l.numbersFullHeight);
        l.barArea.height = l.numbers.y - 20 - barAreaGap(in);

        const int y0 = hc - kStatusBand - 5 * lh + 8;
        const int height = 5 * lh - 8;
        const int x0 = 40 + (wc - 170) / 2;
        const int bw = (wc - 20 - x0 - 6) / 4;
        for (int i = 0; i < 4; ++i) l.stateButtons[i] = {x0 + stateButtonSlot(i) * (bw + kGap), y0, bw, height};
        l.pauseButton = {wc - 20 - 2 * bw, y0, 2 * bw, height};
        l.buttonArea = {x0, y0, wc - 20 - x0, height};
    }
    finish(l, in);
    return l;
}

LoggingLayout layoutPortrait(const LoggingLayoutInput& in) {
    LoggingLayout l = base(in);
    const int wc = in.clientWidth;
    const int hc = in.clientHeight;
    const int lh = in.lineHeight;
    l.upper = static_cast<int>(0.8 * hc);
    // Below the square come the speed bar, a row of panes down to the numbers
    // pane's bottom and the buttons; the square gives way when the map view
    // buttons (three rows) would get less than one line of text.
    const int belowSquare = 28 + 6 * lh + l.numbersFullHeight;
    const int side = std::min(wc - 40, hc - belowSquare - (3 * lh + 4 + kStatusBand));
    const Rect square{20, 20, side, side};
    l.speedBar = {20, 20 + side + lh + 2, side, 8};
    const int rowTop = l.speedBar.y + 8 + lh - 2;
    const int r = in.largeScreen ? 160 : 140;

    if (in.mapViewActive) {
        l.mapShown = l.speedBarShown = true;
        l.map = square;
        placeNumbers(l, in, rowTop + 3 * lh);
        const int height = l.numbers.y + l.numbersFullHeight - rowTop;
        l.barArea = {wc - 270, rowTop, kNumbersPaneWidth, height};
        l.profileArea = {20, rowTop, l.barArea.x - 50, height};
    } else {
        l.profileArea = square;
        l.speedBarShown = in.gpsInput;
        placeNumbers(l, in, l.speedBar.y + 8 + 4 * lh - 2);
        l.barArea = {wc - 270, rowTop, kNumbersPaneWidth, l.numbers.y + l.numbersFullHeight - rowTop};
    }

    const int y0 = l.numbers.y + l.numbersFullHeight + lh;
    const int bh = (hc - y0 - 2 - kStatusBand) / 2;
    int x0 = 0;
    int bw = 0;
    if (in.mapViewActive) {
        bw = (wc - 4 - r) / 4;
        x0 = wc - 2 * bw - 2 - 20;
    } else {
        x0 = 20;
        bw = (l.profileArea.width - 2) / 2;
    }
    placeGrid(l, x0, y0, bw, x0 + bw + 2, bh);
    placePauseBelow(l, in, x0, y0, 2 * bw + 2);
    l.buttonArea = {x0, y0, 2 * bw + 2, 2 * bh + kGap};
    if (in.mapViewActive) placeMapButtons(l, in, l.profileArea.x + r + 10, (x0 - r - 2 - 40) / 2, x0, y0, 2 * bw + 2);
    finish(l, in);
    return l;
}

LoggingLayout layoutLoggingScreen(const LoggingLayoutInput& in) {
    return in.portrait ? layoutPortrait(in) : layoutLandscape(in);
}

int shownSelectorCount(InstrumentType instrument, int sensorCount, int em38Mk2Model) {
    switch (instrument) {
        case InstrumentType::Em61Mk2: return 4;
        case InstrumentType::Em61Lx2: return sensorCount >= 2 ? 6 : 3;
        case InstrumentType::Em31Mk2:
        case InstrumentType::Em34_3: return 2;
        case InstrumentType::Em38Mk2: return em38Mk2Model == 0 ? 4 : 2;
        default: return 0;
    }
}

}  // namespace velox
