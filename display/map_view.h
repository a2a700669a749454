#pragma once
// The plan map: everything drawn during a survey is kept in two layers of
// off-screen tiles the size of the map pane (base: grid and background
// files; survey: swath and position marks), and a window onto them is
// composed into an image that the map pane shows.
//
// Tiles are sparse: a tile that holds nothing but white (survey layer) or
// nothing but the grid (base layer) has no bitmap at all; it exists only as
// part of the tile range, and the grid of such a base tile is painted on
// demand into a small cache when a view shows it. Bitmaps are 16-bit
// (RGB565): half the memory of 32-bit ones, and every palette colour stays
// distinct.

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QString>
#include <array>
#include <cstddef>
#include <functional>
#include <list>
#include <unordered_map>

#include "config/survey_config.h"
#include "config/survey_context.h"
#include "display/map_geometry.h"
#include "display/palette.h"
#include "display/swath_surface.h"
#include "platform/operator_messages.h"
#include "platform/sound_player.h"

class QPainter;

namespace velox {

enum class MapLayer { Base, Survey };

// What the map asks of the logging screen. Unset hooks do nothing (and the
// map counts as visible, not in review).
struct MapHooks {
    std::function<bool()> mapViewActive;
    std::function<bool()> reviewActive;
    std::function<void()> redrawBackground;      // background files into the base layer
    std::function<void()> redrawSurvey;          // replay the data file into the survey layer
    std::function<void()> refillProfiles;        // the profile panes from the data file
    std::function<void()> captionChanged;        // the map size shown in the caption changed
    std::function<void()> repaintLoggingWindow;
    std::function<void()> windowChanged;         // the composed image changed: repaint the map pane
};

inline const QString MAP_MESSAGE_PLEASE_WAIT = QStringLiteral("Please Wait");
inline const QString MAP_MESSAGE_WAITING_FOR_GPS = QStringLiteral("Waiting for the first valid GPS position");

class MapView : public SwathSurface {
public:
    MapView(SurveyConfig& config, SurveyContext& context, const Palette& palette, QFont messageFont, QFont labelFont);

    MapHooks& hooks() { return hooks_; }
    const SurveyConfig& config() const { return config_; }
    void setSwath(SwathStepper* swath) { swath_ = swath; }
    // The map pane's client size, set by the layout: tiles are two pixels smaller.
    void setPaneSize(int width, int height);
    const QImage& window() const { return window_; }
    MapState& state() { return state_; }
    const MapState& state() const { return state_; }
    int mapFullState() const { return state_.mapFullState; }
    void setMapFullState(int fullState) { state_.mapFullState = fullState; }

    // Start of logging: all tiles dropped, the map waits for its first fix.
    void mapStartSurvey();
    // The first valid fix of a logging run becomes the origin.
    void setOrigin(double easting, double northing);
    void mapOnFix(bool loggingActive, double northing, double easting, double distanceMoved);
    void mapPan(PanDirection direction);
    void mapZoom(bool zoomIn);
    void mapFitAll();
    void mapEnterReview();
    void mapLeaveReview();
    // 0: grid repainted in every base tile; 1: survey layer cleared; 2: both.
    void mapRebuild(int mode);
    // Composes the live view with its cross-hair once the map has a position and is shown.
    void showLiveView();
    // The map-size dialog's values after OK (both as shown on opening and as entered).
    void applyMapSize(const MapSizeSettings& before, const MapSizeSettings& entered, OperatorMessages& messages,
                      SoundPlayer& sounds);
    // After a change of grid type, interval, angle or scale.
    void recomputeGrid();

    // The tile's bitmap, made when missing (the range widens to it); null outside the index space or when the
    // bitmap cannot be made.
    QImage* selectTile(int tileX, int tileY, MapLayer layer);
    void composeView(const MapViewport& view);

    void drawSegment(PixelPoint from, PixelPoint to, const QPen& pen);
    void drawLongLine(PixelPoint from, PixelPoint to, const QPen& pen);
    void drawDot(MapLayer layer, PixelPoint centre, int radius, const QPen& pen, const QBrush& brush);
    // markType 0..8: small, medium, large circles; squares; triangles. Background pen and brush, base layer.
    void drawMark(PixelPoint at, int markType, const QString& label = {});
    void drawCrossHair(int x, int y);
    void showMapMessage(const QString& text);
    // The replay progress: one more of the five dots, cycling.
    void advanceProgress();
    void setProgressDotPositions(const std::array<QPoint, 5>& centres) { progressDots_ = centres; }

    // Bytes held by tile bitmaps and the grid cache.
    std::size_t tileBytes() const;
    std::size_t tileBitmapCount() const { return baseTiles_.size() + surveyTiles_.size(); }

    // SwathSurface
    PixelPoint toPixel(double easting, double northing) const override { return state_.toPixel(easting, northing); }
    void drawPaletteSegment(PixelPoint from, PixelPoint to, int paletteIndex) override;
    void drawPositionDot(PixelPoint centre, int radius) override;
    void drawPositionLine(PixelPoint from, PixelPoint to, int width) override;

private:
    using TileStore = std::unordered_map<int, QImage>;

    bool mapViewActive() const { return !hooks_.mapViewActive || hooks_.mapViewActive(); }
    bool reviewActive() const { return hooks_.reviewActive && hooks_.reviewActive(); }
    static void call(const std::function<void()>& hook) {
        if (hook) hook();
    }
    TileStore& layerStore(MapLayer layer) { return layer == MapLayer::Base ? baseTiles_ : surveyTiles_; }
    const QImage* storedTile(MapLayer layer, int tileX, int tileY) const;
    const QImage& gridTile(int tileX, int tileY);
    void paintGrid(QImage& tile, int tileX, int tileY) const;
    void blitTile(int tileX, int tileY, int windowX, int windowY);
    void clearWindow();
    void refuse();
    void drawInTiles(MapLayer layer, const std::vector<TileIndex>& tiles,
                     const std::function<void(QPainter&, TileIndex)>& draw);
    void stampInTiles(MapLayer layer, PixelPoint low, PixelPoint high,
                      const std::function<void(QPainter&, PixelPoint)>& draw);
    void syncCursorBand();
    void setScaleFromMapSize();
    // The tile range after a change of scale: the survey box's tiles at the new scale and the view's.
    void resetRangeForScale(const MapViewport& view);
    // Everything drawn again at the current scale: grid, background files, the data file.
    void rebuildAtNewScale(const MapViewport& view);
    void composeLive();

    SurveyConfig& config_;
    SurveyContext& context_;
    const Palette& palette_;
    QFont messageFont_;
    QFont labelFont_;
    MapHooks hooks_;
    SwathStepper* swath_ = nullptr;
    MapState state_;
    int paneWidth_ = 3;
    int paneHeight_ = 3;
    QImage window_;
    QImage scratch_;  // sheet on which short survey primitives are drawn before they are stamped into tiles
    TileStore baseTiles_;
    TileStore surveyTiles_;
    // Grid-only base tiles painted for recent views, most recent first.
    std::list<std::pair<int, QImage>> gridCache_;
    std::array<QPoint, 5> progressDots_{};
    int progressDot_ = -1;
    // The live map size and scale while review zooms.
    long liveMapSize_ = 40;
    double liveScale_ = 1.0;
    int liveColourMapView_ = 0;
};

}  // namespace velox
