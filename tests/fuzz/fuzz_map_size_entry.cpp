// What the operator types into the Map Size dialog (map size, a line feed, the grid interval): whatever it
// is, the size stays within 1..MAP_SIZE_MAX, an accepted interval is at least the minimum, and the grid it
// leads to stays bounded.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "display/map_geometry.h"

using namespace velox;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const size_t cut = text.find('\n');
    const std::string sizeText = text.substr(0, cut);
    const std::string intervalText = cut == std::string::npos ? std::string() : text.substr(cut + 1);
    const long mapSize = mapSizeFromText(sizeText);
    if (mapSize < 1 || mapSize > MAP_SIZE_MAX) std::abort();
    (void)mapSizeTextNotPositive(sizeText);
    const double interval = numberFromText(intervalText).value_or(0.0);

    MapState state;
    state.tiles = {660, 660};
    state.extendSurveyBox(0.0, 0.0);
    state.extendSurveyBox(400.0, -250.0);
    const MapSizeDecision decision = decideMapSize({40, 2.0, 1}, {mapSize, interval, 1}, state);
    if (decision.verdict == MapSizeVerdict::Accepted && !(decision.settings.gridInterval >= GRID_INTERVAL_MIN))
        std::abort();

    // The typed interval also serves as a guide-line angle, to reach every kind of grid.
    for (const int gridType : {0, 1}) {
        const GridLayout grid = computeGridLayout(gridType, interval, decision.settings.gridInterval, 660, mapSize);
        if (gridLinesOfTile(grid, 1000, 999, state.tiles).size() > 2u * GRID_LINE_CAP) std::abort();
    }
    return 0;
}
