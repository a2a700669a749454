// The map's arithmetic: pixels and tiles, the follow rule and re-anchoring,
// pan, zoom, fit all, the grid lines of a tile and the map-size decision.

#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "display/map_geometry.h"

using namespace velox;

namespace {

constexpr TileSize kTile{100, 80};

// Where a map pixel appears in the window of `view`.
PixelPoint windowPosition(const MapViewport& view, PixelPoint pixel, TileSize size) {
    const TileLocation at = mapPixelToTile(pixel, size);
    return {at.ix - view.offsetX + (at.tileX - view.tileX) * size.width,
            at.iy - view.offsetY + (view.tileY - at.tileY) * size.height};
}

// A map state after its first fix at the origin, `scale` pixels per unit.
MapState startedMap(double scale = 1.0, int band = 15) {
    MapState state;
    state.tiles = kTile;
    state.cursorBandPixels = band;
    startSurveyState(state, kTile.width + 2, kTile.height + 2, 40);
    state.scale = scale;
    state.originEasting = 500.0;
    state.originNorthing = 7000.0;
    state.extendSurveyBox(500.0, 7000.0);
    placeFirstFix(state, 500.0, 7000.0);
    return state;
}

// One fix `dx`, `dy` pixels on from the previous one (scale 1).
FixPlacement walk(MapState& state, int dx, int dy) {
    const double e = state.originEasting + state.lastPixelX + dx;
    const double n = state.originNorthing + state.lastPixelY + dy;
    FixPlacement placement = placeLaterFix(state, e, n);
    if (placement.viewChanged) state.tileRange.includeViewport(state.liveView);
    finishFix(state, placement.pixel);
    return placement;
}

void expectCursorConsistent(const MapState& state, PixelPoint pixel) {
    const PixelPoint shown = windowPosition(state.liveView, pixel, state.tiles);
    EXPECT_EQ(shown.x, state.cursorScreenX) << "at pixel " << pixel.x << "," << pixel.y;
    EXPECT_EQ(shown.y, state.cursorScreenY) << "at pixel " << pixel.x << "," << pixel.y;
}

}  // namespace

TEST(MapPixels, TileTableCases) {
    const int w = kTile.width;
    const int h = kTile.height;
    struct Case {
        PixelPoint pixel;
        TileLocation expected;
    };
    const Case cases[] = {
        {{0, 0}, {1000, 1000, w - 1, h - 1}},  {{1, 0}, {1001, 1000, 0, h - 1}},
        {{0, -1}, {1000, 999, w - 1, 0}},      {{w, h - 1}, {1001, 1000, w - 1, 0}},
        {{w + 1, h}, {1002, 1001, 0, h - 1}},  {{-w + 1, 0}, {1000, 1000, 0, h - 1}},
        {{-w, -h}, {999, 999, w - 1, h - 1}},  {{-w - 1, -h - 1}, {999, 998, w - 2, 0}},
    };
    for (const Case& c : cases) EXPECT_EQ(mapPixelToTile(c.pixel, kTile), c.expected) << c.pixel.x << "," << c.pixel.y;
}

TEST(MapPixels, EveryPixelHasExactlyOnePlaceAndNeighboursAreAdjacent) {
    for (int px = -3 * kTile.width; px <= 3 * kTile.width; ++px) {
        const TileLocation at = mapPixelToTile({px, px}, kTile);
        ASSERT_GE(at.ix, 0);
        ASSERT_LT(at.ix, kTile.width);
        ASSERT_GE(at.iy, 0);
        ASSERT_LT(at.iy, kTile.height);
        const PixelPoint back = mapPixelInTile({px, px}, at.tileX, at.tileY, kTile);
        ASSERT_EQ(back, (PixelPoint{at.ix, at.iy}));
        // The pixel east of it is one column on (or column 0 of the next tile); north is one row up.
        const TileLocation east = mapPixelToTile({px + 1, px}, kTile);
        ASSERT_EQ(east.ix + (east.tileX - at.tileX) * kTile.width, at.ix + 1);
        const TileLocation north = mapPixelToTile({px, px + 1}, kTile);
        ASSERT_EQ(north.iy - (north.tileY - at.tileY) * kTile.height, at.iy - 1);
    }
}

