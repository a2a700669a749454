#pragma once
// The EM61-LX2 reading handlers (one and two sensors) on the user-interface
// thread: take the frame the reader left in `frameBuffer`, route it by
// `em61Phase`, and in the normal phase write the reading record while
// logging, feed the colour swath, count stations and readings, play the
// alarm sounds and describe what the panes show. Drawing is left to the
// panes, which draw an `Em61Readout`.

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "acquisition/em61_decode.h"
#include "config/survey_config.h"
#include "config/survey_context.h"

namespace velox {

class DataFile;
class SoundPlayer;

// The colour swath of the map as the reading handlers feed it.
class ColourSwathInput {
public:
    virtual ~ColourSwathInput() = default;
    // Entries are taken only between two GPS fixes while logging.
    virtual bool collecting() const = 0;
    // The palette index of a reading on the colour scale.
    virtual int colourIndexOf(double value) const = 0;
    // An entry is one index, or left + 64 × right with two sensors.
    virtual void colourBufferAppend(int entry) = 0;
};

// The nulling and filter-calibration procedures take the frames of their phases.
class Em61CalibrationInput {
public:
    virtual ~Em61CalibrationInput() = default;
    virtual void onCalibrationFrame(const Em61CalibrationFrame& frame) = 0;
};

inline constexpr std::string_view NORMALISATION_NOTICE_TITLE = "Normalization:";
inline constexpr std::string_view MARKER_TEXT = "MARKER";
inline constexpr Colour BATTERY_WARNING_BACKGROUND = 0x0000FF;  // red
inline constexpr int COLOUR_INDEX_LAST = 49;
inline constexpr int SECOND_SENSOR_COLOUR_FACTOR = 64;

// What the notice area of the numeric pane should do after a frame.
enum class NoticeChange { Unchanged, Show, Clear };

// What one frame changed on the logging screen.
struct Em61Readout {
    NoticeChange notice = NoticeChange::Unchanged;
    std::array<std::string, 2> noticeLines;  // "Normalization:" and "%3d %c" while normalising

    // Normalisation has just finished.
    bool instrumentReady = false;
    bool enableStateButtons = false;

    // Set for a frame of the normal phase; the fields below are then valid.
    std::optional<Lx2Reading> reading;
    int sensorCount = 1;
    bool recordWritten = false;
    bool counted = false;  // logging: the station and reading counters moved and the profile advances
    std::string stationText;      // "%-11.2f"
    std::string readingCountText; // "%-7d"
    std::string loggingTimeText;  // "%02d:%02d:%02d"
    std::string markerText;       // "MARKER" or empty
    std::string batteryText;      // " %4.1f V"
    std::optional<Colour> batteryBackground;
    std::string currentText;      // "%4.1f A"
    // E, L and F per sensor, "%9.1f": left E, L, F, then right E, L, F.
    std::array<std::string, 6> channelTexts;
};

// Formats of the read-outs.
std::string stationText(double stationValue);
std::string readingCountText(int readingCount);
std::string loggingTimeText(uint32_t totalMs);
std::string batteryText(double volts);
std::string currentText(double amps);
std::string channelText(double millivolts);

// The colour entry of a reading for the channel chosen by `colourMapView`
// (1 E, 2 L, 3 F); nullopt when no colour is drawn.
std::optional<int> colourEntryOf(const Lx2Reading& reading, int sensorCount, int colourMapView,
                                 const ColourSwathInput& swath);

class Em61Handler {
public:
    struct Links {
        SoundPlayer& sounds;
        // Null while no data file is open.
        DataFile* dataFile = nullptr;
        // Null until the map exists.
        ColourSwathInput* swath = nullptr;
        // Null until the procedures exist: their frames are then dropped.
        Em61CalibrationInput* calibration = nullptr;
    };

    Em61Handler(const SurveyConfig& config, SurveyContext& context, Links links);

    // The handler of WM_LX2_READING_1 and WM_LX2_READING_2.
    Em61Readout onLx2Reading(int message);

    Links& links() { return links_; }
    // Phase, current ring and alarm state; the procedures and the logging
    // screen (back to normalising at each start of logging) change the phase.
    Em61State& state() { return state_; }

private:
    Em61Readout handleFrame(int sensorCount, Em61Record& record, Tick tick);
    void onNormalising(const Em61NormaliseProgress& progress, Em61Readout& readout);
    void onNormalReading(Lx2Reading reading, const Em61Record& record, Tick tick, Em61Readout& readout);
    void logReading(const Lx2Reading& reading, const Em61Record& record, Tick tick, Em61Readout& readout);
    void playAlarm(const AlarmSounds& sounds);
    Lx2ReadingInputs readingInputs(int sensorCount) const;

    const SurveyConfig& config_;
    SurveyContext& context_;
    Links links_;
    Em61State state_;
};

}  // namespace velox
