#pragma once
// Geometry of the logging screen: where every pane, button and selector goes
// in landscape and portrait, with and without the map, for each instrument.
// Pure arithmetic, so that every screen size and instrument can be checked
// without a display.

#include <array>
#include <vector>

#include "app/start_layout.h"
#include "config/variant.h"

namespace velox {

inline constexpr int kLoggingMargin = 20;
inline constexpr int kStatusBand = 16;  // kept free at the bottom of the screen
inline constexpr int kSelectorSide = 14;
inline constexpr int kNumbersPaneWidth = 110;

struct LoggingLayoutInput {
    int clientWidth = 0;
    int clientHeight = 0;
    bool portrait = false;
    bool largeScreen = false;
    int lineHeight = 18;  // Lh
    InstrumentType instrument = InstrumentType::Em61Lx2;
    int sensorCount = 1;
    ProductLine productLine = ProductLine::Velox;
    bool mapViewActive = true;
    bool gpsInput = true;
    int mapSizeCaptionWidth = 0;  // width of "Map Size: 99999 meters" in the normal text font
};

// The map view buttons 470-478 in id order.
enum MapViewButton : int {
    MAP_LEFT, MAP_RIGHT, MAP_UP, MAP_DOWN, MAP_ZOOM_IN, MAP_ZOOM_OUT, MAP_FIT_ALL, MAP_ENTER_REVIEW, MAP_EXIT_REVIEW,
};
inline constexpr int kMapViewButtonCount = 9;

// One channel selector: a radio button beside a read-out line of the numbers pane.
struct ChannelSelector {
    int id = 480;       // 480-483; the second sensor's three repeat 480-482
    int channel = 1;    // the `colourMapView` it selects
    int row = 0;        // read-out line of the numbers pane
    Rect rect;
};

struct LoggingLayout {
    // What the screen shows.
    bool mapShown = false;
    bool speedBarShown = false;
    Rect map;
    int tileWidth = 0;
    int tileHeight = 0;
    Rect speedBar;
    Rect profileArea;  // all profile panes together
    Rect barArea;      // the decay/bar area
    Rect numbers;
    int numbersFullHeight = 0;  // numbersH, also for the Grad601's half-high pane

    // The panes of the instrument; empty rectangles are not shown.
    Rect profileA;
    Rect profileB;
    Rect profileC;
    Rect decay;
    Rect barQ;
    Rect barI;

    // Buttons: the slot of each state button 460-463 (both command sets use
    // the same slots), the pause button, the map view buttons and where the
    // button area starts.
    std::array<Rect, 4> stateButtons{};
    Rect pauseButton;
    std::array<Rect, kMapViewButtonCount> mapButtons{};
    bool mapButtonsShown = false;
    bool zoomButtonsUsable = true;    // never on the Orv line
    bool reviewButtonsUsable = true;  // never on the Orv line
    Rect buttonArea;                // the area of the command set, for the pause hint

    std::vector<ChannelSelector> selectors;  // every selector the instrument has, shown or not

    Rect mapSizeCaption;  // right-aligned to the map's right edge on the top line
    Rect topLine;         // the status line above the panes
    int upper = 0;
    int lineHeight = 0;
    bool portrait = false;
    int clientWidth = 0;
    int clientHeight = 0;
};

// The slot (0-3) of state button 460 + i: File/Go 3, the second button 1, Exit 0, Menu 2.
int stateButtonSlot(int buttonIndex);
// The profile, decay and bar panes an instrument uses.
struct PaneSet {
    bool profileA = false;
    bool profileB = false;
    bool profileC = false;
    bool decay = false;
    bool barQ = false;
    bool barI = false;
};
PaneSet paneSetOf(InstrumentType instrument, int sensorCount);
// Lines of the numbers pane (k of numbersH = Lh·k + 10).
int numbersPaneLines(InstrumentType instrument);

LoggingLayout layoutLandscape(const LoggingLayoutInput& in);
LoggingLayout layoutPortrait(const LoggingLayoutInput& in);
LoggingLayout layoutLoggingScreen(const LoggingLayoutInput& in);

// Selectors shown for the instrument (before the colour view, GPS and Orv conditions).
int shownSelectorCount(InstrumentType instrument, int sensorCount, int em38Mk2Model);

}  // namespace velox
