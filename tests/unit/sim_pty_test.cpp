// The stand-in over real pseudo-terminals: the simulator runs on its own
// thread, the test plays the program on the port map entries.

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "acquisition/em61_frame.h"
#include "acquisition/nmea_format.h"
#include "config/survey_config.h"
#include "config/survey_context.h"
#include "platform/paths.h"
#include "serial/handshake.h"
#include "serial/ports.h"
#include "serial_pty.h"
#include "test_support.h"
#include "tools/sim/simulator.h"

namespace velox::sim {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// The program's side of one port, opened through the port map.
class ProgramPort {
public:
    explicit ProgramPort(int portIndex) {
        fd_ = ::open(portMapEntry(portIndex).c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (fd_ < 0) return;
        termios t{};
        tcgetattr(fd_, &t);
        cfmakeraw(&t);
        tcsetattr(fd_, TCSANOW, &t);
    }
    ~ProgramPort() {
        if (fd_ >= 0) ::close(fd_);
    }
    bool open() const { return fd_ >= 0; }
    void send(const std::string& bytes) const { ASSERT_EQ(::write(fd_, bytes.data(), bytes.size()), ssize_t(bytes.size())); }
    // Everything that arrives within `span`.
    std::string read(std::chrono::milliseconds span) const {
        std::string got;
        const auto end = Clock::now() + span;
        while (true) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
            if (left <= 0) return got;
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left)) <= 0 || !(p.revents & POLLIN)) continue;
            char buffer[1024];
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n <= 0) return got;
            got.append(buffer, static_cast<size_t>(n));
        }
    }
    void flush() const { tcflush(fd_, TCIOFLUSH); }

private:
    int fd_ = -1;
};

int framesIn(const std::string& bytes) {
    Em61Framer framer;
    int frames = 0;
    for (const char b : bytes) frames += framer.push(static_cast<uint8_t>(b)) == Em61Framer::Outcome::Frame;
    return frames;
}

class RunningSimulator {
public:
    explicit RunningSimulator(SimOptions options) : simulator_([&] {
        options.quiet = true;
        return options;
    }()) {
        std::string error;
        started_ = simulator_.start(error);
        EXPECT_TRUE(started_) << error;
        if (started_) thread_ = std::thread([this] { simulator_.run(); });
    }
    ~RunningSimulator() {
        simulator_.requestStop();
        if (thread_.joinable()) thread_.join();
    }
    Simulator& operator*() { return simulator_; }

private:
    Simulator simulator_;
    bool started_ = false;
    std::thread thread_;
};

SimOptions defaults() {
    std::string error;
    auto o = parseOptions({"--utc", "12:00:00"}, error);
    return *o;
}

// The program's start: "H", 40 ms, "X", then the answer and the stream.
std::string handshake(const ProgramPort& port) {
    port.flush();
    port.send("H");
    std::this_thread::sleep_for(40ms);
    port.send("X");
    return port.read(200ms);
}

TEST(SimPty, AnswersTheHandshakeAsConfiguredThenStreamsAboutEighteenFramesASecond) {
    const struct {
        const char* answer;
        std::string reply;
    } cases[] = {{"OK", "OK"}, {"OV", "OV"}, {"none", ""}};
    for (const auto& c : cases) {
        test::TempDataRoot root;
        std::string error;
        RunningSimulator sim(*parseOptions({"--answer", c.answer, "--no-gps"}, error));
        ProgramPort port(3);
        ASSERT_TRUE(port.open());
        EXPECT_TRUE(port.read(300ms).empty()) << "silent until asked";
        const std::string first = handshake(port);
        EXPECT_EQ(first.substr(0, c.reply.size()), c.reply) << c.answer;
        const auto start = Clock::now();
        const std::string stream = port.read(2000ms);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        const double rate = framesIn(stream) / seconds;
        // 18.16 per second; wide margins for a loaded machine.
        EXPECT_GT(rate, 15.0) << c.answer;
        EXPECT_LT(rate, 21.0) << c.answer;
    }
}

