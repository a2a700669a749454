// The pane scales: readings to rows, scale lines, bar slots, the rectangles
// of a bar step, the speed bar and the reading-scale limits.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "display/scales.h"

using namespace velox;

namespace {

std::vector<int> rowsOf(const ScaleLines& lines) { return {lines.lines().begin(), lines.lines().end()}; }
std::vector<BarRect> rectsOf(const BarPlan& plan) { return {plan.list().begin(), plan.list().end()}; }

ScaleLines linesFor(int height, double min, double max) {
    ScaleLines lines;
    computeScaleLines(lines, height, min, max, pixelFactor(height, min, max));
    return lines;
}

}  // namespace

TEST(ValueToRow, ReadingsBecomeRowsFromTheTopAndMayLeaveThePane) {
    const double factor = pixelFactor(200, 0.0, 2000.0);
    struct Case {
        double value;
        int row;
    } cases[] = {{1000.0, 100}, {2500.0, -50}, {2000.0, 0}, {0.0, 200}, {-500.0, 250}, {1999.0, 0}};
    for (const Case& c : cases) EXPECT_EQ(valueToRow(c.value, 2000.0, factor), c.row) << c.value;
}

TEST(ValueToRow, AbsurdValuesAndEmptyScalesStayBounded) {
    const double factor = pixelFactor(200, 0.0, 2000.0);
    EXPECT_EQ(valueToRow(1e300, 2000.0, factor), -ROW_LIMIT);
    EXPECT_EQ(valueToRow(-1e300, 2000.0, factor), ROW_LIMIT);
    EXPECT_EQ(valueToRow(std::numeric_limits<double>::quiet_NaN(), 2000.0, factor), ROW_LIMIT);
    for (const auto& [min, max] : {std::pair{100.0, 100.0}, {200.0, 100.0}, {0.0, HUGE_VAL}})
        EXPECT_EQ(pixelFactor(200, min, max), 0.0) << min << ".." << max;
}

TEST(PaneFactors, ProfileAndBarsEachFromTheirOwnHeightAndScale) {
    SurveyConfig config;
    storeReadingScaleLimits({0.0, 2000.0, -25.0, 25.0}, config);
    const PaneFactors f = computePaneFactors(200, 300, config);
    EXPECT_DOUBLE_EQ(f.profileFactor, 0.1);
    EXPECT_DOUBLE_EQ(f.profileFactorInphase, 4.0);
    EXPECT_DOUBLE_EQ(f.barFactor, 0.15);
    EXPECT_DOUBLE_EQ(f.barFactorInphase, 6.0);
}

TEST(CompressedAmplitude, KeepsTheSignOfTheSquareRoot) {
    EXPECT_DOUBLE_EQ(compressedAmplitude(-400.0), -20.0);
    EXPECT_DOUBLE_EQ(compressedAmplitude(400.0), 20.0);
    EXPECT_DOUBLE_EQ(compressedAmplitude(0.0), 0.0);
}

TEST(ScaleLines, ModesAndRows) {
    struct Case {
        const char* name;
        int height;
        double min, max;
        int mode;
        std::vector<int> rows;
    } cases[] = {
        {"rising: four lines", 200, 0.0, 2000.0, SCALE_RISING, {159, 119, 79, 39}},
        {"hanging: four lines", 200, -2000.0, 0.0, SCALE_HANGING, {159, 119, 79, 39}},
        {"even sides: a quarter of one side", 200, -25.0, 25.0, SCALE_SPANS_ZERO, {100, 75, 50, 25, 125, 150, 175}},
        {"long positive side: 90 / 5", 200, -10.0, 90.0, SCALE_SPANS_ZERO, {180, 144, 108, 72, 36}},
        {"positive three times the negative", 200, -50.0, 150.0, SCALE_SPANS_ZERO, {150, 100, 50}},
        {"negative three times the positive", 200, -150.0, 50.0, SCALE_SPANS_ZERO, {50, 100, 150}},
    };
    for (const Case& c : cases) {
        const ScaleLines lines = linesFor(c.height, c.min, c.max);
        EXPECT_EQ(lines.mode, c.mode) << c.name;
        EXPECT_EQ(rowsOf(lines), c.rows) << c.name;
    }
}

TEST(ScaleLines, ZeroRowOutsideThePaneFallsBackToFourLines) {
    // A factor meant for a taller pane puts the zero row below this one.
    ScaleLines lines;
    EXPECT_EQ(computeScaleLines(lines, 100, -10.0, 90.0, 2.0), SCALE_SPANS_ZERO);
    EXPECT_EQ(rowsOf(lines), (std::vector<int>{180, 79, 59, 39, 19}));
}

TEST(ScaleLines, NeverMoreThanNineEvenWithoutAFactor) {
    ScaleLines lines;
    computeScaleLines(lines, 200, -25.0, 25.0, 0.0);
    EXPECT_EQ(lines.count, MAX_SCALE_LINES);
    EXPECT_EQ(lines.rows[0], 0);
}

