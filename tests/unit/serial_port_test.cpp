#include <gtest/gtest.h>
#include <termios.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "config/survey_config.h"
#include "config/survey_context.h"
#include "platform/paths.h"
#include "serial/ports.h"
#include "serial/posix_serial_port.h"
#include "serial_pty.h"
#include "test_support.h"

namespace velox {
namespace {

using namespace std::chrono_literals;
using test::PtyPair;
using test::RecordedMessages;
using SteadyClock = std::chrono::steady_clock;

constexpr int kInstrumentIndex = 3;  // COM4
constexpr int kGpsIndex = 5;         // COM6

double millisecondsSince(SteadyClock::time_point start) {
    return std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count();
}

class SerialPortTest : public ::testing::Test {
protected:
    SerialPortTest() {
        config.instrumentPort = kInstrumentIndex;
        config.gpsPort = kGpsIndex;
    }

    test::TempDataRoot root;
    SurveyConfig config;
    SurveyContext context;
    RecordedMessages messages;
};

TEST(SerialDeviceName, WindowsFormsBelowAndFromCom10) {
    const std::pair<int, const char*> cases[] = {
        {0, "COM1:"}, {8, "COM9:"}, {9, R"(\\.\COM10)"}, {59, R"(\\.\COM60)"},
    };
    for (const auto& [index, name] : cases) EXPECT_EQ(serialDeviceName(index), name) << index;
}

TEST_F(SerialPortTest, DevicePathFollowsPortMapElseTtyS) {
    EXPECT_EQ(serialDevicePath(0), "/dev/ttyS0");
    EXPECT_EQ(serialDevicePath(59), "/dev/ttyS59");
    PtyPair pty;
    pty.registerAs(kInstrumentIndex);
    EXPECT_EQ(serialDevicePath(kInstrumentIndex), portMapEntry(kInstrumentIndex));
}

TEST(SerialLineSettings, InstrumentSpeedAndReadTimeOutByInstrument) {
    for (InstrumentType type : kAllInstruments) {
        const LineSettings s = instrumentLineSettings(type);
        const bool em61OrGrad = static_cast<int>(type) < 0;
        EXPECT_EQ(s.baud, type == InstrumentType::Em38Mk2 ? 19200 : 9600) << instrumentName(type);
        EXPECT_EQ(s.readPerByteMs + s.readConstantMs, em61OrGrad ? 20u : 10u) << instrumentName(type);
        EXPECT_EQ(s.writePerByteMs, 10u);
        EXPECT_EQ(s.writeConstantMs, 10u);
    }
}

struct TermiosCase {
    const char* name;
    bool gps;
    InstrumentType instrument;
    int baudIndex, dataBitsIndex, parityIndex, stopBitsIndex;
    speed_t speed;
    tcflag_t size;
    Parity parity;
    bool twoStopBits;
    bool xonXoff;
};

// What the terminal reports after the program opened it, read on the test's
// own descriptor of the same terminal. A pseudo-terminal always reports 8 data
// bits without parity whatever was set, so those two are checked on the
// settings the port asks the terminal for.
TEST_F(SerialPortTest, LineSettingsReadBack) {
    const InstrumentType lx2 = InstrumentType::Em61Lx2;
    const TermiosCase cases[] = {
        {"instrument EM61-LX2", false, lx2, 0, 0, 0, 0, B9600, CS8, Parity::None, false, false},
        {"instrument EM38-MK2", false, InstrumentType::Em38Mk2, 0, 0, 0, 0, B19200, CS8, Parity::None, false, false},
        {"gps defaults", true, lx2, 1, 1, 0, 0, B9600, CS8, Parity::None, false, true},
        {"gps 4800", true, lx2, 0, 1, 0, 0, B4800, CS8, Parity::None, false, true},
        {"gps 115200 even", true, lx2, 5, 1, 1, 0, B115200, CS8, Parity::Even, false, true},
        {"gps odd", true, lx2, 1, 1, 2, 0, B9600, CS8, Parity::Odd, false, true},
        {"gps 7 data bits", true, lx2, 2, 0, 0, 0, B19200, CS7, Parity::None, false, true},
        {"gps 2 stop bits", true, lx2, 3, 1, 0, 1, B38400, CS8, Parity::None, true, true},
        {"gps indices out of range", true, lx2, 9, -1, 7, 3, B9600, CS8, Parity::None, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PtyPair pty;
        pty.registerAs(c.gps ? kGpsIndex : kInstrumentIndex);
        context.variant.instrumentType = c.instrument;
        config.gpsBaudIndex = c.baudIndex;
        config.gpsDataBitsIndex = c.dataBitsIndex;
        config.gpsParityIndex = c.parityIndex;
        config.gpsStopBitsIndex = c.stopBitsIndex;
        const bool opened = c.gps ? openGpsPort(config, context, messages)
                                  : openInstrumentPort(config, context, messages, true);
        ASSERT_TRUE(opened);

        const termios t = pty.slaveSettings();
        termios asked = t;
        ASSERT_TRUE(applyLineSettings(asked, c.gps ? gpsLineSettings(config) : instrumentLineSettings(c.instrument)));
        EXPECT_EQ(asked.c_cflag & CSIZE, c.size);
        EXPECT_EQ((asked.c_cflag & PARENB) != 0, c.parity != Parity::None);

        EXPECT_EQ(cfgetispeed(&t), c.speed);
        EXPECT_EQ(cfgetospeed(&t), c.speed);
        EXPECT_EQ((t.c_cflag & PARODD) != 0, c.parity == Parity::Odd);
        EXPECT_EQ((t.c_cflag & CSTOPB) != 0, c.twoStopBits);
        EXPECT_EQ((t.c_iflag & IXON) != 0, c.xonXoff);
        EXPECT_EQ((t.c_iflag & IXOFF) != 0, c.xonXoff);
        EXPECT_EQ(t.c_cflag & CRTSCTS, 0u);
        EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD), tcflag_t{CLOCAL | CREAD});
        EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
        EXPECT_EQ(t.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP | BRKINT | PARMRK), 0u);
        EXPECT_EQ(t.c_oflag & OPOST, 0u);
        closeGpsPort(context);
        closeInstrumentPort(context);
    }
    EXPECT_TRUE(messages.shown.empty());
}

