// The EM61-LX2 reader thread against an instrument on a pseudo-terminal (a
// scripted peer, or the stand-in's EM61-LX2 module), with the test playing
// the user-interface thread that drains the hand-over channel into the
// reading handler. Timing margins are wide: the machine may be loaded.

#include <dirent.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "acquisition/em61_handler.h"
#include "acquisition/em61_reader.h"
#include "acquisition/worker_messages.h"
#include "config/survey_config.h"
#include "config/survey_context.h"
#include "em61_test_support.h"
#include "logging/data_file.h"
#include "platform/handover.h"
#include "serial/handshake.h"
#include "serial/ports.h"
#include "serial_pty.h"
#include "test_support.h"
#include "tools/sim/simulator.h"

namespace velox::test {
namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

// The test thread as the user-interface thread: it runs the handler for
// every message the reader hands over.
class TestUiThread {
public:
    TestUiThread(HandOverChannel& channel, std::function<void(int)> handler) : channel_(channel) {
        channel_.setUiThread(std::this_thread::get_id());
        channel_.setHandler(std::move(handler));
        channel_.setWakeUp([this] {
            std::lock_guard lock(mutex_);
            woken_ = true;
            wake_.notify_all();
        });
    }
    ~TestUiThread() { channel_.setWakeUp(nullptr); }

    // Drains the channel until `done` holds or `timeout` passes.
    bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
        const auto end = SteadyClock::now() + timeout;
        while (!done()) {
            if (SteadyClock::now() > end) return false;
            {
                std::unique_lock lock(mutex_);
                wake_.wait_for(lock, 10ms, [this] { return woken_; });
                woken_ = false;
            }
            channel_.dispatchPending();
        }
        return true;
    }
    void pumpFor(std::chrono::milliseconds span) {
        pumpUntil([] { return false; }, span);
    }

private:
    HandOverChannel& channel_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool woken_ = false;
};

int countEntries(const char* folder) {
    int n = 0;
    if (DIR* d = opendir(folder)) {
        while (readdir(d)) ++n;
        closedir(d);
    }
    return n;
}

// A survey in progress: settings, context, data file, handler and reader,
// with the instrument port open on COM4.
class Em61ReaderTest : public ::testing::Test {
protected:
    Em61ReaderTest() {
        config.sensorCountIndex = 0;
        config.audioTicks = 1;
        context.ports.gpsEnabled = 0;
        context.logging.loggingState = LoggingState::Monitoring;
        EXPECT_TRUE(file.open(root.path() / "survey.RX2"));
    }
    ~Em61ReaderTest() override {
        reader.stop();
        reader.join();
    }

    void openPort() { ASSERT_TRUE(openInstrumentPort(config, context, messages, true)); }

    void onMessage(int message) {
        messagesSeen.push_back(message);
        readouts.push_back(handler.onLx2Reading(message));
        if (afterMessage) afterMessage();
    }

    void startLogging() {
        context.logging.loggingState = LoggingState::Logging;
        file.setLoggingStartTick(tickNow());
    }

    std::vector<LoggedReading> readingRecords() const { return loggedReadings(file.path()); }

    std::size_t readingsShown() const {
        std::size_t n = 0;
        for (const Em61Readout& r : readouts) n += r.reading.has_value();
        return n;
    }

    TempDataRoot root;
    SurveyConfig config;
    SurveyContext context;
    RecordedMessages messages;
    RecordingSounds sounds;
    DataFile file{Variant{}};
    HandOverChannel channel;
    Em61Handler handler{config, context, {sounds, &file}};
    Em61Reader reader{config, context, channel, sounds};
    TestUiThread ui{channel, [this](int message) { onMessage(message); }};
    std::vector<int> messagesSeen;
    std::vector<Em61Readout> readouts;
    std::function<void()> afterMessage;  // runs on the user-interface thread after each handler
};

