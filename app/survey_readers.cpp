#include "app/survey_readers.h"

#include <QCoreApplication>

#include <chrono>

#include "acquisition/nmea_format.h"
#include "acquisition/worker_messages.h"
#include "app/survey_display.h"
#include "display/screen_log_wnd.h"
#include "platform/clock.h"
#include "serial/handshake.h"
#include "serial/serial_port.h"

namespace velox {

namespace {

constexpr std::chrono::milliseconds kParkTimeout{500};
constexpr uint32_t kWheelSettleMs = 1300;  // after "H","W" before wheel records come
constexpr uint32_t kContinuousSettleMs = 100;

}  // namespace

SurveyReaders::SurveyReaders(const Variant& variant, SurveyConfig& config, SurveyContext& context,
                             ScreenLogWnd& screen, SurveyDisplay& display, SoundPlayer& sounds)
    : variant_(variant), config_(config), context_(context), screen_(screen), display_(display), sounds_(sounds) {
    screen_.setWorkerHandler(WM_LX2_READING_1, [this] { onInstrumentReading(WM_LX2_READING_1); });
    screen_.setWorkerHandler(WM_LX2_READING_2, [this] { onInstrumentReading(WM_LX2_READING_2); });
    screen_.setWorkerHandler(WM_GPS_FIX, [this] { onGpsFix(); });
    screen_.setWorkerHandler(WM_GPS_STATUS, [this] { onGpsStatus(); });
}

SurveyReaders::~SurveyReaders() { stopReaders(); }

void SurveyReaders::startInstrumentReader() {
    // The other instruments' readers come with their own programs.
    if (variant_.instrumentType != InstrumentType::Em61Lx2) return;
    Em61Handler::Links links{sounds_};
    links.dataFile = screen_.control() ? &screen_.control()->dataFile() : nullptr;
    links.swath = &display_.colourInput();
    em61Handler_ = std::make_unique<Em61Handler>(config_, context_, links);
    lastReadout_ = {};
    em61Reader_ = std::make_unique<Em61Reader>(config_, context_, screen_.workerChannel(), sounds_);
    em61Reader_->start();
}

void SurveyReaders::createGpsReader() {
    const GpsSentenceFormat& format = configureGpsFormat(config_.nmeaData, config_.pseudoGgaSlam);
    gpsFixHandler_ = std::make_unique<GpsFixHandler>(config_, context_, format, sounds_, display_);
    gpsReader_ = std::make_unique<GpsReader>(config_, context_, format, screen_.workerChannel(),
                                             screen_.control()->dataFile(), sounds_, screen_.messages());
    gpsReader_->start();
}

void SurveyReaders::resumeGpsReader() {
    if (gpsReader_) gpsReader_->resume();
}

void SurveyReaders::setRecordDecimation(uint32_t everyNth) {
    context_.em61.dispatchEvery = static_cast<int>(everyNth < 1 ? 1 : everyNth);
    context_.em61.frameCounterReset = true;
}

bool SurveyReaders::switchInstrumentOutput(uint8_t command, uint32_t settleMs) {
    if (!em61Reader_) return false;
    em61Reader_->suspend();
    em61Reader_->waitParked(kParkTimeout);
    const auto port = context_.ports.instrumentPort.load();
    bool answered = false;
    if (port) {
        port->purge(PurgeQueue::Transmit);
        port->purge(PurgeQueue::Receive);
        answered = instrumentHandshake('H', command, 0, config_, context_, screen_.messages());
        if (answered) {
            busyWait(settleMs);
            port->purge(PurgeQueue::Receive);
        }
    }
    em61Reader_->resume();
    return answered;
}

bool SurveyReaders::startWheelTriggering() { return switchInstrumentOutput('W', kWheelSettleMs); }

void SurveyReaders::stopWheelTriggering() { switchInstrumentOutput('X', kContinuousSettleMs); }

void SurveyReaders::stopReaders() {
    // Both are told first, so that neither waits on the other's release.
    if (em61Reader_) em61Reader_->stop();
    if (gpsReader_) gpsReader_->stop();
    if (em61Reader_) em61Reader_->join();
    if (gpsReader_) gpsReader_->join();
    em61Reader_.reset();
    gpsReader_.reset();
}

void SurveyReaders::onInstrumentReading(int message) {
    if (!em61Handler_) return;
    const Em61Readout readout = em61Handler_->onLx2Reading(message);
    if (readout.enableStateButtons && screen_.control()) screen_.control()->enableStateButtons();
    if (readout.notice != NoticeChange::Unchanged) lastReadout_.noticeLines = readout.noticeLines;
    if (readout.notice == NoticeChange::Clear) lastReadout_.noticeLines = {};
    if (readout.reading) {
        lastReadout_.reading = readout.reading;
        lastReadout_.sensorCount = readout.sensorCount;
        lastReadout_.channelTexts = readout.channelTexts;
        lastReadout_.batteryText = readout.batteryText;
        lastReadout_.batteryBackground = readout.batteryBackground;
        lastReadout_.currentText = readout.currentText;
        lastReadout_.markerText = readout.markerText;
        if (readout.counted) {
            lastReadout_.counted = true;
            lastReadout_.stationText = readout.stationText;
            lastReadout_.readingCountText = readout.readingCountText;
            lastReadout_.loggingTimeText = readout.loggingTimeText;
        }
        screen_.showAlarmState(em61Handler_->state().alarm);
        display_.onLx2Reading(*readout.reading, readout.sensorCount, readout.counted);
    }
    showReadouts();
}

void SurveyReaders::onGpsFix() {
    if (!gpsFixHandler_) return;
    const GpsFixOutcome outcome = gpsFixHandler_->onGpsFix(screen_.isVisible());
    if (outcome.enableStateButtons && screen_.control()) screen_.control()->enableStateButtons();
    if (outcome.fixLimitReached) {
        // Logging is back in Monitoring and the file holds every record; the
        // operator restarts the program.
        if (gpsReader_) gpsReader_->suspend();
        if (em61Reader_) em61Reader_->suspend();
        screen_.messages().show(std::string(FIX_LIMIT_TITLE), std::string(FIX_LIMIT_TEXT), MessageButtons::Ok);
        QCoreApplication::exit(0);
        return;
    }
    display_.onSpeed(gpsFixHandler_->readouts().speedBarValue);
    showReadouts();
}

void SurveyReaders::onGpsStatus() {
    if (!gpsFixHandler_) return;
    gpsFixHandler_->onGpsStatus();
    showReadouts();
}

void SurveyReaders::showReadouts() {
    screen_.showInstrumentReadout(lastReadout_);
    if (gpsFixHandler_) screen_.showGpsReadouts(gpsFixHandler_->readouts());
}

}  // namespace velox
