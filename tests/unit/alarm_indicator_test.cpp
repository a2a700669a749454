// The alarm indicator's boxes and letters above the map, and what one
// reading does to the boxes.

#include <gtest/gtest.h>

#include "display/alarm_indicator.h"

using namespace velox;

TEST(AlarmIndicator, Geometry) {
    // Map at x 20, 662 wide: cx = 351.
    const AlarmIndicatorGeometry one = alarmIndicatorGeometry(20, 662, 1, 8);
    ASSERT_EQ(one.boxes.size(), 1u);
    EXPECT_EQ(one.boxes[0], (Rect{351 - 32, 1, 64, 17}));
    EXPECT_EQ(one.letterLeft, (Rect{351 - 32 - 1 - 10, 1, 10, 17}));
    EXPECT_EQ(one.letterRight, (Rect{351 + 32 + 3, 1, 9, 17}));
    EXPECT_EQ(one.region, (Rect{one.letterLeft.x, 0, one.letterRight.right() - one.letterLeft.x, 19}));

    const AlarmIndicatorGeometry two = alarmIndicatorGeometry(20, 662, 2, 8);
    ASSERT_EQ(two.boxes.size(), 3u);
    EXPECT_EQ(two.boxes[0], (Rect{351 - 52, 1, 40, 17}));
    EXPECT_EQ(two.boxes[1], (Rect{351 - 9, 1, 18, 17}));
    EXPECT_EQ(two.boxes[2], (Rect{351 + 12, 1, 40, 17}));
    EXPECT_EQ(two.letterLeft.right(), 351 - 52 - 1);
    EXPECT_EQ(two.letterRight.x, 351 + 52 + 3);
    EXPECT_EQ(alarmBoxInside(two.boxes[1]), (Rect{351 - 8, 2, 17, 16}));
    EXPECT_EQ(alarmChannelLetter(0), 'E');
    EXPECT_EQ(alarmChannelLetter(1), 'L');
    EXPECT_EQ(alarmChannelLetter(2), 'F');
}

TEST(AlarmIndicator, BoxesOfOneReading) {
    constexpr BoxFill L = BoxFill::Leave, W = BoxFill::White, R = BoxFill::Red;
    struct Case {
        const char* name;
        int sensors;
        int type;
        bool left, right;
        double leftValue, rightValue;
        std::array<BoxFill, 3> fills;
        int result;
    };
    const Case cases[] = {
        {"between: values within a fifth", 2, 1, true, true, 120, 110, {W, R, W}, RESULT_BETWEEN},
        {"left and right", 2, 1, true, true, 300, 100, {R, W, R}, RESULT_LEFT_RIGHT},
        {"left only", 2, 1, true, false, 150, 50, {R, W, W}, RESULT_LEFT},
        {"right only", 2, 2, false, true, 50, 150, {W, W, R}, RESULT_RIGHT},
        {"two sensors quiet", 2, 1, false, false, 10, 10, {W, W, W}, NO_ALARM_RESULT},
        {"two sensors quiet, alarm off", 2, 0, false, false, 10, 10, {L, L, L}, NO_ALARM_RESULT},
        {"one sensor on", 1, 1, true, false, 150, 0, {R, L, L}, NO_ALARM_RESULT},
        {"one sensor quiet", 1, 2, false, false, 10, 0, {W, L, L}, NO_ALARM_RESULT},
        {"one sensor quiet, alarm off", 1, 0, false, false, 10, 0, {L, L, L}, NO_ALARM_RESULT},
    };
    for (const Case& c : cases) {
        Em61AlarmState alarm;
        alarm.alarmFlag = {c.left, c.right};
        alarm.alarmValue = {c.leftValue, c.rightValue};
        const AlarmBoxUpdate u = alarmBoxUpdate(c.sensors, c.type, alarm);
        EXPECT_EQ(u.fills, c.fills) << c.name;
        EXPECT_EQ(u.result, c.result) << c.name;
    }
}