// Frames sent by a scripted instrument: noise around them, decimation, the
// records of the Logging state with their letters, words, current and ticks.
class ScriptedEm61Reader : public Em61ReaderTest {
protected:
    ScriptedEm61Reader() {
        device.registerAs(config.instrumentPort);
        openPort();
    }
    PtyPair device;
};

TEST_F(ScriptedEm61Reader, EveryFrameIsHandedOverDespiteNoiseAndThePortStateFollowsTheReader) {
    ASSERT_TRUE(reader.start());
    std::string stream = "\x7F\x7FXY noise";
    for (int i = 0; i < 6; ++i) stream += wireFrame({.words = {static_cast<int16_t>(i), 0, 0, 0}}) + "\x01\x7E";
    device.send(stream);
    EXPECT_TRUE(ui.pumpUntil([&] { return messagesSeen.size() == 6; }, 5s));
    EXPECT_EQ(context.ports.instrumentPortState, 2);
    EXPECT_EQ(messagesSeen, std::vector<int>(6, WM_LX2_READING_1));
    EXPECT_EQ(readingsShown(), 6u - CURRENT_WINDOW) << "the first frames normalise";
    EXPECT_NE(context.acquisition.lastDataTick.load(), 0u);

    reader.stop();
    reader.join();
    EXPECT_FALSE(reader.running());
    EXPECT_EQ(context.ports.instrumentPortState, 0) << "stopped by closing the port";
}

TEST_F(ScriptedEm61Reader, TwoSensorsAreHandedToTheTwoSensorHandler) {
    config.sensorCountIndex = 1;
    ASSERT_TRUE(reader.start());
    device.send(wireFrame({}));
    EXPECT_TRUE(ui.pumpUntil([&] { return !messagesSeen.empty(); }, 5s));
    EXPECT_EQ(messagesSeen, std::vector<int>{WM_LX2_READING_2});
}

TEST_F(ScriptedEm61Reader, OnlyEveryNthFrameIsDispatchedButEveryFrameCountsAsData) {
    const struct {
        int dispatchEvery;
        int frames;
        std::size_t dispatched;
    } cases[] = {{4, 12, 3}, {4, 11, 2}, {1, 5, 5}, {3, 9, 3}};
    ASSERT_TRUE(reader.start());
    for (const auto& c : cases) {
        messagesSeen.clear();
        context.em61.dispatchEvery = c.dispatchEvery;
        context.em61.frameCounterReset = true;
        const Tick before = context.acquisition.lastDataTick;
        std::this_thread::sleep_for(5ms);
        std::string stream;
        for (int i = 0; i < c.frames; ++i) stream += wireFrame({});
        // The stamp of the last frame moves even when it is not dispatched.
        device.send(stream);
        ui.pumpUntil([&] { return device.pendingInput() == 0; }, 5s);
        ui.pumpFor(150ms);
        EXPECT_EQ(messagesSeen.size(), c.dispatched) << c.dispatchEvery << " of " << c.frames;
        EXPECT_NE(context.acquisition.lastDataTick.load(), before);
    }
}

