// The colour scale, the colour buffer between fixes and the swath: where the
// sensor bars go, what is painted between them and what is recorded.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "acquisition/em61_handler.h"
#include "config/survey_config.h"
#include "config/survey_context.h"
#include "data_file_test_support.h"
#include "display/colour_scale.h"
#include "display/swath.h"
#include "swath_test_support.h"

namespace velox {
namespace {

using test::DrawnLine;
using test::DrawnSegment;
using test::RecordingSurface;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// ---- colour scale ---------------------------------------------------------

TEST(ColourScale, ReadingsTakeTheColourOfTheirStepClampedToTheScale) {
    SurveyConfig config;  // 0 .. 500: step 10
    ColourScale scale;
    scale.update(InstrumentType::Em61Lx2, config);
    EXPECT_DOUBLE_EQ(scale.colourStep, 10.0);
    const struct {
        double value;
        int colour;
    } cases[] = {{0.0, 0},   {9.99, 0},   {10.0, 1},    {255.0, 25}, {495.0, 49},  {499.99, 49},
                 {600.0, 49}, {-5.0, 0},  {-1e300, 0},  {1e300, 49}, {kInf, 49},   {-kInf, 0},
                 {kNaN, 0}};
    for (const auto& c : cases) EXPECT_EQ(scale.colourIndexOf(c.value, false), c.colour) << c.value;
}

TEST(ColourScale, AScaleWithoutStepsSplitsAtItsMinimumAndNeverLeavesThePalette) {
    const struct {
        double min, max, value;
        int colour;
    } cases[] = {
        {100, 100, 99.9, 0}, {100, 100, 100, LAST_COLOUR}, {100, 100, 1e9, LAST_COLOUR},
        {100, 50, 40, 0},    {100, 50, 75, 0},             {100, 50, 100, LAST_COLOUR},
        {100, 50, kNaN, 0},
    };
    for (const auto& c : cases) {
        SurveyConfig config;
        config.readingScaleMin = c.min;
        config.readingScaleMax = c.max;
        ColourScale scale;
        scale.update(InstrumentType::Em61Lx2, config);
        EXPECT_EQ(scale.colourIndexOf(c.value, false), c.colour) << c.min << ".." << c.max << ": " << c.value;
    }
}

TEST(ColourScale, TheInphaseViewOfAConductivityMeterUsesTheInphaseScale) {
    SurveyConfig config;
    config.readingScaleMin = 0;
    config.readingScaleMax = 100;
    config.inphaseScaleMin = -25;
    config.inphaseScaleMax = 25;
    const struct {
        InstrumentType type;
        int view;
        double shownMin;
    } cases[] = {
        {InstrumentType::Em31Mk2, 2, -25}, {InstrumentType::Em31Mk2, 1, 0},  {InstrumentType::Em38, 2, -25},
        {InstrumentType::Em34_3, 2, -25},  {InstrumentType::Em38Mk2, 4, -25}, {InstrumentType::Em38Mk2, 3, 0},
        {InstrumentType::Em61Lx2, 2, 0},   {InstrumentType::Em61Mk2, 4, 0},
    };
    for (const auto& c : cases) {
        config.colourMapView = c.view;
        ColourScale scale;
        scale.update(c.type, config);
        EXPECT_DOUBLE_EQ(scale.scaleMin, c.shownMin) << static_cast<int>(c.type) << " view " << c.view;
        EXPECT_DOUBLE_EQ(scale.colourStep, c.shownMin == 0 ? 2.0 : 1.0);
    }
    ColourScale scale;
    scale.update(InstrumentType::Em31Mk2, config);
    EXPECT_EQ(scale.colourIndexOf(0.0, true), 25);   // middle of -25..25
    EXPECT_EQ(scale.colourIndexOf(0.0, false), 0);   // bottom of 0..100
}

// ---- colour buffer --------------------------------------------------------

TEST(ColourBuffer, EachFixClosesTheReadingsSinceThePreviousOne) {
    ColourBuffer buffer;
    buffer.colourBufferAppend(7);  // before the first fix: not collecting
    buffer.colourBufferRotate(true, true, true, true);
    EXPECT_TRUE(buffer.collecting);
    EXPECT_TRUE(buffer.finishedEntries().empty()) << "the first fix only opens collection";

    for (int e : {1, 2, 3}) buffer.colourBufferAppend(e);
    buffer.colourBufferRotate(true, true, true, true);
    EXPECT_EQ(std::vector<int>(buffer.finishedEntries().begin(), buffer.finishedEntries().end()),
              (std::vector<int>{1, 2, 3}));

    buffer.colourBufferAppend(4);  // into the other row: the finished one stays intact
    EXPECT_EQ(buffer.finishedEntries().back(), 3);
    buffer.colourBufferRotate(true, true, true, true);
    EXPECT_EQ(std::vector<int>(buffer.finishedEntries().begin(), buffer.finishedEntries().end()),
              (std::vector<int>{4}));

    buffer.colourBufferRotate(true, true, true, true);
    EXPECT_FALSE(buffer.swathHasColour) << "no reading between two fixes leaves the strip white";
}

TEST(ColourBuffer, RotationNeedsLoggingTheColourViewAndTheLoggingScreen) {
    const struct {
        bool logging, instrument, colourOn, screen;
        bool opens;
        bool colours;
    } cases[] = {
        {true, true, true, true, true, true},    {false, true, true, true, false, false},
        {true, true, false, true, false, false}, {true, true, true, false, false, false},
        {true, false, true, true, true, false},
    };
    for (const auto& c : cases) {
        ColourBuffer buffer;
        buffer.colourBufferRotate(c.logging, c.instrument, c.colourOn, c.screen);
        EXPECT_EQ(buffer.collecting, c.opens);
        buffer.colourBufferAppend(5);
        buffer.colourBufferRotate(c.logging, c.instrument, c.colourOn, c.screen);
        EXPECT_EQ(buffer.swathHasColour, c.colours);
    }
}

TEST(ColourBuffer, ARowKeepsItsFirst500EntriesAndWritesNothingBeyond) {
    ColourBuffer buffer;
    buffer.rows[1][0] = -77;  // the other row, right behind row 0 in memory
    buffer.colourBufferRotate(true, true, true, true);
    for (int i = 0; i < 3 * COLOUR_ROW_LENGTH; ++i) buffer.colourBufferAppend(i % COLOUR_COUNT);
    EXPECT_EQ(buffer.currentCount, COLOUR_ROW_LENGTH);
    EXPECT_EQ(buffer.rows[1][0], -77) << "an outage must not spill into the other row";
    buffer.colourBufferRotate(true, true, true, true);
    ASSERT_EQ(buffer.finishedEntries().size(), static_cast<size_t>(COLOUR_ROW_LENGTH));
    EXPECT_EQ(buffer.finishedEntries().back(), (COLOUR_ROW_LENGTH - 1) % COLOUR_COUNT);
}

TEST(ColourBuffer, ASuspendStopsCollectionUntilTheFirstFixAfterTheResume) {
    ColourBuffer buffer;
    buffer.colourBufferRotate(true, true, true, true);
    buffer.colourBufferAppend(1);
    buffer.suspend();
    buffer.colourBufferAppend(2);
    EXPECT_FALSE(buffer.collecting);
    buffer.reset();
    buffer.colourBufferRotate(true, true, true, true);  // first fix after the resume
    EXPECT_TRUE(buffer.finishedEntries().empty());
    buffer.colourBufferAppend(3);
    buffer.colourBufferRotate(true, true, true, true);
    EXPECT_EQ(std::vector<int>(buffer.finishedEntries().begin(), buffer.finishedEntries().end()),
              (std::vector<int>{3}));
}

// ---- swath ----------------------------------------------------------------

struct SwathRecord {
    int n = 0;
    double leftX = 0, leftY = 0, rightX = 0, rightY = 0;
};

struct Vec {
    double e = 0, n = 0;
};

class SwathTest : public ::testing::Test {
protected:
    SwathTest() {
        config.colourMapView = 1;
        config.sensorCountIndex = 1;
        config.gpsOffsetX = 0.0;
        swath.setSurface(&surface);
        swath.setRecordWriter([this](int n, double lx, double ly, double rx, double ry) {
            records.push_back({n, lx, ly, rx, ry});
        });
        derive();
    }