TEST(MapPixels, WorldToPixelTruncatesTowardZeroAndHoldsWildValuesOutside) {
    const double scale = 16.5;
    struct Case {
        double unitsFromOrigin;
        int expected;
    };
    const Case cases[] = {{0.0, 0},           {0.4 / scale, 0},    {0.5 / scale, 1},       {-0.5 / scale, 0},
                          {-1.7 / scale, -1}, {-2.6 / scale, -2},  {10.0, 165},            {1e300, PIXEL_LIMIT},
                          {-1e300, -PIXEL_LIMIT}, {NAN, PIXEL_LIMIT}};
    for (const Case& c : cases) {
        const PixelPoint pixel =
            mapWorldToPixel(100.0 + c.unitsFromOrigin, 50.0 + c.unitsFromOrigin, 100.0, 50.0, scale);
        EXPECT_EQ(pixel.x, c.expected) << c.unitsFromOrigin;
        EXPECT_EQ(pixel.y, c.expected) << c.unitsFromOrigin;
    }
    const TileLocation far = mapPixelToTile({PIXEL_LIMIT, -PIXEL_LIMIT}, {1, 1});
    EXPECT_FALSE(tileInIndexSpace(far.tileX, far.tileY));
}

TEST(MapFollow, FirstFixCentresTheWindow) {
    const MapState state = startedMap();
    EXPECT_EQ(state.liveView, (MapViewport{1000, 1000, 50, 40}));
    EXPECT_EQ(state.tileRange, (TileRange{false, 1000, 1001, 999, 1000}));
    EXPECT_TRUE(state.mapInitialised);
    expectCursorConsistent(state, {0, 0});
}

TEST(MapFollow, CursorStaysInsideTheBandAndOnItsPositionWhileWalking) {
    struct Walk {
        const char* name;
        int dx;
        int dy;
    };
    const Walk walks[] = {{"east", 3, 0}, {"west", -4, 0}, {"north", 0, 5}, {"south", 0, -2},
                          {"north-east", 7, 6}, {"south-west", -9, -11}, {"zigzag", 13, -1}};
    for (const Walk& w : walks) {
        MapState state = startedMap();
        for (int fix = 0; fix < 400; ++fix) {
            const int dy = std::string(w.name) == "zigzag" && fix % 20 >= 10 ? -w.dy : w.dy;
            const FixPlacement placed = walk(state, w.dx, dy);
            ASSERT_FALSE(placed.refused) << w.name;
            expectCursorConsistent(state, placed.pixel);
            const int band = state.cursorBandPixels;
            ASSERT_GE(state.cursorScreenX, band - std::abs(w.dx) - 1) << w.name << " fix " << fix;
            ASSERT_LE(state.cursorScreenX, kTile.width - band + std::abs(w.dx)) << w.name << " fix " << fix;
            ASSERT_GE(state.cursorScreenY, band - std::abs(w.dy) - 2) << w.name << " fix " << fix;
            ASSERT_LE(state.cursorScreenY, kTile.height - band + std::abs(w.dy)) << w.name << " fix " << fix;
            ASSERT_GE(state.liveView.offsetX, 0);
            ASSERT_LE(state.liveView.offsetX, kTile.width);
            ASSERT_GE(state.liveView.offsetY, 0);
            ASSERT_LE(state.liveView.offsetY, kTile.height);
        }
    }
}

TEST(MapFollow, StandingInsideTheWindowLeavesTheViewAlone) {
    MapState state = startedMap();
    const MapViewport before = state.liveView;
    for (int fix = 0; fix < 5; ++fix) EXPECT_FALSE(walk(state, fix % 2 ? 3 : -3, 0).viewChanged);
    EXPECT_EQ(state.liveView, before);
}

TEST(MapFollow, JumpOfManyTilesKeepsTheWindowOnThePosition) {
    MapState state = startedMap();
    walk(state, 45, 0);  // into the band: the view follows from here on
    const FixPlacement jumped = walk(state, 7 * kTile.width + 13, -5 * kTile.height - 3);
    ASSERT_FALSE(jumped.refused);
    expectCursorConsistent(state, jumped.pixel);
    EXPECT_GE(state.liveView.offsetX, 0);
    EXPECT_LE(state.liveView.offsetX, kTile.width);
}

TEST(MapFollow, ReanchorKeepsTheCrossHairWhereItWas) {
    MapState state = startedMap();
    for (int fix = 0; fix < 60; ++fix) walk(state, 3, 2);
    const int screenX = state.cursorScreenX;
    const int screenY = state.cursorScreenY;
    // A new map size: the same position now lies elsewhere in map pixels.
    const double e = state.originEasting + state.lastPixelX;
    const double n = state.originNorthing + state.lastPixelY;
    state.scale = 0.37;
    state.reanchorPending = true;
    const FixPlacement placed = placeLaterFix(state, e, n);
    EXPECT_FALSE(state.reanchorPending);
    EXPECT_EQ(state.cursorScreenX, screenX);
    EXPECT_EQ(state.cursorScreenY, screenY);
    expectCursorConsistent(state, placed.pixel);
}