TEST_F(ScriptedEm61Reader, ReadingsAreLoggedWithTheirOwnTicksOnlyFromTheStartOfLogging) {
    ASSERT_TRUE(reader.start());
    auto sendAndWait = [&](const std::vector<FrameValues>& frames) {
        const std::size_t expected = messagesSeen.size() + frames.size();
        std::string stream;
        for (const FrameValues& f : frames) stream += wireFrame(f);
        device.send(stream);
        ASSERT_TRUE(ui.pumpUntil([&] { return messagesSeen.size() == expected; }, 5s));
    };
    sendAndWait({{}, {}, {}, {.words = {7, 7, 7, 7}}});  // normalised, then monitored only
    context.logging.loggingState = LoggingState::Logging;
    file.setLoggingStartTick(tickNow() + 3'600'000);  // logging starts in the future
    sendAndWait({{.words = {8, 8, 8, 8}}});
    EXPECT_TRUE(readingRecords().empty());

    const Tick start = tickNow();
    file.setLoggingStartTick(start);
    context.logging.softMarkerActive = true;
    sendAndWait({{.letter = 'T', .gain = 0xC0, .words = {1000, -20, 3, 4}, .current = 1530},
                 {.letter = 'D', .gain = 0x40, .words = {-5, 6, 0, 0}, .current = 1542}});
    context.logging.softMarkerActive = false;
    sendAndWait({{.letter = 'E', .words = {1, 2, 0, 0}, .current = 1536}});
    const Tick end = tickNow();

    const std::vector<LoggedReading> records = readingRecords();
    ASSERT_EQ(records.size(), 3u);
    const struct {
        char letter;
        uint8_t gain;
        std::array<int16_t, 4> words;
        double meanCurrent;
    } expected[] = {
        {'M', 0xC0, {1000, -20, 3, 4}, (1536 + 1536 + 1530) / 3.0},
        {'N', 0x40, {-5, 6, 0, 0}, (1536 + 1530 + 1542) / 3.0},
        {'E', 0x00, {1, 2, 0, 0}, (1530 + 1542 + 1536) / 3.0},
    };
    Tick previous = start;
    for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i].letter, expected[i].letter) << i;
        EXPECT_EQ(records[i].gain, expected[i].gain) << i;
        EXPECT_EQ(records[i].words, expected[i].words) << i;
        EXPECT_NEAR(records[i].meanCurrent, expected[i].meanCurrent, 0.01) << i;
        EXPECT_GE(static_cast<int32_t>(records[i].tick - previous), 0) << i;
        EXPECT_LE(static_cast<int32_t>(records[i].tick - end), 0) << i;
        previous = records[i].tick;
    }

    context.logging.loggingState = LoggingState::StandBy;
    sendAndWait({{}});
    EXPECT_EQ(readingRecords().size(), 3u) << "nothing is written in Stand By";
}

TEST_F(ScriptedEm61Reader, TicksSoundEveryNinthFrameOnlyWhileLoggingInAuto) {
    ASSERT_TRUE(reader.start());
    auto tickSoundsAfter = [&](int frames) {
        sounds.clear();
        const std::size_t expected = messagesSeen.size() + frames;
        std::string stream;
        for (int i = 0; i < frames; ++i) stream += wireFrame({});
        device.send(stream);
        EXPECT_TRUE(ui.pumpUntil([&] { return messagesSeen.size() == expected; }, 5s));
        int ticks = 0;
        for (const auto& call : sounds.calls()) ticks += call.name == "SOUND_RESULT" && !call.interrupting;
        return ticks;
    };
    EXPECT_EQ(tickSoundsAfter(18), 0) << "monitoring";
    context.logging.loggingState = LoggingState::Logging;
    EXPECT_EQ(tickSoundsAfter(18), 2);
    reader.setAudioTicks(false);
    EXPECT_EQ(tickSoundsAfter(18), 0) << "ticks switched off";
}

// The user-interface thread stops the reader while the reader waits for it
// in its hand-over: stop returns at once and the thread ends.
TEST_F(ScriptedEm61Reader, StopWhileTheReaderWaitsOnTheUserInterfaceDoesNotDeadlock) {
    ASSERT_TRUE(reader.start());
    device.send(wireFrame({}));
    const auto deadline = SteadyClock::now() + 5s;
    while (context.acquisition.lastRecordTick == 0 && SteadyClock::now() < deadline) std::this_thread::sleep_for(5ms);
    ASSERT_NE(context.acquisition.lastRecordTick.load(), 0u) << "the reader is in its hand-over";
    std::this_thread::sleep_for(50ms);
    EXPECT_TRUE(messagesSeen.empty());

    const auto before = SteadyClock::now();
    reader.stop();
    reader.join();
    EXPECT_LT(SteadyClock::now() - before, 2s);
    EXPECT_TRUE(messagesSeen.empty()) << "the waiting frame was given up, not handled later";
}