// The program's own port layer and handshake against the stand-in, also
// after closing and reopening the port while the instrument streams.
TEST(SimPty, ProgramHandshakeSucceedsWithEitherAnswer) {
    const struct {
        const char* answer;
        int mode;
    } cases[] = {{"OK", 1}, {"OV", 0}};
    for (const auto& c : cases) {
        test::TempDataRoot root;
        std::string error;
        RunningSimulator sim(*parseOptions({"--answer", c.answer, "--no-gps"}, error));
        SurveyConfig config;
        SurveyContext context;
        test::RecordedMessages messages;
        ASSERT_TRUE(openInstrumentPort(config, context, messages, true));
        EXPECT_TRUE(instrumentHandshake('H', 'X', 0, config, context, messages)) << c.answer;
        EXPECT_EQ(context.ports.handshakeMode, c.mode);
        std::this_thread::sleep_for(300ms);
        context.ports.handshakeMode = -1;
        EXPECT_TRUE(instrumentHandshake('H', 'X', 1, config, context, messages)) << c.answer;
        EXPECT_EQ(context.ports.handshakeMode, c.mode);
        EXPECT_TRUE(messages.shown.empty());
        closeInstrumentPort(context);
    }
}

TEST(SimPty, InstrumentSwitchedOffFallsSilentAndAnswersAgainWhenBack) {
    test::TempDataRoot root;
    SimOptions o = defaults();
    o.gps = false;
    std::string error;
    o.faults.add(*parseFault("em-off@1+1.5", error));
    RunningSimulator sim(o);
    ProgramPort port(3);
    ASSERT_TRUE(port.open());
    EXPECT_EQ(handshake(port).substr(0, 2), "OK");
    // Wait until it is off, then nothing comes, not even an answer.
    while (toSeconds((*sim).simNow()) < 1.1) std::this_thread::sleep_for(10ms);
    port.flush();
    EXPECT_TRUE(handshake(port).empty());
    while (toSeconds((*sim).simNow()) < 2.6) std::this_thread::sleep_for(10ms);
    EXPECT_TRUE(port.read(200ms).empty()) << "back on, but waiting for the handshake";
    EXPECT_EQ(handshake(port).substr(0, 2), "OK");
    EXPECT_GE(framesIn(port.read(500ms)), 5);
}

TEST(SimPty, UnpluggedPortIsClosedAndANewOneRegistered) {
    test::TempDataRoot root;
    SimOptions o = defaults();
    o.instrument = false;
    o.speed = 4.0;
    std::string error;
    o.faults.add(*parseFault("gps-unplug@2+4", error));  // 0.5 … 1.5 s real time
    RunningSimulator sim(o);
    const auto entry = portMapEntry(5);
    {
        ProgramPort port(5);
        ASSERT_TRUE(port.open());
        EXPECT_NE(port.read(300ms).find("$GPGGA"), std::string::npos);
        while (toSeconds((*sim).simNow()) < 2.2) port.read(20ms);
        EXPECT_FALSE(std::filesystem::exists(entry));
        EXPECT_EQ(port.read(300ms).find("$GPGGA"), std::string::npos) << "the old port is dead";
    }
    while (toSeconds((*sim).simNow()) < 6.4) std::this_thread::sleep_for(10ms);
    ASSERT_TRUE(std::filesystem::is_symlink(entry));
    ProgramPort again(5);
    ASSERT_TRUE(again.open());
    EXPECT_NE(again.read(800ms).find("$GPGGA"), std::string::npos);
}

TEST(SimPty, NoiseAndBadChecksumsArriveOnTheGpsPort) {
    test::TempDataRoot root;
    SimOptions o = defaults();
    o.instrument = false;
    o.speed = 5.0;
    std::string error;
    o.faults.add(*parseFault("gps-noise@0+100", error));
    o.faults.add(*parseFault("gps-bad-checksum@0+100", error));
    RunningSimulator sim(o);
    ProgramPort port(5);
    ASSERT_TRUE(port.open());
    const std::string stream = port.read(1500ms);
    size_t gga = 0, bad = 0, start = 0;
    while ((start = stream.find("$GPGGA", start)) != std::string::npos) {
        const size_t end = stream.find("\r\n", start);
        if (end == std::string::npos) break;
        ++gga;
        bad += !checksumMatches(stream.substr(start, end - start));
        start = end;
    }
    EXPECT_GE(gga, 4u);
    EXPECT_EQ(bad, gga);
    // Noise bursts come every 0.2 s: far more bytes than the sentences alone.
    EXPECT_GT(stream.size(), gga * 80 + 100);
}

}  // namespace
}  // namespace velox::sim