TEST(MapFull, RangeBeyondTheLimitsMarksTheMapFull) {
    MapState state = startedMap();
    state.tiles = {4, 4};
    state.liveView = {1000, 1000, 2, 2};
    state.viewLeft = -1;
    state.viewRight = 2;
    state.viewBottom = -1;
    state.viewTop = 2;
    state.cursorScreenX = state.cursorScreenY = 1;
    state.cursorBandPixels = 1;
    int fixes = 0;
    while (state.mapFullState == 0 && fixes++ < 10000) walk(state, 4, 0);
    EXPECT_EQ(state.mapFullState, 1);
    EXPECT_GT(state.tileRange.lastTileX, TILE_LIMIT_HIGH);
    EXPECT_LT(state.tileRange.lastTileX, TILE_INDEX_COUNT);
}

TEST(MapFull, PositionBeyondTheIndexSpaceIsRefusedAndTheViewStays) {
    MapState state = startedMap();
    walk(state, 45, 0);
    const MapViewport before = state.liveView;
    const FixPlacement far = walk(state, 2000 * kTile.width, 0);
    EXPECT_TRUE(far.refused);
    EXPECT_FALSE(far.viewChanged);
    EXPECT_EQ(state.liveView, before);
    EXPECT_EQ(state.mapFullState, 1);
    EXPECT_TRUE(viewportInIndexSpace(state.liveView));
}

TEST(MapPan, StepsWithinAndAcrossTilesAndRefusesToLeaveTheRange) {
    EXPECT_EQ(panStep(76), 7);
    const TileRange range{false, 998, 1001, 998, 1001};
    struct Case {
        const char* name;
        MapViewport start;
        PanDirection direction;
        bool moves;
        MapViewport expected;
    };
    const Case cases[] = {
        {"right inside", {1000, 1000, 10, 10}, PanDirection::Right, true, {1000, 1000, 17, 10}},
        {"right to next column", {999, 1000, 95, 10}, PanDirection::Right, true, {1000, 1000, 2, 10}},
        {"right at last column", {1000, 1000, 95, 10}, PanDirection::Right, false, {1000, 1000, 95, 10}},
        {"left to previous column", {1000, 1000, 3, 10}, PanDirection::Left, true, {999, 1000, 96, 10}},
        {"left at first column", {998, 1000, 3, 10}, PanDirection::Left, false, {998, 1000, 3, 10}},
        {"up to the row north", {1000, 1000, 10, 3}, PanDirection::Up, true, {1000, 1001, 10, 76}},
        {"up at the top row", {1000, 1001, 10, 3}, PanDirection::Up, false, {1000, 1001, 10, 3}},
        {"down to the row south", {1000, 1000, 10, 78}, PanDirection::Down, true, {1000, 999, 10, 5}},
        {"down at the bottom rows", {1000, 999, 10, 78}, PanDirection::Down, false, {1000, 999, 10, 78}},
    };
    for (const Case& c : cases) {
        MapViewport view = c.start;
        EXPECT_EQ(panViewport(view, c.direction, 7, kTile, range), c.moves) << c.name;
        EXPECT_EQ(view, c.expected) << c.name;
    }
}

TEST(MapZoom, StepsOfFivePercentAlwaysChangeTheSize) {
    struct Case {
        long size;
        bool in;
        long expected;
    };
    const Case cases[] = {{1, true, 1},   {10, true, 9},   {10, false, 11}, {40, true, 38},
                          {40, false, 42}, {2, true, 1},    {1, false, 2},   {MAP_SIZE_MAX, false, MAP_SIZE_MAX}};
    for (const Case& c : cases) EXPECT_EQ(zoomedMapSize(c.size, c.in), c.expected) << c.size << (c.in ? " in" : " out");
}

