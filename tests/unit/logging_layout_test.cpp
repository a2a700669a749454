// The logging screen's geometry for every instrument, orientation and map
// view: the stated sizes, panes and buttons that stay on the screen and off
// each other, and the Orv line's map buttons.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display/logging_layout.h"

using namespace velox;

namespace {

LoggingLayoutInput input(int w, int h, bool portrait, int lh, InstrumentType type, int sensors, bool map) {
    LoggingLayoutInput in;
    in.clientWidth = w;
    in.clientHeight = h;
    in.portrait = portrait;
    in.largeScreen = portrait ? h > 1000 : (w > 1024 || h > 900);
    in.lineHeight = lh;
    in.instrument = type;
    in.sensorCount = sensors;
    in.mapViewActive = map;
    in.mapSizeCaptionWidth = 150;
    return in;
}

bool empty(const Rect& r) { return r.width <= 0 || r.height <= 0; }
bool inside(const Rect& r, int w, int h) { return r.x >= 0 && r.y >= 0 && r.right() <= w && r.bottom() <= h; }
bool overlap(const Rect& a, const Rect& b) {
    return !empty(a) && !empty(b) && a.x < b.right() && b.x < a.right() && a.y < b.bottom() && b.y < a.bottom();
}

struct Named {
    std::string name;
    Rect rect;
};

// Everything shown at once while not in review: panes, state buttons, pan and review buttons.
std::vector<Named> shownTogether(const LoggingLayout& l) {
    std::vector<Named> all{{"profileA", l.profileA}, {"profileB", l.profileB}, {"profileC", l.profileC},
                           {"decay", l.decay},       {"barQ", l.barQ},         {"barI", l.barI},
                           {"numbers", l.numbers}};
    if (l.mapShown) all.push_back({"map", l.map});
    if (l.speedBarShown) all.push_back({"speed", l.speedBar});
    for (int i = 0; i < 4; ++i) all.push_back({"button" + std::to_string(460 + i), l.stateButtons[i]});
    if (l.mapButtonsShown) {
        for (int i : {MAP_LEFT, MAP_RIGHT, MAP_UP, MAP_DOWN})
            all.push_back({"map button " + std::to_string(470 + i), l.mapButtons[i]});
        if (l.reviewButtonsUsable) all.push_back({"map button 477", l.mapButtons[MAP_ENTER_REVIEW]});
    }
    return all;
}

}  // namespace

TEST(LoggingLayout, StatedSizes) {
    const LoggingLayout landscape = layoutLandscape(input(1024, 724, false, 18, InstrumentType::Em61Lx2, 2, true));
    EXPECT_EQ(landscape.map, (Rect{20, 20, 662, 662}));
    EXPECT_EQ(landscape.tileWidth, 660);
    EXPECT_EQ(landscape.tileHeight, 660);
    EXPECT_EQ(landscape.speedBar, (Rect{20, 20 + 662 + 18 + 2, 662, 8}));
    EXPECT_EQ(landscape.profileArea.x, 26 + 662);
    EXPECT_EQ(landscape.numbers, (Rect{1024 - 130, 434 - 118, 110, 118}));
    EXPECT_EQ(landscape.barArea.height, landscape.profileArea.height);

    const LoggingLayout portrait = layoutPortrait(input(768, 1024, true, 18, InstrumentType::Em61Mk2, 1, true));
    EXPECT_EQ(portrait.map, (Rect{20, 20, 728, 728}));
    EXPECT_EQ(portrait.barArea.x, 768 - 270);
    EXPECT_EQ(portrait.profileArea.width, portrait.barArea.x - 50);
}

TEST(LoggingLayout, LandscapeButtonSlots) {
    const LoggingLayout l = layoutLandscape(input(1024, 724, false, 18, InstrumentType::Em61Lx2, 1, true));
    // band = 186 / 2 = 93; bw = 201; x0 = 801; y0 = 450; bh = 128.
    EXPECT_EQ(l.stateButtons[2], (Rect{801, 450, 100, 128}));        // Exit: slot 0
    EXPECT_EQ(l.stateButtons[1], (Rect{801, 580, 100, 128}));        // second: slot 1
    EXPECT_EQ(l.stateButtons[3], (Rect{903, 450, 100, 128}));        // Menu: slot 2
    EXPECT_EQ(l.stateButtons[0], (Rect{903, 580, 100, 128}));        // File / Go: slot 3
    EXPECT_EQ(l.pauseButton, (Rect{801, 724 - 16 - 168 - 2, 201, 170}));
    EXPECT_EQ(l.mapButtons[MAP_LEFT], (Rect{688, 538, 52, 84}));
    EXPECT_EQ(l.mapButtons[MAP_DOWN], (Rect{742, 624, 52, 84}));
    EXPECT_EQ(l.mapButtons[MAP_ENTER_REVIEW], (Rect{688, 450, 106, 84}));

    const LoggingLayout row = layoutLandscape(input(1024, 724, false, 18, InstrumentType::Em61Lx2, 1, false));
    // One row: x0 = 467, bw = 132, Exit first, File last.
    EXPECT_EQ(row.stateButtons[2], (Rect{467, 626, 132, 82}));
    EXPECT_EQ(row.stateButtons[0], (Rect{467 + 3 * 134, 626, 132, 82}));
    EXPECT_EQ(row.pauseButton, (Rect{1004 - 264, 626, 264, 82}));
    EXPECT_FALSE(row.mapButtonsShown);
}