TEST_F(ScriptedEm61Reader, SuspendedReaderLeavesThePortAloneUntilResumed) {
    ASSERT_TRUE(reader.start());
    reader.suspend();
    EXPECT_TRUE(reader.waitParked(2s));
    device.send(wireFrame({}) + wireFrame({}));
    ui.pumpFor(300ms);
    EXPECT_TRUE(messagesSeen.empty());
    EXPECT_GT(device.pendingInput(), 0) << "the bytes wait for whoever reads next";
    reader.resume();
    EXPECT_TRUE(ui.pumpUntil([&] { return messagesSeen.size() == 2; }, 5s));

    // Suspended by the handler while the reader waits in its hand-over: it
    // parks once the handler has returned, before the next frame.
    afterMessage = [&] { reader.suspend(); };
    device.send(wireFrame({}) + wireFrame({}));
    EXPECT_TRUE(ui.pumpUntil([&] { return messagesSeen.size() == 3; }, 5s));
    EXPECT_TRUE(reader.waitParked(2s));
    ui.pumpFor(200ms);
    EXPECT_EQ(messagesSeen.size(), 3u);
    reader.stop();
    reader.join();
    EXPECT_FALSE(reader.running()) << "stop ends a suspended reader";
}

TEST_F(ScriptedEm61Reader, TwentyStartsAndStopsLeaveNoThreadOrDescriptorBehind) {
    // One round first, so that everything opened once for good is counted.
    auto round = [&] {
        if (!context.ports.instrumentPort.load()) openPort();
        ASSERT_TRUE(reader.start());
        device.send(wireFrame({}));
        EXPECT_TRUE(ui.pumpUntil([&] { return !messagesSeen.empty(); }, 2s));
        messagesSeen.clear();
        reader.stop();
        reader.join();
    };
    round();
    const int descriptors = countEntries("/proc/self/fd");
    const int threads = countEntries("/proc/self/task");
    for (int i = 0; i < 20; ++i) round();
    EXPECT_EQ(countEntries("/proc/self/fd"), descriptors);
    EXPECT_EQ(countEntries("/proc/self/task"), threads);
}

// The instrument's cable is pulled and plugged in again: the reader keeps
// trying the port, and when it is back it restarts the instrument's stream.
TEST_F(ScriptedEm61Reader, UnpluggedInstrumentIsReopenedAndStartedAgain) {
    ASSERT_TRUE(reader.start());
    device.send(wireFrame({}));
    ASSERT_TRUE(ui.pumpUntil([&] { return messagesSeen.size() == 1; }, 5s));
    device.closeMaster();
    ui.pumpFor(300ms);
    EXPECT_TRUE(reader.running()) << "a failed port does not end the reader";

    PtyPair replugged;
    replugged.registerAs(config.instrumentPort);
    std::string commands;
    ASSERT_TRUE(ui.pumpUntil(
        [&] {
            commands += replugged.receive(10ms);
            return commands.find("HX") != std::string::npos;
        },
        5s))
        << "the reader sends the start command on the new port";
    replugged.send("OK");
    EXPECT_TRUE(ui.pumpUntil([&] { return !context.logging.instrumentLinkBroken; }, 5s));
    replugged.send(wireFrame({}));
    EXPECT_TRUE(ui.pumpUntil([&] { return messagesSeen.size() == 2; }, 5s));
    EXPECT_EQ(context.ports.instrumentPortState, 2);
}

// ---- against the stand-in's EM61-LX2 module

