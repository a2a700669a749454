#include "app/start_logging.h"

#include <string>

#include "logging/acquisition_control.h"
#include "logging/logging_control.h"
#include "platform/clock.h"
#include "platform/operator_messages.h"
#include "serial/handshake.h"
#include "serial/ports.h"

namespace velox {

namespace {

constexpr int kInstrumentOpenAttempts = 4;
constexpr uint32_t kBetweenOpenAttemptsMs = 10;
constexpr uint32_t kAfterReaderStartMs = 50;
constexpr uint32_t kEm61FirstTimerPeriodMs = 500;

void prepareSurveyValues(LoggingStart& s) {
    SurveyConfig& config = s.config;
    SurveyContext& context = s.context;
    const InstrumentType type = s.variant.instrumentType;

    s.control.resetRunFlags();
    if (type != InstrumentType::Em61Lx2 && !isGrad601(type)) config.sensorCountIndex = 0;
    s.acquisition.setRecordDecimation(1);
    config.gpsOffsetY = context.derived.workingGpsOffsetY;

    context.ports.gpsEnabled = config.gpsInput != 0 ? 1 : 0;
    if (config.gpsInput == 0 || s.variant.productLine == ProductLine::Orv || config.instrumentEnabled == 0)
        config.colourMapView = 0;
    else if (type == InstrumentType::Em31Mk2 && config.component == 1)
        config.colourMapView = 2;

    context.gpsFix.firstFixSeen = false;
    context.gpsFix.gpsDilution = -2.0;
    context.gpsReader.gpsSentenceCount = 0;
    context.logging.loggingState = LoggingState::Monitoring;

    if (config.nullApply == 0) config.lastNullValues = {};
    context.derived.activeSurveyMode = SURVEY_AUTO;
    context.derived.workingSurveyMode = config.surveyMode;
}

bool nothingToLog(LoggingStart& s) {
    if (s.config.instrumentEnabled != 0 || s.config.gpsInput != 0) return false;
    s.messages.show("EM AND GPS DISABLED", "Instrument Disabled and GPS Disabled", MessageButtons::Ok);
    return true;
}

bool portsConflict(LoggingStart& s) {
    const BuildSwitches& switches = s.variant.switches;
    const SurveyConfig& config = s.config;
    if (switches.simulateEm61Mk2 || switches.simulateGps || config.gpsInput != 1 || config.instrumentEnabled == 0 ||
        config.instrumentPort != config.gpsPort)
        return false;
    s.messages.show("Serial Port Issue",
                    "Serial Port COM" + std::to_string(config.gpsPort + 1) +
                        " Assigned to Instrument and GPS, please change port selection.",
                    MessageButtons::Ok);
    return true;
}

// Up to four attempts 10 ms apart; only the last failure is reported.
bool openInstrumentPortWithRetries(LoggingStart& s) {
    if (s.context.ports.instrumentPortState != 0) closeInstrumentPort(s.context);
    for (int attempt = 1; attempt <= kInstrumentOpenAttempts; ++attempt) {
        const bool last = attempt == kInstrumentOpenAttempts;
        if (openInstrumentPort(s.config, s.context, s.messages, last)) return true;
        if (!last) busyWait(kBetweenOpenAttemptsMs);
    }
    return false;
}

bool openPorts(LoggingStart& s) {
    bool failed = false;
    if (s.config.instrumentEnabled != 0 && !openInstrumentPortWithRetries(s)) failed = true;
    if (s.config.gpsInput == 1 && !s.variant.switches.simulateGps && !openGpsPort(s.config, s.context, s.messages))
        failed = true;
    if (!failed) return true;
    closeInstrumentPort(s.context);
    closeGpsPort(s.context);
    return false;
}

// The EM61-LX2 must answer "H","X" before its reader starts.
bool startEm61Lx2(LoggingStart& s) {
    if (!instrumentHandshake('H', 'X', 0, s.config, s.context, s.messages)) {
        s.messages.show("Connection Issue", "Instrument OFF or Disconnected, or wrong COM port selected",
                        MessageButtons::Ok);
        closeInstrumentPort(s.context);
        closeGpsPort(s.context);
        return false;
    }
    s.acquisition.startInstrumentReader();
    busyWait(kAfterReaderStartMs);
    s.control.setTimerPeriod(kEm61FirstTimerPeriodMs);
    return true;
}

// The instrument's reader; the branches of the other instruments come with
// their readers, until then their port is open and nothing reads it.
bool startInstrument(LoggingStart& s) {
    if (s.config.instrumentEnabled == 0) return true;
    if (s.variant.instrumentType == InstrumentType::Em61Lx2) return startEm61Lx2(s);
    return true;
}

void markDataNow(SurveyContext& context) {
    const Tick now = tickNow();
    context.acquisition.lastDataTick = now;
    context.acquisition.lastRecordTick = now;
}

}  // namespace

uint32_t loggingTimerPeriod(int handshakeMode) { return handshakeMode == 1 ? 100 : 300; }

bool startLogging(LoggingStart& s) {
    prepareSurveyValues(s);
    const bool started = !nothingToLog(s) && !portsConflict(s) && openPorts(s) && startInstrument(s);
    if (!started) {
        s.context.logging.loggingState = LoggingState::Closed;
        return false;
    }

    const bool gps = s.config.gpsInput != 0;
    if (gps) s.acquisition.createGpsReader();
    markDataNow(s.context);
    if (s.config.instrumentEnabled != 0 && !s.variant.switches.altInstrumentReader)
        s.control.setTimerPeriod(loggingTimerPeriod(s.context.ports.handshakeMode));

    s.control.enterMonitoring();
    markDataNow(s.context);
    s.control.showLoggingScreen();
    if (gps) s.acquisition.resumeGpsReader();
    return true;
}

}  // namespace velox