TEST(LoggingLayout, PaneSetPerInstrument) {
    struct Case {
        InstrumentType type;
        int sensors;
        const char* panes;  // A B C d(ecay) Q I
    };
    const Case cases[] = {
        {InstrumentType::Em61Lx2, 1, "Bd"},  {InstrumentType::Em61Lx2, 2, "BCQI"}, {InstrumentType::Em61Mk2, 1, "Ad"},
        {InstrumentType::Grad601, 1, "Bd"},  {InstrumentType::Grad601, 2, "BCQI"}, {InstrumentType::Em31Mk2, 1, "AQI"},
        {InstrumentType::Em38Mk2, 1, "AQI"}, {InstrumentType::Em38, 1, "AQI"},     {InstrumentType::Em34_3, 1, "AQ"},
    };
    for (const Case& c : cases) {
        for (const bool portrait : {false, true}) {
            const LoggingLayout l = layoutLoggingScreen(
                input(portrait ? 800 : 1024, portrait ? 1242 : 724, portrait, 18, c.type, c.sensors, true));
            std::string shown;
            if (!empty(l.profileA)) shown += 'A';
            if (!empty(l.profileB)) shown += 'B';
            if (!empty(l.profileC)) shown += 'C';
            if (!empty(l.decay)) shown += 'd';
            if (!empty(l.barQ)) shown += 'Q';
            if (!empty(l.barI)) shown += 'I';
            EXPECT_EQ(shown, c.panes) << instrumentName(c.type) << " sensors " << c.sensors;
        }
    }
    const LoggingLayout two = layoutLandscape(input(1024, 724, false, 18, InstrumentType::Em61Lx2, 2, true));
    EXPECT_EQ(two.profileC.y, two.profileB.bottom() + 4);
    EXPECT_EQ(two.profileB.height, two.profileArea.height / 2 - 2);
    EXPECT_EQ(two.barQ.width, (two.barArea.width - 2) / 2);
    EXPECT_EQ(two.barI.x, two.barQ.right() + 2);
}

// Every instrument, orientation, map view and screen size the window can have:
// everything on the screen, above the status band, and nothing shown at once overlapping.
TEST(LoggingLayout, EverythingFitsWithoutOverlap) {
    struct Size {
        int w, h, lh;
        bool portrait;
    };
    const Size sizes[] = {{800, 562, 16, false},  {1024, 724, 18, false}, {1024, 730, 18, false},
                          {1280, 762, 18, false}, {800, 762, 18, false},  {640, 986, 15, true},
                          {768, 986, 18, true},   {768, 1024, 20, true},  {800, 1242, 20, true}};
    for (const Size& s : sizes) {
        for (const InstrumentType type : kAllInstruments) {
            for (const int sensors : {1, 2}) {
                for (const bool map : {true, false}) {
                    for (const ProductLine line : {ProductLine::Velox, ProductLine::Orv}) {
                        LoggingLayoutInput in = input(s.w, s.h, s.portrait, s.lh, type, sensors, map);
                        in.productLine = line;
                        const LoggingLayout l = layoutLoggingScreen(in);
                        const std::string where = std::to_string(s.w) + "x" + std::to_string(s.h) + " " +
                                                  instrumentName(type) + " sensors " + std::to_string(sensors) +
                                                  (map ? " map" : " no map");
                        const auto all = shownTogether(l);
                        for (std::size_t i = 0; i < all.size(); ++i) {
                            if (empty(all[i].rect)) continue;
                            EXPECT_TRUE(inside(all[i].rect, s.w, s.h)) << where << ": " << all[i].name;
                            EXPECT_GE(all[i].rect.height, all[i].name == "speed" ? 8 : s.lh)
                                << where << ": " << all[i].name;
                            for (std::size_t j = i + 1; j < all.size(); ++j)
                                EXPECT_FALSE(overlap(all[i].rect, all[j].rect))
                                    << where << ": " << all[i].name << " / " << all[j].name;
                        }
                        EXPECT_TRUE(inside(l.pauseButton, s.w, s.h - kStatusBand)) << where;
                        for (const ChannelSelector& sel : l.selectors)
                            EXPECT_TRUE(inside(sel.rect, s.w, s.h)) << where;
                        EXPECT_GE(l.profileArea.width, 100) << where;
                    }
                }
            }
        }
    }
}

