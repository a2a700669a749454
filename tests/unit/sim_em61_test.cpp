// The EM61-LX2 stand-in: frame layout, auto-ranging, handshake behaviour, and
// its frames read back by the program's own framer and decoder.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "acquisition/em61_decode.h"
#include "acquisition/em61_frame.h"
#include "tools/sim/em61_encoder.h"
#include "tools/sim/em61_lx2_module.h"

namespace velox::sim {
namespace {

using namespace std::chrono_literals;

TEST(SimEm61Frame, LaysOutLetterGainWordsCurrentBatteryAndBothEndBytes) {
    Em61FrameContent c;
    c.letter = 'E';
    c.millivolts = {2.0, -4.0, 20000.0, 700000.0};  // fine, fine negative, medium, coarse
    c.currentCounts = 0x0600;
    c.batteryCounts = 80;
    const auto f = encodeEm61Frame(c);

    EXPECT_EQ(f[0], 'E');
    // Codes 3, 3, 1, 0 in bits 7-6 … 1-0.
    EXPECT_EQ(f[1], 0b11'11'01'00);
    EXPECT_EQ((f[2] << 8) | f[3], 10);                                // 2 mV × 100 / 20
    EXPECT_EQ(static_cast<int16_t>((f[4] << 8) | f[5]), -20);         // −4 mV
    EXPECT_EQ((f[6] << 8) | f[7], 10000);                             // 20000 mV × 10 / 20
    EXPECT_EQ((f[8] << 8) | f[9], 32767);                             // clipped at full scale
    EXPECT_EQ(f[10], 0x06);
    EXPECT_EQ(f[11], 0x00);
    EXPECT_EQ(f[12], 80);
    EXPECT_EQ(f[13], 0x7F);
    EXPECT_EQ(f[14], 0x7F);
}

TEST(SimEm61Frame, AutoRangingKeepsTheFinestRangeThatFits) {
    struct Case {
        double mv;
        int code;
        int word;
    };
    const Case cases[] = {
        {0.0, 3, 0},         {6553.4, 3, 32767},    {6553.5, 1, 3277},
        {-6553.4, 3, -32767}, {65534.0, 1, 32767}, {65600.0, 0, 3280}, {-1e9, 0, -32767},
    };
    for (const Case& c : cases) {
        const RangedWord w = rangeFor(c.mv);
        EXPECT_EQ(w.code, c.code) << c.mv;
        EXPECT_EQ(w.word, c.word) << c.mv;
        if (w.code != 0 || std::abs(c.mv) < 600000) {
            EXPECT_NEAR(w.word * EM61_MV_PER_COUNT / rangeDivisor(w.code, 0), c.mv, 10.0 / rangeDivisor(w.code, 0) + 1e-9);
        }
    }
}

struct Em61Fixture : ::testing::Test {
    WalkSettings walkSettings;
    SignalSettings signalSettings;
    Em61Settings em;
    Em61Fixture() {
        signalSettings.noise = 0.0;
        signalSettings.targets = {{{0.0, 3.0}, 0.3, 500.0, 0.25}};  // on the first line, 3 m in
    }
};

// Output up to `now`, polled every 50 ms as the simulator's loop would.
std::string run(Em61Lx2Module& m, SimTime now, SimTime from = SimTime{0}) {
    std::string out;
    for (SimTime t = from; t < now; t += std::chrono::milliseconds(50)) m.emitDue(t, out);
    m.emitDue(now, out);
    return out;
}

TEST_F(Em61Fixture, StreamsOnlyAfterHThenXAndAnswersAsConfigured) {
    const struct {
        HandshakeAnswer answer;
        std::string reply;
    } cases[] = {{HandshakeAnswer::OK, "OK"}, {HandshakeAnswer::OV, "OV"}, {HandshakeAnswer::NONE, ""}};
    for (const auto& c : cases) {
        em.answer = c.answer;
        WalkModel walk(walkSettings);
        SignalModel signal(signalSettings, 1);
        Em61Lx2Module m(em, walk, signal, 1);
        EXPECT_EQ(m.nextDue(), NEVER);
        m.receive("X", 0ms);  // X without H is no command
        EXPECT_EQ(run(m, 100ms), "");
        m.receive("H", 100ms);
        m.receive("X", 140ms);
        const std::string answer = run(m, 140ms);
        EXPECT_EQ(answer, c.reply);
        // The first frame one period after the command, then one per period.
        const std::string frames = run(m, 140ms + fromSeconds(10 * EM61_FRAME_PERIOD_S) + 1us, 140ms);
        EXPECT_EQ(frames.size(), 10 * EM61_WIRE_BYTES);
    }
}

TEST_F(Em61Fixture, HStopsTheStreamAndSwitchingOffNeedsANewHandshake) {
    WalkModel walk(walkSettings);
    SignalModel signal(signalSettings, 1);
    Em61Lx2Module m(em, walk, signal, 1);
    m.receive("HX", 0ms);
    EXPECT_EQ(run(m, 1s).size(), 2 + 18 * EM61_WIRE_BYTES);
    m.receive("H", 1s);
    EXPECT_EQ(run(m, 2s, 1s), "");
    m.receive("X", 2s);
    EXPECT_EQ(run(m, 2s), "OK");

    m.setPowered(false, 3s);
    EXPECT_EQ(run(m, 4s, 3s), "");
    m.receive("HX", 4s);  // ignored while off
    m.setPowered(true, 5s);
    EXPECT_EQ(run(m, 6s, 5s), "");
    m.receive("HX", 6s);
    EXPECT_EQ(run(m, 6s), "OK");
}

TEST_F(Em61Fixture, FramesStayOnAbsoluteDeadlines) {
    WalkModel walk(walkSettings);
    SignalModel signal(signalSettings, 1);
    Em61Lx2Module m(em, walk, signal, 1);
    m.receive("HX", 0ms);
    // Polled at uneven moments, the count follows the period exactly.
    SimTime t{0};
    for (int i = 0; i < 3000; ++i) {
        t += std::chrono::microseconds(20000 + (i * 7919) % 30000);
        run(m, t);
    }
    const auto expected = static_cast<int64_t>(toSeconds(t) / EM61_FRAME_PERIOD_S);
    EXPECT_NEAR(m.framesSent(), expected, 1);
}

// The program's framer and decoder recover the model's values: frames fed
// byte by byte, three frames to fill the current ring, then each decoded
// reading equals the noise-free model at the frame's time.
TEST_F(Em61Fixture, ProgramDecoderRecoversModelValuesForOneAndTwoSensors) {
    for (const int sensors : {1, 2}) {
        for (const int current : {1536, 3072}) {
            em.sensorCount = sensors;
            em.currentCounts = current;
            WalkModel walk(walkSettings);
            SignalModel signal(signalSettings, 1);
            Em61Lx2Module m(em, walk, signal, 1);
            m.receive("HX", 0ms);
            std::string bytes = run(m, 8s).substr(2);  // after "OK"

            Em61Framer framer;
            Em61State state;
            int index = 0;
            double largest = 0.0;
            for (const char b : bytes) {
                if (framer.push(static_cast<uint8_t>(b)) != Em61Framer::Outcome::Frame) continue;
                const SimTime due = nthTick(fromSeconds(EM61_FRAME_PERIOD_S), index++, EM61_FRAME_PERIOD_S);
                Em61Record record = em61RecordFromFrame(framer.frame());
                const Lx2Decoded d = decodeLx2(sensors, record, state, {});
                if (index <= CURRENT_WINDOW) continue;  // ring filling
                EXPECT_EQ(d.letter, 'T');
                // Currents jitter by a count; the ring's mean normalises them.
                const double jitter = 2.0 / current;
                for (int coil = 0; coil < sensors; ++coil) {
                    const GateValues g = signal.response(walk.coilAt(toSeconds(due), coil, sensors));
                    EXPECT_NEAR(d.channels[2 * coil], g.early, 0.2 + jitter * g.early) << index;
                    EXPECT_NEAR(d.channels[2 * coil + 1], g.late, 0.2 + jitter * g.late) << index;
                    largest = std::max(largest, d.channels[2 * coil]);
                }
                EXPECT_NEAR(batteryVolts(d.battery), 12.5, 0.1);
            }
            EXPECT_NEAR(index, 8.0 / EM61_FRAME_PERIOD_S - 1, 1);
            EXPECT_GT(largest, 100.0) << "the walk passes over the target";
        }
    }
}

TEST_F(Em61Fixture, MarkerWindowsAndModesGiveTheirLetters) {
    em.mode = 'E';
    em.markerPressed = {{1s, 2s}};
    WalkModel walk(walkSettings);
    SignalModel signal(signalSettings, 1);
    Em61Lx2Module m(em, walk, signal, 1);
    EXPECT_EQ(m.contentAt(500ms, false).letter, 'E');
    EXPECT_EQ(m.contentAt(1500ms, false).letter, 'P');
    EXPECT_EQ(m.contentAt(2500ms, false).letter, 'E');
    m.pressMarker(3s);
    EXPECT_EQ(m.contentAt(2900ms, false).letter, 'P');
    EXPECT_EQ(markerLetter('T'), 'M');
    EXPECT_EQ(markerLetter('D'), 'N');
    EXPECT_EQ(markerLetter('F'), 'Q');
}

TEST_F(Em61Fixture, BatteryDrainsSlowly) {
    em.batteryVolts = 12.5;
    em.batteryDrainPerHour = 1.0;
    WalkModel walk(walkSettings);
    SignalModel signal(signalSettings, 1);
    Em61Lx2Module m(em, walk, signal, 1);
    EXPECT_EQ(m.contentAt(0s, false).batteryCounts, 83);
    EXPECT_EQ(m.contentAt(std::chrono::hours(2), false).batteryCounts, 70);  // 10.5 V × 6.66757
}

}  // namespace
}  // namespace velox::sim
