#pragma once
// The plan-view sketch of the instrument and its GPS antenna in the geometry
// box of the start screen: sizes in metres, one scale that makes instrument
// and antenna fit, and the shapes in pixels. The widget only paints them.

#include <vector>

#include "config/survey_config.h"
#include "config/variant.h"

namespace velox {

struct PointF {
    double x = 0.0;
    double y = 0.0;
};

struct RectF {
    double x = 0.0;
    double y = 0.0;
    double width = 0.0;
    double height = 0.0;
    PointF centre() const { return {x + width / 2, y + height / 2}; }
};

enum class ShapeKind { Rectangle, RoundedRectangle, Ellipse, Line };

// A line runs from the top-left to the bottom-right corner of its rectangle.
struct SketchShape {
    ShapeKind kind = ShapeKind::Rectangle;
    RectF bounds;
};

// Instrument size in plan view, metres: across (x) and along (y), and the
// radius of the antenna mark.
struct InstrumentSize {
    double across = 0.0;
    double along = 0.0;
    double antennaRadius = 0.0;
};

struct InstrumentSketch {
    double extentAcross = 0.0;  // metres covered by instrument and antenna
    double extentAlong = 0.0;
    double scale = 0.0;          // pixels per metre
    PointF instrumentCentre;     // pixels
    std::vector<SketchShape> body;
    bool antennaShown = false;
    PointF antennaCentre;
    double antennaRadius = 0.0;  // pixels
    PointF arrowTail;            // the direction arrow points from tail up to tip
    PointF arrowTip;
};

InstrumentSize instrumentSize(InstrumentType type, const SurveyConfig& config);
// The along offset of the antenna from the instrument centre: the working Y
// offset, measured on the EM34-3 from its reference coil.
double antennaAlongOffset(InstrumentType type, const SurveyConfig& config, double workingGpsOffsetY);

InstrumentSketch sketchInstrument(InstrumentType type, const SurveyConfig& config, double workingGpsOffsetY,
                                  const RectF& box);

}  // namespace velox
