// EM61-LX2 target alarm: the simple alarm and its hold, the enhanced window
// and its ring, and the two-sensor result code with its voice.

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "acquisition/em61_decode.h"
#include "em61_test_frames.h"
#include "test_support.h"

namespace velox {
namespace {

struct Step {
    AlarmSounds sounds;
    int code = NO_ALARM_RESULT;
    std::array<bool, 2> flags{};
    std::array<double, 2> values{};
};

// Runs readings through the alarm as the reading handler does.
std::vector<Step> runAlarm(const AlarmSettings& settings, int sensors, const std::vector<std::array<double, 2>>& values,
                           int dispatchEvery, Em61AlarmState& alarm) {
    std::vector<Step> steps;
    for (const auto& v : values) {
        Step step;
        beginAlarmReading(alarm, step.sounds);
        step.code = evaluateTargetAlarm(settings, sensors, v, dispatchEvery, alarm, step.sounds);
        step.flags = alarm.alarmFlag;
        step.values = alarm.alarmValue;
        steps.push_back(step);
    }
    return steps;
}

std::vector<std::array<double, 2>> oneSensor(std::initializer_list<double> values) {
    std::vector<std::array<double, 2>> out;
    for (double v : values) out.push_back({v, 0.0});
    return out;
}

std::vector<size_t> readingsWithSound(const std::vector<Step>& steps) {
    std::vector<size_t> played;
    for (size_t i = 0; i < steps.size(); ++i)
        if (steps[i].sounds.play) played.push_back(i);
    return played;
}

AlarmSettings simpleAt(double level, int audio = ALARM_AUDIO_VOICE) {
    AlarmSettings s;
    s.alarmType = ALARM_SIMPLE;
    s.alarmLevel = level;
    s.alarmAudio = audio;
    return s;
}

AlarmSettings enhanced(int audio = ALARM_AUDIO_VOICE, int descending = 0) {
    AlarmSettings s;
    s.alarmType = ALARM_ENHANCED;
    s.alarmMinLevel = 50.0;
    s.alarmMaxLevel = 1000.0;
    s.alarmAudio = audio;
    s.alarmDescendingReadings = descending;
    return s;
}

class Em61AlarmTest : public ::testing::Test {
protected:
    test::TempDataRoot root;
    Em61AlarmState alarm;
};

TEST_F(Em61AlarmTest, SimpleAlarmRingsOnceWhenTheLevelIsReached) {
    const auto steps = runAlarm(simpleAt(100), 1, oneSensor({90, 120, 130}), 1, alarm);
    EXPECT_EQ(readingsWithSound(steps), (std::vector<size_t>{1}));
    EXPECT_EQ(steps[1].sounds.play->name, SOUND_RING);
    EXPECT_FALSE(steps[1].sounds.play->interrupting);
    // The indicator stands on every reading at or above the level.
    EXPECT_FALSE(steps[0].flags[0]);
    EXPECT_TRUE(steps[1].flags[0]);
    EXPECT_TRUE(steps[2].flags[0]);
}

TEST_F(Em61AlarmTest, SimpleAlarmIsHeldSilentForTwentyFramesOfReadings) {
    struct Case {
        int dispatchEvery;
        size_t nextRing;  // readings after the first ring
    };
    for (const Case c : {Case{4, 6}, Case{1, 21}, Case{5, 5}, Case{30, 2}}) {
        Em61AlarmState state;
        const std::vector<std::array<double, 2>> values(22, {150.0, 0.0});
        const auto steps = runAlarm(simpleAt(100), 1, values, c.dispatchEvery, state);
        const auto played = readingsWithSound(steps);
        ASSERT_GE(played.size(), 2u) << c.dispatchEvery;
        EXPECT_EQ(played[0], 0u);
        EXPECT_EQ(played[1], c.nextRing) << "dispatchEvery " << c.dispatchEvery;
    }
}

TEST_F(Em61AlarmTest, TwoSensorResultCodesAndTheirSounds) {
    struct Case {
        double left, right;
        int audio;
        int code;
        std::optional<SoundRequest> sound;
    };
    const Case cases[] = {
        {105, 95, ALARM_AUDIO_VOICE, RESULT_BETWEEN, SoundRequest{BETWEENSOUND, true}},
        {120, 110, ALARM_AUDIO_VOICE, RESULT_BETWEEN, SoundRequest{BETWEENSOUND, true}},
        {300, 100, ALARM_AUDIO_VOICE, RESULT_LEFT_RIGHT, SoundRequest{LEFTRIGHTSOUND, true}},
        {150, 50, ALARM_AUDIO_VOICE, RESULT_LEFT, SoundRequest{LEFTSOUND, true}},
        {50, 150, ALARM_AUDIO_VOICE, RESULT_RIGHT, SoundRequest{RIGHTSOUND, true}},
        {150, 50, ALARM_AUDIO_RINGING, RESULT_LEFT, SoundRequest{SOUND_RING, false}},
        {150, 50, ALARM_AUDIO_NONE, RESULT_LEFT, std::nullopt},
        {90, 50, ALARM_AUDIO_VOICE, NO_ALARM_RESULT, std::nullopt},
    };
    for (const Case& c : cases) {
        Em61AlarmState state;
        const auto steps = runAlarm(simpleAt(100, c.audio), 2, {{c.left, c.right}}, 1, state);
        EXPECT_EQ(steps[0].code, c.code) << c.left << " " << c.right;
        ASSERT_EQ(steps[0].sounds.play.has_value(), c.sound.has_value()) << c.left << " " << c.right;
        if (c.sound) {
            EXPECT_EQ(steps[0].sounds.play->name, c.sound->name);
            EXPECT_EQ(steps[0].sounds.play->interrupting, c.sound->interrupting);
        }
    }
}

TEST_F(Em61AlarmTest, EnhancedAlarmNeedsAPeakInsideAFullWindow) {
    struct Case {
        const char* what;
        std::initializer_list<double> values;
        int descending;
        bool alarm;
    };
    const Case cases[] = {
        {"peak inside", {60, 90, 100, 80, 70}, 0, true},
        {"value below 40 % of the peak", {60, 90, 100, 80, 30}, 0, false},
        {"peak is the newest value", {60, 70, 80, 90, 100}, 0, false},
        {"peak is the oldest value", {100, 90, 80, 70, 60}, 0, false},
        {"peak below the minimum", {30, 40, 45, 40, 30}, 0, false},
        {"peak above the maximum", {900, 1000, 1100, 1000, 900}, 0, false},
        {"two descending readings wanted, one given", {60, 90, 95, 100, 70}, 1, false},
        {"one descending reading wanted", {60, 90, 95, 100, 70}, 0, true},
        {"two descending readings given", {60, 90, 100, 80, 70}, 1, true},
    };
    for (const Case& c : cases) {
        Em61AlarmState state;
        const auto steps = runAlarm(enhanced(ALARM_AUDIO_VOICE, c.descending), 1, oneSensor(c.values), 1, state);
        for (size_t i = 0; i + 1 < steps.size(); ++i) EXPECT_FALSE(steps[i].flags[0]) << c.what;
        EXPECT_EQ(steps.back().flags[0], c.alarm) << c.what;
        if (c.alarm) {
            EXPECT_EQ(steps.back().values[0], 100.0) << c.what;  // the alarm value becomes the peak
            ASSERT_TRUE(steps.back().sounds.play) << c.what;
            EXPECT_EQ(steps.back().sounds.play->name, RINGINSOUND);
            EXPECT_TRUE(steps.back().sounds.play->interrupting);
        }
    }
}

TEST_F(Em61AlarmTest, EnhancedRingStopsAfterEighteenReadingsAndBlocksNewSounds) {
    // An isolated peak every tenth reading: the indicator follows each, the sound does not.
    std::vector<std::array<double, 2>> values;
    for (int i = 0; i < 4; ++i)
        for (double v : {60.0, 90.0, 100.0, 80.0, 70.0, 0.0, 0.0, 0.0, 0.0, 0.0}) values.push_back({v, 0.0});
    const auto steps = runAlarm(enhanced(), 1, values, 1, alarm);

    EXPECT_EQ(readingsWithSound(steps), (std::vector<size_t>{4, 24}));
    for (size_t i = 0; i < steps.size(); ++i) EXPECT_EQ(steps[i].sounds.stop, i == 4 + 19) << i;
    for (size_t peak : {4u, 14u, 24u, 34u}) EXPECT_TRUE(steps[peak].flags[0]) << peak;
}

TEST_F(Em61AlarmTest, EnhancedTwoSensorsSpeaksTheResultCode) {
    std::vector<std::array<double, 2>> values;
    for (double v : {60.0, 90.0, 100.0, 80.0, 70.0}) values.push_back({v, 20.0});
    const auto steps = runAlarm(enhanced(ALARM_AUDIO_VOICE), 2, values, 1, alarm);
    EXPECT_EQ(steps.back().code, RESULT_LEFT);
    ASSERT_TRUE(steps.back().sounds.play);
    EXPECT_EQ(steps.back().sounds.play->name, LEFTSOUND);
    EXPECT_TRUE(steps.back().sounds.play->interrupting);
    EXPECT_FALSE(steps.back().flags[1]);

    Em61AlarmState ringing;
    const auto rung = runAlarm(enhanced(ALARM_AUDIO_RINGING), 2, values, 1, ringing);
    EXPECT_EQ(rung.back().sounds.play->name, RINGINSOUND);
}

TEST_F(Em61AlarmTest, DisabledAlarmSetsNothing) {
    AlarmSettings off;
    off.alarmType = ALARM_DISABLED;
    const auto steps = runAlarm(off, 2, {{5000, 5000}, {6000, 100}}, 1, alarm);
    for (const Step& s : steps) {
        EXPECT_EQ(s.code, NO_ALARM_RESULT);
        EXPECT_FALSE(s.flags[0] || s.flags[1]);
        EXPECT_FALSE(s.sounds.play || s.sounds.stop);
    }
}

TEST_F(Em61AlarmTest, ReadingAlarmWatchesTheChosenChannel) {
    // Late channel of 120 mV against a level of 100 while E stays low.
    Em61State state;
    Em61Record current = em61RecordFromFrame(test::makeEm61Frame('T', 0, {0, 0, 0, 0}, 1586, 80));
    for (int i = 0; i < CURRENT_WINDOW; ++i) normaliseStep(state, current);
    Lx2ReadingInputs inputs;
    inputs.sensorCount = 2;
    inputs.alarm = simpleAt(100, ALARM_AUDIO_VOICE);
    inputs.alarm.alarmChannel = CHANNEL_LATE;
    Em61Record record = em61RecordFromFrame(test::makeEm61Frame('T', 0, {1, 6, 1, 1}, 1586, 80));
    const Lx2Reading reading = lx2NormalReading(record, inputs, state);
    EXPECT_TRUE(reading.alarmFlag[SENSOR_LEFT]);
    EXPECT_FALSE(reading.alarmFlag[SENSOR_RIGHT]);
    EXPECT_EQ(reading.resultCode, RESULT_LEFT);
    ASSERT_TRUE(reading.sounds.play);
    EXPECT_EQ(reading.sounds.play->name, LEFTSOUND);
}

}  // namespace
}  // namespace velox
