// The EM61-LX2 reading handlers on the user-interface thread: what a frame in
// `frameBuffer` becomes in each phase, in the data file, on the colour swath,
// in the counters, the read-outs and the sounds.

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "acquisition/em61_handler.h"
#include "acquisition/worker_messages.h"
#include "config/survey_config.h"
#include "config/survey_context.h"
#include "data_file_test_support.h"
#include "em61_test_support.h"
#include "logging/data_file.h"
#include "test_support.h"

namespace velox::test {
namespace {

class CalibrationRecorder final : public Em61CalibrationInput {
public:
    void onCalibrationFrame(const Em61CalibrationFrame& frame) override { frames.push_back(frame); }
    std::vector<Em61CalibrationFrame> frames;
};

class Em61HandlerTest : public ::testing::Test {
protected:
    Em61HandlerTest() : clock(kTick), handler(config, context, {sounds, &file, &swath, &calibration}) {
        config.sensorCountIndex = 0;
        config.colourMapView = 1;
        context.ports.gpsEnabled = 1;
        context.logging.loggingState = LoggingState::Logging;
        EXPECT_TRUE(file.open(root.path() / "survey.RX2"));
        file.setLoggingStartTick(kTick);
    }

    // Hands a frame over as the reader does, stamped `tick`.
    Em61Readout deliver(const FrameValues& values, int message = WM_LX2_READING_1, std::optional<Tick> tick = {}) {
        const Em61Frame frame = em61Frame(values);
        std::copy(frame.bytes.begin(), frame.bytes.end(), context.em61.frameBuffer.begin());
        context.em61.frameBuffer[frame.bytes.size()] = 0;
        context.acquisition.lastRecordTick = tick.value_or(clock.tick);
        return handler.onLx2Reading(message);
    }

    // Three frames of the steady current end the normalising phase.
    void normalise(int message = WM_LX2_READING_1) {
        for (int i = 0; i < CURRENT_WINDOW; ++i) deliver({}, message);
        sounds.clear();
    }

    std::vector<LoggedReading> readings() const { return loggedReadings(file.path()); }

    TempDataRoot root;
    FixedClock clock;
    SurveyConfig config;
    SurveyContext context;
    RecordingSounds sounds;
    RecordingSwath swath;
    CalibrationRecorder calibration;
    DataFile file{Variant{}};
    Em61Handler handler;
};

TEST_F(Em61HandlerTest, NormalisingShowsItsProgressThenTheInstrumentBecomesReady) {
    std::vector<std::string> notices;
    for (int i = 0; i < CURRENT_WINDOW - 1; ++i) {
        const Em61Readout r = deliver({});
        EXPECT_EQ(r.notice, NoticeChange::Show);
        EXPECT_EQ(r.noticeLines[0], "Normalization:");
        notices.push_back(r.noticeLines[1]);
        EXPECT_FALSE(r.reading);
    }
    EXPECT_EQ(notices, (std::vector<std::string>{" 33 %", " 66 %"}));
    const Em61Readout last = deliver({});
    EXPECT_EQ(last.notice, NoticeChange::Clear);
    EXPECT_TRUE(last.instrumentReady);
    EXPECT_TRUE(context.em61.instrumentReady);
    EXPECT_EQ(handler.state().em61Phase, EM61_NORMAL);
    EXPECT_TRUE(readings().empty()) << "normalising frames are not readings";
    EXPECT_EQ(context.acquisition.readingCount, 0);
}

TEST_F(Em61HandlerTest, StateButtonsWaitForTheFirstFixWhenTheGpsIsUsed) {
    const struct {
        int gpsEnabled;
        bool firstFixSeen;
        bool enable;
    } cases[] = {{0, false, true}, {1, false, false}, {1, true, true}};
    for (const auto& c : cases) {
        context.ports.gpsEnabled = c.gpsEnabled;
        context.gpsFix.firstFixSeen = c.firstFixSeen;
        resetEm61Phase(handler.state());
        Em61Readout r;
        for (int i = 0; i < CURRENT_WINDOW; ++i) r = deliver({});
        EXPECT_TRUE(r.instrumentReady);
        EXPECT_EQ(r.enableStateButtons, c.enable) << c.gpsEnabled << " " << c.firstFixSeen;
    }
}

// The reference frame: words 100 and 50, current 1536, battery 80.
TEST_F(Em61HandlerTest, ReferenceFrameGivesItsMillivoltsReadOutsAndRecord) {
    normalise();
    const Em61Readout r = deliver({}, WM_LX2_READING_1, kTick + 5);
    ASSERT_TRUE(r.reading);
    EXPECT_DOUBLE_EQ(r.reading->early(0), 2000.0 * 1585.6 / 1536.0);
    EXPECT_DOUBLE_EQ(r.reading->late(0), 1000.0 * 1585.6 / 1536.0);
    EXPECT_EQ(r.batteryText, " 12.0 V");
    EXPECT_FALSE(r.batteryBackground);
    EXPECT_EQ(r.currentText, " 2.9 A");
    EXPECT_EQ(r.channelTexts[0], "   2064.6");
    EXPECT_EQ(r.channelTexts[1], "   1032.3");
    EXPECT_EQ(r.channelTexts[2], r.channelTexts[0]) << "F = E with a zero filter coefficient";
    EXPECT_TRUE(r.channelTexts[3].empty()) << "one sensor has no right-hand read-outs";
    EXPECT_EQ(r.markerText, "");
    EXPECT_EQ(context.em61.frameBuffer[0], 0) << "the handler marks the buffer consumed";

    const std::vector<LoggedReading> written = readings();
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0].letter, 'T');
    EXPECT_EQ(written[0].gain, 0x00);
    EXPECT_EQ(written[0].words, (std::array<int16_t, 4>{100, 50, 0, 0}));
    EXPECT_DOUBLE_EQ(written[0].meanCurrent, 1536.0);
    EXPECT_EQ(written[0].bytes.substr(13, 3), std::string(3, '\0'));
    EXPECT_EQ(written[0].tick, kTick + 5);
}

