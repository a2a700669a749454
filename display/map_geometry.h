#pragma once
// The arithmetic of the plan map, free of any drawing: map units to map
// pixels, map pixels to tiles, the view state that follows the operator, the
// grid lines of one tile, and the numbers behind pan, zoom, fit all and the
// map-size dialog. Map pixels: x grows east, y north. Tile rows grow
// northwards; tile-local pixels run from the north-west corner.

#include <optional>
#include <string>
#include <vector>

#include "acquisition/gps_state.h"
#include "display/swath_surface.h"
#include "logging/logging_display.h"

namespace velox {

inline constexpr int TILE_INDEX_COUNT = 2000;
inline constexpr int ORIGIN_TILE = 1000;
inline constexpr int TILE_LIMIT_LOW = 3;
inline constexpr int TILE_LIMIT_HIGH = 1996;
inline constexpr double ZOOM_STEP = 0.05;
inline constexpr double PAN_FACTOR = 0.05;
// Grid lines drawn per direction in one tile, so that a tiny spacing cannot hang the program.
inline constexpr int GRID_LINE_CAP = 10000;
// Map pixels are held within +-PIXEL_LIMIT: far outside the tile index space, and safe to add to.
inline constexpr int PIXEL_LIMIT = 1 << 29;
// Largest map size taken from the operator or the zoom (map units): keeps every size computation in range.
inline constexpr long MAP_SIZE_MAX = 100000000;
inline constexpr double GRID_INTERVAL_MIN = 0.5;

struct TileSize {
    int width = 1;   // `tileWidth`
    int height = 1;  // `tileHeight`
};

struct TileLocation {
    int tileX = ORIGIN_TILE;
    int tileY = ORIGIN_TILE;
    int ix = 0;
    int iy = 0;
    friend bool operator==(const TileLocation&, const TileLocation&) = default;
};

// (int)((E - originEasting) * scale + 0.5), truncating toward zero; positions beyond the pixel limit
// (and non-numbers) are held at the limit, which lies outside the tile index space.
PixelPoint mapWorldToPixel(double easting, double northing, double originEasting, double originNorthing,
                           double scale);
TileLocation mapPixelToTile(PixelPoint pixel, TileSize size);
// The local pixel of a map pixel relative to any tile (it may lie outside that tile).
PixelPoint mapPixelInTile(PixelPoint pixel, int tileX, int tileY, TileSize size);
// Map pixel of a tile's local pixel (0, 0).
PixelPoint tileNorthWestPixel(int tileX, int tileY, TileSize size);
bool tileInIndexSpace(int tileX, int tileY);

// The tile whose local pixel (offsetX, offsetY) is the window's top-left corner. The window shows
// (tileX, tileY), (tileX + 1, tileY), (tileX, tileY - 1) and (tileX + 1, tileY - 1).
struct MapViewport {
    int tileX = ORIGIN_TILE;
    int tileY = ORIGIN_TILE;
    int offsetX = 200;
    int offsetY = 200;
    friend bool operator==(const MapViewport&, const MapViewport&) = default;
};
bool viewportInIndexSpace(const MapViewport& view);

struct TileRange {
    bool empty = true;
    int firstTileX = 0;
    int lastTileX = 0;
    int firstTileY = 0;
    int lastTileY = 0;
    void include(int tileX, int tileY);
    void includeViewport(const MapViewport& view);
    bool beyondLimits() const;  // reaches below TILE_LIMIT_LOW or above TILE_LIMIT_HIGH
    friend bool operator==(const TileRange&, const TileRange&) = default;
};


struct GridLayout {
    int gridMode = 0;  // 0 square grid; 1 or -1 slanted parallel lines; 2 north-south lines
    double gridSpacingPixels = 0.0;
    double linesSlope = 0.0;
};
GridLayout computeGridLayout(int gridType, double linesAngle, double gridInterval, int tileWidth, long mapSize);

// One grid line in tile-local pixels.
struct GridLine {
    int x1 = 0;
    int y1 = 0;
    int x2 = 0;
    int y2 = 0;
    friend bool operator==(const GridLine&, const GridLine&) = default;
};
std::vector<GridLine> gridLinesOfTile(const GridLayout& grid, int tileX, int tileY, TileSize size);

// Tiles that a straight line between two map pixels touches when drawn `margin` pixels wide on
// each side, walked column by column from west to east. Only tiles of the index space are listed.
struct TileIndex {
    int tileX = 0;
    int tileY = 0;
    friend bool operator==(const TileIndex&, const TileIndex&) = default;
};
std::vector<TileIndex> tilesAlongLine(PixelPoint from, PixelPoint to, int margin, TileSize size);
// Tiles of the rectangle spanned by two map pixels (any order).
std::vector<TileIndex> tilesOfBox(PixelPoint a, PixelPoint b, TileSize size);
// Whether the rectangle's or line's tiles all lie in the index space.
bool boxInIndexSpace(PixelPoint a, PixelPoint b, TileSize size);

// Everything the map keeps besides its tiles.
struct MapState {
    double originEasting = 0.0;
    double originNorthing = 0.0;
    double scale = 1.0;
    TileSize tiles;
    MapViewport liveView;
    MapViewport reviewView;
    int viewLeft = 0;
    int viewRight = 0;
    int viewBottom = 0;
    int viewTop = 0;
    int lastPixelX = 0;
    int lastPixelY = 0;
    int cursorScreenX = 0;
    int cursorScreenY = 0;
    SurveyBox surveyBox;
    bool surveyBoxSet = false;  // the survey has a position
    bool reanchorPending = false;
    bool mapInitialised = false;
    int mapFullState = 0;
    TileRange tileRange;
    GridLayout grid;
    int cursorBandPixels = 0;