TEST(BarGeometry, SlotsPerInstrument) {
    struct Case {
        InstrumentType type;
        int sensors;
        int width;
        std::vector<int> left;
    } cases[] = {
        {InstrumentType::Em61Lx2, 1, 27, {7, 41, 75}},
        {InstrumentType::Em61Lx2, 2, 13, {3, 19, 35}},
        {InstrumentType::Em61Mk2, 1, 21, {5, 31, 57, 83}},
        {InstrumentType::Grad601, 1, 68, {20}},
        {InstrumentType::Grad601, 2, 33, {10}},
        {InstrumentType::Em31Mk2, 1, 22, {2, 26}},
        {InstrumentType::Em38Mk2, 1, 22, {2, 26}},
        {InstrumentType::Em38, 1, 10, {2, 14, 26, 38}},
        {InstrumentType::Em34_3, 1, 77, {15}},
    };
    for (const Case& c : cases) {
        const BarGeometry g = barGeometry(c.type, c.sensors, 110);
        EXPECT_EQ(g.width, c.width) << instrumentName(c.type) << " " << c.sensors;
        EXPECT_EQ(std::vector<int>(g.left.begin(), g.left.begin() + g.count), c.left)
            << instrumentName(c.type) << " " << c.sensors;
    }
}

TEST(BarGeometry, RoundedPositionsStayInsideThePane) {
    for (const InstrumentType type : kAllInstruments) {
        for (const int sensors : {1, 2}) {
            for (const int area : {40, 61, 110, 157, 333}) {
                const BarGeometry g = barGeometry(type, sensors, area);
                const bool halves = (sensors == 2 && !isConductivityMeter(type) && type != InstrumentType::Em61Mk2) ||
                                    (isConductivityMeter(type) && type != InstrumentType::Em34_3);
                const int paneWidth = halves ? (area - 2) / 2 : area;
                EXPECT_LE(g.left[g.count - 1] + g.width, paneWidth) << instrumentName(type) << " " << area;
                for (int i = 1; i < g.count; ++i) EXPECT_GT(g.left[i], g.left[i - 1] + g.width - 1);
            }
        }
    }
}

namespace {

constexpr int kHeight = 200;
const BarGeometry kOneBar{1, 10, {5}};

struct Step {
    int row;
    std::vector<BarRect> rects;
    int storedTop;
};

BarRect colour(int top, int bottom) { return {0, 5, 10, top, bottom, true}; }
BarRect white(int top, int bottom) { return {0, 5, 10, top, bottom, false}; }

void runSteps(const char* name, const ScaleLines& lines, const std::vector<Step>& steps) {
    BarTops tops;
    bool first = true;
    for (const Step& s : steps) {
        const int row[] = {s.row};
        const BarPlan plan = barStep(tops, kOneBar, lines, kHeight, row);
        EXPECT_EQ(plan.clearPane, first) << name << " row " << s.row;
        EXPECT_EQ(rectsOf(plan), s.rects) << name << " row " << s.row;
        EXPECT_EQ(tops.top[0], s.storedTop) << name << " row " << s.row;
        first = false;
    }
}

}  // namespace

TEST(BarStep, RepaintsOnlyTheDifference) {
    // Rows of 0..2000 (rising), -2000..0 (hanging) and -100..100 (zero row 100), all 200 high.
    runSteps("rising", linesFor(kHeight, 0.0, 2000.0),
             {{120, {colour(120, 200)}, 120},
              {60, {colour(60, 120)}, 60},
              {150, {white(60, 150)}, 150},
              {150, {}, 150}});
    runSteps("hanging", linesFor(kHeight, -2000.0, 0.0),
             {{80, {colour(0, 80)}, 80}, {130, {colour(80, 130)}, 130}, {20, {white(20, 130)}, 20}});
    runSteps("spanning zero", linesFor(kHeight, -100.0, 100.0),
             {{50, {colour(50, 100)}, 50},      // +50
              {130, {white(50, 100), colour(100, 130)}, 130},  // -30: loses the upper part, gains a lower one
              {160, {colour(130, 160)}, 160},   // -60
              {110, {white(110, 160)}, 110},    // -10
              {20, {white(100, 110), colour(20, 100)}, 20},    // +80
              {100, {white(20, 100)}, 100}});   // 0
}

TEST(BarStep, TopsOutsideThePaneAreStoredClamped) {
    runSteps("rising", linesFor(kHeight, 0.0, 2000.0),
             {{-50, {colour(0, 200)}, 0}, {-ROW_LIMIT, {}, 0}, {ROW_LIMIT, {white(0, 200)}, kHeight}});
}