// A portrait screen not much taller than wide would leave the buttons no
// height under a full-width map; the map gives way so that every button keeps
// a line of text.
TEST(LoggingLayout, MapGivesWayToButtons) {
    for (const bool map : {true, false}) {
        const LoggingLayout l = layoutPortrait(input(768, 986, true, 18, InstrumentType::Em61Lx2, 2, map));
        EXPECT_LT(l.speedBar.width, 728);
        for (const Rect& button : l.stateButtons) EXPECT_GE(button.height, 27);
        EXPECT_EQ(l.stateButtons[0].bottom(), 986 - kStatusBand);
    }
    const LoggingLayout l = layoutPortrait(input(768, 986, true, 18, InstrumentType::Em61Lx2, 2, true));
    for (const Rect& button : l.mapButtons) EXPECT_GE(button.height, 18);
}

TEST(LoggingLayout, OrvMapButtons) {
    LoggingLayoutInput in = input(1024, 724, false, 18, InstrumentType::Em61Lx2, 1, true);
    const LoggingLayout velox = layoutLandscape(in);
    in.productLine = ProductLine::Orv;
    const LoggingLayout orv = layoutLandscape(in);
    EXPECT_TRUE(velox.zoomButtonsUsable);
    EXPECT_FALSE(orv.zoomButtonsUsable);
    EXPECT_TRUE(velox.reviewButtonsUsable);
    EXPECT_FALSE(orv.reviewButtonsUsable);
    EXPECT_EQ(velox.mapButtons[MAP_LEFT].height, (724 - 450 - 4 - 16) / 3);
    EXPECT_EQ(orv.mapButtons[MAP_LEFT].height, (724 - 450 - 2 - 16) / 2);
    EXPECT_EQ(orv.mapButtons[MAP_DOWN].bottom(), 724 - kStatusBand);
}

TEST(LoggingLayout, ChannelSelectors) {
    struct Case {
        InstrumentType type;
        int sensors;
        std::vector<int> rows;  // by selector, in creation order
    };
    const Case cases[] = {
        {InstrumentType::Em61Mk2, 1, {0, 1, 2, 3}},         {InstrumentType::Em61Lx2, 2, {0, 1, 2, 3, 4, 5}},
        {InstrumentType::Em31Mk2, 1, {2, 3}},               {InstrumentType::Em34_3, 1, {2, 3}},
        {InstrumentType::Em38Mk2, 1, {2, 3, 0, 1}},
    };
    for (const Case& c : cases) {
        const LoggingLayout l = layoutLandscape(input(1024, 724, false, 18, c.type, c.sensors, true));
        ASSERT_EQ(l.selectors.size(), c.rows.size()) << instrumentName(c.type);
        for (std::size_t i = 0; i < c.rows.size(); ++i) {
            EXPECT_EQ(l.selectors[i].rect, (Rect{l.numbers.x - 17, l.numbers.y + c.rows[i] * 18 + 10, 14, 14}));
        }
    }
    EXPECT_EQ(shownSelectorCount(InstrumentType::Em61Lx2, 1, 0), 3);
    EXPECT_EQ(shownSelectorCount(InstrumentType::Em38Mk2, 1, 1), 2);
    EXPECT_EQ(shownSelectorCount(InstrumentType::Em38, 1, 0), 0);
    EXPECT_EQ(shownSelectorCount(InstrumentType::Grad601, 2, 0), 0);
}

TEST(LoggingLayout, MapSizeCaptionEndsAtTheMapsRightEdge) {
    const LoggingLayout l = layoutLandscape(input(1024, 724, false, 18, InstrumentType::Em61Lx2, 1, true));
    EXPECT_EQ(l.mapSizeCaption.right(), l.map.right());
    EXPECT_EQ(l.mapSizeCaption.width, 150);
    EXPECT_LE(l.mapSizeCaption.bottom(), l.map.y);
}
