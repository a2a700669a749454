#include "display/swath.h"

#include <algorithm>
#include <cmath>
#include <optional>


namespace velox {

namespace {

constexpr double FEET_PER_METRE_DIVISOR = 0.3048;
// The path history keeps at most 41 entries: once it holds 40, the oldest 11 go.
constexpr size_t PATH_DROP_AT = 40;
constexpr size_t PATH_DROP_COUNT = 11;
// Entries before the leg the sensor is on are dropped once there are this many.
constexpr size_t PATH_KEEP_BEHIND = 12;

std::optional<std::pair<double, double>> unitVector(double dx, double dy) {
    const double length = std::hypot(dx, dy);
    if (!(length > 0.0) || !std::isfinite(length)) return std::nullopt;
    return std::pair{dx / length, dy / length};
}

double pixelDistance(PixelPoint a, PixelPoint b) {
    return std::hypot(static_cast<double>(b.x) - a.x, static_cast<double>(b.y) - a.y);
}

PixelPoint pointAlong(PixelPoint from, PixelPoint to, double fraction) {
    return {static_cast<int>(from.x + fraction * (static_cast<double>(to.x) - from.x)),
            static_cast<int>(from.y + fraction * (static_cast<double>(to.y) - from.y))};
}

PixelPoint midpoint(PixelPoint a, PixelPoint b) { return {(a.x + b.x) / 2, (a.y + b.y) / 2}; }

int readingColour(int index) { return std::clamp(index, 0, LAST_COLOUR); }

}  // namespace

int swathSensorCount(const Variant& variant, const SurveyConfig& config) {
    const InstrumentType type = variant.instrumentType;
    const bool twoPossible = type == InstrumentType::Em61Lx2 || type == InstrumentType::Grad601;
    return twoPossible && config.sensorCountIndex >= 1 ? 2 : 1;
}

void drawSwathStrip(SwathSurface& surface, const SwathBar& from, const SwathBar& to, std::span<const int> entries,
                    int sensorCount) {
    if (entries.empty()) return;
    const double longest = std::max(pixelDistance(from.left, to.left), pixelDistance(from.right, to.right));
    if (!(longest < MAX_STRIP_LINES)) return;
    const int n = static_cast<int>(longest);
    const double entryCount = static_cast<double>(entries.size());
    for (int i = 0; i < n; ++i) {
        const double fraction = static_cast<double>(i) / n;
        const PixelPoint a = pointAlong(from.left, to.left, fraction);
        const PixelPoint b = pointAlong(from.right, to.right, fraction);
        // Every entry gets an equal share of the strip, the last one included.
        const auto slot = static_cast<size_t>(i * entryCount / n);
        const int entry = std::max(0, entries[std::min(slot, entries.size() - 1)]);
        if (sensorCount == 2) {
            const PixelPoint m = midpoint(a, b);
            surface.drawPaletteSegment(a, m, readingColour(entry % SECOND_SENSOR_COLOUR_FACTOR));
            surface.drawPaletteSegment(m, b, readingColour(entry / SECOND_SENSOR_COLOUR_FACTOR));
        } else {
            surface.drawPaletteSegment(a, b, readingColour(entry));
        }
    }
}

void drawPositionMarks(SwathSurface& surface, const SwathBar& bar, int sensorCount, int positionSize) {
    const int size = std::clamp(positionSize, 0, 5);
    if (size >= 4) {
        surface.drawPositionLine(bar.left, bar.right, size == 4 ? 1 : 2);
        return;
    }
    const PixelPoint centre = midpoint(bar.left, bar.right);
    if (sensorCount == 2) {
        surface.drawPositionDot(midpoint(bar.left, centre), size);
        surface.drawPositionDot(midpoint(centre, bar.right), size);
    } else {
        surface.drawPositionDot(centre, size);
    }
}

ColourSwath::ColourSwath(const SurveyConfig& config, const SurveyContext& context)
    : config_(config), context_(context) {
    updateScale();
}

void ColourSwath::updateScale() { scale_.update(context_.variant.instrumentType, config_); }

int ColourSwath::colourIndexOf(double value) const {
    return scale_.colourIndexOf(value, showsInphase(context_.variant.instrumentType, config_.colourMapView));
}

void ColourSwath::swathReset() {
    state_ = 0;
    path_.clear();
    buffer_.reset();
}

// The offset is kept in metres; the map may be in feet, as the swath edges are.
double ColourSwath::alongTrackOffset() const {
    const double metres = context_.derived.workingGpsOffsetY;
    const bool convert = !isConductivityMeter(context_.variant.instrumentType) && config_.mapUnits != UNITS_METRES;
    return convert ? metres / FEET_PER_METRE_DIVISOR : metres;
}

void ColourSwath::swathStep(double northing, double easting) {
    if (!std::isfinite(northing) || !std::isfinite(easting)) return;
    const double offset = alongTrackOffset();
    if (offset > 0.0)
        stepTrailing({easting, northing}, offset);
    else
        stepLevelOrAhead({easting, northing}, offset);
}

void ColourSwath::stepLevelOrAhead(const MapPoint& fix, double offset) {
    if (state_ == 0) {
        previousFix_ = fix;
        state_ = 1;
        startSwath();
        return;
    }
    const auto u = unitVector(fix.easting - previousFix_.easting, fix.northing - previousFix_.northing);
    if (!u) return;
    path_.clear();  // only a trailing sensor follows the path
    const MapPoint direction{u->first, u->second};
    if (state_ == 1)
        firstPair(previousFix_, fix, direction, offset);
    else
        nextBar({fix.easting - offset * direction.easting, fix.northing - offset * direction.northing}, direction);
    previousFix_ = fix;
}

void ColourSwath::stepTrailing(const MapPoint& fix, double offset) {
    if (state_ == 0) {
        path_.assign(1, PathEntry{fix, 0.0});
        previousFix_ = fix;
        state_ = 1;
        startSwath();
        return;
    }
    // The offset turned positive during a swath: the path starts at the previous fix.
    if (path_.empty()) path_.assign(1, PathEntry{previousFix_, 0.0});
    const PathEntry last = path_.back();
    const double step = std::hypot(fix.easting - last.point.easting, fix.northing - last.point.northing);
    if (!(step > 0.0) || !std::isfinite(step)) return;
    const size_t heldBefore = path_.size();
    path_.push_back({fix, last.distance + step});

    previousFix_ = fix;
    if (state_ == 1) {
        const MapPoint first = path_.front().point;
        const auto u = unitVector(fix.easting - first.easting, fix.northing - first.northing);
        firstPair(first, fix, {u->first, u->second}, offset);
        return;
    }
    if (heldBefore >= PATH_DROP_AT) path_.erase(path_.begin(), path_.begin() + PATH_DROP_COUNT);
    MapPoint direction;
    const MapPoint sensor = trailingSensorPoint(offset, direction);
    nextBar(sensor, direction);
}

// The point `offset` behind the newest entry along the travelled path, and
// the direction of the leg it lies on. Past the oldest entry the first leg is
// extended backwards.
ColourSwath::MapPoint ColourSwath::trailingSensorPoint(double offset, MapPoint& direction) {
    auto legDirection = [&](size_t to) {
        const MapPoint& a = path_[to - 1].point;
        const MapPoint& b = path_[to].point;
        const double length = path_[to].distance - path_[to - 1].distance;
        return MapPoint{(b.easting - a.easting) / length, (b.northing - a.northing) / length};
    };
    const double newest = path_.back().distance;
    const double pathLength = newest - path_.front().distance;
    if (offset > pathLength) {
        direction = legDirection(1);
        const MapPoint& first = path_.front().point;
        const double behind = offset - pathLength;
        return {first.easting - behind * direction.easting, first.northing - behind * direction.northing};
    }
    size_t i = 1;
    while (newest - path_[i].distance > offset) ++i;
    direction = legDirection(i);
    const double back = offset - (newest - path_[i].distance);
    const MapPoint& end = path_[i].point;
    const MapPoint sensor{end.easting - back * direction.easting, end.northing - back * direction.northing};
    if (i >= PATH_KEEP_BEHIND) path_.erase(path_.begin(), path_.begin() + static_cast<std::ptrdiff_t>(i - 1));
    return sensor;
}

void ColourSwath::startSwath() {
    if (writeRecord_) writeRecord_(0, 0.0, 0.0, 0.0, 0.0);
}

// The first strip of a swath: both bars behind their fixes along the first leg.
void ColourSwath::firstPair(const MapPoint& previousFix, const MapPoint& fix, const MapPoint& direction,
                            double offset) {
    auto sensorBehind = [&](const MapPoint& p) {
        return MapPoint{p.easting - offset * direction.easting, p.northing - offset * direction.northing};
    };
    const MapBar previous = barAt(sensorBehind(previousFix), direction);
    const MapBar current = barAt(sensorBehind(fix), direction);
    record(1, previous);
    record(2, current);
    const SwathBar from = pixelsOf(previous);
    const SwathBar to = pixelsOf(current);
    if (config_.colourMapView > 0) {
        paint(from, to);
    } else {
        mark(from);
        mark(to);
    }
    previousBar_ = to;
    state_ = 2;
}

void ColourSwath::nextBar(const MapPoint& sensor, const MapPoint& direction) {
    const MapBar current = barAt(sensor, direction);
    record(2, current);
    const SwathBar to = pixelsOf(current);
    if (config_.colourMapView > 0)
        paint(previousBar_, to);
    else
        mark(to);
    previousBar_ = to;
    state_ = 3;
}

ColourSwath::MapBar ColourSwath::barAt(const MapPoint& sensor, const MapPoint& u) const {
    const double left = context_.derived.swathToLeftEdgeMap;
    const double right = context_.derived.swathToRightEdgeMap;
    return {{sensor.easting - left * u.northing, sensor.northing + left * u.easting},
            {sensor.easting + right * u.northing, sensor.northing - right * u.easting}};
}

SwathBar ColourSwath::pixelsOf(const MapBar& bar) const {
    if (!surface_) return {};
    return {surface_->toPixel(bar.left.easting, bar.left.northing),
            surface_->toPixel(bar.right.easting, bar.right.northing)};
}

void ColourSwath::record(int n, const MapBar& bar) {
    if (writeRecord_) writeRecord_(n, bar.left.easting, bar.left.northing, bar.right.easting, bar.right.northing);
}

void ColourSwath::paint(const SwathBar& from, const SwathBar& to) {
    if (surface_)
        drawSwathStrip(*surface_, from, to, buffer_.finishedEntries(), swathSensorCount(context_.variant, config_));
}

void ColourSwath::mark(const SwathBar& bar) {
    if (surface_) drawPositionMarks(*surface_, bar, swathSensorCount(context_.variant, config_), config_.positionSize);
}

}  // namespace velox