TEST_F(Em61HandlerTest, TwoSensorsReadFourChannelsAndBothFilteredValues) {
    config.sensorCountIndex = 1;
    context.derived.filterCoefficientLeft = 0.5;
    context.derived.filterCoefficientRight = 2.0;
    normalise(WM_LX2_READING_2);
    const Em61Readout r = deliver({.words = {100, 40, 60, 10}, .current = 1536}, WM_LX2_READING_2);
    ASSERT_TRUE(r.reading);
    const double f = 1585.6 / 1536.0;
    EXPECT_DOUBLE_EQ(r.reading->filtered[0], (2000.0 - 0.5 * 800.0) * f);
    EXPECT_DOUBLE_EQ(r.reading->filtered[1], (1200.0 - 2.0 * 200.0) * f);
    EXPECT_EQ(r.channelTexts[3], channelText(1200.0 * f));
    EXPECT_EQ(r.channelTexts[5], channelText(800.0 * f));
    ASSERT_EQ(readings().size(), 1u);
    EXPECT_EQ(readings()[0].words, (std::array<int16_t, 4>{100, 40, 60, 10}));
}

// Only readings of the Logging state, stamped at or after the start of
// logging, reach the file; the counters move in the Logging state only.
TEST_F(Em61HandlerTest, RecordsAreWrittenOnlyWhileLoggingAndNotBeforeTheLoggingStart) {
    const struct {
        LoggingState state;
        Tick tick;
        bool written;
        bool counted;
    } cases[] = {
        {LoggingState::Logging, kTick, true, true},
        {LoggingState::Logging, kTick + 1000, true, true},
        {LoggingState::Logging, kTick - 1, false, true},
        {LoggingState::StandBy, kTick + 1000, false, false},
        {LoggingState::Monitoring, kTick + 1000, false, false},
    };
    normalise();
    for (const auto& c : cases) {
        context.logging.loggingState = c.state;
        const std::size_t before = readings().size();
        const int countBefore = context.acquisition.readingCount;
        const Em61Readout r = deliver({}, WM_LX2_READING_1, c.tick);
        EXPECT_EQ(r.recordWritten, c.written) << static_cast<int>(c.state) << " " << c.tick;
        EXPECT_EQ(readings().size(), before + (c.written ? 1 : 0));
        EXPECT_EQ(context.acquisition.readingCount, countBefore + (c.counted ? 1 : 0));
        EXPECT_TRUE(r.reading) << "read-outs are refreshed in every state";
    }
}

TEST_F(Em61HandlerTest, LoggingWithoutAnOpenFileStillCounts) {
    handler.links().dataFile = nullptr;
    normalise();
    const Em61Readout r = deliver({});
    EXPECT_FALSE(r.recordWritten);
    EXPECT_TRUE(r.counted);
    EXPECT_EQ(context.acquisition.readingCount, 1);
}

TEST_F(Em61HandlerTest, SoftMarkerStoresTheMarkerLetterOfEachMode) {
    const struct {
        char sent;
        bool softMarker;
        char stored;
        bool markerShown;
    } cases[] = {
        {'T', true, 'M', true},  {'D', true, 'N', true},  {'E', true, 'P', true},   {'F', true, 'Q', true},
        {'M', true, 'M', true},  {'T', false, 'T', false}, {'N', false, 'N', true},
    };
    normalise();
    for (const auto& c : cases) {
        context.logging.softMarkerActive = c.softMarker;
        const Em61Readout r = deliver({.letter = c.sent});
        EXPECT_EQ(r.markerText, c.markerShown ? "MARKER" : "") << c.sent << c.softMarker;
        EXPECT_EQ(readings().back().letter, c.stored) << c.sent << c.softMarker;
    }
}

