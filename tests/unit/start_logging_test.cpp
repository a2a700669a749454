// The start of logging against pseudo-terminal ports: the refusals, the
// busy and silent instruments, the handshake answers and the timer periods,
// the disabled-instrument and disabled-GPS paths, and the order in which the
// readers are started.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "app/start_logging.h"
#include "config/survey_config.h"
#include "config/survey_context.h"
#include "logging/logging_control.h"
#include "logging_test_support.h"
#include "serial/ports.h"
#include "serial_pty.h"
#include "test_support.h"

namespace velox {
namespace {

using test::HandshakePeer;
using test::PtyPair;

const Variant kLx2{InstrumentType::Em61Lx2, ProductLine::Velox, {}};
constexpr int kInstrumentPort = 3;  // COM4
constexpr int kGpsPort = 5;         // COM6

struct Start {
    explicit Start(const Variant& v = kLx2) : variant(v) {
        context.variant = variant;
        config.instrumentPort = kInstrumentPort;
        config.gpsPort = kGpsPort;
        instrument.registerAs(kInstrumentPort);
        gps.registerAs(kGpsPort);
    }
    ~Start() {
        closeInstrumentPort(context);
        closeGpsPort(context);
    }
    bool run() {
        deriveSettingsValues(variant, config, context);
        control = std::make_unique<LoggingControl>(variant, config, context,
                                                   LoggingLinks{messages, picker, sounds, acquisition, host});
        LoggingStart start{variant, config, context, messages, acquisition, *control};
        return startLogging(start);
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const auto& s : messages.shown) out.push_back(s.text);
        return out;
    }
    void expectNothingOpen() const {
        EXPECT_EQ(context.ports.instrumentPortState.load(), 0);
        EXPECT_EQ(context.ports.gpsPortState.load(), 0);
        EXPECT_FALSE(context.ports.instrumentPort.load());
        EXPECT_FALSE(context.ports.gpsPort.load());
        EXPECT_EQ(context.logging.loggingState.load(), LoggingState::Closed);
        EXPECT_EQ(context.screen.screenState.load(), 0);
        EXPECT_EQ(host.timerPeriod, 0u);
        EXPECT_FALSE(acquisition.called("startInstrument"));
        EXPECT_FALSE(acquisition.called("createGps"));
    }

    test::TempDataRoot data;
    PtyPair instrument;
    PtyPair gps;
    Variant variant;
    SurveyConfig config;
    SurveyContext context;
    test::AnsweringMessages messages;
    test::AcceptingPicker picker;
    test::RecordingSounds sounds;
    test::FakeAcquisition acquisition;
    test::ScriptedHost host;
    std::unique_ptr<LoggingControl> control;
};

TEST(StartLogging, BothDisabledIsRefused) {
    Start s;
    s.config.instrumentEnabled = 0;
    s.config.gpsInput = 0;
    EXPECT_FALSE(s.run());
    ASSERT_EQ(s.messages.shown.size(), 1u);
    EXPECT_EQ(s.messages.shown[0].title, "EM AND GPS DISABLED");
    EXPECT_EQ(s.messages.shown[0].text, "Instrument Disabled and GPS Disabled");
    s.expectNothingOpen();
}

TEST(StartLogging, SharedPortIsRefusedNamingIt) {
    Start s;
    s.config.instrumentPort = 2;
    s.config.gpsPort = 2;
    s.instrument.registerAs(2);
    EXPECT_FALSE(s.run());
    ASSERT_EQ(s.messages.shown.size(), 1u);
    EXPECT_EQ(s.messages.shown[0].title, "Serial Port Issue");
    EXPECT_EQ(s.messages.shown[0].text,
              "Serial Port COM3 Assigned to Instrument and GPS, please change port selection.");
    s.expectNothingOpen();
}

TEST(StartLogging, BusyInstrumentPortIsReportedOnceAndTheGpsPortClosed) {
    Start s;
    SurveyContext otherProgram;
    otherProgram.variant = kLx2;
    test::RecordedMessages ignored;
    ASSERT_TRUE(openInstrumentPort(s.config, otherProgram, ignored, false));

    const auto before = std::chrono::steady_clock::now();
    EXPECT_FALSE(s.run());
    const auto took = std::chrono::steady_clock::now() - before;
    EXPECT_EQ(s.texts(), std::vector<std::string>{"Cannot open COM4 "});
    EXPECT_GE(took, std::chrono::milliseconds(30));  // three waits of 10 ms between the four attempts
    s.expectNothingOpen();
    closeInstrumentPort(otherProgram);
}

TEST(StartLogging, MissingGpsPortClosesTheInstrumentPort) {
    Start s;
    s.config.gpsPort = 40;  // COM41: nothing there
    EXPECT_FALSE(s.run());
    EXPECT_EQ(s.texts(), std::vector<std::string>{"Cannot open COM41 for GPS"});
    s.expectNothingOpen();
}

TEST(StartLogging, SilentInstrumentIsAConnectionIssueAfterThreeAttempts) {
    Start s;
    HandshakePeer peer(s.instrument, "");
    const auto before = std::chrono::steady_clock::now();
    EXPECT_FALSE(s.run());
    EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(2900));
    ASSERT_EQ(s.messages.shown.size(), 1u);
    EXPECT_EQ(s.messages.shown[0].title, "Connection Issue");
    EXPECT_EQ(s.messages.shown[0].text, "Instrument OFF or Disconnected, or wrong COM port selected");
    EXPECT_EQ(peer.received(), "HXHXHX");
    s.expectNothingOpen();
}

