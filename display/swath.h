#pragma once
// The colour swath of a survey: at every fix while logging the sensor bar
// (the line across the instrument, square to the direction of travel) is
// placed, recorded in the data file, and the strip from the previous bar to
// it is painted in the colours of the readings logged in between (or, with
// the colour map off, the sensor positions are marked).
//
// Manual mode places one bar per station fix by the same steps. The EM34-3,
// with three bars per station at its three coil separations, needs a stepper
// of its own behind the same SwathStepper interface.

#include <functional>
#include <span>
#include <vector>

#include "acquisition/em61_handler.h"
#include "config/survey_config.h"
#include "config/survey_context.h"
#include "display/colour_scale.h"
#include "display/swath_surface.h"

namespace velox {

// A strip longer than this many pixels is a position jump, not travel: it is
// not painted (painting it would take one line per pixel).
inline constexpr double MAX_STRIP_LINES = 100000.0;

// The two ends of a sensor bar in map pixels.
struct SwathBar {
    PixelPoint left;
    PixelPoint right;
};

// 1, or 2 when one colour entry packs the indices of two sensors.
int swathSensorCount(const Variant& variant, const SurveyConfig& config);

// Paints the strip from `from` to `to`, one 2 px line per pixel of advance,
// spreading `entries` (in order of arrival) evenly along it. With two sensors
// each line's left half takes (entry mod 64) and its right half (entry / 64).
// Nothing is painted without entries or when the bars coincide.
void drawSwathStrip(SwathSurface& surface, const SwathBar& from, const SwathBar& to, std::span<const int> entries,
                    int sensorCount);

// Marks a bar by `positionSize`: 0..3 a dot of that radius at the bar centre
// (two sensors: at the centres of both halves), 4 and 5 the bar as a 1 or 2 px line.
void drawPositionMarks(SwathSurface& surface, const SwathBar& bar, int sensorCount, int positionSize);

// The swath records go to the data file through this: n 0 starts a swath,
// 1 is the first bar of a swath, 2 each later bar (map units, left end first).
using SwathRecordWriter = std::function<void(int n, double leftX, double leftY, double rightX, double rightY)>;

class ColourSwath : public SwathStepper, public ColourSwathInput {
public:
    ColourSwath(const SurveyConfig& config, const SurveyContext& context);

    // Where strips and marks are painted; none paints nothing.
    void setSurface(SwathSurface* surface) { surface_ = surface; }
    // Set while a data file is open; empty writes no records.
    void setRecordWriter(SwathRecordWriter writer) { writeRecord_ = std::move(writer); }

    // The colour scale from the configuration (start of logging, scale or view changed).
    void updateScale();
    const ColourScale& scale() const { return scale_; }
    ColourBuffer& colourBuffer() { return buffer_; }
    const ColourBuffer& colourBuffer() const { return buffer_; }

    // Start or resume of logging: no fix yet, empty path, empty current row.
    void swathReset();
    // Logging suspended.
    void suspendCollection() { buffer_.suspend(); }

    // Called by the map at each fix while logging once the position has moved.
    // A fix at the previous position, or not a number, is ignored.
    void swathStep(double northing, double easting) override;
    // 0 no fix yet, 1 one fix, 2 one strip drawn, 3 later.
    int swathState() const { return state_; }

    bool collecting() const override { return buffer_.collecting; }
    // On the scale of the component the colour map shows.
    int colourIndexOf(double value) const override;
    void colourBufferAppend(int entry) override { buffer_.colourBufferAppend(entry); }

private:
    struct MapPoint {
        double easting = 0.0;
        double northing = 0.0;
    };
    struct PathEntry {
        MapPoint point;
        double distance = 0.0;  // along the path, from where the history began
    };
    struct MapBar {
        MapPoint left;
        MapPoint right;
    };

    void stepLevelOrAhead(const MapPoint& fix, double offset);
    void stepTrailing(const MapPoint& fix, double offset);
    MapPoint trailingSensorPoint(double offset, MapPoint& direction);
    void startSwath();
    void firstPair(const MapPoint& previousFix, const MapPoint& fix, const MapPoint& direction, double offset);
    void nextBar(const MapPoint& sensor, const MapPoint& direction);
    MapBar barAt(const MapPoint& sensor, const MapPoint& direction) const;
    SwathBar pixelsOf(const MapBar& bar) const;
    void record(int n, const MapBar& bar);
    void paint(const SwathBar& from, const SwathBar& to);
    void mark(const SwathBar& bar);
    double alongTrackOffset() const;

    const SurveyConfig& config_;
    const SurveyContext& context_;
    SwathSurface* surface_ = nullptr;
    SwathRecordWriter writeRecord_;
    ColourScale scale_;
    ColourBuffer buffer_;

    int state_ = 0;
    MapPoint previousFix_;
    SwathBar previousBar_;
    std::vector<PathEntry> path_;  // sensor trailing the antenna: at most 41 entries
};

}  // namespace velox