    void derive() {
        computeSwathExtents(context.variant, config, context);
        swath.updateScale();
    }

    // One accepted fix while logging: the colour buffer turns, then the map steps the swath.
    void fix(double easting, double northing) {
        swath.colourBuffer().colourBufferRotate(true, config.instrumentEnabled != 0, config.colourMapView > 0, true);
        swath.swathStep(northing, easting);
    }

    // The sensor point and the direction of travel of a recorded bar.
    std::pair<Vec, Vec> sensorOf(const SwathRecord& r) const {
        const double left = context.derived.swathToLeftEdgeMap;
        const double right = context.derived.swathToRightEdgeMap;
        const Vec s{(right * r.leftX + left * r.rightX) / (left + right),
                    (right * r.leftY + left * r.rightY) / (left + right)};
        const Vec p{(r.leftX - r.rightX) / (left + right), (r.leftY - r.rightY) / (left + right)};
        return {s, Vec{p.n, -p.e}};
    }

    void expectSensor(const SwathRecord& r, Vec at, Vec direction, const std::string& what) const {
        const auto [s, u] = sensorOf(r);
        EXPECT_NEAR(s.e, at.e, 1e-9) << what;
        EXPECT_NEAR(s.n, at.n, 1e-9) << what;
        EXPECT_NEAR(u.e, direction.e, 1e-9) << what;
        EXPECT_NEAR(u.n, direction.n, 1e-9) << what;
    }

