#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "config/survey_config.h"
#include "config/survey_context.h"
#include "platform/clock.h"
#include "platform/paths.h"
#include "serial/handshake.h"
#include "serial/ports.h"
#include "serial_pty.h"
#include "test_support.h"

namespace velox {
namespace {

using namespace std::chrono_literals;
using test::PtyPair;
using test::PtyPeer;
using test::RecordedMessages;
using SteadyClock = std::chrono::steady_clock;

constexpr int kInstrumentIndex = 3;  // COM4

double millisecondsSince(SteadyClock::time_point start) {
    return std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count();
}

// Plays the instrument: after each command pair it sends the scripted
// answer for that attempt (no answer once the script runs out).
class ScriptedInstrument {
public:
    ScriptedInstrument(const PtyPair& pty, std::vector<std::string> answers)
        : peer_(pty, [answers = std::move(answers)](const std::string& received) {
              const size_t pairs = received.size() / 2;
              if (received.size() % 2 == 1 || pairs > answers.size()) return std::string();
              return answers[pairs - 1];
          }) {}
    std::string received() { return peer_.received(); }

private:
    PtyPeer peer_;
};

// The system clock, noting every busy wait asked of it.
class WaitRecordingClock final : public Clock {
public:
    Tick now() override {
        return static_cast<Tick>(
            std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now().time_since_epoch()).count());
    }
    void wait(uint32_t ms) override {
        waits.push_back(ms);
        std::this_thread::sleep_for(std::chrono::milliseconds(ms + 1));
    }
    std::vector<uint32_t> waits;
};

class HandshakeTest : public ::testing::Test {
protected:
    HandshakeTest() {
        config.instrumentPort = kInstrumentIndex;
        pty.registerAs(kInstrumentIndex);
        setClock(&clock);
    }
    ~HandshakeTest() override { setClock(nullptr); }

    WaitRecordingClock clock;

    test::TempDataRoot root;
    PtyPair pty;
    SurveyConfig config;
    SurveyContext context;
    RecordedMessages messages;
};

struct HandshakeCase {
    const char* name;
    std::vector<std::string> answers;  // per attempt
    std::string staleInput;            // waiting in the port before the handshake
    int reopen;
    int modeBefore;
    bool succeeds;
    int modeAfter;
    const char* sent;
};

TEST_F(HandshakeTest, AnswersOfTheInstrument) {
    const HandshakeCase cases[] = {
        {"X O K", {"XOK"}, "", 0, -1, true, 1, "HX"},
        {"OV", {"OV"}, "", 0, -1, true, 0, "HX"},
        {"OZK, the Z ignored", {"OZK"}, "", 0, -1, true, 1, "HX"},
        {"answer on the second attempt", {"", "OK"}, "", 0, 0, true, 1, "HX" "HX"},
        {"after a reopen", {"OV"}, "", 1, -1, true, 0, "HX"},
        {"KO then silence", {"KO"}, "", 0, 1, false, 1, "HX" "HX" "HX"},
        {"O and K split over two attempts", {"O", "K"}, "", 0, 1, false, 1, "HX" "HX" "HX"},
        {"silence; a stale OK is purged", {}, "OK", 0, 0, false, 0, "HX" "HX" "HX"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(openInstrumentPort(config, context, messages, true));
        const auto portBefore = context.ports.instrumentPort.load();
        if (!c.staleInput.empty()) {
            pty.send(c.staleInput);
            for (int i = 0; i < 100 && pty.pendingInput() < static_cast<int>(c.staleInput.size()); ++i)
                std::this_thread::sleep_for(5ms);
        }
        context.ports.handshakeMode = c.modeBefore;

        ScriptedInstrument instrument(pty, c.answers);
        clock.waits.clear();
        const auto start = SteadyClock::now();
        const bool ok = instrumentHandshake('H', 'X', c.reopen, config, context, messages);
        const double elapsed = millisecondsSince(start);

        EXPECT_EQ(ok, c.succeeds);
        EXPECT_EQ(context.ports.handshakeMode, c.modeAfter);
        EXPECT_EQ(instrument.received(), c.sent);
        // 70 ms either side of a reopen, 40 ms between the two bytes of each attempt.
        std::vector<uint32_t> waits = c.reopen > 0 ? std::vector<uint32_t>{70, 70} : std::vector<uint32_t>{};
        waits.resize(waits.size() + std::string_view(c.sent).size() / 2, 40);
        EXPECT_EQ(clock.waits, waits);
        if (!c.succeeds) {
            EXPECT_GE(elapsed, 2900.0);
            EXPECT_LT(elapsed, 6000.0);
        }
        if (c.reopen > 0) {
            EXPECT_NE(context.ports.instrumentPort.load(), portBefore);
        }
        EXPECT_EQ(context.ports.instrumentPortState, 1);
        closeInstrumentPort(context);
    }
    EXPECT_TRUE(messages.shown.empty());
}

// A reader reconnecting through a reopen keeps its running state.
TEST_F(HandshakeTest, ReopenByARunningReaderKeepsState2) {
    ASSERT_TRUE(openInstrumentPort(config, context, messages, true));
    context.ports.instrumentPortState = 2;
    ScriptedInstrument instrument(pty, {"OK"});
    EXPECT_TRUE(instrumentHandshake('H', 'W', 1, config, context, messages));
    EXPECT_EQ(context.ports.instrumentPortState, 2);
    EXPECT_EQ(instrument.received(), "HW");
}

TEST_F(HandshakeTest, FailedReopenReportsAndGivesUpAtOnce) {
    ASSERT_TRUE(openInstrumentPort(config, context, messages, true));
    std::filesystem::remove(portMapEntry(kInstrumentIndex));
    std::filesystem::create_symlink(root.path() / "unplugged", portMapEntry(kInstrumentIndex));
    context.ports.handshakeMode = 1;

    const auto start = SteadyClock::now();
    EXPECT_FALSE(instrumentHandshake('H', 'X', 1, config, context, messages));
    EXPECT_LT(millisecondsSince(start), 1000.0);
    EXPECT_EQ(context.ports.handshakeMode, 1);
    EXPECT_EQ(context.ports.instrumentPort.load(), nullptr);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].title, "Serial Port");
    EXPECT_EQ(messages.shown[0].text, "Cannot open COM4 ");
}

// Closing the port stops a handshake that a reader thread runs, just as it
// stops the reader itself; without an open port there is nothing to try.
TEST_F(HandshakeTest, ClosedPortEndsTheHandshake) {
    ASSERT_TRUE(openInstrumentPort(config, context, messages, true));
    ScriptedInstrument silent(pty, {});
    std::thread closer([&] {
        std::this_thread::sleep_for(200ms);
        closeInstrumentPort(context);
    });
    const auto start = SteadyClock::now();
    EXPECT_FALSE(instrumentHandshake('H', 'X', 0, config, context, messages));
    EXPECT_LT(millisecondsSince(start), 1500.0);
    closer.join();

    EXPECT_FALSE(instrumentHandshake('H', 'X', 0, config, context, messages));
    EXPECT_EQ(context.ports.handshakeMode, -1);
}

}  // namespace
}  // namespace velox
