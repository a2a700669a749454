// The texts of the logging screen and the rectangles of the information block.

#include <gtest/gtest.h>

#include <string>

#include "display/readouts.h"

using namespace velox;

namespace {

// Every character 6 pixels wide (bold 7, caption 10), about the normal text font's average.
int fixedWidth(std::string_view text, ReadoutFont font) {
    const bool bold = font == ReadoutFont::TextBold || font == ReadoutFont::InformationBold;
    const int per = bold ? 7 : font == ReadoutFont::ChannelCaption ? 10 : 6;
    return static_cast<int>(text.size()) * per;
}

LoggingLayoutInput screen(int w, int h, bool portrait, bool map) {
    LoggingLayoutInput in;
    in.clientWidth = w;
    in.clientHeight = h;
    in.portrait = portrait;
    in.lineHeight = 18;
    in.mapViewActive = map;
    return in;
}

ReadoutLayout readoutsFor(const LoggingLayout& layout, bool gps = true) {
    ReadoutInput in;
    in.layout = layout;
    in.gpsInput = gps;
    return layoutReadouts(in, fixedWidth);
}

bool overlap(const Rect& a, const Rect& b) {
    return a.width > 0 && b.width > 0 && a.x < b.right() && b.x < a.right() && a.y < b.bottom() && b.y < a.bottom();
}

// Everything the operator sees at once besides the texts: panes and the buttons of every state.
std::vector<Rect> takenPlaces(const LoggingLayout& l) {
    std::vector<Rect> taken{l.profileA, l.profileB, l.profileC, l.decay, l.barQ, l.barI, l.numbers, l.pauseButton};
    if (l.mapShown) taken.push_back(l.map);
    if (l.speedBarShown) taken.push_back(l.speedBar);
    for (const Rect& b : l.stateButtons) taken.push_back(b);
    if (l.mapButtonsShown)
        for (const Rect& b : l.mapButtons) taken.push_back(b);
    return taken;
}

struct ScreenSize {
    int w, h, lh;
};
// Landscape clients of 1024 x 768, 1366 x 768 (window clamped to 1280) and 800 x 600-class screens.
const ScreenSize kLandscapeSizes[] = {{1024, 724, 18}, {1024, 730, 18}, {1024, 730, 16}, {1280, 730, 21},
                                      {800, 562, 16},  {800, 562, 18},  {800, 762, 18}};

std::string describe(const ScreenSize& s, InstrumentType type, int sensors, bool gps) {
    return std::to_string(s.w) + "x" + std::to_string(s.h) + " lh " + std::to_string(s.lh) + " " +
           instrumentName(type) + " sensors " + std::to_string(sensors) + (gps ? "" : " no GPS");
}

}  // namespace

TEST(Readouts, StatusLine) {
    EXPECT_EQ(statusText(2, SURVEY_WHEEL, "", true), "Stand By (Wheel)");
    EXPECT_EQ(statusText(1, SURVEY_MANUAL, "", false), "Monitoring (Manual)");
    EXPECT_EQ(statusText(3, SURVEY_AUTO, "", true), "Logging (Auto)");
    EXPECT_EQ(statusText(0, SURVEY_AUTO, "251211_3.RX2", true), "File: 251211_3.RX2");
    EXPECT_EQ(statusText(0, SURVEY_AUTO, "", false), "File:        ");
}

TEST(Readouts, ChannelCaptions) {
    struct Case {
        InstrumentType type;
        int view;
        bool review;
        int component;
        int dipole;
        std::string caption;
    };
    const Case cases[] = {
        {InstrumentType::Em61Lx2, 3, false, 0, 0, "Ch F"},
        {InstrumentType::Em61Lx2, 0, false, 0, 0, "            "},
        {InstrumentType::Em61Mk2, 4, false, 0, 0, "Channel 4/T"},
        {InstrumentType::Em31Mk2, 2, false, 0, 0, "Inphase"},
        {InstrumentType::Em38, 1, false, 1, 1, "Inphase HDM"},
        {InstrumentType::Em38, 1, false, 0, 0, "Conductivity VDM"},
        {InstrumentType::Em38Mk2, 3, false, 0, 0, "Conductivity 0.5 m"},
        {InstrumentType::Em34_3, 1, false, 0, 0, ""},
        {InstrumentType::Em61Lx2, 2, true, 0, 0, "Review ChL"},
        {InstrumentType::Em61Mk2, 4, true, 0, 0, "Review Ch4/T"},
        {InstrumentType::Em31Mk2, 1, true, 0, 0, "Review Conductivity"},
        {InstrumentType::Em38Mk2, 4, true, 0, 0, "Review Inphase 0.5 m"},
        {InstrumentType::Grad601, 1, true, 0, 0, "Review"},
        {InstrumentType::Em61Lx2, 0, true, 0, 0, "Review"},
    };
    for (const Case& c : cases) {
        ChannelCaptionInput in{c.type, c.view, c.review, c.component, c.dipole};
        EXPECT_EQ(channelCaption(in), c.caption) << instrumentName(c.type) << " view " << c.view;
    }
}