    SurveyConfig config;
    SurveyContext context;
    RecordingSurface surface;
    ColourSwath swath{config, context};
    std::vector<SwathRecord> records;
};

TEST_F(SwathTest, BarsLieSquareToTravelWithTheEdgesOfTheSwathExtents) {
    config.gpsOffsetX = 0.3;  // antenna right of centre: the left edge is farther
    derive();
    const double left = context.derived.swathToLeftEdgeMap;
    const double right = context.derived.swathToRightEdgeMap;
    ASSERT_NEAR(left, 2.06 / 2 + 0.3, 1e-12);
    ASSERT_NEAR(right, 2.06 / 2 - 0.3, 1e-12);

    const struct {
        Vec step;
    } cases[] = {{{0, 1}}, {{1, 0}}, {{-3, -4}}, {{0.6, -0.8}}};
    for (const auto& c : cases) {
        swath.swathReset();
        records.clear();
        fix(100, 200);
        fix(100 + c.step.e, 200 + c.step.n);
        ASSERT_EQ(records.size(), 3u);
        const double length = std::hypot(c.step.e, c.step.n);
        const Vec u{c.step.e / length, c.step.n / length};
        const SwathRecord& bar = records[2];
        // left = S + L·(−uy, ux), right = S + R·(uy, −ux), S at the fix
        EXPECT_NEAR(bar.leftX, 100 + c.step.e - left * u.n, 1e-9);
        EXPECT_NEAR(bar.leftY, 200 + c.step.n + left * u.e, 1e-9);
        EXPECT_NEAR(bar.rightX, 100 + c.step.e + right * u.n, 1e-9);
        EXPECT_NEAR(bar.rightY, 200 + c.step.n - right * u.e, 1e-9);
        const double along = (bar.rightX - bar.leftX) * u.e + (bar.rightY - bar.leftY) * u.n;
        EXPECT_NEAR(along, 0.0, 1e-9) << "square to travel";
    }
}

TEST_F(SwathTest, TheSensorSitsAtTheAlongTrackOffsetAheadOrBehind) {
    const struct {
        double offsetMetres;
        int mapUnits;
        double expectedNorthing;  // of the second bar, travelling north from 0 to 2
    } cases[] = {
        {0.0, UNITS_METRES, 2.0},
        {-0.5, UNITS_METRES, 2.5},      // ahead of the antenna
        {0.5, UNITS_METRES, 1.5},       // trailing
        {-0.3048, UNITS_FEET, 3.0},     // one foot ahead on a map in feet
    };
    for (const auto& c : cases) {
        config.mapUnits = c.mapUnits;
        derive();
        context.derived.workingGpsOffsetY = c.offsetMetres;
        swath.swathReset();
        records.clear();
        fix(0, 0);
        fix(0, 2);
        ASSERT_EQ(records.size(), 3u);
        expectSensor(records[2], {0, c.expectedNorthing}, {0, 1}, "offset " + std::to_string(c.offsetMetres));
    }
}

TEST_F(SwathTest, ATrailingSensorFollowsTheTravelledPath) {
    context.derived.workingGpsOffsetY = 1.0;
    fix(0, 0);
    fix(0, 0.4);
    ASSERT_EQ(records.size(), 3u);
    expectSensor(records[1], {0, -1.0}, {0, 1}, "first bar behind the first fix");
    expectSensor(records[2], {0, -0.6}, {0, 1}, "0.6 behind the first fix after 0.4 of travel");

    fix(0.3, 0.4);  // turn east: the path (0.7) is still shorter than the offset
    expectSensor(records[3], {0, -0.3}, {0, 1}, "on the first leg's extension");

    fix(0.3, 0.9);  // path 1.2: the point 1.0 back lies on the first leg
    expectSensor(records[4], {0, 0.2}, {0, 1}, "on the first leg");

    fix(0.3, 1.9);  // path 2.2: 1.0 back is the previous fix
    expectSensor(records[5], {0.3, 0.9}, {0, 1}, "at the previous fix");
    fix(0.3, 1.35);  // back south 0.55: 1.0 back along the path is 0.45 before the turn
    expectSensor(records[6], {0.3, 1.45}, {0, 1}, "on the leg before the reversal");
}

TEST_F(SwathTest, ALongDenseHistoryDropsItsOldestElevenEntries) {
    context.derived.workingGpsOffsetY = 5.0;
    for (int k = 0; k <= 10; ++k) fix(0.1 * k, 0);         // east 1.0: entries 0..10
    for (int k = 1; k <= 29; ++k) fix(1.0, 0.1 * k);       // north: entries 11..39
    // Path 3.9 < 5: still behind the first entry along the eastward first leg.
    expectSensor(records.back(), {-1.1, 0}, {1, 0}, "before the drop");
    fix(1.0, 3.0);  // the 41st entry: entries 0..10 go, the first leg now points north
    expectSensor(records.back(), {1.0, 0.1 - (5.0 - 2.9)}, {0, 1}, "after the drop");
}

TEST_F(SwathTest, TheFirstFixAfterAResumeDrawsNothingAndTheSecondOneStrip) {
    fix(0, 0);
    swath.colourBufferAppend(10);
    fix(0, 1);
    swath.suspendCollection();  // pause
    swath.swathReset();         // resume
    surface.segments.clear();
    records.clear();

    swath.colourBufferAppend(20);  // before the first fix: not collected
    fix(5, 5);
    EXPECT_TRUE(surface.segments.empty());
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].n, 0);

