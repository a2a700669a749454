#pragma once
// Redraws the survey of an EM61-LX2 data file onto the map: the swath edges
// the live map recorded, coloured with the readings logged between them, or
// only the sensor positions when no colour view is chosen. Used after a change
// of scale, after opening a continued file and when review mode is left.
//
// The file is read by position through a DataFileReader (on the open data
// file's descriptor or on its path); the writer's position is never moved.

#include <cstddef>
#include <functional>

#include "config/survey_config.h"
#include "display/colour_scale.h"
#include "display/swath_surface.h"
#include "logging/data_file_reader.h"

namespace velox {

inline constexpr uint32_t REPLAY_PROGRESS_MS = 750;

// Advances the map's progress dots; called every REPLAY_PROGRESS_MS while replaying.
using ReplayProgress = std::function<void()>;

struct MapReplayResult {
    bool startFound = false;  // "X$START" among the first records
    std::size_t edges = 0;    // edges that closed a strip (painted when it had readings) or were marked
};

// Replays the records after the survey start: "{0" opens a swath segment and
// starts collecting the colour entries of the readings (decoded with the null
// offsets and filter factors in force); "{a".."{d" is a segment's first edge,
// each "{e".."{h" the next one, closing the strip drawn from the previous
// edge. A pause, a continuation header, a comment, a line start or a station
// record stops collecting until the next edge; a pause or a continuation
// header also closes the segment, so that nothing is collected until "{0".
// `config` gives the colour view, the position marks and the values in force
// until the file states its own; `scale` turns readings into colours. The
// replay ends at the first record that cannot be read whole.
MapReplayResult replayFileToMap(const DataFileReader& reader, const SurveyConfig& config, const ColourScale& scale,
                                SwathSurface& surface, const ReplayProgress& progress = {});

}  // namespace velox
