#pragma once
// A map surface that records what the colour swath draws on it, with a plain
// transform: PIXELS_PER_UNIT pixels per map unit, origin at (0, 0).

#include <cmath>
#include <vector>

#include "display/swath_surface.h"

namespace velox::test {

inline constexpr double PIXELS_PER_UNIT = 20.0;

struct DrawnSegment {
    PixelPoint from;
    PixelPoint to;
    int colour = 0;
    friend bool operator==(const DrawnSegment&, const DrawnSegment&) = default;
};

struct DrawnDot {
    PixelPoint centre;
    int radius = 0;
    friend bool operator==(const DrawnDot&, const DrawnDot&) = default;
};

struct DrawnLine {
    PixelPoint from;
    PixelPoint to;
    int width = 0;
    friend bool operator==(const DrawnLine&, const DrawnLine&) = default;
};

class RecordingSurface : public SwathSurface {
public:
    PixelPoint toPixel(double easting, double northing) const override {
        return {static_cast<int>(easting * PIXELS_PER_UNIT + 0.5), static_cast<int>(northing * PIXELS_PER_UNIT + 0.5)};
    }
    void drawPaletteSegment(PixelPoint from, PixelPoint to, int paletteIndex) override {
        segments.push_back({from, to, paletteIndex});
    }
    void drawPositionDot(PixelPoint centre, int radius) override { dots.push_back({centre, radius}); }
    void drawPositionLine(PixelPoint from, PixelPoint to, int width) override { lines.push_back({from, to, width}); }

    std::vector<DrawnSegment> segments;
    std::vector<DrawnDot> dots;
    std::vector<DrawnLine> lines;
};

}  // namespace velox::test
