#include "display/map_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>

namespace velox {

namespace {

int pixelOf(double value) {
    if (!(value < PIXEL_LIMIT)) return PIXEL_LIMIT;  // also a non-number
    if (value <= -PIXEL_LIMIT) return -PIXEL_LIMIT;
    return static_cast<int>(value);
}

int tileColumnOf(int px, int width) { return px > 0 ? (px - 1) / width + ORIGIN_TILE + 1 : px / width + ORIGIN_TILE; }

int tileRowOf(int py, int height) { return py >= 0 ? py / height + ORIGIN_TILE : (py + 1) / height + ORIGIN_TILE - 1; }

bool indexInSpace(int index) { return index >= 0 && index < TILE_INDEX_COUNT; }

int clampIndex(int index) { return std::clamp(index, 0, TILE_INDEX_COUNT - 1); }

int clampedPixel(double value) { return pixelOf(std::clamp(value, -double(PIXEL_LIMIT), double(PIXEL_LIMIT))); }

// Local row of a map py in a tile whose bottom row is `bottom`, as the slanted grid lines place it.
double slantedRow(double y, int bottom, int height) { return height - (y - bottom) + 0.5; }

void addVerticalLines(std::vector<GridLine>& lines, double spacing, int left, int right, int height) {
    const double first = std::ceil(left / spacing);
    for (int n = 0; n < GRID_LINE_CAP; ++n) {
        const double at = (first + n) * spacing;
        if (at > right) break;
        const int x = static_cast<int>(at - left + 0.5);
        lines.push_back({x, -5, x, height + 5});
    }
}

void addHorizontalLines(std::vector<GridLine>& lines, double spacing, int bottom, int top, int width) {
    const double first = std::ceil(bottom / spacing);
    for (int n = 0; n < GRID_LINE_CAP; ++n) {
        const double at = (first + n) * spacing;
        if (at > top) break;
        const int y = static_cast<int>(top - at + 0.5);
        lines.push_back({-5, y, width + 5, y});
    }
}

// Lines y = x * slope + k * spacing across one tile, from local x -5 to W + 4. Very steep lines are cut to a
// band around the tile so that their rows stay in range; the part inside the tile is the same line.
void addSlantedLines(std::vector<GridLine>& lines, const GridLayout& grid, int left, int bottom, TileSize size) {
    const double slope = grid.linesSlope;
    const double spacing = grid.gridSpacingPixels;
    const double xWest = left - 5.0;
    const double xEast = left + size.width - 1 + 5.0;
    const double yAtWest = xWest * slope;
    const double yAtEast = xEast * slope;
    const double low = bottom - 5.0 - std::max(yAtWest, yAtEast);
    const double high = bottom + size.height - 1 + 5.0 - std::min(yAtWest, yAtEast);
    const double first = std::ceil(low / spacing);
    const double band = 4.0 * (size.width + size.height);
    for (int n = 0; n < GRID_LINE_CAP; ++n) {
        const double k = first + n;
        if (k * spacing > high) break;
        double x1 = xWest;
        double x2 = xEast;
        double y1 = yAtWest + k * spacing;
        double y2 = yAtEast + k * spacing;
        const double yLow = bottom - band;
        const double yHigh = bottom + size.height + band;
        if (std::max(std::abs(y1 - bottom), std::abs(y2 - bottom)) > band && slope != 0.0) {
            const auto xAt = [&](double y) { return (y - k * spacing) / slope; };
            const double yFrom = std::clamp(y1, yLow, yHigh);
            const double yTo = std::clamp(y2, yLow, yHigh);
            x1 = xAt(yFrom);
            x2 = xAt(yTo);
            y1 = yFrom;
            y2 = yTo;
        }
        lines.push_back({static_cast<int>(std::floor(x1 - left + 0.5)),
                         static_cast<int>(slantedRow(y1, bottom, size.height)),
                         static_cast<int>(std::floor(x2 - left + 0.5)),
                         static_cast<int>(slantedRow(y2, bottom, size.height))});
    }
}

}  // namespace

PixelPoint mapWorldToPixel(double easting, double northing, double originEasting, double originNorthing,
                           double scale) {
    return {pixelOf((easting - originEasting) * scale + 0.5), pixelOf((northing - originNorthing) * scale + 0.5)};
}

TileLocation mapPixelToTile(PixelPoint pixel, TileSize size) {
    TileLocation at;
    at.tileX = tileColumnOf(pixel.x, size.width);
    at.tileY = tileRowOf(pixel.y, size.height);
    const PixelPoint local = mapPixelInTile(pixel, at.tileX, at.tileY, size);
    at.ix = local.x;
    at.iy = local.y;
    return at;
}

PixelPoint tileNorthWestPixel(int tileX, int tileY, TileSize size) {
    return {(tileX - ORIGIN_TILE - 1) * size.width + 1, (tileY - ORIGIN_TILE) * size.height + size.height - 1};
}

PixelPoint mapPixelInTile(PixelPoint pixel, int tileX, int tileY, TileSize size) {
    const PixelPoint corner = tileNorthWestPixel(tileX, tileY, size);
    return {pixel.x - corner.x, corner.y - pixel.y};
}

bool tileInIndexSpace(int tileX, int tileY) { return indexInSpace(tileX) && indexInSpace(tileY); }

bool viewportInIndexSpace(const MapViewport& view) {
    return tileInIndexSpace(view.tileX, view.tileY) && tileInIndexSpace(view.tileX + 1, view.tileY - 1);
}

void TileRange::include(int tileX, int tileY) {
    if (empty) {
        *this = {false, tileX, tileX, tileY, tileY};
        return;
    }
    firstTileX = std::min(firstTileX, tileX);
    lastTileX = std::max(lastTileX, tileX);
    firstTileY = std::min(firstTileY, tileY);
    lastTileY = std::max(lastTileY, tileY);
}

void TileRange::includeViewport(const MapViewport& view) {
    include(view.tileX, view.tileY);
    include(view.tileX + 1, view.tileY - 1);
}

bool TileRange::beyondLimits() const {
    return !empty && (firstTileX < TILE_LIMIT_LOW || firstTileY < TILE_LIMIT_LOW || lastTileX > TILE_LIMIT_HIGH ||
                      lastTileY > TILE_LIMIT_HIGH);
}

void MapState::extendSurveyBox(double easting, double northing) {
    if (!surveyBoxSet) {
        surveyBox.startAt({easting, northing});
        surveyBoxSet = true;
        return;
    }
    surveyBox.minEasting = std::min(surveyBox.minEasting, easting);
    surveyBox.maxEasting = std::max(surveyBox.maxEasting, easting);
    surveyBox.minNorthing = std::min(surveyBox.minNorthing, northing);
    surveyBox.maxNorthing = std::max(surveyBox.maxNorthing, northing);
}

GridLayout computeGridLayout(int gridType, double linesAngle, double gridInterval, int tileWidth, long mapSize) {
    GridLayout grid;
    const double pixelsPerUnit = double(tileWidth) / double(std::max(1L, mapSize));
    if (gridType == 0 || linesAngle == 0.0) {
        grid.gridMode = gridType == 0 ? 0 : 2;
        grid.gridSpacingPixels = gridInterval * pixelsPerUnit;
        return grid;
    }
    const double radians = linesAngle * std::numbers::pi / 180.0;
    grid.gridMode = linesAngle > 0 ? 1 : -1;
    grid.linesSlope = std::tan(std::numbers::pi / 2 - radians);
    grid.gridSpacingPixels = std::abs(gridInterval / std::sin(radians) * pixelsPerUnit);
    return grid;
}

std::vector<GridLine> gridLinesOfTile(const GridLayout& grid, int tileX, int tileY, TileSize size) {
    std::vector<GridLine> lines;
    const double spacing = grid.gridSpacingPixels;
    if (!(spacing > 0.0) || !std::isfinite(spacing) || !std::isfinite(grid.linesSlope)) return lines;
    const int left = (tileX - ORIGIN_TILE) * size.width - (size.width - 1);
    const int right = left + size.width - 1;
    const int bottom = (tileY - ORIGIN_TILE) * size.height;
    const int top = bottom + size.height - 1;
    if (grid.gridMode == 0 || grid.gridMode == 2) addVerticalLines(lines, spacing, left, right, size.height);
    if (grid.gridMode == 0) addHorizontalLines(lines, spacing, bottom, top, size.width);
    if (grid.gridMode == 1 || grid.gridMode == -1) addSlantedLines(lines, grid, left, bottom, size);
    return lines;
}

std::vector<TileIndex> tilesAlongLine(PixelPoint from, PixelPoint to, int margin, TileSize size) {
    const PixelPoint west = from.x <= to.x ? from : to;
    const PixelPoint east = from.x <= to.x ? to : from;
    std::vector<TileIndex> tiles;
    const int firstColumn = tileColumnOf(std::max(west.x - margin, -PIXEL_LIMIT), size.width);
    const int lastColumn = tileColumnOf(std::min(east.x + margin, PIXEL_LIMIT), size.width);
    const double dx = double(east.x) - west.x;
    const double dy = double(east.y) - west.y;
    const auto yAt = [&](double x) {
        if (dx == 0.0) return double(west.y);
        return west.y + (std::clamp(x, double(west.x), double(east.x)) - west.x) * dy / dx;
    };
    for (int column = std::max(firstColumn, 0); column <= std::min(lastColumn, TILE_INDEX_COUNT - 1); ++column) {
        const int columnLeft = tileNorthWestPixel(column, ORIGIN_TILE, size).x;
        const double x0 = std::max(double(columnLeft), double(west.x) - margin);
        const double x1 = std::min(double(columnLeft) + size.width - 1, double(east.x) + margin);
        double yLow = std::min(yAt(x0), yAt(x1));
        double yHigh = std::max(yAt(x0), yAt(x1));
        if (dx == 0.0) {
            yLow = std::min(west.y, east.y);
            yHigh = std::max(west.y, east.y);
        }
        const int rowLow = clampIndex(tileRowOf(clampedPixel(std::floor(yLow) - margin), size.height));
        const int rowHigh = clampIndex(tileRowOf(clampedPixel(std::ceil(yHigh) + margin), size.height));
        for (int row = rowLow; row <= rowHigh; ++row) tiles.push_back({column, row});
    }
    return tiles;
}

std::vector<TileIndex> tilesOfBox(PixelPoint a, PixelPoint b, TileSize size) {
    std::vector<TileIndex> tiles;
    const int columnLow = clampIndex(tileColumnOf(std::min(a.x, b.x), size.width));
    const int columnHigh = clampIndex(tileColumnOf(std::max(a.x, b.x), size.width));
    const int rowLow = clampIndex(tileRowOf(std::min(a.y, b.y), size.height));
    const int rowHigh = clampIndex(tileRowOf(std::max(a.y, b.y), size.height));
    for (int column = columnLow; column <= columnHigh; ++column)
        for (int row = rowLow; row <= rowHigh; ++row) tiles.push_back({column, row});
    return tiles;
}

bool boxInIndexSpace(PixelPoint a, PixelPoint b, TileSize size) {
    const TileLocation first = mapPixelToTile(a, size);
    const TileLocation second = mapPixelToTile(b, size);
    return tileInIndexSpace(first.tileX, first.tileY) && tileInIndexSpace(second.tileX, second.tileY);
}

void startSurveyState(MapState& state, int paneWidth, int paneHeight, long mapSize) {
    state.tileRange = {};
    state.tileRange.include(state.liveView.tileX, state.liveView.tileY);
    state.scale = double(state.tiles.width) / double(std::max(1L, mapSize));
    state.viewLeft = 0;
    state.viewRight = paneWidth - 1;
    state.viewBottom = 0;
    state.viewTop = paneHeight - 1;
    state.mapInitialised = false;
    state.reanchorPending = false;
    state.mapFullState = 0;
    state.clearSurveyBox();
}

PixelPoint placeFirstFix(MapState& state, double easting, double northing) {
    const int w = state.tiles.width;
    const int h = state.tiles.height;
    state.viewLeft = -(w / 2) + 1;
    state.viewRight = w / 2;
    state.viewBottom = -(h / 2) + 1;
    state.viewTop = h / 2;
    state.liveView = {ORIGIN_TILE, ORIGIN_TILE, w / 2, h / 2};
    const PixelPoint pixel = state.toPixel(easting, northing);
    state.extendSurveyBox(easting, northing);
    state.cursorScreenX = pixel.x - state.viewLeft;
    state.cursorScreenY = state.viewTop - pixel.y - 1;
    state.lastPixelX = pixel.x;
    state.lastPixelY = pixel.y;
    state.tileRange = {};
    state.tileRange.includeViewport(state.liveView);
    state.mapInitialised = true;
    return pixel;
}

namespace {

// Keeps the tile of the position inside the 2 x 2 window, moving the view tile with its offsets (one tile
// width or height per tile moved, so that the window still shows the same place).
void keepTileInWindow(MapViewport& view, const TileLocation& at, TileSize size) {
    bool kept = false;
    if (at.tileY > view.tileY) {
        view.offsetY += (at.tileY - view.tileY) * size.height;
        view.tileY = at.tileY;
        kept = true;
    } else if (at.tileY < view.tileY - 1) {
        view.offsetY -= (view.tileY - (at.tileY + 1)) * size.height;
        view.tileY = at.tileY + 1;
        kept = true;
    }
    if (at.tileX < view.tileX) {
        view.offsetX += (view.tileX - at.tileX) * size.width;
        view.tileX = at.tileX;
        kept = true;
    } else if (at.tileX > view.tileX + 1) {
        view.offsetX -= (at.tileX - 1 - view.tileX) * size.width;
        view.tileX = at.tileX - 1;
        kept = true;
    }
    if (kept) return;
    if (view.offsetY < 0) {
        view.tileY += 1;
        view.offsetY += size.height;
    } else if (view.offsetY > size.height) {
        view.tileY -= 1;
        view.offsetY -= size.height;
    }
    if (view.offsetX < 0) {
        view.tileX -= 1;
        view.offsetX += size.width;
    } else if (view.offsetX > size.width) {
        view.tileX += 1;
        view.offsetX -= size.width;
    }
}

// After a jump of more than a tile the offsets can still lie beyond one tile: move the view tile by whole
// tiles until they are back in 0..W and 0..H, which shows the same place.
void bringOffsetsIntoTile(MapViewport& view, TileSize size) {
    const auto whole = [](int offset, int extent) {
        if (offset < 0) return -((-offset + extent - 1) / extent);
        if (offset > extent) return (offset - 1) / extent;
        return 0;
    };
    const int columns = whole(view.offsetX, size.width);
    const int rows = whole(view.offsetY, size.height);
    view.tileX += columns;
    view.offsetX -= columns * size.width;
    view.tileY -= rows;
    view.offsetY -= rows * size.height;
}

bool followAxis(int pixel, int lastPixel, int low, int high, int band) {
    return pixel <= lastPixel ? pixel < low + band : pixel > high - band;
}

void follow(MapState& state, PixelPoint pixel, const TileLocation& at, FixPlacement& placement) {
    const int band = state.cursorBandPixels;
    const bool followX = followAxis(pixel.x, state.lastPixelX, state.viewLeft, state.viewRight, band);
    const bool followY = followAxis(pixel.y, state.lastPixelY, state.viewBottom, state.viewTop, band);
    if (!followX && !followY) return;
    const int dx = pixel.x - state.lastPixelX;
    const int dy = pixel.y - state.lastPixelY;
    state.viewLeft += dx;
    state.viewRight += dx;
    state.liveView.offsetX += dx;
    state.viewBottom += dy;
    state.viewTop += dy;
    state.liveView.offsetY -= dy;
    keepTileInWindow(state.liveView, at, state.tiles);
    bringOffsetsIntoTile(state.liveView, state.tiles);
    placement.viewChanged = true;
}

// The live view placed so that the position keeps its window position.
void reanchor(MapState& state, PixelPoint pixel, const TileLocation& at, FixPlacement& placement) {
    const TileSize size = state.tiles;
    state.viewLeft = pixel.x - state.cursorScreenX;
    state.viewRight = state.viewLeft + size.width;
    state.viewTop = pixel.y + state.cursorScreenY + 1;
    state.viewBottom = state.viewTop - size.height;
    int offsetX = state.cursorScreenX - at.ix;
    int offsetY = state.cursorScreenY - at.iy;
    MapViewport& view = state.liveView;
    view.tileX = at.tileX;
    if (offsetX >= 0) {
        view.tileX = at.tileX - 1;
        offsetX -= size.width;
    }
    view.tileY = at.tileY;
    if (offsetY >= 0) {
        view.tileY = at.tileY + 1;
        offsetY -= size.height;
    }
    view.offsetX = -offsetX;
    view.offsetY = -offsetY;
    state.reanchorPending = false;
    placement.viewChanged = true;
}

}  // namespace

FixPlacement placeLaterFix(MapState& state, double easting, double northing) {
    FixPlacement placement;
    placement.pixel = state.toPixel(easting, northing);
    state.extendSurveyBox(easting, northing);
    const TileLocation at = mapPixelToTile(placement.pixel, state.tiles);
    const MapState before = state;
    if (state.reanchorPending)
        reanchor(state, placement.pixel, at, placement);
    else
        follow(state, placement.pixel, at, placement);
    if (placement.viewChanged && !viewportInIndexSpace(state.liveView)) {
        const MapState extended = state;
        state = before;
        state.surveyBox = extended.surveyBox;
        state.surveyBoxSet = extended.surveyBoxSet;
        placement.viewChanged = false;
        placement.refused = true;
        if (state.mapFullState == 0) state.mapFullState = 1;
    }
    state.cursorScreenX = placement.pixel.x - state.viewLeft;
    state.cursorScreenY = state.viewTop - placement.pixel.y - 1;
    return placement;
}

void finishFix(MapState& state, PixelPoint pixel) {
    if (state.tileRange.beyondLimits() && state.mapFullState == 0) state.mapFullState = 1;
    state.lastPixelX = pixel.x;
    state.lastPixelY = pixel.y;
}

int panStep(int cursorBandPixels) { return static_cast<int>((1 + PAN_FACTOR) * cursorBandPixels * 0.1 - 0.5); }

bool panViewport(MapViewport& view, PanDirection direction, int step, TileSize size, const TileRange& range) {
    if (range.empty) return false;
    const int s = std::abs(step);
    switch (direction) {
    case PanDirection::Left:
        if (view.offsetX - s >= 0) {
            view.offsetX -= s;
        } else {
            if (view.tileX <= range.firstTileX) return false;
            view.tileX -= 1;
            view.offsetX = view.offsetX - s + size.width;
        }
        return true;
    case PanDirection::Right:
        if (view.offsetX + s <= size.width) {
            view.offsetX += s;
        } else {
            if (view.tileX + 1 >= range.lastTileX) return false;
            view.tileX += 1;
            view.offsetX = view.offsetX + s - size.width;
        }
        return true;
    case PanDirection::Up:
        if (view.offsetY - s >= 0) {
            view.offsetY -= s;
        } else {
            if (view.tileY >= range.lastTileY) return false;
            view.tileY += 1;
            view.offsetY = view.offsetY - s + size.height;
        }
        return true;
    case PanDirection::Down:
        if (view.offsetY + s <= size.height) {
            view.offsetY += s;
        } else {
            if (view.tileY - 1 <= range.firstTileY) return false;
            view.tileY -= 1;
            view.offsetY = view.offsetY + s - size.height;
        }
        return true;
    }
    return false;
}

void shiftFollowWindow(MapState& state, PanDirection direction, int step) {
    const int s = std::abs(step);
    switch (direction) {
    case PanDirection::Left:
    case PanDirection::Right: {
        const int signedStep = direction == PanDirection::Left ? -s : s;
        state.viewLeft += signedStep;
        state.viewRight += signedStep;
        state.lastPixelX += signedStep;
        break;
    }
    case PanDirection::Up:
    case PanDirection::Down: {
        const int signedStep = direction == PanDirection::Up ? -s : s;
        state.viewBottom -= signedStep;
        state.viewTop -= signedStep;
        state.lastPixelY -= signedStep;
        break;
    }
    }
}

long zoomedMapSize(long mapSize, bool zoomIn) {
    const long old = std::clamp(mapSize, 1L, MAP_SIZE_MAX);
    const double factor = zoomIn ? 1 - ZOOM_STEP : 1 + ZOOM_STEP;
    long size = static_cast<long>(factor * double(old) + 0.5);
    if (size == old) size += zoomIn ? -1 : 1;
    return std::clamp(size, 1L, MAP_SIZE_MAX);
}

std::optional<FitAll> fitAllView(const MapState& state, int cursorBandIndex) {
    const SurveyBox& box = state.surveyBox;
    if (!state.surveyBoxSet) return std::nullopt;
    const double span = std::max(box.maxEasting - box.minEasting, box.maxNorthing - box.minNorthing);
    const double widened = (span + 0.5) * ((cursorBandIndex + 1) * 5 / 100.0 + 1) + 10;
    FitAll fit;
    fit.mapSize = widened < double(MAP_SIZE_MAX) ? static_cast<long>(widened) : MAP_SIZE_MAX;
    if (span < double(MAP_SIZE_MAX) && fit.mapSize <= static_cast<long>(span)) fit.mapSize += 10;
    fit.mapSize = std::clamp(fit.mapSize, 1L, MAP_SIZE_MAX);
    const int w = state.tiles.width;
    const int h = state.tiles.height;
    fit.scale = double(w) / double(fit.mapSize);
    const auto corner = [&](double e, double n) {
        return mapWorldToPixel(e, n, state.originEasting, state.originNorthing, fit.scale);
    };
    const PixelPoint low = corner(box.minEasting, box.minNorthing);
    const PixelPoint high = corner(box.maxEasting, box.maxNorthing);
    const int mx = (w - (high.x - low.x)) / 2;
    const int my = (h - (high.y - low.y)) / 2;
    fit.viewLeft = low.x - mx;
    fit.viewRight = fit.viewLeft + w;
    fit.viewBottom = low.y - my;
    fit.viewTop = fit.viewBottom + h;
    fit.reviewView = {ORIGIN_TILE, ORIGIN_TILE, w - (mx - low.x), h - (my + high.y)};
    return fit;
}

std::string mapSizeCaption(long mapSize, int mapUnits) {
    const char* unit = mapUnits == 1 ? "ft" : mapUnits == 2 ? "US-ft" : "m";
    char text[64];
    std::snprintf(text, sizeof text, "Map Size:%5ld %s", mapSize, unit);
    return text;
}

int cursorBandPixelsFor(int cursorBandIndex, int paneWidth) {
    return static_cast<int>((cursorBandIndex * 5 + 10) * 0.01 * paneWidth);
}

std::optional<double> numberFromText(const std::string& text) {
    const char* begin = text.c_str();
    char* end = nullptr;
    const double value = std::strtod(begin, &end);
    if (end == begin) return std::nullopt;
    while (*end == ' ' || *end == '\t') ++end;
    if (*end != '\0' || !std::isfinite(value)) return std::nullopt;
    return value;
}

long mapSizeFromText(const std::string& text) {
    const std::optional<double> value = numberFromText(text);
    if (!value || *value < 1.0) return 1;
    if (*value >= double(MAP_SIZE_MAX)) return MAP_SIZE_MAX;
    return static_cast<long>(*value);
}

bool mapSizeTextNotPositive(const std::string& text) {
    const std::optional<double> value = numberFromText(text);
    return value && *value <= 0.0;
}

MapSizeDecision decideMapSize(const MapSizeSettings& before, const MapSizeSettings& entered, const MapState& state) {
    MapSizeDecision decision;
    decision.settings = before;
    if (entered == before) return decision;
    if (state.surveyBoxSet) {
        const double scale = double(state.tiles.width) / double(std::max(1L, entered.mapSize));
        const SurveyBox& box = state.surveyBox;
        const std::pair<double, double> corners[] = {{box.minEasting, box.minNorthing},
                                                     {box.maxEasting, box.maxNorthing}};
        for (const auto& [e, n] : corners) {
            const TileLocation at =
                mapPixelToTile(mapWorldToPixel(e, n, state.originEasting, state.originNorthing, scale), state.tiles);
            decision.boxTiles.include(at.tileX, at.tileY);
        }
        if (decision.boxTiles.beyondLimits()) {
            decision.verdict = MapSizeVerdict::Refused;
            return decision;
        }
    }
    decision.verdict = MapSizeVerdict::Accepted;
    decision.settings = entered;
    decision.sizeChanged = entered.mapSize != before.mapSize;
    if (!(entered.gridInterval >= GRID_INTERVAL_MIN)) {
        decision.settings.gridInterval = GRID_INTERVAL_MIN;
        decision.intervalRaised = true;
    }
    return decision;
}

}  // namespace velox