TEST(Readouts, NumbersPane) {
    EXPECT_EQ(numbersPaneLabels(InstrumentType::Em61Lx2, 2, 0),
              (std::vector<std::string>{"LE:", "LL:", "LF:", "RE:", "RL:", "RF:"}));
    EXPECT_EQ(numbersPaneLabels(InstrumentType::Em61Lx2, 1, 0), (std::vector<std::string>{"ChE:", "ChL:", "ChF:"}));
    EXPECT_EQ(numbersPaneLabels(InstrumentType::Grad601, 2, 0), (std::vector<std::string>{"G #1:", "G #2:"}));
    EXPECT_EQ(numbersPaneLabels(InstrumentType::Em31Mk2, 1, 1), (std::vector<std::string>{"Dipole: Horiz."}));
    EXPECT_EQ(numbersValueText(InstrumentType::Em61Lx2, 12.34), "     12.3");
    EXPECT_EQ(numbersValueText(InstrumentType::Em61Mk2, -5.0), "      -5.0");
    EXPECT_EQ(em38Mk2ValueText(1, '1', 2.5), "I1:      2.50");
    EXPECT_EQ(scaleLimitText(InstrumentType::Grad601, 2.5), "2.5 nT/m");
    EXPECT_EQ(scaleLimitText(InstrumentType::Em61Lx2, 500), "500.0 mV");
    EXPECT_EQ(scaleLimitText(InstrumentType::Em31Mk2, 40, false), "40mS/m");
    EXPECT_EQ(scaleLimitText(InstrumentType::Em31Mk2, -25, true), "-25ppt");
}

// The information block is wide when the profile is wider than 300 pixels:
// it then shows the total time and the long battery labels.
TEST(Readouts, NarrowAndWideInformationBlock) {
    EXPECT_FALSE(wideInformationBlock(300));
    EXPECT_TRUE(wideInformationBlock(301));
    LoggingLayout layout = layoutLandscape(screen(1024, 724, false, true));
    for (const int profileWidth : {300, 301}) {
        layout.profileArea.width = profileWidth;
        const ReadoutLayout r = readoutsFor(layout);
        const bool wide = profileWidth == 301;
        EXPECT_EQ(r.wideBlock, wide);
        EXPECT_EQ(r.used[INFO_TIME], wide);
        EXPECT_EQ(r.used[INFO_STATIONS], !wide);
        EXPECT_EQ(r.fields[INFO_BATTERY].label, wide ? "Battery: " : "B:");
        EXPECT_EQ(r.fields[INFO_CURRENT].label, wide ? "Current: " : "T:");
    }
    SurveyConfig config;
    EXPECT_EQ(instrumentStatusLabels(InstrumentType::Em61Lx2, config, false), (std::vector<std::string>{"B:", "T:"}));
    config.instrumentEnabled = 0;
    EXPECT_EQ(instrumentStatusLabels(InstrumentType::Em61Lx2, config, true)[1], "Disabled");
}

TEST(Readouts, GpsDisabledShowsOnlyItsLabel) {
    const ReadoutLayout r = readoutsFor(layoutLandscape(screen(1024, 724, false, false)), false);
    EXPECT_EQ(r.gpsDisabledLabel, "GPS Disabled");
    EXPECT_EQ(r.fields[INFO_POSITIONS].label, "GPS Disabled");
    for (const InfoSlot slot : {INFO_POSITIONS, INFO_QUALITY, INFO_SATELLITES, INFO_DILUTION, INFO_COORD1, INFO_COORD2})
        EXPECT_FALSE(r.used[slot]) << slot;
    const ReadoutLayout withGps = readoutsFor(layoutLandscape(screen(1024, 724, false, true)));
    EXPECT_TRUE(withGps.gpsDisabledLabel.empty());
    EXPECT_EQ(withGps.fields[INFO_COORD1].label, "Lat:");
    EXPECT_EQ(withGps.fields[INFO_DILUTION].label, "HDOP:");
}