TEST(BarStep, ResetStartsFromTheBaselineAndRepaintFillsStoredTops) {
    const ScaleLines lines = linesFor(kHeight, -100.0, 100.0);
    const BarGeometry three{3, 4, {1, 6, 11}};
    BarTops tops;
    EXPECT_EQ(repaintBars(tops, three, lines, kHeight).count, 0);

    const int rows[] = {40, 100, 170};
    barStep(tops, three, lines, kHeight, rows);
    EXPECT_EQ(rectsOf(repaintBars(tops, three, lines, kHeight)),
              (std::vector<BarRect>{{0, 1, 4, 40, 100, true}, {2, 11, 4, 100, 170, true}}));

    tops = BarTops{};  // a reset
    const BarPlan again = barStep(tops, three, lines, kHeight, rows);
    EXPECT_TRUE(again.clearPane);
    EXPECT_EQ(rectsOf(again), (std::vector<BarRect>{{0, 1, 4, 40, 100, true}, {2, 11, 4, 100, 170, true}}));
}

TEST(SpeedBar, BlueInProportionToTheSpeed) {
    struct Case {
        double scaleMax, speed;
        int blue;
    } cases[] = {{5.0, 5.0, 200}, {5.0, 0.0, 0},  {5.0, 2.5, 100}, {5.0, 7.0, 200},
                 {5.0, -1.0, 0}, {0.0, 3.0, 0},  {-2.0, 3.0, 0},  {5.0, std::nan(""), 0}};
    for (const Case& c : cases)
        EXPECT_EQ(speedBarSplit(200, c.scaleMax, c.speed).blueWidth, c.blue) << c.scaleMax << " " << c.speed;
}

TEST(ReadingScaleLimits, DefaultsPerInstrument) {
    struct Case {
        InstrumentType type;
        ReadingScaleLimits limits;
    } cases[] = {
        {InstrumentType::Em61Lx2, {0, 2000, -25, 25}}, {InstrumentType::Em61Mk2, {0, 2000, -25, 25}},
        {InstrumentType::Grad601, {0, 2000, -25, 25}}, {InstrumentType::Em31Mk2, {0, 500, -25, 25}},
        {InstrumentType::Em38, {0, 500, -25, 25}},     {InstrumentType::Em34_3, {0, 500, -25, 25}},
        {InstrumentType::Em38Mk2, {0, 1000, 0, 1500}},
    };
    for (const Case& c : cases) {
        SurveyConfig config;
        storeReadingScaleLimits({-7, 7, -3, 3}, config);
        resetReadingScales(c.type, config);
        ReadingScaleLimits expected = c.limits;
        if (!isConductivityMeter(c.type)) expected.inphaseMin = -3, expected.inphaseMax = 3;  // untouched
        EXPECT_EQ(readingScaleLimitsOf(config), expected) << instrumentName(c.type);
    }
}

TEST(ReadingScaleLimits, MaximumNotAboveMinimumBecomesMinimumPlus100) {
    EXPECT_EQ(acceptedLimits({50, 50, 10, -5}), (ReadingScaleLimits{50, 150, 10, 110}));
    EXPECT_EQ(acceptedLimits({-20, -30, 0, 1}), (ReadingScaleLimits{-20, 80, 0, 1}));
    EXPECT_EQ(acceptedLimits({0, 2000, -25, 25}), (ReadingScaleLimits{0, 2000, -25, 25}));
}

TEST(ReadingScaleLimits, WhenTheMapNeedsARebuild) {
    const ReadingScaleLimits before{0, 500, -25, 25};
    const ReadingScaleLimits conductivity{0, 800, -25, 25};
    const ReadingScaleLimits inphase{0, 500, -50, 50};
    struct Case {
        InstrumentType type;
        int view;
        ReadingScaleLimits after;
        bool rebuild;
    } cases[] = {
        {InstrumentType::Em61Lx2, 1, before, true},       {InstrumentType::Em61Mk2, 0, conductivity, true},
        {InstrumentType::Grad601, 2, inphase, true},      {InstrumentType::Em31Mk2, 0, conductivity, false},
        {InstrumentType::Em31Mk2, 1, conductivity, true}, {InstrumentType::Em31Mk2, 1, inphase, false},
        {InstrumentType::Em38, 2, inphase, true},         {InstrumentType::Em38, 2, conductivity, false},
        {InstrumentType::Em38Mk2, 4, inphase, true},      {InstrumentType::Em38Mk2, 3, conductivity, true},
        {InstrumentType::Em38Mk2, 3, inphase, false},     {InstrumentType::Em34_3, 1, conductivity, true},
        {InstrumentType::Em34_3, 1, before, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(scaleChangeNeedsMapRebuild(c.type, c.view, before, c.after), c.rebuild)
            << instrumentName(c.type) << " view " << c.view;
}

TEST(ReadingScaleLimits, ColourStepFollowsTheComponentShown) {
    const ReadingScaleLimits limits{0, 500, -25, 25};
    EXPECT_DOUBLE_EQ(colourStepAfterScale(InstrumentType::Em61Lx2, 2, limits), 10.0);
    EXPECT_DOUBLE_EQ(colourStepAfterScale(InstrumentType::Em31Mk2, 1, limits), 10.0);
    EXPECT_DOUBLE_EQ(colourStepAfterScale(InstrumentType::Em31Mk2, 2, limits), 1.0);
    EXPECT_DOUBLE_EQ(colourStepAfterScale(InstrumentType::Em38Mk2, 4, limits), 1.0);
}
