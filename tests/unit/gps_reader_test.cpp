// The GPS reader thread against a scripted receiver on a pseudo-terminal,
// with a user-interface thread stand-in draining the hand-over channel: the
// records written for each kind of line, the throttle, Manual mode, the
// silence handling and stopping.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "acquisition/gps_reader.h"
#include "acquisition/worker_messages.h"
#include "logging/data_file.h"
#include "logging/data_file_reader.h"
#include "platform/handover.h"
#include "platform/paths.h"
#include "platform/sound_player.h"
#include "serial/ports.h"
#include "recording_sounds.h"
#include "serial_pty.h"
#include "test_support.h"

namespace velox {
namespace {

using namespace std::chrono_literals;

constexpr Variant kLx2{InstrumentType::Em61Lx2, ProductLine::Velox};
constexpr Tick kStart = 1'000'000;

std::string withChecksum(const std::string& body) {
    char suffix[4];
    std::snprintf(suffix, sizeof suffix, "%02X", nmeaChecksum(body));
    return "$" + body + "*" + suffix;
}
const std::string kGga = withChecksum("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,");
const std::string kGsa = withChecksum("GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1");
const std::string kRmc = withChecksum("GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W");
const std::string kBadGga = kGga.substr(0, kGga.size() - 2) + "00";
const std::string kPseudoGga = "$GPGGA,123519,5000.000,N,1000.000,E,1,,,,M";
const std::string kPseudoOther = "$TSXYZ,1,2,3";

// A clock that moves only when the test says so.
class SteppedClock final : public Clock {
public:
    SteppedClock() { setClock(this); }
    ~SteppedClock() override { setClock(nullptr); }
    Tick now() override { return tick_; }
    void wait(uint32_t ms) override { tick_ += ms + 1; }
    void advance(uint32_t ms) { tick_ += ms; }

private:
    std::atomic<Tick> tick_{kStart};
};

// Shown from the reader thread, read by the test.
class SharedMessages final : public OperatorMessages {
public:
    int show(const std::string& title, const std::string& text, MessageButtons) override {
        std::lock_guard lock(mutex_);
        shown_.push_back(title + ": " + text);
        return 1;
    }
    std::vector<std::string> shown() const {
        std::lock_guard lock(mutex_);
        return shown_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> shown_;
};

// The user-interface thread: drains the channel while `draining`, recording
// each message with the sentence the handler found in `currentSentence`.
class UiThread {
public:
    UiThread(HandOverChannel& channel, SurveyContext& context) : channel_(channel) {
        channel_.setWakeUp([this] { woken_ = true; });
        channel_.setHandler([this, &context](int message) {
            std::lock_guard lock(mutex_);
            seen_.push_back({message, context.gpsReader.currentSentence.load().text});
        });
        thread_ = std::thread([this] {
            channel_.setUiThread(std::this_thread::get_id());
            while (!stop_) {
                if (draining && woken_.exchange(false)) channel_.dispatchPending();
                std::this_thread::sleep_for(200us);
            }
        });
    }
    ~UiThread() {
        stop_ = true;
        thread_.join();
        channel_.setWakeUp({});
    }
    struct Seen {
        int message;
        std::string sentence;
        bool operator==(const Seen&) const = default;
    };
    std::vector<Seen> seen() const {
        std::lock_guard lock(mutex_);
        return seen_;
    }
    std::atomic<bool> draining{true};

private:
    HandOverChannel& channel_;
    mutable std::mutex mutex_;
    std::vector<Seen> seen_;
    std::atomic<bool> woken_{false};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds limit = 10s) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

struct Written {
    char first;
    std::string sentence;
    char status;  // 0 for an "X" record
    long count;
    bool operator==(const Written&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Written& w) {
    return out << w.first << " '" << w.sentence << "' status '" << (w.status ? w.status : '0') << "' count "
               << w.count;
}

// The GPS groups and "X" records of a data file, in order.
std::vector<Written> writtenTo(const DataFile& file) {
    std::vector<Written> out;
    DataFileReader records(file.path(), file.recordLength());
    RecordScanner scanner(records, layoutOf(kLx2.instrumentType, kLx2.productLine));
    while (const std::optional<ScannedRecord> next = scanner.next()) {
        if (next->group)
            out.push_back({next->group->firstType, next->group->sentence, next->group->status.value_or('?'),
                           next->group->sentenceCount.value_or(-1)});
        else if (next->record.kind == RecordKind::OtherSentence || next->record.kind == RecordKind::Event)
            out.push_back({'X', next->record.text.value_or(""), 0, 0});
    }
    return out;
}

class GpsReaderRig : public ::testing::Test {
protected:
    test::TempDataRoot root;
    SteppedClock clock;
    SurveyConfig config;
    SurveyContext context;
    test::PtyPair pty;
    DataFile file{kLx2};
    HandOverChannel channel;
    UiThread ui{channel, context};
    test::RecordingSounds sounds;
    SharedMessages messages;
    std::unique_ptr<GpsReader> reader;