class RunningSimulator {
public:
    explicit RunningSimulator(sim::SimOptions options) : simulator_(withQuiet(std::move(options))) {
        std::string error;
        started_ = simulator_.start(error);
        EXPECT_TRUE(started_) << error;
        if (started_) thread_ = std::thread([this] { simulator_.run(); });
    }
    ~RunningSimulator() {
        simulator_.requestStop();
        if (thread_.joinable()) thread_.join();
    }
    double simSeconds() const { return sim::toSeconds(simulator_.simNow()); }

private:
    static sim::SimOptions withQuiet(sim::SimOptions o) {
        o.quiet = true;
        return o;
    }
    sim::Simulator simulator_;
    bool started_ = false;
    std::thread thread_;
};

sim::SimOptions simOptions(std::vector<std::string> extra) {
    std::vector<std::string> args{"--no-gps", "--utc", "12:00:00", "--sensors", "1"};
    args.insert(args.end(), extra.begin(), extra.end());
    std::string error;
    auto options = sim::parseOptions(args, error);
    EXPECT_TRUE(options) << error;
    return options.value_or(sim::SimOptions{});
}

TEST_F(Em61ReaderTest, InstrumentReadingsArriveAtItsRateAndAtTheChosenFraction) {
    RunningSimulator sim(simOptions({}));
    openPort();
    ASSERT_TRUE(instrumentHandshake('H', 'X', 0, config, context, messages));
    ASSERT_TRUE(reader.start());
    ui.pumpFor(500ms);

    auto ratePerSecond = [&](std::chrono::milliseconds span) {
        const std::size_t before = messagesSeen.size();
        const auto start = SteadyClock::now();
        ui.pumpFor(span);
        const double seconds = std::chrono::duration<double>(SteadyClock::now() - start).count();
        return static_cast<double>(messagesSeen.size() - before) / seconds;
    };
    // 18.16 frames a second.
    const double all = ratePerSecond(2000ms);
    EXPECT_GT(all, 14.0);
    EXPECT_LT(all, 22.0);
    context.em61.dispatchEvery = 4;
    context.em61.frameCounterReset = true;
    const double quarter = ratePerSecond(3000ms);
    EXPECT_GT(quarter, 3.0);
    EXPECT_LT(quarter, 5.6);
    EXPECT_GT(readingsShown(), 20u);
    EXPECT_LT(ticksSince(context.acquisition.lastDataTick), 500u);
}

// The instrument falls silent; the watchdog (played by the test) reports the
// link broken and shows its notice. The reader repeats the handshake until
// the instrument is back, then the first frame takes the notice away.
TEST_F(Em61ReaderTest, SilentInstrumentIsStartedAgainAndTheLostNoticeIsCleared) {
    RunningSimulator sim(simOptions({"--fault", "em-off@1.5+1.5"}));
    openPort();
    ASSERT_TRUE(instrumentHandshake('H', 'X', 0, config, context, messages));
    ASSERT_TRUE(reader.start());
    ASSERT_TRUE(ui.pumpUntil([&] { return sim.simSeconds() > 1.7; }, 10s));
    ui.pumpFor(300ms);
    const std::size_t beforeSilence = messagesSeen.size();
    EXPECT_GT(beforeSilence, 10u);
    ASSERT_GT(ticksSince(context.acquisition.lastDataTick), 200u) << "silent";

    context.logging.lostShown = true;
    context.logging.instrumentLinkBroken = true;
    ASSERT_TRUE(ui.pumpUntil([&] { return messagesSeen.size() > beforeSilence; }, 15s))
        << "readings come again after the instrument is back";
    EXPECT_FALSE(context.logging.instrumentLinkBroken);
    EXPECT_FALSE(context.logging.lostShown);
    std::size_t clears = 0;
    for (std::size_t i = beforeSilence; i < readouts.size(); ++i) clears += readouts[i].notice == NoticeChange::Clear;
    EXPECT_EQ(clears, 1u);
    EXPECT_EQ(readouts[beforeSilence].notice, NoticeChange::Clear) << "the first frame back clears it";
    EXPECT_EQ(context.ports.handshakeMode, 1);
}

}  // namespace
}  // namespace velox::test
