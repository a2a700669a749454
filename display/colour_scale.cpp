#include "display/colour_scale.h"

#include <cmath>

namespace velox {

ColourRange ColourRange::of(double min, double max) { return {min, max, (max - min) / COLOUR_COUNT}; }

int ColourRange::indexOf(double value) const {
    if (std::isnan(value)) return 0;
    if (!(step > 0.0) || !std::isfinite(step)) return value < min ? 0 : LAST_COLOUR;
    // Clamp before converting: a far-off reading must not overflow the int.
    const double steps = (value - min) / step;
    if (!(steps < LAST_COLOUR)) return LAST_COLOUR;
    if (!(steps > 0.0)) return 0;
    return static_cast<int>(steps);
}

bool showsInphase(InstrumentType type, int colourMapView) {
    switch (type) {
        case InstrumentType::Em31Mk2:
        case InstrumentType::Em38:
        case InstrumentType::Em34_3: return colourMapView == 2;
        case InstrumentType::Em38Mk2: return colourMapView == 2 || colourMapView == 4;
        default: return false;
    }
}

void ColourScale::update(InstrumentType type, const SurveyConfig& config) {
    reading_ = ColourRange::of(config.readingScaleMin, config.readingScaleMax);
    inphase_ = ColourRange::of(config.inphaseScaleMin, config.inphaseScaleMax);
    const ColourRange& shown = showsInphase(type, config.colourMapView) ? inphase_ : reading_;
    scaleMin = shown.min;
    scaleMax = shown.max;
    colourStep = shown.step;
}

int ColourScale::colourIndexOf(double value, bool inphase) const {
    return (inphase ? inphase_ : reading_).indexOf(value);
}

void ColourBuffer::colourBufferAppend(int entry) {
    if (!collecting || currentCount >= COLOUR_ROW_LENGTH) return;
    rows[currentRow][currentCount++] = entry;
}

void ColourBuffer::colourBufferRotate(bool logging, bool instrumentEnabled, bool colourMapOn, bool logScreenActive) {
    if (!colourMapOn || !logScreenActive) return;
    if (fixCount == 0) {
        if (logging) {
            fixCount = 1;
            collecting = true;
        }
        return;
    }
    collecting = false;
    if (!logging) return;
    swathHasColour = false;
    finishedRow = currentRow;
    currentRow = 1 - currentRow;
    if (instrumentEnabled && currentCount > 0) {
        swathHasColour = true;
        finishedLast = currentCount - 1;
        currentCount = 0;
    }
    collecting = true;
}

void ColourBuffer::reset() {
    currentRow = 0;
    currentCount = 0;
}

void ColourBuffer::suspend() {
    collecting = false;
    fixCount = 0;
    swathHasColour = false;
    currentCount = 0;
}

std::span<const int> ColourBuffer::finishedEntries() const {
    if (!swathHasColour) return {};
    return std::span<const int>(rows[finishedRow]).first(static_cast<size_t>(finishedLast) + 1);
}

}  // namespace velox
