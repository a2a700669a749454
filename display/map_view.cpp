#include "display/map_view.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPolygon>
#include <QStringList>
#include <algorithm>
#include <cstdint>

#include "display/fonts.h"

namespace velox {

namespace {

constexpr QImage::Format TILE_FORMAT = QImage::Format_RGB16;
constexpr std::size_t GRID_CACHE_TILES = 8;
const QColor MESSAGE_GREY(0xA0, 0xA0, 0xA0);

int tileKey(int tileX, int tileY) { return tileX * TILE_INDEX_COUNT + tileY; }

// RGB565 to 32-bit, as Qt widens it (the top bits repeated), so that white stays white.
const std::array<uint32_t, 65536>& widenedColours() {
    static const std::array<uint32_t, 65536> table = [] {
        std::array<uint32_t, 65536> colours{};
        for (uint32_t c = 0; c < colours.size(); ++c) {
            const uint32_t r = (c >> 11) & 0x1F;
            const uint32_t g = (c >> 5) & 0x3F;
            const uint32_t b = c & 0x1F;
            colours[c] = 0xFF000000u | ((r << 3 | r >> 2) << 16) | ((g << 2 | g >> 4) << 8) | (b << 3 | b >> 2);
        }
        return colours;
    }();
    return table;
}

QPoint local(PixelPoint pixel, TileIndex tile, TileSize size) {
    const PixelPoint at = mapPixelInTile(pixel, tile.tileX, tile.tileY, size);
    return {at.x, at.y};
}

int crossHairArm(int cursorSize) { return cursorSize >= 5 ? 9 : std::max(cursorSize, 0) + 3; }

}  // namespace

MapView::MapView(SurveyConfig& config, SurveyContext& context, const Palette& palette, QFont messageFont,
                 QFont labelFont)
    : config_(config), context_(context), palette_(palette), messageFont_(std::move(messageFont)),
      labelFont_(std::move(labelFont)) {
    setPaneSize(paneWidth_, paneHeight_);
}

void MapView::setPaneSize(int width, int height) {
    width = std::max(width, 3);
    height = std::max(height, 3);
    context_.derived.mapPaneWidth = width;
    context_.derived.cursorBandPixels = cursorBandPixelsFor(config_.cursorBandIndex, width);
    state_.cursorBandPixels = context_.derived.cursorBandPixels;
    if (width == paneWidth_ && height == paneHeight_ && !window_.isNull()) return;
    paneWidth_ = width;
    paneHeight_ = height;
    state_.tiles = {width - 2, height - 2};
    setScaleFromMapSize();
    window_ = QImage(width, height, QImage::Format_RGB32);
    window_.fill(Qt::white);
    recomputeGrid();
    if (baseTiles_.empty() && surveyTiles_.empty() && !state_.mapInitialised) return;
    // Bitmaps of another size cannot be reused: draw everything again at the new scale.
    if (state_.mapInitialised) state_.reanchorPending = true;
    rebuildAtNewScale(state_.liveView);
}

void MapView::setScaleFromMapSize() {
    state_.scale = double(state_.tiles.width) / double(std::clamp(config_.mapSize, 1L, MAP_SIZE_MAX));
}

void MapView::syncCursorBand() { state_.cursorBandPixels = context_.derived.cursorBandPixels; }

void MapView::recomputeGrid() {
    state_.grid = computeGridLayout(config_.gridType, config_.linesAngle, config_.gridInterval, state_.tiles.width,
                                    std::clamp(config_.mapSize, 1L, MAP_SIZE_MAX));
    gridCache_.clear();
}

// --- tiles

const QImage* MapView::storedTile(MapLayer layer, int tileX, int tileY) const {
    const TileStore& store = layer == MapLayer::Base ? baseTiles_ : surveyTiles_;
    const auto found = store.find(tileKey(tileX, tileY));
    return found == store.end() ? nullptr : &found->second;
}

void MapView::paintGrid(QImage& tile, int tileX, int tileY) const {
    tile.fill(Qt::white);
    QPainter painter(&tile);
    painter.setPen(palette_.gridPen);
    for (const GridLine& line : gridLinesOfTile(state_.grid, tileX, tileY, state_.tiles))
        painter.drawLine(line.x1, line.y1, line.x2, line.y2);
}

const QImage& MapView::gridTile(int tileX, int tileY) {
    const int key = tileKey(tileX, tileY);
    const auto found =
        std::find_if(gridCache_.begin(), gridCache_.end(), [key](const auto& entry) { return entry.first == key; });
    if (found != gridCache_.end()) {
        gridCache_.splice(gridCache_.begin(), gridCache_, found);
        return gridCache_.front().second;
    }
    QImage tile;
    if (gridCache_.size() >= GRID_CACHE_TILES) {
        tile = std::move(gridCache_.back().second);  // reuse the oldest bitmap
        gridCache_.pop_back();
    } else {
        tile = QImage(state_.tiles.width, state_.tiles.height, TILE_FORMAT);
    }
    if (!tile.isNull()) paintGrid(tile, tileX, tileY);
    gridCache_.emplace_front(key, std::move(tile));
    return gridCache_.front().second;
}

QImage* MapView::selectTile(int tileX, int tileY, MapLayer layer) {
    if (!tileInIndexSpace(tileX, tileY)) return nullptr;
    TileStore& store = layerStore(layer);
    const int key = tileKey(tileX, tileY);
    if (const auto found = store.find(key); found != store.end()) return &found->second;
    QImage tile(state_.tiles.width, state_.tiles.height, TILE_FORMAT);
    if (tile.isNull()) return nullptr;  // out of memory: the primitive is not drawn there
    if (layer == MapLayer::Base)
        paintGrid(tile, tileX, tileY);
    else
        tile.fill(Qt::white);
    state_.tileRange.include(tileX, tileY);
    return &store.emplace(key, std::move(tile)).first->second;
}

std::size_t MapView::tileBytes() const {
    std::size_t bytes = 0;
    for (const auto& [key, tile] : baseTiles_) bytes += tile.sizeInBytes();
    for (const auto& [key, tile] : surveyTiles_) bytes += tile.sizeInBytes();
    for (const auto& [key, tile] : gridCache_) bytes += tile.sizeInBytes();
    return bytes;
}

void MapView::mapRebuild(int mode) {
    if (mode == 0 || mode == 2) {
        baseTiles_.clear();
        gridCache_.clear();
    }
    if (mode == 1 || mode == 2) surveyTiles_.clear();
}

// --- composition

void MapView::clearWindow() { window_.fill(Qt::white); }

// One tile placed at window position (windowX, windowY): the base copied, the survey combined by AND.
void MapView::blitTile(int tileX, int tileY, int windowX, int windowY) {
    if (!tileInIndexSpace(tileX, tileY)) return;
    state_.tileRange.include(tileX, tileY);
    const int x0 = std::max(0, windowX);
    const int x1 = std::min(window_.width(), windowX + state_.tiles.width);
    const int y0 = std::max(0, windowY);
    const int y1 = std::min(window_.height(), windowY + state_.tiles.height);
    if (x0 >= x1 || y0 >= y1) return;
    const QImage* stored = storedTile(MapLayer::Base, tileX, tileY);
    const QImage& base = stored ? *stored : gridTile(tileX, tileY);
    if (base.isNull()) return;
    const QImage* survey = storedTile(MapLayer::Survey, tileX, tileY);
    const auto& widen = widenedColours();
    for (int y = y0; y < y1; ++y) {
        const auto* baseRow = reinterpret_cast<const uint16_t*>(base.constScanLine(y - windowY)) + (x0 - windowX);
        auto* out = reinterpret_cast<uint32_t*>(window_.scanLine(y)) + x0;
        if (survey) {
            const auto* surveyRow =
                reinterpret_cast<const uint16_t*>(survey->constScanLine(y - windowY)) + (x0 - windowX);
            for (int i = 0; i < x1 - x0; ++i) out[i] = widen[baseRow[i]] & widen[surveyRow[i]];
        } else {
            for (int i = 0; i < x1 - x0; ++i) out[i] = widen[baseRow[i]];
        }
    }
}

void MapView::composeView(const MapViewport& view) {
    const int w = state_.tiles.width;
    const int h = state_.tiles.height;
    clearWindow();
    blitTile(view.tileX, view.tileY, -view.offsetX, -view.offsetY);
    blitTile(view.tileX + 1, view.tileY, w - view.offsetX, -view.offsetY);
    blitTile(view.tileX, view.tileY - 1, -view.offsetX, h - view.offsetY);
    blitTile(view.tileX + 1, view.tileY - 1, w - view.offsetX, h - view.offsetY);
    call(hooks_.windowChanged);
}

void MapView::showLiveView() {
    if (state_.mapInitialised && mapViewActive()) composeLive();
}

void MapView::composeLive() {
    composeView(state_.liveView);
    drawCrossHair(state_.cursorScreenX, state_.cursorScreenY);
}

// --- survey and view operations

void MapView::mapStartSurvey() {
    baseTiles_.clear();
    surveyTiles_.clear();
    gridCache_.clear();
    syncCursorBand();
    startSurveyState(state_, paneWidth_, paneHeight_, config_.mapSize);
    liveMapSize_ = config_.mapSize;
    liveScale_ = state_.scale;
    recomputeGrid();
    if (context_.ports.gpsEnabled) showMapMessage(MAP_MESSAGE_WAITING_FOR_GPS);
}

void MapView::setOrigin(double easting, double northing) {
    state_.originEasting = easting;
    state_.originNorthing = northing;
    state_.clearSurveyBox();
    state_.extendSurveyBox(easting, northing);
}

void MapView::mapOnFix(bool loggingActive, double northing, double easting, double distanceMoved) {
    if (reviewActive()) return;
    syncCursorBand();
    if (!state_.mapInitialised) {
        placeFirstFix(state_, easting, northing);
        context_.gpsFix.surveyBox = state_.surveyBox;
        composeLive();
        return;
    }
    const FixPlacement placement = placeLaterFix(state_, easting, northing);
    context_.gpsFix.surveyBox = state_.surveyBox;
    if (placement.viewChanged) state_.tileRange.includeViewport(state_.liveView);
    if (loggingActive && distanceMoved > 0 && swath_) swath_->swathStep(northing, easting);
    if (mapViewActive()) composeLive();
    finishFix(state_, placement.pixel);
}

void MapView::mapPan(PanDirection direction) {
    const bool review = reviewActive();
    MapViewport& view = review ? state_.reviewView : state_.liveView;
    syncCursorBand();
    const int step = panStep(state_.cursorBandPixels);
    if (!panViewport(view, direction, step, state_.tiles, state_.tileRange)) return;
    if (!review) shiftFollowWindow(state_, direction, step);
    composeView(view);
}

void MapView::resetRangeForScale(const MapViewport& view) {
    state_.tileRange = {};
    const SurveyBox& box = state_.surveyBox;
    if (state_.surveyBoxSet) {
        const PixelPoint corners[] = {toPixel(box.minEasting, box.minNorthing),
                                      toPixel(box.maxEasting, box.maxNorthing)};
        for (const PixelPoint corner : corners) {
            const TileLocation at = mapPixelToTile(corner, state_.tiles);
            if (tileInIndexSpace(at.tileX, at.tileY)) state_.tileRange.include(at.tileX, at.tileY);
        }
    }
    if (viewportInIndexSpace(view)) state_.tileRange.includeViewport(view);
}

void MapView::rebuildAtNewScale(const MapViewport& view) {
    clearWindow();
    if (mapViewActive()) showMapMessage(MAP_MESSAGE_PLEASE_WAIT);
    recomputeGrid();
    resetRangeForScale(view);
    mapRebuild(2);
    call(hooks_.redrawBackground);
    call(hooks_.redrawSurvey);
}

void MapView::mapZoom(bool zoomIn) {
    if (!reviewActive()) return;
    config_.mapSize = zoomedMapSize(config_.mapSize, zoomIn);
    setScaleFromMapSize();
    call(hooks_.captionChanged);
    rebuildAtNewScale(state_.reviewView);
    composeView(state_.reviewView);
}

void MapView::mapFitAll() {
    if (!reviewActive()) return;
    const std::optional<FitAll> fit = fitAllView(state_, config_.cursorBandIndex);
    if (!fit) return;
    config_.mapSize = fit->mapSize;
    state_.scale = fit->scale;
    state_.viewLeft = fit->viewLeft;
    state_.viewRight = fit->viewRight;
    state_.viewBottom = fit->viewBottom;
    state_.viewTop = fit->viewTop;
    state_.reviewView = fit->reviewView;
    call(hooks_.captionChanged);
    rebuildAtNewScale(state_.reviewView);
    composeView(state_.reviewView);
}

void MapView::mapEnterReview() {
    liveMapSize_ = config_.mapSize;
    liveScale_ = state_.scale;
    liveColourMapView_ = config_.colourMapView;
    state_.reviewView = state_.liveView;
}

void MapView::mapLeaveReview() {
    config_.mapSize = liveMapSize_;
    state_.scale = liveScale_;
    config_.colourMapView = liveColourMapView_;
    call(hooks_.captionChanged);
    rebuildAtNewScale(state_.liveView);
    call(hooks_.refillProfiles);
    state_.reanchorPending = true;
}

void MapView::applyMapSize(const MapSizeSettings& before, const MapSizeSettings& entered, OperatorMessages& messages,
                           SoundPlayer& sounds) {
    const MapSizeDecision decision = decideMapSize(before, entered, state_);
    if (decision.verdict == MapSizeVerdict::Refused) {
        sounds.playSound(SOUND_RING, false);
        messages.show("WARNING", "Map Size too small\r\nPlease select Map Size option\r\nand increase the map size",
                      MessageButtons::Ok);
        return;
    }
    const MapSizeSettings& kept = decision.settings;
    config_.mapSize = kept.mapSize;
    config_.gridInterval = kept.gridInterval;
    config_.cursorBandIndex = kept.cursorBandIndex;
    context_.derived.cursorBandPixels = cursorBandPixelsFor(kept.cursorBandIndex, paneWidth_);
    syncCursorBand();
    setScaleFromMapSize();
    if (decision.verdict == MapSizeVerdict::Unchanged) {
        saveSettings(context_.variant, config_);
        return;
    }
    state_.mapFullState = 0;
    if (decision.intervalRaised)
        messages.show("INFORMATION", "Grid Interval must be >= 0.5 of map unit. Program assumed minimum value.",
                      MessageButtons::Ok);
    saveSettings(context_.variant, config_);
    call(hooks_.repaintLoggingWindow);
    if (decision.sizeChanged) {
        liveMapSize_ = config_.mapSize;
        liveScale_ = state_.scale;
        state_.reanchorPending = state_.mapInitialised;
        rebuildAtNewScale(state_.liveView);
        call(hooks_.refillProfiles);
        return;
    }
    if (!decision.boxTiles.empty) {
        state_.tileRange.include(decision.boxTiles.firstTileX, decision.boxTiles.firstTileY);
        state_.tileRange.include(decision.boxTiles.lastTileX, decision.boxTiles.lastTileY);
    }
    clearWindow();
    if (mapViewActive()) showMapMessage(MAP_MESSAGE_PLEASE_WAIT);
    recomputeGrid();
    mapRebuild(0);
    call(hooks_.redrawBackground);
    call(hooks_.refillProfiles);
    if (state_.mapInitialised) composeLive();
}

// --- drawing primitives

void MapView::refuse() {
    if (state_.mapFullState == 0) state_.mapFullState = 1;
}

void MapView::drawInTiles(MapLayer layer, const std::vector<TileIndex>& tiles,
                          const std::function<void(QPainter&, TileIndex)>& draw) {
    for (const TileIndex tile : tiles) {
        QImage* image = selectTile(tile.tileX, tile.tileY, layer);
        if (!image) continue;
        QPainter painter(image);
        draw(painter, tile);
    }
}

// Short primitives are drawn once on a scratch sheet and stamped into every tile they reach, so that the
// painter's clipping at tile edges cannot shift a pixel: the pieces meet exactly at the seams.
void MapView::stampInTiles(MapLayer layer, PixelPoint low, PixelPoint high,
                           const std::function<void(QPainter&, PixelPoint)>& draw) {
    const int width = high.x - low.x + 1;
    const int height = high.y - low.y + 1;
    if (scratch_.width() < width || scratch_.height() < height)
        scratch_ = QImage(std::max(width, scratch_.width()), std::max(height, scratch_.height()),
                          QImage::Format_ARGB32_Premultiplied);
    if (scratch_.isNull()) return;
    for (int y = 0; y < height; ++y) std::fill_n(reinterpret_cast<uint32_t*>(scratch_.scanLine(y)), width, 0u);
    {
        QPainter painter(&scratch_);
        draw(painter, {low.x, high.y});  // the sheet's north-west corner in map pixels
    }
    const TileSize size = state_.tiles;
    for (const TileIndex tile : tilesOfBox(low, high, size)) {
        const PixelPoint corner = mapPixelInTile({low.x, high.y}, tile.tileX, tile.tileY, size);
        const int x0 = std::max(0, corner.x);
        const int x1 = std::min(size.width, corner.x + width);
        const int y0 = std::max(0, corner.y);
        const int y1 = std::min(size.height, corner.y + height);
        if (x0 >= x1 || y0 >= y1) continue;
        bool painted = false;
        for (int y = y0; y < y1 && !painted; ++y) {
            const auto* sheet = reinterpret_cast<const uint32_t*>(scratch_.constScanLine(y - corner.y)) - corner.x;
            for (int x = x0; x < x1 && !painted; ++x) painted = sheet[x] != 0;
        }
        if (!painted) continue;
        QImage* image = selectTile(tile.tileX, tile.tileY, layer);
        if (!image) continue;
        for (int y = y0; y < y1; ++y) {
            const auto* sheet = reinterpret_cast<const uint32_t*>(scratch_.constScanLine(y - corner.y)) - corner.x;
            auto* out = reinterpret_cast<uint16_t*>(image->scanLine(y));
            for (int x = x0; x < x1; ++x) {
                const uint32_t c = sheet[x];
                if (c == 0) continue;
                out[x] = uint16_t(((c >> 19) & 0x1F) << 11 | ((c >> 10) & 0x3F) << 5 | ((c >> 3) & 0x1F));
            }
        }
    }
}

void MapView::drawSegment(PixelPoint from, PixelPoint to, const QPen& pen) {
    if (!boxInIndexSpace(from, to, state_.tiles)) return refuse();
    const int reach = pen.width() + 1;
    const PixelPoint low{std::min(from.x, to.x) - reach, std::min(from.y, to.y) - reach};
    const PixelPoint high{std::max(from.x, to.x) + reach, std::max(from.y, to.y) + reach};
    if (high.x - low.x > 4 * state_.tiles.width || high.y - low.y > 4 * state_.tiles.height) {
        // Longer than a segment of the swath: drawn tile by tile along its way.
        const TileSize size = state_.tiles;
        drawInTiles(MapLayer::Survey, tilesAlongLine(from, to, reach, size), [&](QPainter& painter, TileIndex tile) {
            painter.setPen(pen);
            painter.drawLine(local(from, tile, size), local(to, tile, size));
        });
        return;
    }
    stampInTiles(MapLayer::Survey, low, high, [&](QPainter& painter, PixelPoint corner) {
        painter.setPen(pen);
        painter.drawLine(QPoint(from.x - corner.x, corner.y - from.y), QPoint(to.x - corner.x, corner.y - to.y));
    });
}

void MapView::drawLongLine(PixelPoint from, PixelPoint to, const QPen& pen) {
    const TileSize size = state_.tiles;
    // Ends far outside a tile are brought nearer along the line, so that the painter gets modest coordinates.
    const int reach = 4 * (size.width + size.height);
    const std::vector<TileIndex> tiles = tilesAlongLine(from, to, pen.width() + 1, size);
    drawInTiles(MapLayer::Base, tiles, [&](QPainter& painter, TileIndex tile) {
        QLineF line(local(from, tile, size), local(to, tile, size));
        const QRectF near(-reach, -reach, size.width + 2.0 * reach, size.height + 2.0 * reach);
        if (!near.contains(line.p1()) || !near.contains(line.p2())) {
            const auto clip = [&](double t) { return line.pointAt(t); };
            double enter = 0.0;
            double leave = 1.0;
            const QPointF d = line.p2() - line.p1();
            const double p[4] = {-d.x(), d.x(), -d.y(), d.y()};
            const double q[4] = {line.p1().x() - near.left(), near.right() - line.p1().x(),
                                 line.p1().y() - near.top(), near.bottom() - line.p1().y()};
            for (int i = 0; i < 4; ++i) {
                if (p[i] == 0.0) {
                    if (q[i] < 0) return;
                    continue;
                }
                const double t = q[i] / p[i];
                if (p[i] < 0) enter = std::max(enter, t);
                else leave = std::min(leave, t);
            }
            if (enter > leave) return;
            line = QLineF(clip(enter), clip(leave));
        }
        painter.setPen(pen);
        painter.drawLine(line);
    });
}

void MapView::drawDot(MapLayer layer, PixelPoint centre, int radius, const QPen& pen, const QBrush& brush) {
    const TileLocation at = mapPixelToTile(centre, state_.tiles);
    if (layer == MapLayer::Survey && !tileInIndexSpace(at.tileX, at.tileY)) return refuse();
    const int r = std::clamp(radius, 0, 64);
    const int reach = r + 1 + pen.width();
    stampInTiles(layer, {centre.x - reach, centre.y - reach}, {centre.x + reach, centre.y + reach},
                 [&](QPainter& painter, PixelPoint corner) {
                     painter.setPen(pen);
                     painter.setBrush(brush);
                     const QPoint c(centre.x - corner.x, corner.y - centre.y);
                     painter.drawEllipse(QRect(c.x() - r - 1, c.y() - r - 1, 2 * r + 2, 2 * r + 2));
                 });
}

void MapView::drawMark(PixelPoint at, int markType, const QString& label) {
    if (markType < 0 || markType > 8) return;
    const int shape = markType / 3;  // circles, squares, triangles
    const int sizeStep = markType % 3;
    const int r = shape == 0 ? sizeStep + 1 : sizeStep + 2;
    const QFontMetrics metrics(labelFont_);
    const int labelWidth = label.isEmpty() ? 0 : metrics.horizontalAdvance(label) + 2;
    const int labelHeight = label.isEmpty() ? 0 : metrics.height() + 1;
    const int reach = r + 3;
    const TileSize size = state_.tiles;
    const PixelPoint low{at.x - reach, at.y - std::max(reach, labelHeight)};
    const PixelPoint high{at.x + reach + labelWidth, at.y + reach};
    drawInTiles(MapLayer::Base, tilesOfBox(low, high, size), [&](QPainter& painter, TileIndex tile) {
        const QPoint c = local(at, tile, size);
        painter.setPen(palette_.backgroundPens[0]);
        painter.setBrush(palette_.backgroundBrush);
        if (shape == 0) {
            painter.drawEllipse(QRect(c.x() - r - 1, c.y() - r - 1, 2 * r + 2, 2 * r + 2));
        } else if (shape == 1) {
            painter.drawRect(QRect(c.x() - r, c.y() - r, 2 * r, 2 * r));
        } else {
            const QPoint apex(c.x(), c.y() - r);
            painter.drawPolygon(QPolygon({apex, QPoint(c.x() + r, c.y() + r), QPoint(c.x() - r, c.y() + r)}));
        }
        if (label.isEmpty()) return;
        painter.setFont(labelFont_);
        painter.setBackgroundMode(Qt::TransparentMode);
        painter.drawText(QPoint(c.x() + 1 + sizeStep, c.y() + metrics.ascent()), label);
    });
}

void MapView::drawCrossHair(int x, int y) {
    const int arm = crossHairArm(config_.cursorSize);
    QPainter painter(&window_);
    painter.setPen(palette_.crossHairPen);
    painter.drawLine(x - arm, y, x + arm, y);
    painter.drawLine(x, y - arm, x, y + arm);
}

void MapView::showMapMessage(const QString& text) {
    clearWindow();
    progressDot_ = -1;
    // On a small pane the message font is made smaller until the text fits.
    const QFont font = fittedFont(messageFont_, {text}, state_.tiles.width - 4);
    QPainter painter(&window_);
    painter.setFont(font);
    painter.setPen(MESSAGE_GREY);
    painter.setBackgroundMode(Qt::TransparentMode);
    const QFontMetrics metrics(font);
    const int x = (state_.tiles.width - 1) / 2 - metrics.horizontalAdvance(text) / 2;
    const int top = (state_.tiles.height - 1) / 2;
    painter.drawText(QPoint(x, top + metrics.ascent()), text);
    call(hooks_.windowChanged);
}

void MapView::advanceProgress() {
    if (progressDots_ == std::array<QPoint, 5>{}) {
        const int below = QFontMetrics(messageFont_).height() + 16;
        const QPoint centre((state_.tiles.width - 1) / 2, (state_.tiles.height - 1) / 2 + below);
        for (int i = 0; i < 5; ++i) progressDots_[i] = centre + QPoint((i - 2) * 16, 0);
    }
    progressDot_ = (progressDot_ + 1) % 5;
    QPainter painter(&window_);
    painter.setPen(MESSAGE_GREY);
    for (int i = 0; i < 5; ++i) {
        painter.setBrush(i <= progressDot_ ? QBrush(MESSAGE_GREY) : QBrush(Qt::white));
        painter.drawEllipse(progressDots_[i], 4, 4);
    }
    call(hooks_.windowChanged);
}

// --- the swath's surface

void MapView::drawPaletteSegment(PixelPoint from, PixelPoint to, int paletteIndex) {
    if (paletteIndex < 0 || paletteIndex >= PALETTE_SIZE) return;
    drawSegment(from, to, palette_.colourPens[paletteIndex]);
}

void MapView::drawPositionDot(PixelPoint centre, int radius) {
    drawDot(MapLayer::Survey, centre, radius, palette_.positionPen1, palette_.positionBrush);
}

void MapView::drawPositionLine(PixelPoint from, PixelPoint to, int width) {
    drawSegment(from, to, width >= 2 ? palette_.positionPen2 : palette_.positionPen1);
}

}  // namespace velox