// Fields keep their order, stay on the screen and off the panes and buttons.
TEST(Readouts, InformationBlockStaysInItsPlace) {
    for (const bool portrait : {false, true}) {
        for (const bool map : {true, false}) {
            const int w = portrait ? 800 : 1024;
            const int h = portrait ? 1242 : 724;
            const LoggingLayout l = layoutLoggingScreen(screen(w, h, portrait, map));
            const ReadoutLayout r = readoutsFor(l);
            const std::string where = std::string(portrait ? "portrait" : "landscape") + (map ? " map" : " no map");
            std::vector<Rect> taken{l.profileB, l.decay, l.numbers};
            if (map) taken.push_back(l.map);
            if (l.mapButtonsShown) taken.push_back(l.mapButtons[MAP_LEFT]);
            for (const Rect& b : l.stateButtons) taken.push_back(b);
            for (int slot = 0; slot < INFO_SLOT_COUNT; ++slot) {
                const InfoField& f = r.fields[slot];
                if (f.labelRect.height == 0) continue;
                EXPECT_LE(f.valueRect.right(), w) << where << " slot " << slot;
                EXPECT_LE(f.valueRect.bottom(), h - kStatusBand) << where << " slot " << slot;
                for (const Rect& t : taken) {
                    EXPECT_FALSE(overlap(f.labelRect, t)) << where << " slot " << slot;
                    EXPECT_FALSE(overlap(f.valueRect, t)) << where << " slot " << slot;
                }
            }
            EXPECT_LT(r.fields[INFO_LINE].labelRect.y + r.fields[INFO_LINE].labelRect.x,
                      r.fields[INFO_COORD2].labelRect.y + r.fields[INFO_COORD2].labelRect.x)
                << where;
        }
    }
}


// Landscape without the map: every line of the information block (battery
// and current included) and the speed caption inside the window above the
// status band, off every pane and button.
TEST(Readouts, LandscapeWithoutMapFitsEveryLine) {
    for (const ScreenSize& s : kLandscapeSizes) {
        for (const InstrumentType type : kAllInstruments) {
            for (const int sensors : {1, 2}) {
                for (const bool gps : {true, false}) {
                    LoggingLayoutInput layoutIn = screen(s.w, s.h, false, false);
                    layoutIn.lineHeight = s.lh;
                    layoutIn.instrument = type;
                    layoutIn.sensorCount = sensors;
                    layoutIn.gpsInput = gps;
                    const LoggingLayout l = layoutLandscape(layoutIn);
                    ReadoutInput in;
                    in.layout = l;
                    in.instrument = type;
                    in.gpsInput = gps;
                    const ReadoutLayout r = layoutReadouts(in, fixedWidth);
                    const std::string where = describe(s, type, sensors, gps);
                    EXPECT_TRUE(r.informationFits) << where;
                    EXPECT_EQ(r.used[INFO_BATTERY], type == InstrumentType::Em61Lx2) << where;
                    std::vector<Rect> texts;
                    for (const InfoField& f : r.fields) {
                        if (f.labelRect.height == 0) continue;
                        texts.push_back(f.labelRect);
                        texts.push_back(f.valueRect);
                    }
                    if (gps) texts.push_back(r.speed);
                    for (const Rect& text : texts) {
                        EXPECT_GE(text.x, 0) << where;
                        EXPECT_LE(text.right(), s.w) << where;
                        EXPECT_LE(text.bottom(), s.h - kStatusBand) << where;
                        for (const Rect& t : takenPlaces(l)) EXPECT_FALSE(overlap(text, t)) << where;
                    }
                    if (gps) {
                        for (const InfoField& f : r.fields) EXPECT_FALSE(overlap(f.labelRect, r.speed)) << where;
                        for (const InfoField& f : r.fields) EXPECT_FALSE(overlap(f.valueRect, r.speed)) << where;
                    }
                }
            }
        }
    }
}