TEST(MapFitAll, SizeFromTheSurveyBoxAndTheWholeBoxInTheWindow) {
    MapState state = startedMap();
    state.tiles = {600, 600};
    state.extendSurveyBox(500.0 - 60.0, 7000.0 - 10.0);
    state.extendSurveyBox(500.0 + 40.0, 7000.0 + 20.0);
    const std::optional<FitAll> fit = fitAllView(state, 1);
    ASSERT_TRUE(fit);
    EXPECT_EQ(fit->mapSize, 120);  // (int)(100.5 * 1.1 + 10)
    EXPECT_DOUBLE_EQ(fit->scale, 5.0);
    for (const auto& [e, n] : {std::pair{440.0, 6990.0}, std::pair{540.0, 7020.0}}) {
        const PixelPoint pixel = mapWorldToPixel(e, n, 500.0, 7000.0, fit->scale);
        const PixelPoint shown = windowPosition(fit->reviewView, pixel, state.tiles);
        EXPECT_GE(shown.x, 0);
        EXPECT_LE(shown.x, state.tiles.width);
        EXPECT_GE(shown.y, 0);
        EXPECT_LE(shown.y, state.tiles.height);
    }
    EXPECT_FALSE(fitAllView(MapState{}, 1));  // no position yet
}

TEST(MapGrid, LinesOfEachKindAndSpacing) {
    const TileSize size{200, 200};
    struct Case {
        const char* name;
        int gridType;
        double angle;
        bool vertical;
        bool horizontal;
        bool slanted;
    };
    const Case cases[] = {{"square grid", 0, -20.0, true, true, false},
                          {"parallel at 0", 1, 0.0, true, false, false},
                          {"parallel at 90", 1, 90.0, false, true, false},
                          {"parallel at -20", 1, -20.0, false, false, true}};
    for (const Case& c : cases) {
        // 2-unit interval, map size 40 on 200 pixels: 10 pixels apart.
        const GridLayout grid = computeGridLayout(c.gridType, c.angle, 2.0, size.width, 40);
        const std::vector<GridLine> lines = gridLinesOfTile(grid, 1003, 997, size);
        ASSERT_FALSE(lines.empty()) << c.name;
        std::set<int> columns;
        std::set<int> rows;
        bool slanted = false;
        for (const GridLine& line : lines) {
            if (line.x1 == line.x2) columns.insert(line.x1);
            else if (line.y1 == line.y2) rows.insert(line.y1);
            else slanted = true;
        }
        EXPECT_EQ(!columns.empty(), c.vertical) << c.name;
        EXPECT_EQ(!rows.empty(), c.horizontal) << c.name;
        EXPECT_EQ(slanted, c.slanted) << c.name;
        for (const std::set<int>* set : {&columns, &rows}) {
            if (set->empty()) continue;
            EXPECT_NEAR(double(set->size()), 20.0, 1.0) << c.name;
            EXPECT_EQ(*std::next(set->begin()) - *set->begin(), 10) << c.name;
        }
    }
}

TEST(MapGrid, SlantedLinesCarryOnIntoTheNeighbourTile) {
    const TileSize size{150, 150};
    const GridLayout grid = computeGridLayout(1, 30.0, 3.0, size.width, 40);
    EXPECT_EQ(grid.gridMode, 1);
    // A line's row at the tile's east edge (local x = W) is where it enters the next tile at x = 0.
    std::set<int> entering;
    for (const GridLine& line : gridLinesOfTile(grid, 1001, 1000, size)) {
        const double slopeRows = double(line.y2 - line.y1) / (line.x2 - line.x1);
        entering.insert(static_cast<int>(std::lround(line.y1 + slopeRows * 5)));
    }
    int matched = 0;
    for (const GridLine& line : gridLinesOfTile(grid, 1000, 1000, size)) {
        const double slopeRows = double(line.y2 - line.y1) / (line.x2 - line.x1);
        const int rowAtSeam = static_cast<int>(std::lround(line.y1 + slopeRows * (size.width + 5)));
        if (rowAtSeam < 0 || rowAtSeam >= size.height) continue;
        EXPECT_TRUE(entering.count(rowAtSeam) || entering.count(rowAtSeam - 1) || entering.count(rowAtSeam + 1))
            << rowAtSeam;
        ++matched;
    }
    EXPECT_GT(matched, 0);
}

TEST(MapGrid, TinySpacingIsCappedAndNoSpacingDrawsNothing) {
    const TileSize size{600, 600};
    const GridLayout dense = computeGridLayout(0, 0.0, 0.5, size.width, MAP_SIZE_MAX);
    EXPECT_EQ(gridLinesOfTile(dense, 1500, 500, size).size(), 2u * GRID_LINE_CAP);
    const GridLayout steep = computeGridLayout(1, 0.0001, 0.5, size.width, 40);
    const std::vector<GridLine> steepLines = gridLinesOfTile(steep, 1000, 1000, size);
    EXPECT_LE(steepLines.size(), size_t(GRID_LINE_CAP));
    for (const GridLine& line : steepLines) EXPECT_LT(std::abs(line.y1), 100 * size.height);
    EXPECT_TRUE(gridLinesOfTile(computeGridLayout(0, 0.0, 0.0, size.width, 40), 1000, 1000, size).empty());
}

