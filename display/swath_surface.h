#pragma once
// Where the colour swath meets the map: the swath computes bars and strips
// in map coordinates and draws them through this surface, which the map view
// implements on its survey layer. Map pixels: x grows east, y north.

namespace velox {

struct PixelPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const PixelPoint&, const PixelPoint&) = default;
};

class SwathSurface {
public:
    virtual ~SwathSurface() = default;
    // A position (easting, northing in map units) as a map pixel.
    virtual PixelPoint toPixel(double easting, double northing) const = 0;
    // A 2 px line in palette colour `paletteIndex` (0..50) on the survey layer.
    virtual void drawPaletteSegment(PixelPoint from, PixelPoint to, int paletteIndex) = 0;
    // Position marks in `positionColour`: a filled dot, or a line 1 or 2 px wide.
    virtual void drawPositionDot(PixelPoint centre, int radius) = 0;
    virtual void drawPositionLine(PixelPoint from, PixelPoint to, int width) = 0;
};

// The map calls the swath step at every fix while logging once the position has moved.
class SwathStepper {
public:
    virtual ~SwathStepper() = default;
    virtual void swathStep(double northing, double easting) = 0;
};

}  // namespace velox
