#include "geo/map_units.h"

namespace velox {

double metresPerMapUnit(int mapUnits) {
    switch (mapUnits) {
        case 0: return 1.0;
        case 2: return METRES_PER_US_SURVEY_FOOT;
        default: return METRES_PER_FOOT;
    }
}

double toMapUnits(double metres, int mapUnits) { return metres / metresPerMapUnit(mapUnits); }

double metresTimesMapUnitFactor(double metres, int mapUnits) {
    switch (mapUnits) {
        case 0: return metres;
        case 2: return metres * US_SURVEY_FEET_PER_METRE;
        default: return metres * FEET_PER_METRE;
    }
}

}  // namespace velox
