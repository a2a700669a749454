#include "app/instrument_sketch.h"

#include <algorithm>
#include <cmath>

namespace velox {

namespace {

// The stored offsets are not range-checked; a value that is no number
// draws as zero instead of poisoning the whole sketch.
double finiteOr0(double v) { return std::isfinite(v) ? v : 0.0; }

// Share of the box that instrument and antenna may take.
constexpr double kFill = 0.6;
// Slim instruments stay visible however far the antenna is.
constexpr double kMinBodyPixels = 6.0;

RectF centredRect(PointF c, double width, double height) {
    return {c.x - width / 2, c.y - height / 2, width, height};
}

double extent(double size, double offset) {
    const double a = std::fabs(offset);
    return a > size / 2 ? a + size / 2 : size;
}

// Middle of the span covered by an instrument of `size` centred at 0 and a
// point at `offset`.
double spanMiddle(double size, double offset) {
    return (std::min(-size / 2, offset) + std::max(size / 2, offset)) / 2;
}

std::vector<SketchShape> drawBody(InstrumentType type, const SurveyConfig& config, const InstrumentSize& size,
                                  PointF c, double scale) {
    const double w = size.across * scale;
    const double h = size.along * scale;
    std::vector<SketchShape> shapes;
    switch (type) {
        case InstrumentType::Em61Lx2:
            if (config.sensorCountIndex == 1) {
                // Two coils side by side, 10 pixels apart.
                const double coil = std::max(1.0, w / 2 - 5);
                shapes.push_back({ShapeKind::Rectangle, {c.x - 5 - coil, c.y - h / 2, coil, h}});
                shapes.push_back({ShapeKind::Rectangle, {c.x + 5, c.y - h / 2, coil, h}});
            } else {
                shapes.push_back({ShapeKind::Rectangle, centredRect(c, w, h)});
            }
            break;
        case InstrumentType::Em61Mk2: shapes.push_back({ShapeKind::Rectangle, centredRect(c, w, h)}); break;
        case InstrumentType::Em31Mk2:
            shapes.push_back({ShapeKind::RoundedRectangle, centredRect(c, std::max(w, kMinBodyPixels), h)});
            shapes.push_back({ShapeKind::Ellipse, centredRect(c, std::max(3 * w, 16.0), std::max(0.1 * h, 10.0))});
            break;
        case InstrumentType::Em38:
        case InstrumentType::Em38Mk2:
            shapes.push_back({ShapeKind::RoundedRectangle, centredRect(c, std::max(w, kMinBodyPixels), h)});
            break;
        case InstrumentType::Em34_3: {
            // Leading coil ahead (up), trailing coil behind, the cable between.
            const double half = 5.0 * scale;
            shapes.push_back({ShapeKind::Line, {c.x, c.y - half, 0.0, 2 * half}});
            shapes.push_back({ShapeKind::Ellipse, centredRect({c.x, c.y - half}, w, w)});
            shapes.push_back({ShapeKind::Ellipse, centredRect({c.x, c.y + half}, w, w)});
            break;
        }
        case InstrumentType::Grad601: {
            const double d = std::max(0.1 * scale, 10.0);
            if (config.sensorCountIndex == 1) {
                shapes.push_back({ShapeKind::RoundedRectangle, centredRect(c, w, std::max(0.05 * scale, 4.0))});
                shapes.push_back({ShapeKind::Ellipse, centredRect({c.x - w / 2, c.y}, d, d)});
                shapes.push_back({ShapeKind::Ellipse, centredRect({c.x + w / 2, c.y}, d, d)});
            } else {
                shapes.push_back({ShapeKind::Ellipse, centredRect(c, d, d)});
            }
            break;
        }
    }
    return shapes;
}

}  // namespace

InstrumentSize instrumentSize(InstrumentType type, const SurveyConfig& config) {
    switch (type) {
        case InstrumentType::Em31Mk2: return {0.16, config.conductivityModel == 1 ? 2.0 : 3.6, 0.18};
        case InstrumentType::Em38: return {0.05, 1.0, 0.1};
        case InstrumentType::Em34_3: return {1.2, 10.0, 0.6};
        case InstrumentType::Em38Mk2: return {0.04, 1.0, 0.1};
        case InstrumentType::Grad601: {
            const double separation = std::fabs(finiteOr0(config.sensorSeparation));
            return {config.sensorCountIndex == 1 ? separation : 0.0, 0.1, 0.2};
        }
        case InstrumentType::Em61Lx2: return {config.sensorCountIndex == 1 ? 2.0 : 1.0, 0.5, 0.1};
        case InstrumentType::Em61Mk2: {
            static constexpr double sizes[][2] = {{1.0, 0.5}, {0.5, 1.0}, {1.0, 1.0}, {0.5, 0.5}, {0.3, 0.15}};
            const int i = config.sensorSize >= 0 && config.sensorSize < 5 ? config.sensorSize : 0;
            return {sizes[i][0], sizes[i][1], 0.1};
        }
    }
    return {1.0, 1.0, 0.1};
}

double antennaAlongOffset(InstrumentType type, const SurveyConfig& config, double workingGpsOffsetY) {
    const double y = finiteOr0(workingGpsOffsetY);
    if (type != InstrumentType::Em34_3) return y;
    if (config.em34Reference == 0) return y + 5.0;  // leading coil
    if (config.em34Reference == 1) return y - 5.0;  // trailing coil
    return y;
}

InstrumentSketch sketchInstrument(InstrumentType type, const SurveyConfig& config, double workingGpsOffsetY,
                                  const RectF& box) {
    const InstrumentSize size = instrumentSize(type, config);
    const double x = finiteOr0(config.gpsOffsetX);
    const double y = antennaAlongOffset(type, config, workingGpsOffsetY);

    InstrumentSketch s;
    s.extentAcross = extent(size.across, x);
    s.extentAlong = extent(size.along, y);
    // A Grad601 with one sensor and no offset has no width: only the length
    // then decides the scale.
    double scale = kFill * box.height / s.extentAlong;
    if (s.extentAcross > 0) scale = std::min(scale, kFill * box.width / s.extentAcross);
    s.scale = std::isfinite(scale) && scale > 0 ? scale : 0.0;

    // Instrument and antenna together are centred in the box; up is +y.
    const PointF boxCentre = box.centre();
    s.instrumentCentre = {boxCentre.x - spanMiddle(size.across, x) * s.scale,
                          boxCentre.y + spanMiddle(size.along, y) * s.scale};
    s.body = drawBody(type, config, size, s.instrumentCentre, s.scale);

    s.antennaShown = config.gpsInput > 0;
    s.antennaCentre = {s.instrumentCentre.x + x * s.scale, s.instrumentCentre.y - y * s.scale};
    s.antennaRadius = std::max(4.0, size.antennaRadius * s.scale);
    if (type == InstrumentType::Grad601) s.antennaRadius = std::min(45.0, s.antennaRadius);

    const double arrowX = box.x + 0.05 * box.width;
    s.arrowTail = {arrowX, box.y + 0.7 * box.height};
    s.arrowTip = {arrowX, box.y + 0.1 * box.height};
    return s;
}

}  // namespace velox