TEST(SerialLineSettings, SpeedOrDataBitsATerminalCannotExpressAreRefused) {
    termios t{};
    EXPECT_FALSE(applyLineSettings(t, LineSettings{.baud = 12345}));
    EXPECT_FALSE(applyLineSettings(t, LineSettings{.dataBits = 9}));
    EXPECT_TRUE(applyLineSettings(t, LineSettings{}));
}

// The instrument's frames are binary: carriage returns, 0x7F, XON/XOFF and
// interrupt characters must pass both ways unchanged.
TEST_F(SerialPortTest, EveryByteValuePassesUnchangedBothWays) {
    PtyPair pty;
    pty.registerAs(kInstrumentIndex);
    ASSERT_TRUE(openInstrumentPort(config, context, messages, true));
    const auto port = context.ports.instrumentPort.load();
    EXPECT_EQ(context.ports.instrumentPortState, 1);

    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    pty.send(all);
    std::string read;
    while (read.size() < all.size()) {
        const ReadResult r = port->readByte();
        if (r.status != ReadStatus::Byte) break;
        read.push_back(static_cast<char>(r.byte));
    }
    EXPECT_EQ(read, all);

    // 256 bytes at 10 ms a byte is well inside the write time-out.
    EXPECT_EQ(port->write(reinterpret_cast<const uint8_t*>(all.data()), all.size()), all.size());
    EXPECT_EQ(pty.receive(), all);
}

TEST_F(SerialPortTest, IdleReadReturnsNothingAfterItsTimeOut) {
    const std::pair<InstrumentType, double> cases[] = {
        {InstrumentType::Em61Lx2, 20.0}, {InstrumentType::Grad601, 20.0}, {InstrumentType::Em31Mk2, 10.0}};
    for (const auto& [type, timeoutMs] : cases) {
        SCOPED_TRACE(instrumentName(type));
        PtyPair pty;
        pty.registerAs(kInstrumentIndex);
        context.variant.instrumentType = type;
        ASSERT_TRUE(openInstrumentPort(config, context, messages, true));
        const auto start = SteadyClock::now();
        EXPECT_EQ(context.ports.instrumentPort.load()->readByte().status, ReadStatus::TimedOut);
        const double elapsed = millisecondsSince(start);
        EXPECT_GE(elapsed, timeoutMs - 1.0);
        EXPECT_LT(elapsed, timeoutMs + 500.0);
        closeInstrumentPort(context);
    }
}

