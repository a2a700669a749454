#pragma once
// Readings as palette colours, and the colour entries collected between two
// GPS fixes for the swath strip that the second fix closes.

#include <array>
#include <span>

#include "config/survey_config.h"
#include "config/variant.h"

namespace velox {

inline constexpr int COLOUR_COUNT = 50;  // palette colours that carry readings
inline constexpr int LAST_COLOUR = 49;
inline constexpr int COLOUR_ROW_LENGTH = 500;

// One linear scale of COLOUR_COUNT equal steps from `min` to `max`.
struct ColourRange {
    double min = 0.0;
    double max = 500.0;
    double step = 10.0;  // (max - min) / COLOUR_COUNT

    static ColourRange of(double min, double max);
    // Truncated step index clamped to 0..LAST_COLOUR. A scale whose maximum is
    // not above its minimum has no steps: it only tells readings below the
    // minimum (colour 0) from the others (LAST_COLOUR). Non-numbers take 0.
    int indexOf(double value) const;
};

// True when the colour map of `type` shows an in-phase component at this `colourMapView`.
bool showsInphase(InstrumentType type, int colourMapView);

class ColourScale {
public:
    // The range of the colour map shown: the reading scale, or the in-phase
    // scale when the colour map shows an in-phase component.
    double scaleMin = 0.0;
    double scaleMax = 500.0;
    double colourStep = 10.0;

    // From the reading and in-phase scales of the configuration and the
    // component `colourMapView` shows; at the start of logging and whenever
    // the scales or the view change.
    void update(InstrumentType type, const SurveyConfig& config);

    // The palette index (0..LAST_COLOUR) of a reading on the reading scale,
    // or of an in-phase reading on the in-phase scale.
    int colourIndexOf(double value, bool inphase) const;

    const ColourRange& readingRange() const { return reading_; }
    const ColourRange& inphaseRange() const { return inphase_; }

private:
    ColourRange reading_;
    ColourRange inphase_ = ColourRange::of(-25.0, 25.0);
};

// The colour entries of the readings logged between fixes: the current row
// fills while the finished row holds the entries of the last closed interval.
class ColourBuffer {
public:
    std::array<std::array<int, COLOUR_ROW_LENGTH>, 2> rows{};
    int currentRow = 0;
    int currentCount = 0;
    int finishedRow = 0;
    int finishedLast = 0;  // index of the last entry of the finished row
    bool collecting = false;
    int fixCount = 0;  // 0 until the first fix since the last suspend opened collection
    bool swathHasColour = false;

    // Appends when collecting. A row keeps its first COLOUR_ROW_LENGTH
    // entries; later ones (a long GPS outage) are dropped, not written past it.
    void colourBufferAppend(int entry);

    // At each accepted fix; acts only while the colour map is on
    // (`colourMapView` > 0) and the logging screen is active. The first fix
    // opens collection, each later one closes the current row (when logging)
    // and starts the other.
    void colourBufferRotate(bool logging, bool instrumentEnabled, bool colourMapOn, bool logScreenActive);

    // Start or resume of logging.
    void reset();
    // Logging suspended: collection stops until the first fix after the resume.
    void suspend();

    // The entries of the finished row, empty when the last interval had none.
    std::span<const int> finishedEntries() const;
};

}  // namespace velox