    void SetUp() override {
        pty.registerAs(config.gpsPort);
        ASSERT_TRUE(file.open(root.path() / "240315_000.RX2"));
    }
    void TearDown() override { reader.reset(); }

    void startReader(int nmeaData, int surveyMode = SURVEY_AUTO, int pseudoGgaSlam = 0) {
        config.nmeaData = nmeaData;
        config.pseudoGgaSlam = pseudoGgaSlam;
        context.derived.workingSurveyMode = surveyMode;
        ASSERT_TRUE(openGpsPort(config, context, messages));
        reader = std::make_unique<GpsReader>(config, context, configureGpsFormat(nmeaData, pseudoGgaSlam), channel,
                                             file, sounds, messages);
        ASSERT_TRUE(reader->start());
        reader->resume();
        ASSERT_TRUE(eventually([&] { return context.ports.gpsPortState == 2; }));
    }
    void sendLine(const std::string& line) { pty.send(line + "\r\n"); }
    void setLogging(bool on) {
        context.logging.loggingState = on ? LoggingState::Logging : LoggingState::Monitoring;
    }

    std::vector<Written> written() const { return writtenTo(file); }
    bool writtenCountReaches(size_t n) {
        return eventually([&] { return written().size() >= n; });
    }
};

// Each kind of line, in each kind of format and mode, streamed through the
// port: what is written (in order), what is handed over, what is counted.
// Every case ends in a line of its own, so that the test sees when the
// reader has come to the end.
TEST_F(GpsReaderRig, RecordsAndMessagesForEachKindOfLine) {
    struct Case {
        const char* name;
        int nmeaData;
        bool logging;
        bool instrumentLinkUp;
        std::vector<std::string> lines;
        std::vector<Written> written;
        std::vector<UiThread::Seen> messages;
        long sentenceCount;
    };
    const std::string noDollar = kGga.substr(1);
    const std::string zda = withChecksum("GPZDA,123519,23,03,1994,00,00");
    const std::string pseudoLast = "$GPRMC,1,2";
    const Written zdaRecord{'X', zda.substr(0, 25), 0, 0};
    const Case cases[] = {
        {"GGA while logging: GSA is an other sentence",
         1, true, true,
         {kGga, kGsa, kRmc, kBadGga, noDollar, kGga, zda},
         {{'@', kGga, 'p', 1}, {'X', kGsa.substr(0, 25), 0, 0}, {'X', kRmc.substr(0, 25), 0, 0},
          {'?', kBadGga, ' ', 1}, {'?', noDollar, ' ', 1}, {'@', kGga, ' ', 2}, zdaRecord},
         {{WM_GPS_FIX, kGga}},
         2},
        {"GGA/GSA while logging",
         0, true, true,
         {kGga, kGsa, kGga, zda},
         {{'@', kGga, 'p', 1}, {'@', kGsa, ' ', 1}, {'@', kGga, ' ', 2}, zdaRecord},
         {{WM_GPS_FIX, kGga}, {WM_GPS_STATUS, kGsa}},
         2},
        {"instrument link down: counted, not written",
         0, true, false,
         {kGga, kGsa, kBadGga, kGga, kRmc},
         {},
         {{WM_GPS_FIX, kGga}, {WM_GPS_STATUS, kGsa}},
         2},
        {"monitoring: handed over, neither written nor counted",
         0, false, true,
         {kGga, kGsa, kBadGga, zda},
         {},
         {{WM_GPS_FIX, kGga}, {WM_GPS_STATUS, kGsa}},
         0},
        {"pseudo-GGA: other lines counted and kept whole whatever the instrument",
         7, true, false,
         {kPseudoGga, kPseudoOther, kPseudoGga, pseudoLast},
         {{'@', kPseudoOther, ' ', 1}, {'@', pseudoLast, ' ', 2}},
         {{WM_GPS_FIX, kPseudoGga}},
         2},
        {"pseudo-GGA with the instrument: position lines are not counted",
         7, true, true,
         {kPseudoGga, kPseudoGga, kPseudoOther},
         {{'@', kPseudoGga, 'p', 0}, {'@', kPseudoGga, ' ', 0}, {'@', kPseudoOther, ' ', 1}},
         {{WM_GPS_FIX, kPseudoGga}},
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDataRoot caseRoot;
        SurveyContext caseContext;
        test::PtyPair casePty;
        DataFile caseFile{kLx2};
        HandOverChannel caseChannel;
        UiThread caseUi{caseChannel, caseContext};
        casePty.registerAs(config.gpsPort);
        ASSERT_TRUE(caseFile.open(caseRoot.path() / "240315_000.RX2"));
        caseContext.logging.loggingState = c.logging ? LoggingState::Logging : LoggingState::Monitoring;
        caseContext.acquisition.instrumentLinkUp = c.instrumentLinkUp;
        ASSERT_TRUE(openGpsPort(config, caseContext, messages));
        GpsReader caseReader(config, caseContext, configureGpsFormat(c.nmeaData, 0), caseChannel, caseFile, sounds,
                             messages);
        ASSERT_TRUE(caseReader.start());
        caseReader.resume();

        std::string stream;
        for (const std::string& line : c.lines) stream += line + "\r\n";
        casePty.send(stream);
        ASSERT_TRUE(eventually([&] { return caseContext.gpsReader.currentSentence.load().text == c.lines.back(); }));
        ASSERT_TRUE(eventually([&] { return caseUi.seen().size() >= c.messages.size(); }));
        caseReader.stop();
        caseReader.join();  // the last line has been handled whole

        EXPECT_EQ(writtenTo(caseFile), c.written);
        EXPECT_EQ(caseUi.seen(), c.messages);
        EXPECT_EQ(caseContext.gpsReader.gpsSentenceCount, c.sentenceCount);
    }
}

TEST_F(GpsReaderRig, PositionsCloserThanTheSpacingAreWrittenButNotPassedOn) {
    setLogging(true);
    startReader(1);
    sendLine(kGga);
    ASSERT_TRUE(writtenCountReaches(1));
    EXPECT_EQ(context.gpsReader.lastFixTick, kStart);

    clock.advance(500);
    sendLine(kGga);
    ASSERT_TRUE(writtenCountReaches(2));
    EXPECT_EQ(context.gpsReader.lastFixTick, kStart);

    clock.advance(450);  // 950 ms after the last one passed on
    sendLine(kGga);
    ASSERT_TRUE(writtenCountReaches(3));
    ASSERT_TRUE(eventually([&] { return ui.seen().size() == 2; }));
    EXPECT_EQ(context.gpsReader.lastFixTick, kStart + 950);

    const std::vector<Written> got = written();
    EXPECT_EQ(got[0], (Written{'@', kGga, 'p', 1}));
    EXPECT_EQ(got[1], (Written{'@', kGga, ' ', 2}));
    EXPECT_EQ(got[2], (Written{'@', kGga, 'p', 3}));
    EXPECT_EQ(ui.seen().size(), 2u);
}

// Manual mode: every position goes to the handler and is held; a manual
// reading writes the held pair with "p", and the reader writes the first
// position received after it.
TEST_F(GpsReaderRig, ManualModeHoldsSentencesAroundAManualReading) {
    setLogging(true);
    startReader(0, SURVEY_MANUAL);
    const std::string gga2 = withChecksum("GPGGA,123520,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,");
    sendLine(kGga);
    clock.advance(100);  // no throttle in Manual mode
    sendLine(kGsa);
    sendLine(kBadGga);  // raw lines are not written in Manual mode
    ASSERT_TRUE(eventually([&] { return ui.seen().size() == 2; }));
    ASSERT_TRUE(eventually([&] { return pty.pendingInput() == 0; }));
    EXPECT_TRUE(written().empty());

    writeHeldGpsSentences(context.gpsReader, file);  // the manual-reading handler
    EXPECT_EQ(written(), (std::vector<Written>{{'@', kGga, 'p', 0}, {'@', kGsa, 'p', 0}}));
    EXPECT_EQ(context.gpsReader.loggedFixCount, 1);
    EXPECT_TRUE(context.gpsReader.manualReadingTaken);

    clock.advance(100);
    sendLine(gga2);
    ASSERT_TRUE(writtenCountReaches(3));
    EXPECT_EQ(written()[2], (Written{'@', gga2, ' ', 0}));
    EXPECT_EQ(context.gpsReader.loggedFixCount, 2);
    EXPECT_FALSE(context.gpsReader.manualReadingTaken);

    // While the handler holds the lock the reader keeps its hands off.
    const std::string gga3 = withChecksum("GPGGA,123521,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,");
    sendLine(gga3);
    ASSERT_TRUE(eventually([&] { return ui.seen().size() == 4; }));
    context.gpsReader.held.setLock(true);
    sendLine(kGga);
    ASSERT_TRUE(eventually([&] { return ui.seen().size() == 5; }));
    context.gpsReader.held.setLock(false);
    const std::optional<GpsSentence> held = context.gpsReader.held.takePosition();
    ASSERT_TRUE(held);
    EXPECT_EQ(held->text, gga3);
    EXPECT_EQ(written().size(), 3u);
}

// A silent port: one break (event, ring, red fields, reopen) per silence
// period while it lasts; lines that return end it.
TEST_F(GpsReaderRig, SilenceBreaksTheLinkEveryPeriodUntilLinesReturn) {
    setLogging(true);
    config.coordinatesDisplay = 1;
    startReader(1);
    const auto events = [&] {
        size_t n = 0;
        for (const Written& w : written())
            if (w.first == 'X' && w.sentence == "GPS CONN BR") ++n;  // event texts keep 11 characters
        return n;
    };

    clock.advance(GPS_SILENCE_MS);  // not more than the silence yet
    sendLine(kRmc);
    ASSERT_TRUE(writtenCountReaches(1));
    EXPECT_EQ(events(), 0u);

    clock.advance(GPS_SILENCE_MS + 1);
    ASSERT_TRUE(eventually([&] { return events() == 1; }));
    ASSERT_TRUE(eventually([&] { return !context.gpsReader.gpsLinkBroken && context.ports.gpsPortState == 2; }));
    EXPECT_EQ(sounds.played(), std::vector<std::string>{"SOUND_RING"});
    EXPECT_EQ(context.gpsReader.redFields, linkBreakRedFields(1));
    EXPECT_NE(context.ports.gpsPort.load(), nullptr);

    clock.advance(GPS_SILENCE_MS + 1);
    ASSERT_TRUE(eventually([&] { return events() == 2; }));

    // Lines return on the reopened port: no more breaks.
    ASSERT_TRUE(eventually([&] { return !context.gpsReader.gpsLinkBroken; }));
    sendLine(kGga);
    ASSERT_TRUE(eventually([&] { return ui.seen().size() == 1; }));
    clock.advance(GPS_SILENCE_MS - 1);
    sendLine(kRmc);
    ASSERT_TRUE(eventually([&] { return written().size() == 5; }));
    EXPECT_EQ(events(), 2u);

    // Lines with bad checksums are no GPS data.
    clock.advance(GPS_SILENCE_MS - 1);
    sendLine(kBadGga);
    clock.advance(2);
    ASSERT_TRUE(eventually([&] { return events() == 3; }));
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(GpsReaderRig, APortThatCannotBeReopenedIsReportedAndTriedAgain) {
    setLogging(false);
    config.audioDisconnectAlarm = 0;
    startReader(1);
    std::filesystem::remove(portMapEntry(config.gpsPort));
    pty.closeMaster();  // the receiver vanishes

    clock.advance(GPS_SILENCE_MS + 1);
    ASSERT_TRUE(eventually([&] { return messages.shown().size() == 1; }));
    EXPECT_EQ(messages.shown()[0], "Serial Port: Cannot open COM6 for GPS");
    ASSERT_TRUE(eventually([&] { return !context.gpsReader.gpsLinkBroken; }));
    EXPECT_EQ(context.ports.gpsPortState, 0);
    EXPECT_TRUE(written().empty());  // no event outside logging
    EXPECT_TRUE(sounds.played().empty());

    test::PtyPair replacement;
    replacement.registerAs(config.gpsPort);
    clock.advance(GPS_SILENCE_MS + 1);
    ASSERT_TRUE(eventually([&] { return context.ports.gpsPortState == 2; }));
    replacement.send(kGga + "\r\n");
    ASSERT_TRUE(eventually([&] { return ui.seen().size() == 1; }));
    EXPECT_EQ(messages.shown().size(), 1u);
}

TEST_F(GpsReaderRig, StopReleasesAReaderWaitingForTheUserInterface) {
    ui.draining = false;  // the user-interface thread is busy elsewhere
    startReader(1);
    sendLine(kGga);
    ASSERT_TRUE(eventually([&] { return context.gpsReader.lastFixTick == kStart; }));
    std::this_thread::sleep_for(20ms);
    EXPECT_TRUE(reader->running());

    auto stopped = std::async(std::launch::async, [&] {
        reader->stop();
        reader->join();
    });
    ASSERT_EQ(stopped.wait_for(5s), std::future_status::ready);
    EXPECT_FALSE(reader->running());
    EXPECT_EQ(context.ports.gpsPortState, 0);
    EXPECT_EQ(context.ports.gpsPort.load(), nullptr);
    EXPECT_TRUE(ui.seen().empty());
}

TEST_F(GpsReaderRig, StopBeforeResumeEndsTheSuspendedThread) {
    ASSERT_TRUE(openGpsPort(config, context, messages));
    GpsReader suspended(config, context, configureGpsFormat(1, 0), channel, file, sounds, messages);
    ASSERT_TRUE(suspended.start());
    EXPECT_FALSE(suspended.start());
    sendLine(kGga);
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(pty.pendingInput(), static_cast<int>(kGga.size() + 2));  // nothing read while suspended
    suspended.stop();
    suspended.join();
    EXPECT_FALSE(suspended.running());
    EXPECT_EQ(context.ports.gpsPortState, 0);
}

size_t entriesIn(const char* folder) {
    size_t n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++n;
    return n;
}

TEST_F(GpsReaderRig, StartAndStopRepeatedlyLeaksNeitherThreadsNorDescriptors) {
    setLogging(true);
    const size_t threads = entriesIn("/proc/self/task");
    const size_t descriptors = entriesIn("/proc/self/fd");
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(openGpsPort(config, context, messages));
        GpsReader once(config, context, configureGpsFormat(1, 0), channel, file, sounds, messages);
        ASSERT_TRUE(once.start());
        once.resume();
        clock.advance(1000);
        sendLine(kGga);
        ASSERT_TRUE(eventually([&] { return ui.seen().size() == static_cast<size_t>(round + 1); }));
        if (round % 2) once.stop();  // the others are stopped by the destructor
    }
    EXPECT_EQ(entriesIn("/proc/self/task"), threads);
    EXPECT_EQ(entriesIn("/proc/self/fd"), descriptors);
    EXPECT_EQ(written().size(), 20u);
}

}  // namespace
}  // namespace velox