// The GPS port honours XON/XOFF: after the receiver sends XOFF a write gives
// up after its time-out (10 ms a byte + 10 ms) instead of blocking; after
// XON it goes through.
TEST_F(SerialPortTest, WriteTimesOutWhileFlowIsStoppedAndResumesAfterXon) {
    PtyPair pty;
    pty.registerAs(kGpsIndex);
    ASSERT_TRUE(openGpsPort(config, context, messages));
    const auto port = context.ports.gpsPort.load();

    // A byte sent after the control character shows that the terminal has acted on it.
    const auto sendSettled = [&](const char* control) {
        pty.send(std::string(control) + "m");
        for (int i = 0; i < 400 && pty.pendingInput() < 1; ++i) std::this_thread::sleep_for(5ms);
        const ReadResult marker = port->readByte();
        ASSERT_EQ(marker.status, ReadStatus::Byte);
        ASSERT_EQ(marker.byte, 'm');
    };
    sendSettled("\x13");
    const auto start = SteadyClock::now();
    EXPECT_FALSE(port->writeByte('A'));
    const double elapsed = millisecondsSince(start);
    EXPECT_GE(elapsed, 19.0);
    EXPECT_LT(elapsed, 1000.0);

    sendSettled("\x11");
    EXPECT_TRUE(port->writeByte('B'));
    EXPECT_EQ(pty.receive(), "B");
}

TEST_F(SerialPortTest, PurgeDiscardsWaitingInput) {
    PtyPair pty;
    pty.registerAs(kInstrumentIndex);
    ASSERT_TRUE(openInstrumentPort(config, context, messages, true));
    const auto port = context.ports.instrumentPort.load();
    pty.send("stale");
    for (int i = 0; i < 100 && pty.pendingInput() < 5; ++i) std::this_thread::sleep_for(5ms);
    ASSERT_EQ(pty.pendingInput(), 5);
    port->purge(PurgeQueue::Receive);
    EXPECT_EQ(port->readByte().status, ReadStatus::TimedOut);
}

