// The scaled plan-view sketch of the instrument and its GPS antenna.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "app/instrument_sketch.h"
#include "config/survey_config.h"

namespace velox {
namespace {

const RectF kBox{20, 250, 800, 460};

bool inside(const RectF& box, PointF p, double margin = 0) {
    return p.x >= box.x - margin && p.x <= box.x + box.width + margin && p.y >= box.y - margin &&
           p.y <= box.y + box.height + margin;
}

TEST(InstrumentSketch, Em61Lx2CoilsFollowTheSensorCount) {
    SurveyConfig config;
    config.sensorCountIndex = 1;
    InstrumentSketch two = sketchInstrument(InstrumentType::Em61Lx2, config, 0.0, kBox);
    ASSERT_EQ(two.body.size(), 2u);
    // 2 m across, 0.5 m along: width decides, 0.6 x 800 / 2 = 240 px/m.
    EXPECT_DOUBLE_EQ(two.scale, 240.0);
    const RectF& left = two.body[0].bounds;
    const RectF& right = two.body[1].bounds;
    EXPECT_DOUBLE_EQ(left.width, 240.0 - 5);  // half of 480 less 5
    EXPECT_DOUBLE_EQ(right.x - (left.x + left.width), 10.0);
    EXPECT_DOUBLE_EQ(left.height, 120.0);
    EXPECT_DOUBLE_EQ(two.instrumentCentre.x, 420.0);
    EXPECT_DOUBLE_EQ(two.instrumentCentre.y, 480.0);

    config.sensorCountIndex = 0;
    InstrumentSketch one = sketchInstrument(InstrumentType::Em61Lx2, config, 0.0, kBox);
    ASSERT_EQ(one.body.size(), 1u);
    EXPECT_EQ(one.body[0].kind, ShapeKind::Rectangle);
}

TEST(InstrumentSketch, AntennaOffsetMovesTheMark) {
    SurveyConfig config;
    config.sensorCountIndex = 1;
    struct Case {
        double x, y;
        int rightOfCentre;  // sign of the horizontal shift
        int aboveCentre;    // sign of the upward shift
    } cases[] = {{0, 0, 0, 0}, {0, 1.5, 0, 1}, {0, -1.5, 0, -1}, {0.8, 0, 1, 0}, {-3, 2, -1, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << ", " << c.y);
        config.gpsOffsetX = c.x;
        const InstrumentSketch s = sketchInstrument(InstrumentType::Em61Lx2, config, c.y, kBox);
        const double dx = s.antennaCentre.x - s.instrumentCentre.x;
        const double up = s.instrumentCentre.y - s.antennaCentre.y;
        EXPECT_EQ((dx > 1e-9) - (dx < -1e-9), c.rightOfCentre);
        EXPECT_EQ((up > 1e-9) - (up < -1e-9), c.aboveCentre);
        EXPECT_NEAR(dx, c.x * s.scale, 1e-9);
        EXPECT_NEAR(up, c.y * s.scale, 1e-9);
        // Instrument and antenna both stay within the box.
        EXPECT_TRUE(inside(kBox, s.antennaCentre));
        for (const SketchShape& shape : s.body) EXPECT_TRUE(inside(kBox, shape.bounds.centre()));
        EXPECT_GE(s.antennaRadius, 4.0);
    }
}

TEST(InstrumentSketch, ExtentsAndScaleByInstrument) {
    struct Case {
        const char* name;
        InstrumentType type;
        void (*setUp)(SurveyConfig&);
        double y;
        double across, along;
    } cases[] = {
        {"EM61-MK2 0.5 x 1 coil", InstrumentType::Em61Mk2, [](SurveyConfig& c) { c.sensorSize = 1; }, 0, 0.5, 1.0},
        {"EM61-MK2 hand held, antenna far ahead", InstrumentType::Em61Mk2, [](SurveyConfig& c) { c.sensorSize = 4; },
         2.0, 0.3, 2.075},
        {"EM31-MK2 short, antenna aside", InstrumentType::Em31Mk2,
         [](SurveyConfig& c) { c.conductivityModel = 1, c.gpsOffsetX = -0.3; }, 0, 0.38, 2.0},
        {"EM34-3 from the leading coil", InstrumentType::Em34_3, [](SurveyConfig& c) { c.em34Reference = 0; }, 1.0,
         1.2, 11.0},
        {"EM34-3 from the trailing coil", InstrumentType::Em34_3, [](SurveyConfig& c) { c.em34Reference = 1; }, 0,
         1.2, 10.0},
        {"Grad601 one sensor", InstrumentType::Grad601, [](SurveyConfig& c) { c.sensorCountIndex = 0; }, 0, 0.0, 0.1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SurveyConfig config;
        c.setUp(config);
        const InstrumentSketch s = sketchInstrument(c.type, config, c.y, kBox);
        EXPECT_NEAR(s.extentAcross, c.across, 1e-12);
        EXPECT_NEAR(s.extentAlong, c.along, 1e-12);
        double expected = 0.6 * kBox.height / c.along;
        if (c.across > 0) expected = std::min(expected, 0.6 * kBox.width / c.across);
        EXPECT_NEAR(s.scale, expected, 1e-9);
        EXPECT_FALSE(s.body.empty());
        EXPECT_TRUE(inside(kBox, s.antennaCentre));
    }
}

TEST(InstrumentSketch, AntennaHiddenWithoutGpsAndRadiusLimits) {
    SurveyConfig config;
    config.gpsInput = 0;
    EXPECT_FALSE(sketchInstrument(InstrumentType::Em61Lx2, config, 0, kBox).antennaShown);
    config.gpsInput = 1;
    // The Grad601 mark (0.2 m) on a one-sensor sketch would be huge: at most 45 px.
    config.sensorCountIndex = 0;
    EXPECT_DOUBLE_EQ(sketchInstrument(InstrumentType::Grad601, config, 0, kBox).antennaRadius, 45.0);
    // A far antenna shrinks the scale, but the mark stays visible.
    config.gpsOffsetX = 500;
    EXPECT_DOUBLE_EQ(sketchInstrument(InstrumentType::Em61Lx2, config, 0, kBox).antennaRadius, 4.0);
}

TEST(InstrumentSketch, DirectionArrowAndSillyOffsets) {
    SurveyConfig config;
    config.gpsOffsetX = std::numeric_limits<double>::quiet_NaN();
    const InstrumentSketch s =
        sketchInstrument(InstrumentType::Em61Lx2, config, std::numeric_limits<double>::infinity(), kBox);
    EXPECT_TRUE(std::isfinite(s.scale));
    EXPECT_TRUE(std::isfinite(s.antennaCentre.x) && std::isfinite(s.antennaCentre.y));
    EXPECT_DOUBLE_EQ(s.arrowTail.x, 20 + 40);
    EXPECT_DOUBLE_EQ(s.arrowTail.y, 250 + 0.7 * 460);
    EXPECT_DOUBLE_EQ(s.arrowTip.y, 250 + 0.1 * 460);
}

}  // namespace
}  // namespace velox