TEST_F(Em61HandlerTest, StationAdvancesFromTheSecondReadingAndTheTotalsAreShown) {
    context.derived.stationValue = 10.0;
    context.derived.stationIncrement = -0.25;
    context.logging.loggingTimeMs = 3600 * 1000;
    context.logging.loggingResumeTick = kTick - 61 * 1000 - 500;
    normalise();
    const Em61Readout first = deliver({});
    EXPECT_EQ(first.stationText, "10.00      ");
    EXPECT_EQ(first.readingCountText, "1      ");
    EXPECT_EQ(first.loggingTimeText, "01:01:01");
    EXPECT_EQ(context.logging.lastLoggingTotalMs, 3600u * 1000 + 61500);
    const Em61Readout second = deliver({});
    EXPECT_EQ(second.stationText, "9.75       ");
    EXPECT_EQ(second.readingCountText, "2      ");
    context.logging.loggingState = LoggingState::StandBy;
    const Em61Readout paused = deliver({});
    EXPECT_FALSE(paused.counted);
    EXPECT_EQ(paused.stationText, "") << "the totals are not redrawn outside logging";
    EXPECT_DOUBLE_EQ(context.derived.stationValue, 9.75);
}

TEST_F(Em61HandlerTest, ColourEntryOfTheChosenChannelClampedAndPackedForTwoSensors) {
    // 10 mV per colour; words scale by 20 mV and 1585.6/1536 (about 20.65 mV per count).
    const struct {
        int sensorCountIndex;
        int colourMapView;
        std::array<int16_t, 4> words;
        std::optional<int> entry;
    } cases[] = {
        {0, 1, {10, 5, 0, 0}, 20},            // E 206.5 mV
        {0, 2, {10, 5, 0, 0}, 10},            // L 103.3 mV
        {0, 3, {10, 5, 0, 0}, 20},            // F = E with coefficient 0
        {0, 1, {-10, 0, 0, 0}, 0},            // below the scale
        {0, 1, {1000, 0, 0, 0}, 49},          // above the scale
        {1, 1, {10, 5, 20, 0}, 20 + 64 * 41}, // left 206.5, right 413.0
        {1, 2, {10, 5, 20, 1000}, 10 + 64 * 49},
        {0, 0, {10, 5, 0, 0}, std::nullopt},  // colour map off
    };
    for (const auto& c : cases) {
        config.sensorCountIndex = c.sensorCountIndex;
        config.colourMapView = c.colourMapView;
        const int message = c.sensorCountIndex == 0 ? WM_LX2_READING_1 : WM_LX2_READING_2;
        resetEm61Phase(handler.state());
        normalise(message);
        swath.entries.clear();
        deliver({.words = c.words}, message);
        if (c.entry) {
            EXPECT_EQ(swath.entries, std::vector<int>{*c.entry}) << c.colourMapView << " " << c.words[0];
        } else {
            EXPECT_TRUE(swath.entries.empty());
        }
    }
}

TEST_F(Em61HandlerTest, NoColourEntryWhileTheSwathIsNotCollectingOrOutsideLogging) {
    normalise();
    swath.collectingNow = false;
    deliver({});
    swath.collectingNow = true;
    context.logging.loggingState = LoggingState::Monitoring;
    deliver({});
    EXPECT_TRUE(swath.entries.empty());
    handler.links().swath = nullptr;
    context.logging.loggingState = LoggingState::Logging;
    EXPECT_TRUE(deliver({}).recordWritten) << "no map yet: the reading is still logged";
}

TEST_F(Em61HandlerTest, BatteryIsRedAtOrBelowTenAndAHalfVolts) {
    const struct {
        uint8_t counts;
        const char* text;
        bool warning;
    } cases[] = {{70, " 10.5 V", true}, {71, " 10.6 V", false}, {0, "  0.0 V", true}, {255, " 38.2 V", false}};
    normalise();
    for (const auto& c : cases) {
        const Em61Readout r = deliver({.battery = c.counts});
        EXPECT_EQ(r.batteryText, c.text);
        EXPECT_EQ(r.batteryBackground.has_value(), c.warning) << int(c.counts);
        if (c.warning) {
            EXPECT_EQ(*r.batteryBackground, 0x0000FF);
        }
    }
}

