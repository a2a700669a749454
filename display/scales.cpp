#include "display/scales.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace velox {

namespace {

constexpr int kColourCount = 50;

int roundToPixel(double value) { return static_cast<int>(std::lround(value)); }

// (int) of a product that may be out of range: clamped first, truncated toward zero.
int truncatedRow(double row) {
    if (std::isnan(row)) return ROW_LIMIT;
    return static_cast<int>(std::clamp(row, -static_cast<double>(ROW_LIMIT), static_cast<double>(ROW_LIMIT)));
}

void addFourLines(ScaleLines& lines, int height) {
    for (const double fraction : {0.2, 0.4, 0.6, 0.8})
        lines.rows[static_cast<size_t>(lines.count++)] = truncatedRow(height - fraction * (height + 1));
}

// How many times the longer side of a zero-spanning scale holds the shorter
// one, rounded; 0 when the zero row is not inside the pane.
int sidesRatio(int zeroRow, int height) {
    if (zeroRow < height / 2) {
        if (zeroRow <= 0) return 5;  // the positive side has no height at all
        return static_cast<int>(static_cast<double>(height - zeroRow) / zeroRow + 0.5);
    }
    if (height - zeroRow <= 0) return 0;
    return static_cast<int>(static_cast<double>(zeroRow) / (height - zeroRow) + 0.5);
}

// Adds the half-open rectangle between two rows of a bar, unless it is empty.
void addBetween(BarPlan& plan, int bar, const BarGeometry& g, int rowA, int rowB, bool colour) {
    if (rowA == rowB) return;
    plan.add({bar, g.left[static_cast<size_t>(bar)], g.width, std::min(rowA, rowB), std::max(rowA, rowB), colour});
}

int sideOf(int row, int baseline) { return (row > baseline) - (row < baseline); }

}  // namespace

double pixelFactor(int height, double scaleMin, double scaleMax) {
    const double range = scaleMax - scaleMin;
    if (!(range > 0.0) || !std::isfinite(range)) return 0.0;
    return height / range;
}

int valueToRow(double value, double scaleMax, double factor) { return truncatedRow((scaleMax - value) * factor); }

PaneFactors computePaneFactors(int profileHeight, int barHeight, const SurveyConfig& c) {
    return {pixelFactor(profileHeight, c.readingScaleMin, c.readingScaleMax),
            pixelFactor(profileHeight, c.inphaseScaleMin, c.inphaseScaleMax),
            pixelFactor(barHeight, c.readingScaleMin, c.readingScaleMax),
            pixelFactor(barHeight, c.inphaseScaleMin, c.inphaseScaleMax)};
}

double compressedAmplitude(double value) { return value < 0.0 ? -std::sqrt(-value) : std::sqrt(value); }

int ScaleLines::baseline(int height) const {
    switch (mode) {
        case SCALE_HANGING: return 0;
        case SCALE_SPANS_ZERO: return count > 0 ? std::clamp(rows[0], 0, height) : height;
        default: return height;
    }
}

int computeScaleLines(ScaleLines& lines, int paneHeight, double scaleMin, double scaleMax, double factor) {
    lines = ScaleLines{};
    if (scaleMin >= 0.0 || scaleMax <= 0.0) {
        lines.mode = scaleMin >= 0.0 ? SCALE_RISING : SCALE_HANGING;
        addFourLines(lines, paneHeight);
        return lines.mode;
    }
    lines.mode = SCALE_SPANS_ZERO;
    const int zeroRow = valueToRow(0.0, scaleMax, factor);
    lines.rows[static_cast<size_t>(lines.count++)] = zeroRow;
    const int e = sidesRatio(zeroRow, paneHeight);
    if (e <= 0) {
        addFourLines(lines, paneHeight);
        return lines.mode;
    }
    const bool positiveShorter = zeroRow < paneHeight / 2;
    const double shortSide = positiveShorter ? scaleMax : -scaleMin;
    const double longSide = positiveShorter ? -scaleMin : scaleMax;
    const double step = e == 1 ? shortSide / 4.0 : longSide / std::min(e, 5);
    for (int k = 1; lines.count < MAX_SCALE_LINES; ++k) {
        const int row = valueToRow(k * step, scaleMax, factor);
        if (row <= 0) break;
        lines.rows[static_cast<size_t>(lines.count++)] = row;
    }
    for (int k = 1; lines.count < MAX_SCALE_LINES; ++k) {
        const int row = valueToRow(-k * step, scaleMax, factor);
        if (row >= paneHeight) break;
        lines.rows[static_cast<size_t>(lines.count++)] = row;
    }
    return lines.mode;
}

BarGeometry barGeometry(InstrumentType type, int sensorCount, int barAreaWidth) {
    const double whole = barAreaWidth - 2.0;
    const double half = whole / 2.0 - 2.0;
    struct Slots {
        double span;  // pixels that hold `units` units
        int units;
        int widthUnits;
        int count;
        int firstUnit;
    };
    const bool twoSensors = sensorCount >= 2;
    Slots s{};
    switch (type) {
        case InstrumentType::Grad601: s = {twoSensors ? half : whole, 16, 10, 1, 3}; break;
        case InstrumentType::Em61Lx2: s = {twoSensors ? half : whole, 16, 4, 3, 1}; break;
        case InstrumentType::Em61Mk2: s = {whole, 21, 4, 4, 1}; break;
        case InstrumentType::Em31Mk2:
        case InstrumentType::Em38Mk2: s = {half, 21, 9, 2, 1}; break;
        case InstrumentType::Em38: s = {half, 21, 4, 4, 1}; break;
        case InstrumentType::Em34_3: s = {whole, 21, 15, 1, 3}; break;
    }
    const double unit = std::max(0.0, s.span / s.units);
    BarGeometry g;
    g.count = s.count;
    g.width = roundToPixel(s.widthUnits * unit);
    g.left[0] = roundToPixel(s.firstUnit * unit);
    for (int i = 1; i < g.count; ++i)
        g.left[static_cast<size_t>(i)] = roundToPixel(g.left[static_cast<size_t>(i - 1)] + g.width + unit);
    return g;
}

