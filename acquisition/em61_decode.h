#pragma once
// What the EM61-LX2 reading handlers compute from one frame: channel values in
// millivolts (range codes, transmitter-current normalisation, null offsets),
// the filtered channels, battery, current, marker letters and the target-alarm
// decision. Pure logic on a record buffer and an `Em61State`; writing the
// record, drawing and playing sounds are left to the caller, which is told
// what to do.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "platform/sound_player.h"
#include "acquisition/em61_frame.h"

namespace velox {

struct SurveyConfig;

// The first 16 bytes of a reading record: the frame as received, with bytes
// 10-13 rewritten by the decoder to the mean current, and 14-15 zero.
inline constexpr size_t EM61_RECORD_BYTES = 16;
using Em61Record = std::array<uint8_t, EM61_RECORD_BYTES>;
Em61Record em61RecordFromFrame(const Em61Frame& frame);

inline constexpr int CURRENT_WINDOW = 3;
inline constexpr double LX2_MILLIVOLTS_PER_COUNT = 20.0;
inline constexpr double LX2_NOMINAL_CURRENT = 1585.6;
inline constexpr double LX2_NOMINAL_CURRENT_HIGH = 3171.2;  // currents above LX2_HIGH_CURRENT_THRESHOLD
inline constexpr int LX2_HIGH_CURRENT_THRESHOLD = 2212;
inline constexpr double LX2_AMPS_PER_COUNT = 0.0018780699;
inline constexpr double BATTERY_COUNTS_PER_VOLT = 6.66757;
inline constexpr double BATTERY_WARNING_VOLTS = 10.5;
inline constexpr int ENHANCED_WINDOW = 5;
inline constexpr double ENHANCED_FRACTION = 0.4;
inline constexpr int RING_STOP_READINGS = 18;
inline constexpr double BETWEEN_FRACTION = 0.2;
// A simple alarm stays silent for (int)(SIMPLE_HOLD_FRAMES / dispatchEvery) readings.
inline constexpr int SIMPLE_HOLD_FRAMES = 20;

// What a frame is used for (`em61Phase`).
enum Em61Phase : int {
    EM61_FILTER_CAL_GROUND = -3,
    EM61_FILTER_CAL_AIR = -2,
    EM61_NULLING = -1,
    EM61_NORMALISING = 0,
    EM61_NORMAL = 1,
};

// The last CURRENT_WINDOW transmitter-current words and their mean.
struct CurrentRing {
    std::array<int32_t, CURRENT_WINDOW> values{};
    int32_t sum = 0;
    double meanCurrent = 0.0;
    int position = 0;  // next entry to replace
    bool normalisationDone = false;
};

enum Em61Sensor : int { SENSOR_LEFT = 0, SENSOR_RIGHT = 1 };  // one sensor: left

struct Em61AlarmState {
    std::array<double, 2> alarmValue{};  // `alarmValue`, `alarmValueRight`
    std::array<bool, 2> alarmFlag{};     // `alarmFlagLeft`, `alarmFlagRight`
    int alarmHoldCount = 0;
    bool alarmRinging = false;
    // Enhanced alarm: the last ENHANCED_WINDOW alarm values per sensor, oldest first.
    std::array<std::array<double, ENHANCED_WINDOW>, 2> window{};
    std::array<double, 2> peak{};
};

// What the EM61-LX2 handlers keep between frames.
struct Em61State {
    int em61Phase = EM61_NORMALISING;
    int phaseCount = 0;  // samples counted in the current phase (calibration)
    CurrentRing currentRing;
    double normalisationFactor = 1.0;
    Em61AlarmState alarm;
};

// Start and end of logging: back to the normalising phase with an empty ring.
void resetEm61Phase(Em61State& state);

// ---- Decoding ------------------------------------------------------------

// Divisor of a two-bit range code for channel word 1-4.
int rangeDivisor(int code, int word);
// Range code of channel word 1-4 in the gain byte (bits 7-6 for word 1 ... 1-0 for word 4).
int rangeCode(uint8_t gain, int word);

struct Lx2Decoded {
    char letter = 0;
    uint8_t gain = 0;
    // Millivolts. One sensor: E, L, 0, 0; two sensors: left E, left L, right E, right L.
    std::array<double, 4> channels{};
    int16_t rawCurrent = 0;
    uint8_t battery = 0;
};

// Live decoders: scale the words, feed the frame's current into the ring,
// normalise, subtract the null offsets in force, and rewrite bytes 10-13 of
// the record to the mean current.
Lx2Decoded decodeLx2One(Em61Record& record, Em61State& state, const std::array<double, 4>& lastNullValues);
Lx2Decoded decodeLx2Two(Em61Record& record, Em61State& state, const std::array<double, 4>& lastNullValues);
Lx2Decoded decodeLx2(int sensorCount, Em61Record& record, Em61State& state,
                     const std::array<double, 4>& lastNullValues);

// The mean current as stored in bytes 10-12 of a record, and back.
double recordedMeanCurrent(std::span<const uint8_t> record);
void storeMeanCurrent(Em61Record& record, double meanCurrent);

struct Lx2Recorded {
    char letter = 0;
    std::array<double, 4> channels{};  // as in Lx2Decoded
};
// Reading records of a data file: the current is the recorded mean, the ring
// is not touched and the offsets are the caller's. Empty when fewer than the
// 13 bytes that carry the reading are given.
std::optional<Lx2Recorded> decodeRecordedLx2One(std::span<const uint8_t> record, double offsetE, double offsetL);
std::optional<Lx2Recorded> decodeRecordedLx2Two(std::span<const uint8_t> record,
                                                const std::array<double, 4>& offsets);

double filteredChannel(double early, double late, double coefficient);
double batteryVolts(uint8_t batteryCounts);
bool batteryLow(double volts);
double lx2CurrentAmps(int16_t currentWord);
// The letter written while the operator's soft marker is held: T->M, D->N, E->P, F->Q.
char softMarkerLetter(char letter);
// Letters for which the "MARKER" read-out shows.
bool isMarkerLetter(char letter);

// ---- Normalising phase ---------------------------------------------------

struct Em61NormaliseProgress {
    int percent = 0;
    bool done = false;  // the ring is full; the phase has become normal
};
// Stores the frame's current into the ring; after CURRENT_WINDOW frames the
// mean is formed, `normalisationDone` is set and the phase becomes normal.
Em61NormaliseProgress normaliseStep(Em61State& state, const Em61Record& record);
// The notice line under "Normalization:".
std::string normalisationNoticeText(int percent);

// ---- Target alarm --------------------------------------------------------


enum AlarmType : int { ALARM_DISABLED = 0, ALARM_SIMPLE = 1, ALARM_ENHANCED = 2 };
enum AlarmAudio : int { ALARM_AUDIO_NONE = 0, ALARM_AUDIO_VOICE = 1, ALARM_AUDIO_RINGING = 2 };

// Two-sensor result codes; NO_ALARM_RESULT when neither flag is set.
enum AlarmResult : int {
    NO_ALARM_RESULT = -2,
    RESULT_LEFT = -1,
    RESULT_BETWEEN = 0,
    RESULT_RIGHT = 1,
    RESULT_LEFT_RIGHT = 2,
};

struct SoundRequest {
    std::string_view name;
    bool interrupting = false;
};
// What the alarm asks of the sound player for one reading, in this order.
struct AlarmSounds {
    bool stop = false;  // `stopSound` (the enhanced ring has lasted long enough)
    std::optional<SoundRequest> play;
};

// The alarm settings of the configuration.
struct AlarmSettings {
    int alarmType = ALARM_DISABLED;
    int alarmAudio = ALARM_AUDIO_VOICE;
    int alarmChannel = 0;  // 0 E, 1 L, 2 F
    double alarmLevel = 100.0;
    double alarmMinLevel = 50.0;
    double alarmMaxLevel = 1000.0;
    int alarmDescendingReadings = 0;  // index: 0 one reading, 1 two readings
};
AlarmSettings alarmSettingsOf(const SurveyConfig& config);

int alarmResultCode(const Em61AlarmState& alarm);
std::string_view resultCodeVoice(int code);

// Start of a reading: clears the flags, and stops the enhanced ring once it
// has lasted RING_STOP_READINGS readings.
void beginAlarmReading(Em61AlarmState& alarm, AlarmSounds& sounds);
// Sets the flags from this reading's alarm values (one per sensor) and
// decides the sound. Returns the two-sensor result code (NO_ALARM_RESULT with
// one sensor or no flag).
int evaluateTargetAlarm(const AlarmSettings& settings, int sensorCount, const std::array<double, 2>& values,
                        int dispatchEvery, Em61AlarmState& alarm, AlarmSounds& sounds);

// ---- Normal phase --------------------------------------------------------

enum Lx2Channel : int { CHANNEL_EARLY = 0, CHANNEL_LATE = 1, CHANNEL_FILTERED = 2 };

struct Lx2ReadingInputs {
    int sensorCount = 2;  // `sensorCountIndex` + 1
    std::array<double, 4> lastNullValues{};
    double filterCoefficientLeft = 0.0;
    double filterCoefficientRight = 0.0;
    bool softMarkerActive = false;
    int dispatchEvery = 1;
    AlarmSettings alarm;
};

// One reading of the normal phase, for the read-outs, panes, colour swath
// and data file.
struct Lx2Reading {
    char letter = 0;  // after the soft marker
    std::array<double, 4> channels{};
    std::array<double, 2> filtered{};  // `filteredLeft`, `filteredRight`
    int16_t rawCurrent = 0;
    double batteryVolts = 0.0;
    bool batteryLow = false;  // red background
    double currentAmps = 0.0;
    bool marker = false;  // "MARKER" read-out
    std::array<bool, 2> alarmFlag{};
    std::array<double, 2> alarmValue{};
    int resultCode = NO_ALARM_RESULT;
    AlarmSounds sounds;

    double early(int sensor) const { return channels[2 * sensor]; }
    double late(int sensor) const { return channels[2 * sensor + 1]; }
    // E, L or F of a sensor; any other choice gives E.
    double channel(int sensor, int which) const;
};

// Decodes the record, applies the soft marker to its letter, computes the
// filtered channels, battery, current and marker, and runs the target alarm.
Lx2Reading lx2NormalReading(Em61Record& record, const Lx2ReadingInputs& inputs, Em61State& state);

// ---- Dispatch by phase ---------------------------------------------------

// A frame of the nulling or filter-calibration phases, decoded with the
// offsets in force, for those procedures to accumulate.
struct Em61CalibrationFrame {
    int em61Phase = EM61_NULLING;
    Lx2Decoded decoded;
};
// std::monostate for a phase that uses no frames.
using Lx2FrameOutcome = std::variant<std::monostate, Em61NormaliseProgress, Lx2Reading, Em61CalibrationFrame>;

// The handler body: routes the frame by `em61Phase`.
Lx2FrameOutcome handleLx2Frame(Em61Record& record, const Lx2ReadingInputs& inputs, Em61State& state);

}  // namespace velox
