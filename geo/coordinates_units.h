#pragma once
// The choice of units for the coordinate read-outs: latitude/longitude or
// UTM in metres, feet or US survey feet; for the local-grid input kinds only
// the three linear units.

#include <string>
#include <vector>

namespace velox {

struct CoordinatesUnitsChoice {
    std::vector<std::string> items;
    int selected = 0;
    bool localGrid = false;  // the items are the local grid's units
};

// True for the input kinds whose positions come as local-grid coordinates
// (LLK, LLQ, pseudo-GGA).
bool isLocalGridInput(int nmeaData);

// What the list offers and shows for the settings in force. A local grid has
// no geodetic display: `coordinatesDisplay` 0 becomes 1 there.
CoordinatesUnitsChoice coordinatesUnitsChoice(int nmeaData, int& coordinatesDisplay);

// The `coordinatesDisplay` value of a chosen list position; -1 when the
// position is not in the list.
int coordinatesDisplayOf(const CoordinatesUnitsChoice& choice, int selection);

}  // namespace velox
