#pragma once
// Map units (`mapUnits` of the settings: 0 metres, 1 international feet,
// 2 US survey feet) and the conversions between them and metres.

namespace velox {

inline constexpr double METRES_PER_FOOT = 0.3048;
inline constexpr double METRES_PER_US_SURVEY_FOOT = 0.304800609601219;
// The rounded factors used where a metre value is turned into feet by
// multiplication (local-grid positions and their read-outs).
inline constexpr double FEET_PER_METRE = 3.28084;
inline constexpr double US_SURVEY_FEET_PER_METRE = 3.2808333333333355;

// Metres in one map unit. A stored value outside 0..2 counts as feet, the
// same reading the swath extents give it ("not metres"), so that positions
// and swath widths stay in one unit.
double metresPerMapUnit(int mapUnits);

// Plane coordinates in metres to map units (division by the unit's length).
double toMapUnits(double metres, int mapUnits);

// Metres to map units by the rounded multiplying factors.
double metresTimesMapUnitFactor(double metres, int mapUnits);

}  // namespace velox