TEST(StartLogging, AnsweringInstrumentStartsTheReadersAndTheTimer) {
    // answer, handshakeMode, timer period
    const std::tuple<std::string, int, uint32_t> cases[] = {{"OK", 1, 100}, {"OV", 0, 300}};
    for (const auto& [answer, mode, period] : cases) {
        Start s;
        s.config.surveyMode = SURVEY_WHEEL;  // the run starts in Auto whatever the settings say
        s.config.nullApply = 0;
        s.config.lastNullValues = {1, 2, 3, 4};
        HandshakePeer peer(s.instrument, answer);
        ASSERT_TRUE(s.run()) << answer;
        EXPECT_TRUE(s.messages.shown.empty());
        EXPECT_EQ(s.context.ports.handshakeMode.load(), mode);
        EXPECT_EQ(s.host.timerPeriod, period);
        EXPECT_EQ(s.acquisition.calls,
                  (std::vector<std::string>{"decimation 1", "startInstrument", "createGps", "resumeGps"}));
        EXPECT_EQ(s.context.logging.loggingState.load(), LoggingState::Monitoring);
        EXPECT_EQ(s.context.screen.screenState.load(), 1);
        EXPECT_EQ(s.host.screen, "logging");
        EXPECT_EQ(s.context.derived.activeSurveyMode, SURVEY_AUTO);
        EXPECT_EQ(s.context.derived.workingSurveyMode, SURVEY_WHEEL);
        EXPECT_EQ(s.config.lastNullValues, (std::array<double, 4>{}));
        EXPECT_EQ(s.context.ports.gpsPortState.load(), 1);
        EXPECT_TRUE(s.control->waitingForFirstFix());
        EXPECT_FALSE(s.control->stateButtonEnabled(0));  // until the first data
        EXPECT_EQ(s.control->statusText(), "Monitoring (Wheel)");
    }
}

TEST(StartLogging, InstrumentDisabledOpensOnlyTheGps) {
    Start s;
    s.config.instrumentEnabled = 0;
    s.config.colourMapView = 1;
    ASSERT_TRUE(s.run());
    EXPECT_EQ(s.context.ports.instrumentPortState.load(), 0);
    EXPECT_EQ(s.context.ports.gpsPortState.load(), 1);
    EXPECT_EQ(s.host.timerPeriod, 0u);
    EXPECT_EQ(s.acquisition.calls, (std::vector<std::string>{"decimation 1", "createGps", "resumeGps"}));
    EXPECT_EQ(s.config.colourMapView, 0);
    EXPECT_TRUE(s.control->stateButtonEnabled(0));
}

TEST(StartLogging, GpsDisabledStartsNoGpsReader) {
    Start s;
    s.config.gpsInput = 0;
    s.config.colourMapView = 1;
    HandshakePeer peer(s.instrument, "OK");
    ASSERT_TRUE(s.run());
    EXPECT_EQ(s.context.ports.gpsPortState.load(), 0);
    EXPECT_FALSE(s.acquisition.called("createGps"));
    EXPECT_EQ(s.config.colourMapView, 0);
    EXPECT_FALSE(s.control->mapViewActive());
    EXPECT_FALSE(s.control->waitingForFirstFix());
    EXPECT_EQ(s.context.logging.loggingState.load(), LoggingState::Monitoring);
}

TEST(StartLogging, ExitThenStartAgainReusesThePorts) {
    Start s;
    HandshakePeer peer(s.instrument, "OK");
    for (int run = 0; run < 3; ++run) {
        ASSERT_TRUE(s.run()) << run;
        s.control->exitLogging();
        EXPECT_EQ(s.context.ports.instrumentPortState.load(), 0);
        EXPECT_EQ(s.context.ports.gpsPortState.load(), 0);
        EXPECT_EQ(s.context.logging.loggingState.load(), LoggingState::Closed);
    }
}

}  // namespace
}  // namespace velox