TEST_F(SerialPortTest, BusyPortFailsWithMessageUntilClosed) {
    PtyPair pty;
    pty.registerAs(kInstrumentIndex);
    ASSERT_TRUE(openInstrumentPort(config, context, messages, true));

    OpenFailure why = OpenFailure::None;
    EXPECT_EQ(openSerialPort(kInstrumentIndex, LineSettings{}, &why), nullptr);
    EXPECT_EQ(why, OpenFailure::Busy);

    SurveyContext second;
    EXPECT_FALSE(openInstrumentPort(config, second, messages, true));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].title, "Serial Port");
    EXPECT_EQ(messages.shown[0].text, "Cannot open COM4 ");
    EXPECT_EQ(messages.shown[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(second.ports.instrumentPort.load(), nullptr);
    EXPECT_EQ(second.ports.instrumentPortState, 0);

    // The same port as GPS port is just as busy.
    config.gpsPort = kInstrumentIndex;
    EXPECT_FALSE(openGpsPort(config, second, messages));
    EXPECT_EQ(messages.shown.back().text, "Cannot open COM4 for GPS");

    closeInstrumentPort(context);
    EXPECT_EQ(context.ports.instrumentPortState, 0);
    EXPECT_TRUE(openInstrumentPort(config, second, messages, true));

    // Opening again through the same context closes the port it held first
    // instead of finding it busy.
    const auto held = second.ports.instrumentPort.load();
    EXPECT_TRUE(openInstrumentPort(config, second, messages, true));
    EXPECT_FALSE(held->isOpen());
    EXPECT_EQ(messages.shown.size(), 2u);
}

struct UnusableCase {
    const char* name;
    std::function<void(const std::filesystem::path& entry, const std::filesystem::path& root)> make;
    OpenFailure why;
};

TEST_F(SerialPortTest, MissingOrNonTerminalPortFailsCleanly) {
    namespace fs = std::filesystem;
    const UnusableCase cases[] = {
        {"vanished device", [](const fs::path& e, const fs::path& r) { fs::create_symlink(r / "gone", e); },
         OpenFailure::NoSuchPort},
        {"regular file",
         [](const fs::path& e, const fs::path& r) {
             std::ofstream(r / "file") << "keep me";
             fs::create_symlink(r / "file", e);
         },
         OpenFailure::NotATerminal},
        {"/dev/null", [](const fs::path& e, const fs::path&) { fs::create_symlink("/dev/null", e); },
         OpenFailure::NotATerminal},
        {"folder", [](const fs::path& e, const fs::path& r) { fs::create_symlink(r, e); }, OpenFailure::NotATerminal},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (int index : {kInstrumentIndex, kGpsIndex}) {
            fs::create_directories(portMapEntry(index).parent_path());
            fs::remove(portMapEntry(index));
            c.make(portMapEntry(index), root.path());
        }
        OpenFailure why = OpenFailure::None;
        EXPECT_EQ(openSerialPort(kInstrumentIndex, LineSettings{}, &why), nullptr);
        EXPECT_EQ(why, c.why);

        messages.shown.clear();
        EXPECT_FALSE(openInstrumentPort(config, context, messages, false));
        EXPECT_TRUE(messages.shown.empty());
        EXPECT_FALSE(openInstrumentPort(config, context, messages, true));
        EXPECT_FALSE(openGpsPort(config, context, messages));
        ASSERT_EQ(messages.shown.size(), 2u);
        EXPECT_EQ(messages.shown[0].text, "Cannot open COM4 ");
        EXPECT_EQ(messages.shown[1].text, "Cannot open COM6 for GPS");
        EXPECT_EQ(context.ports.instrumentPort.load(), nullptr);
        EXPECT_EQ(context.ports.gpsPort.load(), nullptr);
        EXPECT_EQ(context.ports.instrumentPortState, 0);
        EXPECT_EQ(context.ports.gpsPortState, 0);
    }
    std::ifstream file(root.path() / "file");
    std::string content;
    std::getline(file, content);
    EXPECT_EQ(content, "keep me");

    OpenFailure why = OpenFailure::None;
    for (int index : {-1, kSerialPortCount}) {
        EXPECT_EQ(openSerialPort(index, LineSettings{}, &why), nullptr);
        EXPECT_EQ(why, OpenFailure::NoSuchPort);
    }
}

// Reads until the port says stop; returns how it ended.
ReadStatus readUntilStopped(SerialPort& port) {
    for (;;) {
        const ReadStatus status = port.readByte().status;
        if (status == ReadStatus::Closed || status == ReadStatus::Failed) return status;
    }
}

TEST_F(SerialPortTest, CloseWakesABlockedReaderAtOnce) {
    PtyPair pty;
    pty.registerAs(kInstrumentIndex);
    LineSettings slowReads;
    slowReads.readConstantMs = 10000;
    const auto port = openSerialPort(kInstrumentIndex, slowReads);
    ASSERT_NE(port, nullptr);

    std::atomic<ReadStatus> ended{ReadStatus::Byte};
    std::atomic<bool> inside{false};
    std::thread reader([&] {
        inside = true;
        ended = readUntilStopped(*port);
    });
    while (!inside) std::this_thread::yield();
    std::this_thread::sleep_for(100ms);  // well inside its 10 s read
    const auto closedAt = SteadyClock::now();
    port->close();
    reader.join();
    EXPECT_LT(millisecondsSince(closedAt), 1000.0);
    EXPECT_EQ(ended, ReadStatus::Closed);

    EXPECT_FALSE(port->isOpen());
    EXPECT_EQ(port->readByte().status, ReadStatus::Closed);
    EXPECT_FALSE(port->writeByte('x'));
    port->purge(PurgeQueue::Receive);
    port->close();
}

// Stopping readers the way the logging screen does: close through the
// context while the reader reads and another thread writes. The last of them
// to leave releases the terminal, even though the port object lives on (the
// previous round's is kept), so the next round opens it again. The close
// lands at different moments; run it under the sanitizers.
TEST_F(SerialPortTest, CloseThroughContextWhileReadingAndWritingReleasesThePort) {
    PtyPair pty;
    pty.registerAs(kInstrumentIndex);
    std::shared_ptr<SerialPort> previous;
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(openInstrumentPort(config, context, messages, true));
        const auto port = context.ports.instrumentPort.load();
        std::atomic<ReadStatus> ended{ReadStatus::Byte};
        std::thread reader([&] { ended = readUntilStopped(*port); });
        std::thread writer([&] {
            while (port->isOpen()) port->writeByte('w');
        });
        pty.send("data");
        std::this_thread::sleep_for(std::chrono::microseconds(250 * (round % 8)));
        closeInstrumentPort(context);
        reader.join();
        writer.join();
        EXPECT_EQ(ended, ReadStatus::Closed);
        EXPECT_EQ(context.ports.instrumentPort.load(), nullptr);
        pty.receive(1ms);
        previous = port;
    }
    EXPECT_TRUE(openInstrumentPort(config, context, messages, true));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SerialPortTest, UnpluggedDeviceEndsTheReader) {
    PtyPair pty;
    pty.registerAs(kInstrumentIndex);
    ASSERT_TRUE(openInstrumentPort(config, context, messages, true));
    const auto port = context.ports.instrumentPort.load();
    pty.closeMaster();
    const auto start = SteadyClock::now();
    EXPECT_EQ(readUntilStopped(*port), ReadStatus::Failed);
    EXPECT_EQ(port->readByte().status, ReadStatus::Failed);
    EXPECT_LT(millisecondsSince(start), 1000.0);
}

}  // namespace
}  // namespace velox
