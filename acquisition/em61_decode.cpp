#include "acquisition/em61_decode.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "config/survey_config.h"

namespace velox {

namespace {

constexpr size_t GAIN_BYTE = 1;
constexpr size_t CURRENT_BYTE = 10;
constexpr size_t CURRENT_FRACTION_BYTE = 12;
constexpr size_t RECORDED_READING_BYTES = 13;  // letter, gain, four words, mean current

int16_t wordAt(std::span<const uint8_t> bytes, size_t at) {
    return static_cast<int16_t>(static_cast<uint16_t>(bytes[at] << 8 | bytes[at + 1]));
}

// Channel words 1..count in millivolts, before normalisation.
std::array<double, 4> scaledWords(std::span<const uint8_t> bytes, int count) {
    std::array<double, 4> millivolts{};
    for (int word = 1; word <= count; ++word) {
        const int divisor = rangeDivisor(rangeCode(bytes[GAIN_BYTE], word), word);
        millivolts[word - 1] = wordAt(bytes, 2 + 2 * (word - 1)) * LX2_MILLIVOLTS_PER_COUNT / divisor;
    }
    return millivolts;
}

double lx2NormalisationFactor(double current, double meanCurrent) {
    if (meanCurrent == 0.0) return 1.0;
    const double nominal = current > LX2_HIGH_CURRENT_THRESHOLD ? LX2_NOMINAL_CURRENT_HIGH : LX2_NOMINAL_CURRENT;
    return nominal / meanCurrent;
}

void normaliseAndOffset(std::array<double, 4>& channels, int count, double factor,
                        const std::array<double, 4>& offsets) {
    for (int i = 0; i < count; ++i) channels[i] = channels[i] * factor - offsets[i];
}

void feedCurrentRing(CurrentRing& ring, int16_t current) {
    const int position = ring.position % CURRENT_WINDOW;
    ring.sum += current - ring.values[position];
    ring.values[position] = current;
    ring.position = (position + 1) % CURRENT_WINDOW;
    ring.meanCurrent = static_cast<double>(ring.sum) / CURRENT_WINDOW;
}

Lx2Decoded decodeLive(int wordCount, Em61Record& record, Em61State& state, const std::array<double, 4>& offsets) {
    Lx2Decoded decoded;
    decoded.letter = static_cast<char>(record[0]);
    decoded.gain = record[GAIN_BYTE];
    decoded.rawCurrent = wordAt(record, CURRENT_BYTE);
    decoded.battery = record[12];
    decoded.channels = scaledWords(record, wordCount);

    feedCurrentRing(state.currentRing, decoded.rawCurrent);
    state.normalisationFactor = lx2NormalisationFactor(decoded.rawCurrent, state.currentRing.meanCurrent);
    normaliseAndOffset(decoded.channels, wordCount, state.normalisationFactor, offsets);
    storeMeanCurrent(record, state.currentRing.meanCurrent);
    return decoded;
}

std::optional<Lx2Recorded> decodeRecorded(int wordCount, std::span<const uint8_t> record,
                                          const std::array<double, 4>& offsets) {
    if (record.size() < RECORDED_READING_BYTES) return std::nullopt;
    Lx2Recorded recorded;
    recorded.letter = static_cast<char>(record[0]);
    recorded.channels = scaledWords(record, wordCount);
    const double mean = recordedMeanCurrent(record);
    // The same threshold as live decoding, applied to the mean: a survey run
    // at a steady current replays exactly as it was shown.
    normaliseAndOffset(recorded.channels, wordCount, lx2NormalisationFactor(mean, mean), offsets);
    return recorded;
}

// Shifts the sensor's enhanced window and tells whether it now holds a peak
// worth an alarm: within the levels, no value below ENHANCED_FRACTION of it,
// inside the window, and followed by two smaller values when asked.
bool enhancedPeakFound(const AlarmSettings& settings, std::array<double, ENHANCED_WINDOW>& window, double& peak,
                       double value) {
    std::shift_left(window.begin(), window.end(), 1);
    window.back() = value;
    peak = *std::max_element(window.begin(), window.end());
    if (peak < settings.alarmMinLevel || peak > settings.alarmMaxLevel) return false;
    for (double w : window)
        if (w < ENHANCED_FRACTION * peak) return false;
    if (settings.alarmDescendingReadings == 1 && !(peak > window[ENHANCED_WINDOW - 2])) return false;
    return peak > window.front() && peak > window.back();
}

std::optional<SoundRequest> simpleAlarmSound(const AlarmSettings& settings, int sensorCount, int resultCode) {
    if (sensorCount == 1) {
        if (settings.alarmAudio == ALARM_AUDIO_NONE) return std::nullopt;
        return SoundRequest{SOUND_RING, false};
    }
    if (settings.alarmAudio == ALARM_AUDIO_VOICE) return SoundRequest{resultCodeVoice(resultCode), true};
    if (settings.alarmAudio == ALARM_AUDIO_RINGING) return SoundRequest{SOUND_RING, false};
    return std::nullopt;
}

std::optional<SoundRequest> enhancedAlarmSound(const AlarmSettings& settings, int sensorCount, int resultCode) {
    if (sensorCount == 1) {
        if (settings.alarmAudio == ALARM_AUDIO_NONE) return std::nullopt;
        return SoundRequest{RINGINSOUND, true};
    }
    if (settings.alarmAudio == ALARM_AUDIO_VOICE) return SoundRequest{resultCodeVoice(resultCode), true};
    if (settings.alarmAudio == ALARM_AUDIO_RINGING) return SoundRequest{RINGINSOUND, true};
    return std::nullopt;
}

}  // namespace

Em61Record em61RecordFromFrame(const Em61Frame& frame) {
    Em61Record record{};
    std::copy(frame.bytes.begin(), frame.bytes.end(), record.begin());
    return record;
}

void resetEm61Phase(Em61State& state) {
    state.em61Phase = EM61_NORMALISING;
    state.currentRing.normalisationDone = false;
    state.currentRing.position = 0;
}

int rangeCode(uint8_t gain, int word) { return (gain >> (2 * (4 - word))) & 0x3; }

int rangeDivisor(int code, int word) {
    switch (code) {
        case 1: return 10;
        case 2: return word == 4 ? 1 : 10;
        case 3: return 100;
        default: return 1;
    }
}

Lx2Decoded decodeLx2One(Em61Record& record, Em61State& state, const std::array<double, 4>& lastNullValues) {
    return decodeLive(2, record, state, lastNullValues);
}

Lx2Decoded decodeLx2Two(Em61Record& record, Em61State& state, const std::array<double, 4>& lastNullValues) {
    return decodeLive(4, record, state, lastNullValues);
}

Lx2Decoded decodeLx2(int sensorCount, Em61Record& record, Em61State& state,
                     const std::array<double, 4>& lastNullValues) {
    return sensorCount == 1 ? decodeLx2One(record, state, lastNullValues)
                            : decodeLx2Two(record, state, lastNullValues);
}

double recordedMeanCurrent(std::span<const uint8_t> record) {
    return wordAt(record, CURRENT_BYTE) + record[CURRENT_FRACTION_BYTE] / 100.0;
}

void storeMeanCurrent(Em61Record& record, double meanCurrent) {
    // Whole part rounded down so that the positive hundredths add back up to
    // the mean for negative currents too; the same as truncation for the
    // positive currents of a working instrument.
    const double whole = std::floor(meanCurrent);
    const auto stored = static_cast<uint16_t>(static_cast<int16_t>(whole));
    record[CURRENT_BYTE] = static_cast<uint8_t>(stored >> 8);
    record[CURRENT_BYTE + 1] = static_cast<uint8_t>(stored & 0xFF);
    record[CURRENT_FRACTION_BYTE] = static_cast<uint8_t>((meanCurrent - whole) * 100.0);
    record[13] = 0;
}

std::optional<Lx2Recorded> decodeRecordedLx2One(std::span<const uint8_t> record, double offsetE, double offsetL) {
    return decodeRecorded(2, record, {offsetE, offsetL, 0.0, 0.0});
}

std::optional<Lx2Recorded> decodeRecordedLx2Two(std::span<const uint8_t> record,
                                                const std::array<double, 4>& offsets) {
    return decodeRecorded(4, record, offsets);
}

double filteredChannel(double early, double late, double coefficient) { return early - coefficient * late; }

double batteryVolts(uint8_t batteryCounts) { return batteryCounts / BATTERY_COUNTS_PER_VOLT; }

bool batteryLow(double volts) { return !(volts > BATTERY_WARNING_VOLTS); }

double lx2CurrentAmps(int16_t currentWord) { return currentWord * LX2_AMPS_PER_COUNT; }

char softMarkerLetter(char letter) {
    switch (letter) {
        case 'T': return 'M';
        case 'D': return 'N';
        case 'E': return 'P';
        case 'F': return 'Q';
        default: return letter;
    }
}

bool isMarkerLetter(char letter) { return std::string_view("MNPQKk").find(letter) != std::string_view::npos; }

Em61NormaliseProgress normaliseStep(Em61State& state, const Em61Record& record) {
    CurrentRing& ring = state.currentRing;
    const int position = ring.position % CURRENT_WINDOW;
    ring.values[position] = wordAt(record, CURRENT_BYTE);
    ring.position = position + 1;
    if (ring.position < CURRENT_WINDOW) return {ring.position * 100 / CURRENT_WINDOW, false};

    ring.sum = 0;
    for (int32_t value : ring.values) ring.sum += value;
    ring.meanCurrent = static_cast<double>(ring.sum) / CURRENT_WINDOW;
    ring.position = 0;
    ring.normalisationDone = true;
    state.em61Phase = EM61_NORMAL;
    return {100, true};
}

std::string normalisationNoticeText(int percent) {
    char text[16];
    std::snprintf(text, sizeof text, "%3d %c", percent, '%');
    return text;
}

AlarmSettings alarmSettingsOf(const SurveyConfig& config) {
    return {config.alarmType,     config.alarmAudio,    config.alarmChannel,           config.alarmLevel,
            config.alarmMinLevel, config.alarmMaxLevel, config.alarmDescendingReadings};
}

int alarmResultCode(const Em61AlarmState& alarm) {
    const bool left = alarm.alarmFlag[SENSOR_LEFT];
    const bool right = alarm.alarmFlag[SENSOR_RIGHT];
    if (!left && !right) return NO_ALARM_RESULT;
    const double leftValue = alarm.alarmValue[SENSOR_LEFT];
    const double rightValue = alarm.alarmValue[SENSOR_RIGHT];
    const double larger = std::abs(leftValue) > std::abs(rightValue) ? leftValue : rightValue;
    if (std::abs(leftValue - rightValue) < BETWEEN_FRACTION * std::abs(larger)) return RESULT_BETWEEN;
    if (left && right) return RESULT_LEFT_RIGHT;
    return left ? RESULT_LEFT : RESULT_RIGHT;
}

std::string_view resultCodeVoice(int code) {
    switch (code) {
        case RESULT_LEFT: return LEFTSOUND;
        case RESULT_BETWEEN: return BETWEENSOUND;
        case RESULT_RIGHT: return RIGHTSOUND;
        case RESULT_LEFT_RIGHT: return LEFTRIGHTSOUND;
        default: return {};
    }
}

void beginAlarmReading(Em61AlarmState& alarm, AlarmSounds& sounds) {
    alarm.alarmFlag = {false, false};
    if (!alarm.alarmRinging) return;
    if (++alarm.alarmHoldCount > RING_STOP_READINGS) {
        sounds.stop = true;
        alarm.alarmRinging = false;
    }
}

int evaluateTargetAlarm(const AlarmSettings& settings, int sensorCount, const std::array<double, 2>& values,
                        int dispatchEvery, Em61AlarmState& alarm, AlarmSounds& sounds) {
    const int sensors = sensorCount == 1 ? 1 : 2;
    for (int s = 0; s < sensors; ++s) alarm.alarmValue[s] = values[s];

    if (settings.alarmType == ALARM_SIMPLE) {
        for (int s = 0; s < sensors; ++s) alarm.alarmFlag[s] = values[s] >= settings.alarmLevel;
        if (alarm.alarmHoldCount < 1) {
            if (alarm.alarmFlag[SENSOR_LEFT] || alarm.alarmFlag[SENSOR_RIGHT]) {
                alarm.alarmHoldCount = 1;
                const int code = sensors == 2 ? alarmResultCode(alarm) : NO_ALARM_RESULT;
                sounds.play = simpleAlarmSound(settings, sensors, code);
            }
        } else if (++alarm.alarmHoldCount > SIMPLE_HOLD_FRAMES / std::max(dispatchEvery, 1)) {
            alarm.alarmHoldCount = 0;
        }
    } else if (settings.alarmType == ALARM_ENHANCED) {
        for (int s = 0; s < sensors; ++s) {
            if (enhancedPeakFound(settings, alarm.window[s], alarm.peak[s], values[s])) {
                alarm.alarmFlag[s] = true;
                alarm.alarmValue[s] = alarm.peak[s];
            }
        }
        if ((alarm.alarmFlag[SENSOR_LEFT] || alarm.alarmFlag[SENSOR_RIGHT]) && !alarm.alarmRinging) {
            const int code = sensors == 2 ? alarmResultCode(alarm) : NO_ALARM_RESULT;
            sounds.play = enhancedAlarmSound(settings, sensors, code);
            alarm.alarmRinging = true;
            alarm.alarmHoldCount = 0;
        }
    }
    return sensors == 2 ? alarmResultCode(alarm) : NO_ALARM_RESULT;
}

double Lx2Reading::channel(int sensor, int which) const {
    switch (which) {
        case CHANNEL_LATE: return late(sensor);
        case CHANNEL_FILTERED: return filtered[sensor];
        default: return early(sensor);
    }
}

Lx2Reading lx2NormalReading(Em61Record& record, const Lx2ReadingInputs& inputs, Em61State& state) {
    const int sensors = inputs.sensorCount == 1 ? 1 : 2;
    Lx2Reading reading;
    beginAlarmReading(state.alarm, reading.sounds);

    const Lx2Decoded decoded = decodeLx2(sensors, record, state, inputs.lastNullValues);
    reading.channels = decoded.channels;
    reading.filtered[SENSOR_LEFT] = filteredChannel(reading.early(0), reading.late(0), inputs.filterCoefficientLeft);
    if (sensors == 2)
        reading.filtered[SENSOR_RIGHT] =
            filteredChannel(reading.early(1), reading.late(1), inputs.filterCoefficientRight);

    if (inputs.softMarkerActive) record[0] = static_cast<uint8_t>(softMarkerLetter(decoded.letter));
    reading.letter = static_cast<char>(record[0]);
    reading.marker = isMarkerLetter(reading.letter);
    reading.rawCurrent = decoded.rawCurrent;
    reading.batteryVolts = batteryVolts(decoded.battery);
    reading.batteryLow = batteryLow(reading.batteryVolts);
    reading.currentAmps = lx2CurrentAmps(decoded.rawCurrent);

    std::array<double, 2> values{};
    for (int s = 0; s < sensors; ++s) values[s] = reading.channel(s, inputs.alarm.alarmChannel);
    reading.resultCode =
        evaluateTargetAlarm(inputs.alarm, sensors, values, inputs.dispatchEvery, state.alarm, reading.sounds);
    reading.alarmFlag = state.alarm.alarmFlag;
    reading.alarmValue = state.alarm.alarmValue;
    return reading;
}

Lx2FrameOutcome handleLx2Frame(Em61Record& record, const Lx2ReadingInputs& inputs, Em61State& state) {
    switch (state.em61Phase) {
        case EM61_NORMALISING: return normaliseStep(state, record);
        case EM61_NORMAL: return lx2NormalReading(record, inputs, state);
        case EM61_NULLING:
        case EM61_FILTER_CAL_AIR:
        case EM61_FILTER_CAL_GROUND:
            return Em61CalibrationFrame{state.em61Phase,
                                        decodeLx2(inputs.sensorCount, record, state, inputs.lastNullValues)};
        default: return std::monostate{};
    }
}

}  // namespace velox