    void extendSurveyBox(double easting, double northing);
    void clearSurveyBox() {
        surveyBox = {};
        surveyBoxSet = false;
    }
    PixelPoint toPixel(double easting, double northing) const {
        return mapWorldToPixel(easting, northing, originEasting, originNorthing, scale);
    }
};

// `mapStartSurvey` without drawing: no tiles, the range at the live view's tile, the follow window at the
// pane.
void startSurveyState(MapState& state, int paneWidth, int paneHeight, long mapSize);
// The first fix (origin already set to it): the follow window centred on it, the range at the four window
// tiles. Returns its pixel.
PixelPoint placeFirstFix(MapState& state, double easting, double northing);

struct FixPlacement {
    PixelPoint pixel;
    bool viewChanged = false;  // the live view's tiles must exist
    bool refused = false;      // the window would leave the tile index space; the view stayed
};
// Steps 1-4 of a later fix: follow rule or re-anchor, then the cursor's window position.
FixPlacement placeLaterFix(MapState& state, double easting, double northing);
// Steps 7-8 of a later fix: note a full map and remember the pixel.
void finishFix(MapState& state, PixelPoint pixel);

// The directions of the logging screen's pan commands.
using PanDirection = MapDirection;
int panStep(int cursorBandPixels);
// One pan step of `view`; false (and nothing changed) when the window would leave the tile range.
bool panViewport(MapViewport& view, PanDirection direction, int step, TileSize size, const TileRange& range);
// The follow window moves with a pan of the live view.
void shiftFollowWindow(MapState& state, PanDirection direction, int step);

long zoomedMapSize(long mapSize, bool zoomIn);

struct FitAll {
    long mapSize = 0;
    double scale = 0.0;
    int viewLeft = 0;
    int viewRight = 0;
    int viewBottom = 0;
    int viewTop = 0;
    MapViewport reviewView;
};
std::optional<FitAll> fitAllView(const MapState& state, int cursorBandIndex);

// "Map Size:%5ld m" and its feet variants, by `mapUnits`.
std::string mapSizeCaption(long mapSize, int mapUnits);
int cursorBandPixelsFor(int cursorBandIndex, int paneWidth);

// What the map-size dialog edits.
struct MapSizeSettings {
    long mapSize = 40;
    double gridInterval = 2.0;
    int cursorBandIndex = 1;
    friend bool operator==(const MapSizeSettings&, const MapSizeSettings&) = default;
};
// The map size as typed: the number truncated, at least 1 (not a number gives 1), at most MAP_SIZE_MAX.
long mapSizeFromText(const std::string& text);
// Whether the typed map size is a number <= 0, which the edit replaces by "1" while typing.
bool mapSizeTextNotPositive(const std::string& text);
std::optional<double> numberFromText(const std::string& text);

enum class MapSizeVerdict { Unchanged, Refused, Accepted };
struct MapSizeDecision {
    MapSizeVerdict verdict = MapSizeVerdict::Unchanged;
    MapSizeSettings settings;     // what stays in force
    bool sizeChanged = false;
    bool intervalRaised = false;  // the interval was below GRID_INTERVAL_MIN and was raised
    TileRange boxTiles;           // the survey box corners' tiles at the new scale (empty without positions)
};
MapSizeDecision decideMapSize(const MapSizeSettings& before, const MapSizeSettings& entered, const MapState& state);

}  // namespace velox
