#include "display/alarm_indicator.h"

namespace velox {

namespace {

Rect boxBetween(int cx, int from, int to) {
    return {cx + from, kAlarmBoxTop, to - from, kAlarmBoxBottom - kAlarmBoxTop};
}

}  // namespace

AlarmIndicatorGeometry alarmIndicatorGeometry(int mapLeft, int mapWidth, int sensorCount, int letterWidth) {
    const int cx = mapLeft + mapWidth / 2;
    AlarmIndicatorGeometry g;
    if (sensorCount >= 2) g.boxes = {boxBetween(cx, -52, -12), boxBetween(cx, -9, 9), boxBetween(cx, 12, 52)};
    else g.boxes = {boxBetween(cx, -32, 32)};
    const Rect& first = g.boxes.front();
    const Rect& last = g.boxes.back();
    const int height = kAlarmBoxBottom - kAlarmBoxTop;
    g.letterLeft = {first.x - 1 - (letterWidth + 2), kAlarmBoxTop, letterWidth + 2, height};
    g.letterRight = {last.right() + 3, kAlarmBoxTop, letterWidth + 1, height};
    g.region = {g.letterLeft.x, kAlarmBoxTop - 1, g.letterRight.right() - g.letterLeft.x, height + 2};
    return g;
}

Rect alarmBoxInside(const Rect& box) { return {box.x + 1, box.y + 1, box.width - 1, box.height - 1}; }

char alarmChannelLetter(int alarmChannel) {
    switch (alarmChannel) {
        case 1: return 'L';
        case 2: return 'F';
        default: return 'E';
    }
}

AlarmBoxUpdate alarmBoxUpdate(int sensorCount, int alarmType, const Em61AlarmState& alarm) {
    AlarmBoxUpdate u;
    const bool left = alarm.alarmFlag[SENSOR_LEFT];
    const bool right = alarm.alarmFlag[SENSOR_RIGHT];
    const BoxFill quiet = alarmType > 0 ? BoxFill::White : BoxFill::Leave;
    if (sensorCount < 2) {
        u.fills[0] = left ? BoxFill::Red : quiet;
        return u;
    }
    if (!left && !right) {
        u.fills = {quiet, quiet, quiet};
        return u;
    }
    u.result = alarmResultCode(alarm);
    if (u.result == RESULT_BETWEEN) {
        u.fills = {BoxFill::White, BoxFill::Red, BoxFill::White};
    } else {
        u.fills = {left ? BoxFill::Red : BoxFill::White, BoxFill::White, right ? BoxFill::Red : BoxFill::White};
    }
    return u;
}

}  // namespace velox
