#include "acquisition/em61_handler.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "acquisition/worker_messages.h"
#include "logging/data_file.h"
#include "platform/sound_player.h"
#include "platform/text.h"

namespace velox {

namespace {

}  // namespace

std::string stationText(double stationValue) { return formatText("%-11.2f", stationValue); }

std::string readingCountText(int readingCount) { return formatText("%-7d", readingCount); }

std::string loggingTimeText(uint32_t totalMs) {
    const uint32_t seconds = totalMs / 1000;
    return formatText("%02d:%02d:%02d", static_cast<int>(seconds / 3600), static_cast<int>(seconds / 60 % 60),
                     static_cast<int>(seconds % 60));
}

std::string batteryText(double volts) { return formatText(" %4.1f V", volts); }

std::string currentText(double amps) { return formatText("%4.1f A", amps); }

std::string channelText(double millivolts) { return formatText("%9.1f", millivolts); }

std::optional<int> colourEntryOf(const Lx2Reading& reading, int sensorCount, int colourMapView,
                                 const ColourSwathInput& swath) {
    if (colourMapView < 1 || colourMapView > 3) return std::nullopt;
    const int channel = colourMapView - 1;  // 1 E, 2 L, 3 F
    auto index = [&](int sensor) {
        return std::clamp(swath.colourIndexOf(reading.channel(sensor, channel)), 0, COLOUR_INDEX_LAST);
    };
    if (sensorCount == 1) return index(SENSOR_LEFT);
    return index(SENSOR_LEFT) + SECOND_SENSOR_COLOUR_FACTOR * index(SENSOR_RIGHT);
}

Em61Handler::Em61Handler(const SurveyConfig& config, SurveyContext& context, Links links)
    : config_(config), context_(context), links_(std::move(links)) {}

Em61Readout Em61Handler::onLx2Reading(int message) {
    auto& buffer = context_.em61.frameBuffer;
    Em61Record record{};
    std::copy_n(buffer.begin(), record.size(), record.begin());
    // The frame's own arrival: the reader stamps it just before handing it over.
    const Tick tick = context_.acquisition.lastRecordTick;
    Em61Readout readout = handleFrame(message == WM_LX2_READING_1 ? 1 : 2, record, tick);
    buffer[0] = 0;
    return readout;
}

Lx2ReadingInputs Em61Handler::readingInputs(int sensorCount) const {
    Lx2ReadingInputs inputs;
    inputs.sensorCount = sensorCount;
    inputs.lastNullValues = config_.lastNullValues;
    inputs.filterCoefficientLeft = context_.derived.filterCoefficientLeft;
    inputs.filterCoefficientRight = context_.derived.filterCoefficientRight;
    inputs.softMarkerActive = context_.logging.softMarkerActive;
    inputs.dispatchEvery = context_.em61.dispatchEvery;
    inputs.alarm = alarmSettingsOf(config_);
    return inputs;
}

Em61Readout Em61Handler::handleFrame(int sensorCount, Em61Record& record, Tick tick) {
    Em61Readout readout;
    readout.sensorCount = sensorCount;
    if (context_.em61.lostNoticeCleared.exchange(false)) readout.notice = NoticeChange::Clear;

    const Lx2FrameOutcome outcome = handleLx2Frame(record, readingInputs(sensorCount), state_);
    if (const auto* progress = std::get_if<Em61NormaliseProgress>(&outcome)) {
        onNormalising(*progress, readout);
    } else if (const auto* reading = std::get_if<Lx2Reading>(&outcome)) {
        onNormalReading(*reading, record, tick, readout);
    } else if (const auto* frame = std::get_if<Em61CalibrationFrame>(&outcome)) {
        if (links_.calibration) links_.calibration->onCalibrationFrame(*frame);
    }
    return readout;
}

void Em61Handler::onNormalising(const Em61NormaliseProgress& progress, Em61Readout& readout) {
    if (!progress.done) {
        readout.notice = NoticeChange::Show;
        readout.noticeLines = {std::string(NORMALISATION_NOTICE_TITLE), normalisationNoticeText(progress.percent)};
        return;
    }
    readout.notice = NoticeChange::Clear;
    readout.instrumentReady = true;
    readout.enableStateButtons = context_.ports.gpsEnabled == 0 || context_.gpsFix.firstFixSeen;
    context_.em61.instrumentReady = true;
}

void Em61Handler::onNormalReading(Lx2Reading reading, const Em61Record& record, Tick tick, Em61Readout& readout) {
    if (context_.logging.loggingState == LoggingState::Logging) logReading(reading, record, tick, readout);

    readout.markerText = reading.marker ? std::string(MARKER_TEXT) : std::string();
    readout.batteryText = batteryText(reading.batteryVolts);
    if (reading.batteryLow) readout.batteryBackground = BATTERY_WARNING_BACKGROUND;
    readout.currentText = currentText(reading.currentAmps);
    for (int sensor = 0; sensor < readout.sensorCount; ++sensor)
        for (int channel = CHANNEL_EARLY; channel <= CHANNEL_FILTERED; ++channel)
            readout.channelTexts[3 * sensor + channel] = channelText(reading.channel(sensor, channel));

    playAlarm(reading.sounds);
    readout.reading = std::move(reading);
}

// Colour entry, reading record, counters and logging time of a reading taken while logging.
void Em61Handler::logReading(const Lx2Reading& reading, const Em61Record& record, Tick tick, Em61Readout& readout) {
    if (links_.swath && links_.swath->collecting())
        if (const auto entry = colourEntryOf(reading, readout.sensorCount, config_.colourMapView, *links_.swath))
            links_.swath->colourBufferAppend(*entry);

    DataFile* file = links_.dataFile;
    if (file && file->isAtOrAfterLoggingStart(tick)) {
        file->writeReading(std::string_view(reinterpret_cast<const char*>(record.data()), record.size()), tick);
        readout.recordWritten = true;
    }

    auto& counters = context_.acquisition;
    auto& derived = context_.derived;
    if (counters.stationStarted) derived.stationValue += derived.stationIncrement;
    ++counters.readingCount;
    counters.stationStarted = true;
    readout.counted = true;
    readout.stationText = stationText(derived.stationValue);
    readout.readingCountText = readingCountText(counters.readingCount);

    auto& logging = context_.logging;
    logging.lastLoggingTotalMs = logging.loggingTimeMs + (tickNow() - logging.loggingResumeTick);
    readout.loggingTimeText = loggingTimeText(logging.lastLoggingTotalMs);
}

void Em61Handler::playAlarm(const AlarmSounds& sounds) {
    if (sounds.stop) links_.sounds.stopSound();
    if (sounds.play) links_.sounds.playSound(sounds.play->name, sounds.play->interrupting);
}

}  // namespace velox
