#pragma once
// The scales of the profile, decay, bar and speed panes: readings to pixel
// rows, the grey scale lines, the bar slots of each instrument, which
// rectangles one bar step repaints, and the reading-scale limits with the
// rules the reading-scale dialog applies when it closes.

#include <array>
#include <span>

#include "config/survey_config.h"
#include "config/variant.h"

namespace velox {

// ---- Values to rows --------------------------------------------------------

// Pixels per reading unit for a pane of `height` over min..max; 0 when the
// range is empty or not finite, so that every value lands on row 0.
double pixelFactor(int height, double scaleMin, double scaleMax);

// Row 0 is the top. Rows may fall outside the pane; they are bounded to
// ±ROW_LIMIT so that absurd readings never overflow the drawing code.
inline constexpr int ROW_LIMIT = 1'000'000;
int valueToRow(double value, double scaleMax, double factor);

// The factors of the profile and bar panes, recomputed whenever a scale or a pane height changes.
struct PaneFactors {
    double profileFactor = 0.0;
    double profileFactorInphase = 0.0;
    double barFactor = 0.0;
    double barFactorInphase = 0.0;
};
PaneFactors computePaneFactors(int profileHeight, int barHeight, const SurveyConfig& config);

// sign(v)·√|v|: the EM61-MK2's compressed amplitude for the profile display.
double compressedAmplitude(double value);

// ---- Scale lines -----------------------------------------------------------

// Bars grow up from the bottom (minimum ≥ 0), hang from the top (maximum ≤ 0)
// or start at the zero row (the scale spans zero).
enum ScaleMode : int { SCALE_HANGING = -1, SCALE_SPANS_ZERO = 0, SCALE_RISING = 1 };

inline constexpr int MAX_SCALE_LINES = 9;
struct ScaleLines {
    int count = 0;
    // With SCALE_SPANS_ZERO the first row is the zero row.
    std::array<int, MAX_SCALE_LINES> rows{};
    int mode = SCALE_RISING;

    std::span<const int> lines() const { return {rows.data(), static_cast<size_t>(count)}; }
    // The row bars start from in a pane of `height`.
    int baseline(int height) const;
};

int computeScaleLines(ScaleLines& lines, int paneHeight, double scaleMin, double scaleMax, double factor);

// ---- Bars ------------------------------------------------------------------

inline constexpr int MAX_BARS = 4;

// The bar slots of one bar pane, from the width of the whole bar area.
struct BarGeometry {
    int count = 0;
    int width = 0;
    std::array<int, MAX_BARS> left{};
};
// Where the bar area is split into BarQWnd and BarIWnd (two sensors, and the
// conductivity meters but the EM34-3) this is the geometry of each half.
BarGeometry barGeometry(InstrumentType type, int sensorCount, int barAreaWidth);

// The stored tops of one bar pane; -1 until the pane has been initialised.
struct BarTops {
    bool initialised = false;
    std::array<int, MAX_BARS> top{-1, -1, -1, -1};
};

// A rectangle [x, x + width) × [top, bottom) filled with the bar's colour or white.
struct BarRect {
    int bar = 0;
    int x = 0;
    int width = 0;
    int top = 0;
    int bottom = 0;
    bool colour = false;

    bool operator==(const BarRect&) const = default;
};

// What one bar step or repaint draws, in order; then the scale lines go over it.
struct BarPlan {
    bool clearPane = false;  // fill the pane white inside a 1-pixel margin first
    int count = 0;
    std::array<BarRect, 2 * MAX_BARS> rects{};

    std::span<const BarRect> list() const { return {rects.data(), static_cast<size_t>(count)}; }
    void add(const BarRect& rect) { rects[static_cast<size_t>(count++)] = rect; }
};

// One reading: only the difference between each stored top and its new row
// is repainted; the tops are stored clamped to the pane.
BarPlan barStep(BarTops& tops, const BarGeometry& geometry, const ScaleLines& lines, int paneHeight,
                std::span<const int> rows);
// Every bar with a stored top, filled from its top to the baseline.
BarPlan repaintBars(const BarTops& tops, const BarGeometry& geometry, const ScaleLines& lines, int paneHeight);

// ---- Speed bar -------------------------------------------------------------

// The blue part runs from 0 to `blueWidth`, the white part from there to the bar's width.
struct SpeedBarSplit {
    int blueWidth = 0;
};
SpeedBarSplit speedBarSplit(int width, double speedScaleMax, double speed);

// ---- Reading-scale limits --------------------------------------------------

struct ReadingScaleLimits {
    double min = 0.0;
    double max = 0.0;
    double inphaseMin = 0.0;
    double inphaseMax = 0.0;

    bool operator==(const ReadingScaleLimits&) const = default;
};

ReadingScaleLimits readingScaleLimitsOf(const SurveyConfig& config);
void storeReadingScaleLimits(const ReadingScaleLimits& limits, SurveyConfig& config);

// The limits every program start begins with (the in-phase pair only for the conductivity meters).
ReadingScaleLimits readingScaleDefaults(InstrumentType type);
void resetReadingScales(InstrumentType type, SurveyConfig& config);

// A maximum not above its minimum becomes minimum + 100.
ReadingScaleLimits acceptedLimits(ReadingScaleLimits entered);

// Whether `colourMapView` shows an in-phase component (conductivity meters only).
bool colourViewShowsInphase(InstrumentType type, int colourMapView);
// The colour step of the colour map after a scale change.
double colourStepAfterScale(InstrumentType type, int colourMapView, const ReadingScaleLimits& limits);
// Whether the map must be rebuilt after the limits changed from `before` to `after`.
bool scaleChangeNeedsMapRebuild(InstrumentType type, int colourMapView, const ReadingScaleLimits& before,
                                const ReadingScaleLimits& after);

}  // namespace velox