    swath.colourBufferAppend(30);
    fix(5, 6);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[1].n, 1);
    EXPECT_EQ(records[2].n, 2);
    ASSERT_EQ(surface.segments.size(), 2u * static_cast<size_t>(test::PIXELS_PER_UNIT))
        << "one line per pixel of advance, split in halves for two sensors";
    for (size_t i = 0; i < surface.segments.size(); ++i)
        EXPECT_EQ(surface.segments[i].colour, i % 2 == 0 ? 30 : 0) << "left half the entry, right half colour 0";
}

TEST_F(SwathTest, TwoSensorEntriesColourTheLeftAndRightHalves) {
    config.readingScaleMin = 0;
    config.readingScaleMax = 500;
    derive();
    Lx2Reading reading;
    reading.channels = {35.0, 0.0, 405.0, 0.0};  // left E colour 3, right E colour 40
    const auto entry = colourEntryOf(reading, 2, 1, swath);
    ASSERT_EQ(entry.value_or(-1), 2563);

    fix(0, 0);
    swath.colourBufferAppend(*entry);
    fix(0, 1);
    ASSERT_FALSE(surface.segments.empty());
    for (size_t i = 0; i < surface.segments.size(); i += 2) {
        const DrawnSegment& leftHalf = surface.segments[i];
        const DrawnSegment& rightHalf = surface.segments[i + 1];
        EXPECT_EQ(leftHalf.colour, 3);
        EXPECT_EQ(rightHalf.colour, 40);
        EXPECT_EQ(leftHalf.to, rightHalf.from) << "split at the midpoint";
        EXPECT_LT(leftHalf.from.x, rightHalf.to.x) << "left half on the left when travelling north";
    }
}