BarPlan barStep(BarTops& tops, const BarGeometry& geometry, const ScaleLines& lines, int paneHeight,
                std::span<const int> rows) {
    BarPlan plan;
    const int baseline = lines.baseline(paneHeight);
    const int bars = std::min(geometry.count, static_cast<int>(rows.size()));
    if (!tops.initialised) {
        plan.clearPane = true;
        tops.initialised = true;
        tops.top.fill(baseline);
    }
    for (int i = 0; i < bars; ++i) {
        int& stored = tops.top[static_cast<size_t>(i)];
        const int next = std::clamp(rows[static_cast<size_t>(i)], 0, paneHeight);
        if (sideOf(stored, baseline) * sideOf(next, baseline) < 0) {
            // Across the baseline: the old part goes, the new part is filled from the baseline.
            addBetween(plan, i, geometry, stored, baseline, false);
            addBetween(plan, i, geometry, baseline, next, true);
        } else {
            const bool grows = std::abs(next - baseline) > std::abs(stored - baseline);
            addBetween(plan, i, geometry, stored, next, grows);
        }
        stored = next;
    }
    return plan;
}

BarPlan repaintBars(const BarTops& tops, const BarGeometry& geometry, const ScaleLines& lines, int paneHeight) {
    BarPlan plan;
    plan.clearPane = true;
    if (!tops.initialised) return plan;
    const int baseline = lines.baseline(paneHeight);
    for (int i = 0; i < geometry.count; ++i) {
        const int top = tops.top[static_cast<size_t>(i)];
        if (top >= 0) addBetween(plan, i, geometry, top, baseline, true);
    }
    return plan;
}

SpeedBarSplit speedBarSplit(int width, double speedScaleMax, double speed) {
    if (!(speedScaleMax > 0.0) || !std::isfinite(speedScaleMax) || std::isnan(speed)) return {0};
    const double speedFactor = width / speedScaleMax;
    const double white = std::clamp((speedScaleMax - speed) * speedFactor, 0.0, static_cast<double>(width));
    return {width - static_cast<int>(white)};
}

ReadingScaleLimits readingScaleLimitsOf(const SurveyConfig& c) {
    return {c.readingScaleMin, c.readingScaleMax, c.inphaseScaleMin, c.inphaseScaleMax};
}

void storeReadingScaleLimits(const ReadingScaleLimits& limits, SurveyConfig& c) {
    c.readingScaleMin = limits.min;
    c.readingScaleMax = limits.max;
    c.inphaseScaleMin = limits.inphaseMin;
    c.inphaseScaleMax = limits.inphaseMax;
}

ReadingScaleLimits readingScaleDefaults(InstrumentType type) {
    switch (type) {
        case InstrumentType::Em31Mk2:
        case InstrumentType::Em38:
        case InstrumentType::Em34_3: return {0.0, 500.0, -25.0, 25.0};
        case InstrumentType::Em38Mk2: return {0.0, 1000.0, 0.0, 1500.0};
        default: return {0.0, 2000.0, SurveyConfig{}.inphaseScaleMin, SurveyConfig{}.inphaseScaleMax};
    }
}

void resetReadingScales(InstrumentType type, SurveyConfig& config) {
    const ReadingScaleLimits defaults = readingScaleDefaults(type);
    config.readingScaleMin = defaults.min;
    config.readingScaleMax = defaults.max;
    // Only the conductivity meters have an in-phase scale to reset.
    if (isConductivityMeter(type)) {
        config.inphaseScaleMin = defaults.inphaseMin;
        config.inphaseScaleMax = defaults.inphaseMax;
    }
}

ReadingScaleLimits acceptedLimits(ReadingScaleLimits entered) {
    if (!(entered.max > entered.min)) entered.max = entered.min + 100.0;
    if (!(entered.inphaseMax > entered.inphaseMin)) entered.inphaseMax = entered.inphaseMin + 100.0;
    return entered;
}

bool colourViewShowsInphase(InstrumentType type, int colourMapView) {
    if (!isConductivityMeter(type)) return false;
    if (type == InstrumentType::Em38Mk2) return colourMapView == 2 || colourMapView == 4;
    return colourMapView == 2;
}

double colourStepAfterScale(InstrumentType type, int colourMapView, const ReadingScaleLimits& limits) {
    if (colourViewShowsInphase(type, colourMapView)) return (limits.inphaseMax - limits.inphaseMin) / kColourCount;
    return (limits.max - limits.min) / kColourCount;
}

bool scaleChangeNeedsMapRebuild(InstrumentType type, int colourMapView, const ReadingScaleLimits& before,
                                const ReadingScaleLimits& after) {
    if (!isConductivityMeter(type)) return true;
    if (colourMapView == 0) return false;
    if (colourViewShowsInphase(type, colourMapView))
        return before.inphaseMin != after.inphaseMin || before.inphaseMax != after.inphaseMax;
    return before.min != after.min || before.max != after.max;
}

}  // namespace velox
