#include "geo/coordinates_units.h"

namespace velox {

bool isLocalGridInput(int nmeaData) { return nmeaData == 3 || nmeaData == 4 || nmeaData == 7; }

CoordinatesUnitsChoice coordinatesUnitsChoice(int nmeaData, int& coordinatesDisplay) {
    CoordinatesUnitsChoice choice;
    choice.localGrid = isLocalGridInput(nmeaData);
    if (choice.localGrid) {
        if (coordinatesDisplay == 0) coordinatesDisplay = 1;
        choice.items = {"meters", "feet", "US Survey Feet"};
        choice.selected = coordinatesDisplay - 1;
    } else {
        choice.items = {"Geodetic Lat/Lon", "UTM meters", "UTM feet", "UTM US Feet"};
        choice.selected = coordinatesDisplay;
    }
    // A damaged setting shows the first entry rather than none.
    if (choice.selected < 0 || choice.selected >= static_cast<int>(choice.items.size())) choice.selected = 0;
    return choice;
}

int coordinatesDisplayOf(const CoordinatesUnitsChoice& choice, int selection) {
    if (selection < 0 || selection >= static_cast<int>(choice.items.size())) return -1;
    return choice.localGrid ? selection + 1 : selection;
}

}  // namespace velox