TEST_F(SwathTest, EveryReadingBetweenTwoFixesGetsItsShareOfTheStrip) {
    config.sensorCountIndex = 0;
    derive();
    fix(0, 0);
    for (int e : {11, 12, 13, 14, 15}) swath.colourBufferAppend(e);
    fix(0, 1);
    ASSERT_EQ(surface.segments.size(), static_cast<size_t>(test::PIXELS_PER_UNIT));
    std::vector<int> colours;
    for (const DrawnSegment& s : surface.segments) colours.push_back(s.colour);
    EXPECT_TRUE(std::is_sorted(colours.begin(), colours.end())) << "in order of arrival";
    EXPECT_EQ(std::set<int>(colours.begin(), colours.end()), (std::set<int>{11, 12, 13, 14, 15}));
    EXPECT_EQ(std::count(colours.begin(), colours.end(), 15), 4) << "the last reading too";
}

TEST_F(SwathTest, StripsThatCannotBePaintedPaintNothing) {
    config.sensorCountIndex = 0;
    derive();
    const struct {
        const char* what;
        Vec second;
        bool reading;
    } cases[] = {
        {"no reading between the fixes", {0, 1}, false},
        {"bars less than a pixel apart", {0, 0.02}, true},
        {"a position jump far beyond any travel", {0, 1e7}, true},
    };
    for (const auto& c : cases) {
        swath.swathReset();
        surface.segments.clear();
        fix(0, 0);
        if (c.reading) swath.colourBufferAppend(9);
        fix(c.second.e, c.second.n);
        EXPECT_TRUE(surface.segments.empty()) << c.what;
        EXPECT_EQ(swath.swathState(), 2) << c.what << ": the bar still counts";
    }
}

TEST_F(SwathTest, FixesThatGiveNoDirectionAreIgnored) {
    for (double offset : {0.0, 1.0}) {
        context.derived.workingGpsOffsetY = offset;
        swath.swathReset();
        records.clear();
        fix(3, 4);
        fix(3, 4);          // no movement
        fix(kNaN, 4);       // not a position
        fix(3, kInf);
        EXPECT_EQ(records.size(), 1u) << "offset " << offset;
        EXPECT_EQ(swath.swathState(), 1);
        fix(3, 5);
        EXPECT_EQ(records.size(), 3u);
    }
}