TEST(MapTiles, LineWalkFindsEveryTileItCrossesOnly) {
    const TileSize size{10, 10};
    const auto tiles = tilesAlongLine({-15, -3}, {25, 14}, 0, size);
    std::set<std::pair<int, int>> found;
    for (const TileIndex t : tiles) found.insert({t.tileX, t.tileY});
    // Every pixel of the line lies in a listed tile.
    for (int i = 0; i <= 400; ++i) {
        const double t = i / 400.0;
        const PixelPoint p{static_cast<int>(std::lround(-15 + 40 * t)), static_cast<int>(std::lround(-3 + 17 * t))};
        const TileLocation at = mapPixelToTile(p, size);
        EXPECT_TRUE(found.count({at.tileX, at.tileY})) << p.x << "," << p.y;
    }
    EXPECT_LT(found.size(), 12u);  // not the whole 5 x 3 box
    // Ends far outside the index space: only tiles of the index space, bounded work.
    const auto clipped = tilesAlongLine({-PIXEL_LIMIT, 5}, {PIXEL_LIMIT, 5}, 1, size);
    for (const TileIndex t : clipped) EXPECT_TRUE(tileInIndexSpace(t.tileX, t.tileY));
    EXPECT_LE(clipped.size(), 2u * TILE_INDEX_COUNT);
}

TEST(MapSizeText, TypedValues) {
    struct Case {
        const char* text;
        long size;
        bool notPositive;
    };
    const Case cases[] = {{"40", 40, false}, {"12.9", 12, false}, {"0", 1, true},   {"-5", 1, true},
                          {"abc", 1, false}, {"", 1, false},      {"-", 1, false},  {"1e20", MAP_SIZE_MAX, false},
                          {" 25 ", 25, false}};
    for (const Case& c : cases) {
        EXPECT_EQ(mapSizeFromText(c.text), c.size) << c.text;
        EXPECT_EQ(mapSizeTextNotPositive(c.text), c.notPositive) << c.text;
    }
    EXPECT_EQ(mapSizeCaption(40, 0), "Map Size:   40 m");
    EXPECT_EQ(mapSizeCaption(120, 1), "Map Size:  120 ft");
    EXPECT_EQ(mapSizeCaption(7, 2), "Map Size:    7 US-ft");
    EXPECT_EQ(cursorBandPixelsFor(1, 510), 76);
}

TEST(MapSizeDecision, RefusesTooSmallRaisesTheIntervalAndNotesChanges) {
    MapState state = startedMap(100.0 / 40.0);
    state.extendSurveyBox(500.0 + 3000.0, 7000.0 - 500.0);  // 3 km east: 7500 px at size 40
    const MapSizeSettings before{40, 2.0, 1};
    struct Case {
        const char* name;
        MapSizeSettings entered;
        MapSizeVerdict verdict;
        MapSizeSettings kept;
        bool sizeChanged;
        bool intervalRaised;
    };
    const Case cases[] = {
        {"unchanged", {40, 2.0, 1}, MapSizeVerdict::Unchanged, before, false, false},
        {"too small", {1, 2.0, 1}, MapSizeVerdict::Refused, before, false, false},
        {"too small with other changes", {1, 0.2, 4}, MapSizeVerdict::Refused, before, false, false},
        {"larger", {80, 2.0, 1}, MapSizeVerdict::Accepted, {80, 2.0, 1}, true, false},
        {"band only", {40, 2.0, 3}, MapSizeVerdict::Accepted, {40, 2.0, 3}, false, false},
        {"interval too small", {40, 0.3, 1}, MapSizeVerdict::Accepted, {40, 0.5, 1}, false, true},
    };
    for (const Case& c : cases) {
        const MapSizeDecision decision = decideMapSize(before, c.entered, state);
        EXPECT_EQ(decision.verdict, c.verdict) << c.name;
        EXPECT_EQ(decision.settings, c.kept) << c.name;
        EXPECT_EQ(decision.sizeChanged, c.sizeChanged) << c.name;
        EXPECT_EQ(decision.intervalRaised, c.intervalRaised) << c.name;
    }
    // Without any position every size fits.
    MapState empty;
    empty.tiles = kTile;
    EXPECT_EQ(decideMapSize(before, {1, 2.0, 1}, empty).verdict, MapSizeVerdict::Accepted);
}
