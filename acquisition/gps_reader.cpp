#include "acquisition/gps_reader.h"

#include <algorithm>
#include <chrono>

#include "acquisition/worker_messages.h"
#include "logging/data_file.h"
#include "platform/handover.h"
#include "platform/operator_messages.h"
#include "platform/sound_player.h"
#include "serial/ports.h"
#include "serial/serial_port.h"

namespace velox {
namespace {

// Bytes handled before the loop checks the silence and the run flag again,
// so that a port that never stops sending (noise at a high speed) cannot
// keep the reader from seeing a stop.
constexpr int kBytesPerPass = 512;
// The pause after a read that found the port closed or failed: the port's
// own read time-out, which such a read does not wait for.
constexpr auto kDeadPortPause = std::chrono::milliseconds(10);

constexpr std::string_view kRingSound = "SOUND_RING";
constexpr char kSpace = ' ';
constexpr char kPassedOn = 'p';

// Ticks are compared both ways: a sentence counts as spaced from the last
// fix passed on when the two are more than MIN_FIX_SPACING_MS apart.
bool spacedFromLastFix(Tick tick, Tick lastFixTick) {
    const uint32_t forward = tick - lastFixTick;
    const uint32_t backward = lastFixTick - tick;
    return std::min(forward, backward) > MIN_FIX_SPACING_MS;
}

}  // namespace

// ---- line handling

GpsLineHandler::GpsLineHandler(const GpsSentenceFormat& format, int surveyMode, SurveyContext& context,
                               DataFile& dataFile, HandOverChannel& channel)
    : format_(format),
      manual_(surveyMode == SURVEY_MANUAL),
      context_(context),
      state_(context.gpsReader),
      dataFile_(dataFile),
      channel_(channel) {}

bool GpsLineHandler::logging() const { return context_.logging.loggingState == LoggingState::Logging; }

bool GpsLineHandler::writing() const { return logging() && context_.acquisition.instrumentLinkUp; }

void GpsLineHandler::write(const AssembledLine& line, char first, char continuation, char status) {
    dataFile_.writeGpsSentence(line.text, line.tick, first, continuation, REC_GPS_TRAILER, status,
                               state_.gpsSentenceCount);
}

void GpsLineHandler::handle(const AssembledLine& line) {
    const GpsLineKind kind = classifyGpsLine(line.text, format_);
    if (kind == GpsLineKind::Raw) {
        handleRaw(line);
        return;
    }
    state_.currentSentence.store(line.text, line.tick);
    state_.lastGpsDataTick = tickNow();
    if (manual_)
        handleManual(kind, line);
    else
        handleAutoOrWheel(kind, line);
}

// A line without "$" or with a wrong or missing checksum: kept in the file as
// it came, but it is no GPS data (the silence check ignores it).
void GpsLineHandler::handleRaw(const AssembledLine& line) {
    if (!manual_ && writing()) write(line, REC_RAW_GPS_FIRST, REC_RAW_GPS_CONTINUATION, kSpace);
}

void GpsLineHandler::handleAutoOrWheel(GpsLineKind kind, const AssembledLine& line) {
    switch (kind) {
        case GpsLineKind::Position:
            if (format_.checksumRequired && logging()) ++state_.gpsSentenceCount;
            handlePosition(line);
            break;
        case GpsLineKind::Status:
            if (writing()) write(line, REC_GPS_FIRST, REC_GPS_CONTINUATION, kSpace);
            channel_.send(WM_GPS_STATUS);
            break;
        case GpsLineKind::Other:
            if (format_.checksumRequired) {
                if (writing()) write(line, REC_EVENT, REC_GPS_CONTINUATION, kSpace);
            } else if (logging()) {
                // Total stations send their other lines without checksums; they
                // are kept whole and counted, whatever the instrument does.
                ++state_.gpsSentenceCount;
                write(line, REC_GPS_FIRST, REC_GPS_CONTINUATION, kSpace);
            }
            break;
        case GpsLineKind::Raw: break;
    }
}

// Passed on when far enough from the last fix passed on; written either way.
void GpsLineHandler::handlePosition(const AssembledLine& line) {
    if (!spacedFromLastFix(line.tick, state_.lastFixTick)) {
        if (writing()) write(line, REC_GPS_FIRST, REC_GPS_CONTINUATION, kSpace);
        return;
    }
    state_.lastFixTick = line.tick;
    if (writing()) write(line, REC_GPS_FIRST, REC_GPS_CONTINUATION, kPassedOn);
    channel_.send(WM_GPS_FIX);
}

// Manual mode writes nothing by itself and passes every sentence on; the
// position and status sentences are held for the next manual reading.
void GpsLineHandler::handleManual(GpsLineKind kind, const AssembledLine& line) {
    if (kind == GpsLineKind::Position) {
        state_.held.holdPosition(line.text, line.tick);
        channel_.send(WM_GPS_FIX);
    } else if (kind == GpsLineKind::Status) {
        state_.held.holdStatus(line.text, line.tick);
        channel_.send(WM_GPS_STATUS);
    }
    writeHeldAfterManualReading();
}

// After a manual reading, the first position sentence received (and the
// status sentence beside it) close the bracket around the reading.
void GpsLineHandler::writeHeldAfterManualReading() {
    if (!state_.manualReadingTaken) return;
    const std::optional<GpsSentence> position = state_.held.takePosition();
    if (!position) return;
    const long count = state_.gpsSentenceCount;
    dataFile_.writeGpsSentence(position->text, position->tick, REC_GPS_FIRST, REC_GPS_CONTINUATION, REC_GPS_TRAILER,
                               kSpace, count);
    ++state_.loggedFixCount;
    state_.manualReadingTaken = false;
    if (const std::optional<GpsSentence> status = state_.held.takeStatus())
        dataFile_.writeGpsSentence(status->text, status->tick, REC_GPS_FIRST, REC_GPS_CONTINUATION, REC_GPS_TRAILER,
                                   kSpace, count);
}

void writeHeldGpsSentences(GpsReaderState& state, DataFile& dataFile) {
    state.held.setLock(true);
    const long count = state.gpsSentenceCount;
    if (const std::optional<GpsSentence> position = state.held.takePosition()) {
        dataFile.writeGpsSentence(position->text, position->tick, REC_GPS_FIRST, REC_GPS_CONTINUATION,
                                  REC_GPS_TRAILER, kPassedOn, count);
        ++state.loggedFixCount;
    }
    if (const std::optional<GpsSentence> status = state.held.takeStatus())
        dataFile.writeGpsSentence(status->text, status->tick, REC_GPS_FIRST, REC_GPS_CONTINUATION, REC_GPS_TRAILER,
                                  kPassedOn, count);
    state.held.setLock(false);
    state.manualReadingTaken = true;
}

uint32_t linkBreakRedFields(int coordinatesDisplay) {
    const uint32_t always = GPS_FIELD_LAMP_A | GPS_FIELD_LAMP_B | GPS_FIELD_DILUTION | GPS_FIELD_SATELLITES;
    if (coordinatesDisplay == 0) return always | GPS_FIELD_COORDINATE_1 | GPS_FIELD_COORDINATE_2;
    return always | GPS_FIELD_UTM_EASTING | GPS_FIELD_UTM_NORTHING | GPS_FIELD_ZONE;
}

// ---- the reader thread

GpsReader::GpsReader(const SurveyConfig& config, SurveyContext& context, const GpsSentenceFormat& format,
                     HandOverChannel& channel, DataFile& dataFile, SoundPlayer& sounds, OperatorMessages& messages)
    : config_(config),
      context_(context),
      state_(context.gpsReader),
      channel_(channel),
      dataFile_(dataFile),
      sounds_(sounds),
      messages_(messages),
      lines_(format, context.derived.workingSurveyMode, context, dataFile, channel) {}

GpsReader::~GpsReader() {
    if (!thread_.joinable()) return;
    // A reader that already ended leaves the port and the channel to whoever uses them now.
    if (!finished_) stop();
    join();
}

bool GpsReader::start() {
    if (thread_.joinable()) return false;
    // Set here rather than by the thread, so that a stop that comes before
    // the thread has run cannot be undone by it.
    state_.gpsReaderRun = true;
    finished_ = false;
    gate_.suspend();
    channel_.reopen();
    thread_ = std::thread([this] { runGpsReader(); });
    return true;
}

void GpsReader::resume() { gate_.resume(); }

void GpsReader::suspend() { gate_.suspend(); }

void GpsReader::stop() {
    state_.gpsReaderRun = false;
    gate_.wake();
    closeGpsPort(context_);
    channel_.release();
}

void GpsReader::join() {
    if (thread_.joinable()) thread_.join();
}

bool GpsReader::passGate() {
    bool waited = false;
    const bool run = gate_.pass([this] { return !state_.gpsReaderRun.load(); }, &waited);
    // Whatever the receiver sent while the reader was parked was not read:
    // that is no silence of the receiver.
    if (waited) state_.lastGpsDataTick = tickNow();
    return run;
}

void GpsReader::runGpsReader() {
    if (passGate()) {
        assembler_.clear();
        context_.ports.gpsPortState = 2;
        state_.lastGpsDataTick = tickNow();
        while (passGate()) {
            checkSilence();
            readAvailableBytes();
        }
    }
    port_.reset();
    // Back to "open" unless the port was closed meanwhile.
    int running = 2;
    context_.ports.gpsPortState.compare_exchange_strong(running, 1);
    finished_ = true;
}

void GpsReader::checkSilence() {
    if (ticksSince(state_.lastGpsDataTick) <= GPS_SILENCE_MS || state_.gpsLinkBroken) return;
    state_.gpsLinkBroken = true;
    recoverGpsLink();
    state_.lastGpsDataTick = tickNow();
}

void GpsReader::readAvailableBytes() {
    if (!port_) port_ = context_.ports.gpsPort.load();
    if (!port_) {
        std::this_thread::sleep_for(kDeadPortPause);
        return;
    }
    for (int n = 0; n < kBytesPerPass && state_.gpsReaderRun; ++n) {
        const ReadResult r = port_->readByte();
        if (r.status == ReadStatus::TimedOut) return;
        if (r.status != ReadStatus::Byte) {
            // Closed or unplugged: look for the port in the context again on
            // the next pass; the silence check reopens a dead one.
            port_.reset();
            std::this_thread::sleep_for(kDeadPortPause);
            return;
        }
        if (const std::optional<AssembledLine> line = assembler_.push(r.byte, tickNow())) lines_.handle(*line);
    }
}

void GpsReader::recoverGpsLink() {
    if (context_.logging.loggingState == LoggingState::Logging) dataFile_.writeEvent(GPS_LINK_BREAK_EVENT, REC_EVENT);
    if (config_.audioDisconnectAlarm) sounds_.playSound(kRingSound, false);
    state_.redFields |= linkBreakRedFields(config_.coordinatesDisplay);

    port_.reset();
    closeGpsPort(context_);
    if (state_.gpsReaderRun && openGpsPort(config_, context_, messages_)) {
        int open = 1;
        context_.ports.gpsPortState.compare_exchange_strong(open, 2);
        // A stop that came while the port was being opened did not see it.
        if (!state_.gpsReaderRun) closeGpsPort(context_);
    }
    state_.gpsLinkBroken = false;
}

}  // namespace velox
