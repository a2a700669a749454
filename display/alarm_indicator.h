#pragma once
// The EM61-LX2 target-alarm indicator above the map: one box (one sensor) or
// left, middle and right boxes (two sensors) with the watched channel's
// letter on both sides. The geometry and the per-reading decision are
// Qt-free; drawing is done by the logging window with the painter functions
// at the end.

#include <array>
#include <vector>

#include "acquisition/em61_decode.h"
#include "app/start_layout.h"

class QPainter;
class QFont;
class QColor;

namespace velox {

// Boxes run from y = 1 to y = 18 of the logging window.
inline constexpr int kAlarmBoxTop = 1;
inline constexpr int kAlarmBoxBottom = 18;

struct AlarmIndicatorGeometry {
    // Corner to corner (the outline passes through x, y and right(), bottom()):
    // one box, or left, middle and right.
    std::vector<Rect> boxes;
    Rect letterLeft;
    Rect letterRight;
    Rect region;  // both letters and the boxes, one pixel higher and lower
};

// `letterWidth` is the width of "E" in the normal text font.
AlarmIndicatorGeometry alarmIndicatorGeometry(int mapLeft, int mapWidth, int sensorCount, int letterWidth);
// The filled inside of a box: from (left + 1, top + 1) up to, not including, (right, bottom).
Rect alarmBoxInside(const Rect& box);
// "E", "L" or "F" by `alarmChannel`.
char alarmChannelLetter(int alarmChannel);

enum class BoxFill { Leave, White, Red };
struct AlarmBoxUpdate {
    std::array<BoxFill, 3> fills{BoxFill::Leave, BoxFill::Leave, BoxFill::Leave};  // one box uses the first
    int result = NO_ALARM_RESULT;  // two sensors: the result code, or NO_ALARM_RESULT when no flag is set
};
// What one reading does to the boxes.
AlarmBoxUpdate alarmBoxUpdate(int sensorCount, int alarmType, const Em61AlarmState& alarm);

// --- drawing (Qt)
// The whole indicator at paint time: with `alarmType` 0 the region becomes
// button face; otherwise outlines, insides in `fills` (Leave paints white),
// and the letter on both sides.
void drawAlarmIndicator(QPainter& painter, const AlarmIndicatorGeometry& geometry, int alarmType, int alarmChannel,
                        const std::array<BoxFill, 3>& fills, const QFont& font, const QColor& buttonFace);

}  // namespace velox
