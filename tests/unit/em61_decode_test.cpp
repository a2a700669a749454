// EM61-LX2 decoding: range codes, current normalisation, null offsets, the
// record rewrite and its replay, the read-out values, and the phase dispatch.

#include <gtest/gtest.h>

#include <cstdio>
#include <variant>

#include "acquisition/em61_decode.h"
#include "config/survey_config.h"
#include "em61_test_frames.h"
#include "test_support.h"

namespace velox {
namespace {

using test::makeEm61Frame;

constexpr std::array<double, 4> NO_OFFSETS{};

// A state whose normalising phase has seen three frames of the given current.
Em61State normalisedAt(int16_t current) {
    Em61State state;
    Em61Record record = em61RecordFromFrame(makeEm61Frame('T', 0, {0, 0, 0, 0}, current, 80));
    for (int i = 0; i < CURRENT_WINDOW; ++i) normaliseStep(state, record);
    return state;
}

std::string printf1(const char* format, double value) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

class Em61DecodeTest : public ::testing::Test {
protected:
    test::TempDataRoot root;
};

TEST_F(Em61DecodeTest, NormalisingPhaseCountsThreeFramesThenTurnsNormal) {
    Em61State state;
    Em61Record record = em61RecordFromFrame(makeEm61Frame('T', 0, {0, 0, 0, 0}, 1536, 80));
    const int expected[] = {33, 66, 100};
    for (int i = 0; i < 3; ++i) {
        const auto progress = normaliseStep(state, record);
        EXPECT_EQ(progress.percent, expected[i]);
        EXPECT_EQ(progress.done, i == 2);
    }
    EXPECT_TRUE(state.currentRing.normalisationDone);
    EXPECT_EQ(state.em61Phase, EM61_NORMAL);
    EXPECT_DOUBLE_EQ(state.currentRing.meanCurrent, 1536.0);
    EXPECT_EQ(normalisationNoticeText(33), " 33 %");
    EXPECT_EQ(normalisationNoticeText(100), "100 %");

    resetEm61Phase(state);
    EXPECT_EQ(state.em61Phase, EM61_NORMALISING);
    EXPECT_FALSE(state.currentRing.normalisationDone);
    EXPECT_EQ(normaliseStep(state, record).percent, 33);
}

TEST_F(Em61DecodeTest, WorkedExampleOneSensor) {
    Em61State state = normalisedAt(1536);
    Em61Record record = em61RecordFromFrame(makeEm61Frame('T', 0x00, {100, 50, 0, 0}, 0x0600, 80));
    Lx2ReadingInputs inputs;
    inputs.sensorCount = 1;
    const Lx2Reading reading = lx2NormalReading(record, inputs, state);

    EXPECT_DOUBLE_EQ(reading.early(0), 2000 * 1585.6 / 1536);
    EXPECT_DOUBLE_EQ(reading.late(0), 1000 * 1585.6 / 1536);
    EXPECT_EQ(reading.channels[2], 0.0);
    EXPECT_EQ(printf1(" %4.1f V", reading.batteryVolts), " 12.0 V");
    EXPECT_EQ(printf1("%4.1f A", reading.currentAmps), " 2.9 A");
    EXPECT_FALSE(reading.batteryLow);
    EXPECT_EQ(reading.letter, 'T');
    EXPECT_FALSE(reading.marker);
    // Bytes 10-11 the mean current, 12 its hundredths, 13-15 zero.
    EXPECT_EQ(record[10], 0x06);
    EXPECT_EQ(record[11], 0x00);
    EXPECT_EQ(record[12], 0);
    EXPECT_EQ(record[13], 0);
    EXPECT_EQ(record[14], 0);
    EXPECT_EQ(record[15], 0);
}

TEST_F(Em61DecodeTest, NominalCurrentFollowsTheFramesCurrentAbove2212) {
    struct Case {
        int16_t current;
        double nominal;
    };
    for (const Case c : {Case{2212, 1585.6}, Case{2213, 3171.2}, Case{1585, 1585.6}, Case{3171, 3171.2}}) {
        Em61State state = normalisedAt(c.current);
        Em61Record record = em61RecordFromFrame(makeEm61Frame('T', 0, {100, 0, 0, 0}, c.current, 80));
        const auto decoded = decodeLx2One(record, state, NO_OFFSETS);
        EXPECT_DOUBLE_EQ(decoded.channels[0], 2000 * c.nominal / c.current) << c.current;
    }
}

TEST_F(Em61DecodeTest, RangeCodesDivideEachWord) {
    struct Case {
        uint8_t gain;
        std::array<int, 4> divisors;
    };
    const Case cases[] = {
        {0x00, {1, 1, 1, 1}},       {0xC0, {100, 1, 1, 1}},    {0x80, {10, 1, 1, 1}},
        {0x40, {10, 1, 1, 1}},      {0x02, {1, 1, 1, 1}},      {0x01, {1, 1, 1, 10}},
        {0x03, {1, 1, 1, 100}},     {0x28, {1, 10, 10, 1}},    {0xFF, {100, 100, 100, 100}},
        {0xAA, {10, 10, 10, 1}},    {0x1B, {1, 10, 10, 100}},
    };
    for (const Case& c : cases) {
        Em61State state = normalisedAt(1536);
        Em61Record record = em61RecordFromFrame(makeEm61Frame('D', c.gain, {1000, 2000, -3000, 4000}, 1536, 80));
        const auto decoded = decodeLx2Two(record, state, NO_OFFSETS);
        const double factor = 1585.6 / 1536;
        const int words[] = {1000, 2000, -3000, 4000};
        for (int i = 0; i < 4; ++i)
            EXPECT_DOUBLE_EQ(decoded.channels[i], words[i] * 20.0 / c.divisors[i] * factor)
                << "gain 0x" << std::hex << int(c.gain) << " word " << i + 1;
    }
}

TEST_F(Em61DecodeTest, NullOffsetsAreSubtractedAfterNormalisation) {
    Em61State state = normalisedAt(1536);
    Em61Record record = em61RecordFromFrame(makeEm61Frame('T', 0, {100, 200, 300, 400}, 1536, 80));
    const auto two = decodeLx2Two(record, state, {1.0, 2.0, 3.0, 4.0});
    const double factor = 1585.6 / 1536;
    for (int i = 0; i < 4; ++i) EXPECT_DOUBLE_EQ(two.channels[i], (i + 1) * 2000 * factor - (i + 1));

    // One sensor uses the first two offsets only.
    const auto one = decodeLx2One(record, state, {1.0, 2.0, 3.0, 4.0});
    EXPECT_DOUBLE_EQ(one.channels[1], 4000 * factor - 2.0);
    EXPECT_EQ(one.channels[2], 0.0);
    EXPECT_EQ(one.channels[3], 0.0);
}

TEST_F(Em61DecodeTest, TheRingFollowsTheCurrentAndAZeroMeanLeavesValuesUnscaled) {
    Em61State state = normalisedAt(1536);
    Em61Record record = em61RecordFromFrame(makeEm61Frame('T', 0, {100, 0, 0, 0}, 1537, 80));
    decodeLx2One(record, state, NO_OFFSETS);
    record = em61RecordFromFrame(makeEm61Frame('T', 0, {100, 0, 0, 0}, 1537, 80));
    decodeLx2One(record, state, NO_OFFSETS);
    EXPECT_NEAR(state.currentRing.meanCurrent, 1536.6667, 1e-4);
    EXPECT_DOUBLE_EQ(recordedMeanCurrent(record), 1536.66);

    Em61State idle = normalisedAt(0);
    record = em61RecordFromFrame(makeEm61Frame('T', 0, {100, 0, 0, 0}, 0, 80));
    EXPECT_DOUBLE_EQ(decodeLx2One(record, idle, NO_OFFSETS).channels[0], 2000.0);
}

TEST_F(Em61DecodeTest, StoredMeanCurrentReadsBackForEveryCurrent) {
    for (const double mean : {0.0, 1536.0, 1536.3333, 2212.6667, -5.6667, -0.3333, 32767.0, -32768.0}) {
        Em61Record record{};
        storeMeanCurrent(record, mean);
        EXPECT_NEAR(recordedMeanCurrent(record), mean, 0.01) << mean;
        EXPECT_EQ(record[13], 0);
    }
}

TEST_F(Em61DecodeTest, ReplayOfARecordGivesTheLiveValues) {
    const std::array<double, 4> offsets{5.0, -2.0, 1.5, 0.0};
    for (const int16_t current : {1536, 2212, 2213, 3171}) {
        Em61State state = normalisedAt(current);
        Em61Record record = em61RecordFromFrame(makeEm61Frame('F', 0x9C, {1234, -567, 890, 32000}, current, 80));
        const auto live = decodeLx2Two(record, state, offsets);

        // The record as stored: 16 bytes, the tick and the line feed.
        std::vector<uint8_t> stored(record.begin(), record.end());
        stored.resize(27, ' ');
        stored.back() = '\n';
        const auto replayed = decodeRecordedLx2Two(stored, offsets);
        ASSERT_TRUE(replayed.has_value());
        EXPECT_EQ(replayed->letter, 'F');
        for (int i = 0; i < 4; ++i) EXPECT_DOUBLE_EQ(replayed->channels[i], live.channels[i]) << current;

        const auto one = decodeRecordedLx2One(stored, offsets[0], offsets[1]);
        ASSERT_TRUE(one.has_value());
        EXPECT_DOUBLE_EQ(one->channels[0], live.channels[0]);
        EXPECT_DOUBLE_EQ(one->channels[1], live.channels[1]);
    }
    const std::vector<uint8_t> cut(12, 'T');
    EXPECT_FALSE(decodeRecordedLx2Two(cut, offsets).has_value());
    EXPECT_FALSE(decodeRecordedLx2One(cut, 0, 0).has_value());
}

TEST_F(Em61DecodeTest, SoftMarkerLettersAndTheMarkerReadout) {
    struct Case {
        char received;
        char softMarked;
        bool markerShown;  // as received
    };
    const Case cases[] = {
        {'T', 'M', false}, {'D', 'N', false}, {'E', 'P', false}, {'F', 'Q', false},
        {'M', 'M', true},  {'N', 'N', true},  {'P', 'P', true},  {'Q', 'Q', true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(softMarkerLetter(c.received), c.softMarked) << c.received;
        EXPECT_EQ(isMarkerLetter(c.received), c.markerShown) << c.received;
    }
    EXPECT_TRUE(isMarkerLetter('K'));
    EXPECT_TRUE(isMarkerLetter('k'));
    EXPECT_FALSE(isMarkerLetter('J'));

    // Holding the soft marker while T frames arrive writes "M" records.
    Em61State state = normalisedAt(1536);
    Lx2ReadingInputs inputs;
    inputs.softMarkerActive = true;
    Em61Record record = em61RecordFromFrame(makeEm61Frame('T', 0, {1, 2, 3, 4}, 1536, 80));
    const Lx2Reading marked = lx2NormalReading(record, inputs, state);
    EXPECT_EQ(record[0], 'M');
    EXPECT_EQ(marked.letter, 'M');
    EXPECT_TRUE(marked.marker);

    inputs.softMarkerActive = false;
    record = em61RecordFromFrame(makeEm61Frame('T', 0, {1, 2, 3, 4}, 1536, 80));
    const Lx2Reading plain = lx2NormalReading(record, inputs, state);
    EXPECT_EQ(record[0], 'T');
    EXPECT_FALSE(plain.marker);
}

TEST_F(Em61DecodeTest, FilteredChannelsUseEachCoilsCoefficient) {
    Em61State state = normalisedAt(1536);
    Lx2ReadingInputs inputs;
    inputs.filterCoefficientLeft = filterCoefficientFromFactor(310.0);
    inputs.filterCoefficientRight = 2.0;
    Em61Record record = em61RecordFromFrame(makeEm61Frame('T', 0, {540, 200, 300, 100}, 1536, 80));
    const Lx2Reading r = lx2NormalReading(record, inputs, state);
    EXPECT_DOUBLE_EQ(r.filtered[SENSOR_LEFT], r.early(0) - (310.0 - 18) / 108 * r.late(0));
    EXPECT_DOUBLE_EQ(r.filtered[SENSOR_RIGHT], r.early(1) - 2.0 * r.late(1));
    EXPECT_EQ(r.channel(SENSOR_RIGHT, CHANNEL_EARLY), r.early(1));
    EXPECT_EQ(r.channel(SENSOR_RIGHT, CHANNEL_LATE), r.late(1));
    EXPECT_EQ(r.channel(SENSOR_RIGHT, CHANNEL_FILTERED), r.filtered[1]);
    EXPECT_EQ(r.channel(SENSOR_RIGHT, 7), r.early(1));  // unknown choice: E
}

TEST_F(Em61DecodeTest, BatteryWarningAtOrBelowTenAndAHalfVolts) {
    struct Case {
        uint8_t counts;
        bool low;
    };
    for (const Case c : {Case{0, true}, Case{70, true}, Case{71, false}, Case{255, false}})
        EXPECT_EQ(batteryLow(batteryVolts(c.counts)), c.low) << int(c.counts);
}

TEST_F(Em61DecodeTest, FramesAreRoutedByPhase) {
    Em61State state;
    Lx2ReadingInputs inputs;
    Em61Record record = em61RecordFromFrame(makeEm61Frame('T', 0, {100, 50, 0, 0}, 1536, 80));
    for (int i = 0; i < 3; ++i) {
        const auto outcome = handleLx2Frame(record, inputs, state);
        ASSERT_TRUE(std::holds_alternative<Em61NormaliseProgress>(outcome));
    }
    EXPECT_TRUE(std::holds_alternative<Lx2Reading>(handleLx2Frame(record, inputs, state)));

    for (const int phase : {EM61_NULLING, EM61_FILTER_CAL_AIR, EM61_FILTER_CAL_GROUND}) {
        state.em61Phase = phase;
        record = em61RecordFromFrame(makeEm61Frame('T', 0, {100, 50, 0, 0}, 1536, 80));
        const auto outcome = handleLx2Frame(record, inputs, state);
        ASSERT_TRUE(std::holds_alternative<Em61CalibrationFrame>(outcome)) << phase;
        const auto& frame = std::get<Em61CalibrationFrame>(outcome);
        EXPECT_EQ(frame.em61Phase, phase);
        EXPECT_DOUBLE_EQ(frame.decoded.channels[0], 2000 * 1585.6 / 1536);
    }
    state.em61Phase = 7;
    EXPECT_TRUE(std::holds_alternative<std::monostate>(handleLx2Frame(record, inputs, state)));
}

}  // namespace
}  // namespace velox