// The speed caption stays under its bar and never under a button, in every layout.
TEST(Readouts, SpeedCaptionNeverUnderAButton) {
    const ScreenSize portraitSizes[] = {{640, 986, 15}, {768, 986, 18}, {768, 1024, 20}, {800, 1242, 20}};
    auto check = [](const ScreenSize& s, bool portrait, bool map) {
        LoggingLayoutInput layoutIn = screen(s.w, s.h, portrait, map);
        layoutIn.lineHeight = s.lh;
        const LoggingLayout l = layoutLoggingScreen(layoutIn);
        const Rect speed = readoutsFor(l).speed;
        const std::string where = std::to_string(s.w) + "x" + std::to_string(s.h) + (map ? " map" : " no map");
        EXPECT_EQ(speed.y, l.speedBar.bottom() + 1) << where;
        EXPECT_GE(speed.x, l.speedBar.x) << where;
        EXPECT_LE(speed.right(), l.speedBar.right()) << where;
        std::vector<Rect> buttons(l.stateButtons.begin(), l.stateButtons.end());
        buttons.push_back(l.pauseButton);
        if (l.mapButtonsShown) buttons.insert(buttons.end(), l.mapButtons.begin(), l.mapButtons.end());
        for (const Rect& b : buttons) EXPECT_FALSE(overlap(speed, b)) << where;
    };
    for (const bool map : {true, false}) {
        for (const ScreenSize& s : kLandscapeSizes) check(s, false, map);
        for (const ScreenSize& s : portraitSizes) check(s, true, map);
    }
}

// In portrait the reading-scale limits stand over and under the profile area
// too, in the free lines there: clear of every pane, button and text.
TEST(Readouts, PortraitProfileScaleLimits) {
    const ScreenSize portraitSizes[] = {{640, 986, 15}, {768, 1024, 18}, {800, 1242, 20}};
    for (const ScreenSize& s : portraitSizes) {
        for (const bool map : {true, false}) {
            LoggingLayoutInput in = screen(s.w, s.h, true, map);
            in.lineHeight = s.lh;
            const LoggingLayout l = layoutLoggingScreen(in);
            const ReadoutLayout r = readoutsFor(l);
            const std::string where = std::to_string(s.w) + "x" + std::to_string(s.h) + (map ? " map" : " no map");
            ASSERT_GT(r.profileScaleMax.width, 0) << where;
            EXPECT_EQ(r.profileScaleMax.bottom(), l.profileArea.y) << where;
            EXPECT_GE(r.profileScaleMax.height, s.lh - 2) << where;
            EXPECT_EQ(r.profileScaleMin.y, l.profileArea.bottom() + 1) << where;
            for (const Rect& limit : {r.profileScaleMax, r.profileScaleMin}) {
                for (const Rect& t : takenPlaces(l))
                    EXPECT_FALSE(overlap(limit, t)) << where << " place " << t.x << "," << t.y << " " << t.width;
                for (const Rect& text : {r.speed, r.scaleMax, r.scaleMin, r.status, r.mapSize})
                    EXPECT_FALSE(overlap(limit, text)) << where << " text " << text.x << "," << text.y;
                for (const InfoField& f : r.fields) {
                    EXPECT_FALSE(overlap(limit, f.labelRect)) << where;
                    EXPECT_FALSE(overlap(limit, f.valueRect)) << where;
                }
            }
        }
    }
    const LoggingLayout landscape = layoutLoggingScreen(screen(1024, 730, false, true));
    EXPECT_EQ(readoutsFor(landscape).profileScaleMax.width, 0);
}

// Without the map the button row starts under the middle of the speed bar:
// the caption is centred on the part of the bar left of the buttons.
TEST(Readouts, SpeedCaptionCentredLeftOfTheButtons) {
    const LoggingLayout row = layoutLandscape(screen(1024, 730, false, false));
    const Rect caption = speedCaptionRect(row, 120);
    EXPECT_EQ(caption.x + caption.width / 2, (row.speedBar.x + row.buttonArea.x - 10) / 2);
    EXPECT_LE(caption.right(), row.buttonArea.x - 10);
    const LoggingLayout withMap = layoutLandscape(screen(1024, 730, false, true));
    EXPECT_EQ(speedCaptionRect(withMap, 120).x, withMap.speedBar.x + (withMap.speedBar.width - 120) / 2);
}

TEST(Readouts, TopLine) {
    const LoggingLayout l = layoutLandscape(screen(1024, 724, false, true));
    const ReadoutLayout r = readoutsFor(l);
    EXPECT_EQ(r.status.x, 21);
    EXPECT_EQ(r.activeComponent.x, r.status.right() + 15);
    EXPECT_EQ(r.marker.x, r.status.right() + 20);
    EXPECT_EQ(r.mapSize.right(), l.map.right());
    // The EM61-LX2 centres the channel caption over the map, where its alarm boxes are.
    EXPECT_EQ(r.channelCaption.x + r.channelCaption.width / 2, l.map.x + l.map.width / 2);
    EXPECT_EQ(r.speed.y, l.speedBar.bottom() + 1);
    EXPECT_FALSE(pauseHintUsesCaptionFont(999));
    EXPECT_TRUE(pauseHintUsesCaptionFont(1000));
}