// The alarm decisions reach the sound player in order: a stop before a new sound.
TEST_F(Em61HandlerTest, AlarmSoundsArePlayed) {
    using Call = RecordingSounds::Call;
    const double perCount = 20.0 * 1585.6 / 1536.0;
    auto words = [&](double left, double right) {
        return std::array<int16_t, 4>{static_cast<int16_t>(std::lround(left / perCount)), 0,
                                      static_cast<int16_t>(std::lround(right / perCount)), 0};
    };
    struct Case {
        const char* name;
        int sensorCountIndex;
        int alarmType;
        int alarmAudio;
        std::vector<std::pair<double, double>> values;
        std::vector<Call> expected;
    };
    const Case cases[] = {
        {"simple, one sensor, rings once", 0, ALARM_SIMPLE, ALARM_AUDIO_VOICE,
         {{90, 0}, {120, 0}, {130, 0}}, {{"SOUND_RING", false}}},
        {"simple, one sensor, no audio", 0, ALARM_SIMPLE, ALARM_AUDIO_NONE, {{120, 0}}, {}},
        {"simple, between the sensors", 1, ALARM_SIMPLE, ALARM_AUDIO_VOICE, {{105, 95}}, {{"BETWEENSOUND", true}}},
        {"simple, left only, ringing", 1, ALARM_SIMPLE, ALARM_AUDIO_RINGING, {{150, 20}}, {{"SOUND_RING", false}}},
        {"enhanced, peak inside the window", 0, ALARM_ENHANCED, ALARM_AUDIO_VOICE,
         {{60, 0}, {90, 0}, {100, 0}, {80, 0}, {70, 0}}, {{"RINGINSOUND", true}}},
    };
    for (const Case& c : cases) {
        config.sensorCountIndex = c.sensorCountIndex;
        config.alarmType = c.alarmType;
        config.alarmAudio = c.alarmAudio;
        handler.state() = Em61State{};
        const int message = c.sensorCountIndex == 0 ? WM_LX2_READING_1 : WM_LX2_READING_2;
        normalise(message);
        for (const auto& [left, right] : c.values) deliver({.words = words(left, right)}, message);
        EXPECT_EQ(sounds.calls(), c.expected) << c.name;
    }
}

TEST_F(Em61HandlerTest, EnhancedRingIsStoppedAfterItsReadings) {
    config.alarmType = ALARM_ENHANCED;
    normalise();
    const double perCount = 20.0 * 1585.6 / 1536.0;
    for (double mv : {60.0, 90.0, 100.0, 80.0, 70.0})
        deliver({.words = {static_cast<int16_t>(std::lround(mv / perCount)), 0, 0, 0}});
    sounds.clear();
    for (int i = 0; i < RING_STOP_READINGS; ++i) deliver({.words = {0, 0, 0, 0}});
    EXPECT_TRUE(sounds.calls().empty());
    deliver({.words = {0, 0, 0, 0}});
    EXPECT_EQ(sounds.calls(), (std::vector<RecordingSounds::Call>{{"", false}}));
}

TEST_F(Em61HandlerTest, FirstFrameAfterALostConnectionClearsTheNotice) {
    normalise();
    EXPECT_EQ(deliver({}).notice, NoticeChange::Unchanged);
    context.em61.lostNoticeCleared = true;
    EXPECT_EQ(deliver({}).notice, NoticeChange::Clear);
    EXPECT_FALSE(context.em61.lostNoticeCleared);
    EXPECT_EQ(deliver({}).notice, NoticeChange::Unchanged);
}

TEST_F(Em61HandlerTest, ProcedurePhasesHandTheirFramesOnAndLogNothing) {
    normalise();
    for (int phase : {EM61_NULLING, EM61_FILTER_CAL_AIR, EM61_FILTER_CAL_GROUND}) {
        handler.state().em61Phase = phase;
        const Em61Readout r = deliver({});
        EXPECT_FALSE(r.reading);
        ASSERT_FALSE(calibration.frames.empty());
        EXPECT_EQ(calibration.frames.back().em61Phase, phase);
    }
    EXPECT_EQ(calibration.frames.size(), 3u);
    EXPECT_TRUE(readings().empty());
    EXPECT_EQ(context.acquisition.readingCount, 0);
    handler.links().calibration = nullptr;
    EXPECT_FALSE(deliver({}).reading) << "without the procedures their frames are dropped";
}

TEST(Em61ReadoutFormats, LoggingTimeRunsPastADay) {
    EXPECT_EQ(loggingTimeText(0), "00:00:00");
    EXPECT_EQ(loggingTimeText(59999), "00:00:59");
    EXPECT_EQ(loggingTimeText(100u * 3600 * 1000), "100:00:00");
}

}  // namespace
}  // namespace velox::test