TEST_F(SwathTest, AnOffsetThatTurnsTrailingDuringASwathFollowsOnFromThePreviousFix) {
    fix(0, 0);
    fix(0, 1);
    context.derived.workingGpsOffsetY = 0.5;
    fix(0, 2);
    ASSERT_EQ(records.size(), 4u);
    expectSensor(records[3], {0, 1.5}, {0, 1}, "0.5 behind along the path from the previous fix");
}

TEST_F(SwathTest, WithTheColourViewOffPositionsAreMarkedBySize) {
    config.colourMapView = 0;
    const struct {
        int sensorIndex;
        int positionSize;
        size_t dotsPerBar;
        size_t linesPerBar;
        int widthOrRadius;
    } cases[] = {
        {0, 0, 1, 0, 0}, {0, 3, 1, 0, 3}, {1, 2, 2, 0, 2}, {0, 4, 0, 1, 1}, {1, 5, 0, 1, 2},
    };
    for (const auto& c : cases) {
        config.sensorCountIndex = c.sensorIndex;
        config.positionSize = c.positionSize;
        derive();
        swath.swathReset();
        surface = RecordingSurface{};
        fix(0, 0);
        fix(0, 1);  // the first pair: both bars
        EXPECT_EQ(surface.dots.size(), 2 * c.dotsPerBar) << "size " << c.positionSize;
        EXPECT_EQ(surface.lines.size(), 2 * c.linesPerBar) << "size " << c.positionSize;
        for (int k = 2; k <= 4; ++k) fix(0, k);  // then one bar per fix
        EXPECT_EQ(surface.dots.size(), 5 * c.dotsPerBar);
        EXPECT_EQ(surface.lines.size(), 5 * c.linesPerBar);
        EXPECT_TRUE(surface.segments.empty());
        for (const auto& d : surface.dots) EXPECT_EQ(d.radius, c.widthOrRadius);
        for (const auto& l : surface.lines) EXPECT_EQ(l.width, c.widthOrRadius);
    }
    // Two sensors: the dots sit at the centres of the two half-bars.
    config.sensorCountIndex = 1;
    config.positionSize = 1;
    derive();
    swath.swathReset();
    surface = RecordingSurface{};
    fix(0, 0);
    fix(0, 1);
    const SwathRecord& bar = records.back();
    const double quarter = (bar.rightX - bar.leftX) / 4;
    EXPECT_NEAR(surface.dots[2].centre.x / test::PIXELS_PER_UNIT, bar.leftX + quarter, 0.05);
    EXPECT_NEAR(surface.dots[3].centre.x / test::PIXELS_PER_UNIT, bar.rightX - quarter, 0.05);
}

TEST_F(SwathTest, TheRecordsReachTheDataFileAsFixedLengthRecords) {
    test::TempDataRoot root;
    DataFile file(context.variant);
    const auto path = root.path() / "swath.RX2";
    ASSERT_TRUE(file.open(path));
    swath.setRecordWriter([&file](int n, double lx, double ly, double rx, double ry) {
        file.writeSwathEdge(n, lx, ly, rx, ry);
    });
    config.gpsOffsetX = 0.0;
    config.sensorCountIndex = 0;  // 1.03 m: edges 0.515 either side
    derive();
    fix(1000.0, 2000.0);
    fix(1000.0, 2001.0);
    fix(1001.0, 2001.0);
    file.close();
    EXPECT_EQ(test::readFile(path),
              "{0         0.000          \n"
              "{a       999.485          \n"
              "{b      2000.000          \n"
              "{c      1000.515          \n"
              "{d      2000.000          \n"
              "{e       999.485          \n"
              "{f      2001.000          \n"
              "{g      1000.515          \n"
              "{h      2001.000          \n"
              "{e      1001.000          \n"
              "{f      2001.515          \n"
              "{g      1001.000          \n"
              "{h      2000.485          \n");
}

}  // namespace
}  // namespace velox
