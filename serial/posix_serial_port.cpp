#include "serial/posix_serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <optional>

#include "platform/paths.h"

namespace velox {

namespace {

using SteadyClock = std::chrono::steady_clock;

std::optional<speed_t> speedConstant(int baud) {
    switch (baud) {
        case 1200: return B1200;
        case 2400: return B2400;
        case 4800: return B4800;
        case 9600: return B9600;
        case 19200: return B19200;
        case 38400: return B38400;
        case 57600: return B57600;
        case 115200: return B115200;
        default: return std::nullopt;
    }
}

OpenFailure failureFromErrno(int error) {
    switch (error) {
        case ENOENT:
        case ENXIO:
        case ENODEV:
        case ENOTDIR:
        case ELOOP: return OpenFailure::NoSuchPort;
        case EBUSY: return OpenFailure::Busy;
        case EISDIR: return OpenFailure::NotATerminal;
        default: return OpenFailure::Refused;
    }
}

int remainingMs(SteadyClock::time_point deadline) {
    const auto left = deadline - SteadyClock::now();
    if (left <= SteadyClock::duration::zero()) return 0;
    return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
}

void setFailure(OpenFailure* failure, OpenFailure value) {
    if (failure) *failure = value;
}

}  // namespace

bool applyLineSettings(termios& t, const LineSettings& s) {
    const auto speed = speedConstant(s.baud);
    if (!speed) return false;
    // Raw: every byte passes unchanged, no echo, no signals, no line editing.
    t.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY | INPCK);
    t.c_oflag &= ~OPOST;
    t.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    t.c_cflag |= CLOCAL | CREAD;
    // The descriptor is non-blocking and poll() supplies the time-outs; with
    // VMIN 1 a read of 0 bytes means hang-up, never "no data yet".
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;

    switch (s.dataBits) {
        case 7: t.c_cflag |= CS7; break;
        case 8: t.c_cflag |= CS8; break;
        default: return false;
    }
    if (s.parity != Parity::None) t.c_cflag |= PARENB;
    if (s.parity == Parity::Odd) t.c_cflag |= PARODD;
    if (s.stopBits == 2) t.c_cflag |= CSTOPB;
    if (s.xonXoff) t.c_iflag |= IXON | IXOFF;
    cfsetispeed(&t, *speed);
    cfsetospeed(&t, *speed);
    return true;
}

std::filesystem::path serialDevicePath(int portIndex) {
    const auto entry = portMapEntry(portIndex);
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::symlink_status(entry, ec))) return entry;
    return "/dev/ttyS" + std::to_string(portIndex);
}

std::shared_ptr<SerialPort> openSerialPort(int portIndex, const LineSettings& settings, OpenFailure* failure) {
    setFailure(failure, OpenFailure::None);
    if (portIndex < 0 || portIndex >= kSerialPortCount) {
        setFailure(failure, OpenFailure::NoSuchPort);
        return nullptr;
    }
    auto port = PosixSerialPort::open(serialDevicePath(portIndex), failure);
    if (!port) return nullptr;
    // A port left in cooked mode would alter the instrument's binary frames.
    if (!port->configure(settings)) {
        setFailure(failure, OpenFailure::Refused);
        return nullptr;
    }
    return port;
}

// The descriptor is safe to use for as long as a Use is alive and true.
class PosixSerialPort::Use {
public:
    explicit Use(PosixSerialPort& port) : port_(port), entered_(port.enter()) {}
    ~Use() {
        if (entered_) port_.leave();
    }
    Use(const Use&) = delete;
    Use& operator=(const Use&) = delete;
    explicit operator bool() const { return entered_; }

private:
    PosixSerialPort& port_;
    bool entered_;
};

std::shared_ptr<PosixSerialPort> PosixSerialPort::open(const std::filesystem::path& device, OpenFailure* failure) {
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        setFailure(failure, failureFromErrno(errno));
        return nullptr;
    }
    auto fail = [&](OpenFailure why) {
        ::close(fd);
        setFailure(failure, why);
        return nullptr;
    };
    if (!isatty(fd)) return fail(OpenFailure::NotATerminal);
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) return fail(errno == EWOULDBLOCK ? OpenFailure::Busy : OpenFailure::Refused);
    ioctl(fd, TIOCEXCL);  // refuses later opens by anyone but root

    int wake[2];
    if (pipe(wake) != 0) return fail(OpenFailure::Refused);
    for (int end : wake) fcntl(end, F_SETFD, FD_CLOEXEC);
    return std::shared_ptr<PosixSerialPort>(new PosixSerialPort(fd, wake[0], wake[1]));
}

PosixSerialPort::PosixSerialPort(int fd, int wakeRead, int wakeWrite)
    : fd_(fd), wakeRead_(wakeRead), wakeWrite_(wakeWrite) {}

PosixSerialPort::~PosixSerialPort() {
    // No thread can be inside: each holds a reference while it uses the port.
    releaseDescriptors();
}

bool PosixSerialPort::enter() {
    std::lock_guard lock(mutex_);
    if (closed_) return false;
    ++users_;
    return true;
}

void PosixSerialPort::leave() {
    std::lock_guard lock(mutex_);
    if (--users_ == 0 && closed_) releaseDescriptors();
}

void PosixSerialPort::releaseDescriptors() {
    if (fd_ < 0) return;
    ioctl(fd_, TIOCNXCL);  // the exclusive flag would outlive us while another descriptor holds the terminal
    ::close(fd_);
    ::close(wakeRead_);
    ::close(wakeWrite_);
    fd_ = wakeRead_ = wakeWrite_ = -1;
}

void PosixSerialPort::close() {
    std::lock_guard lock(mutex_);
    if (closed_) return;
    closed_ = true;
    if (users_ == 0) {
        releaseDescriptors();
        return;
    }
    // Level-triggered: every later poll of a thread still inside sees it too.
    const char wake = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(wakeWrite_, &wake, 1);
}

bool PosixSerialPort::isOpen() const {
    std::lock_guard lock(mutex_);
    return !closed_;
}

bool PosixSerialPort::configure(const LineSettings& settings) {
    readTimeoutMs_ = settings.readPerByteMs + settings.readConstantMs;
    writePerByteMs_ = settings.writePerByteMs;
    writeConstantMs_ = settings.writeConstantMs;

    Use use(*this);
    if (!use) return false;
    termios t{};
    if (tcgetattr(fd_, &t) != 0 || !applyLineSettings(t, settings) || tcsetattr(fd_, TCSANOW, &t) != 0) return false;
    if (settings.raiseDtrRts) {
        int lines = TIOCM_DTR | TIOCM_RTS;
        ioctl(fd_, TIOCMBIS, &lines);  // pseudo-terminals have no modem lines; that is fine
    }
    return true;
}

PosixSerialPort::Ready PosixSerialPort::waitFor(short events, int timeoutMs) {
    pollfd fds[2] = {{fd_, events, 0}, {wakeRead_, POLLIN, 0}};
    const int n = poll(fds, 2, timeoutMs);
    if (n < 0) return errno == EINTR ? Ready::TimedOut : Ready::Failed;
    if (fds[1].revents != 0) return Ready::Closed;
    if (n == 0) return Ready::TimedOut;
    if (fds[0].revents & POLLNVAL) return Ready::Failed;
    if ((fds[0].revents & events) == 0) return Ready::Failed;  // hang-up or error only
    return Ready::Yes;
}

ReadResult PosixSerialPort::readByte() {
    Use use(*this);
    if (!use) return {ReadStatus::Closed};
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(readTimeoutMs_.load());
    for (;;) {
        uint8_t byte = 0;
        const ssize_t n = ::read(fd_, &byte, 1);
        if (n == 1) return {ReadStatus::Byte, byte};
        if (n == 0) return {ReadStatus::Failed};  // hang-up
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) return {ReadStatus::Failed};

        const int left = remainingMs(deadline);
        if (left == 0) return {ReadStatus::TimedOut};
        switch (waitFor(POLLIN, left)) {
            case Ready::Yes:
            case Ready::TimedOut: break;
            case Ready::Closed: return {ReadStatus::Closed};
            case Ready::Failed: return {ReadStatus::Failed};
        }
    }
}

size_t PosixSerialPort::write(const uint8_t* data, size_t size) {
    Use use(*this);
    if (!use) return 0;
    const auto budget = std::chrono::milliseconds(uint64_t{writePerByteMs_.load()} * size + writeConstantMs_.load());
    const auto deadline = SteadyClock::now() + budget;
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd_, data + done, size - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) break;
        const int left = remainingMs(deadline);
        if (left == 0) break;
        const Ready ready = waitFor(POLLOUT, left);
        if (ready == Ready::Closed || ready == Ready::Failed) break;
    }
    return done;
}

void PosixSerialPort::purge(PurgeQueue queue) {
    Use use(*this);
    if (!use) return;
    tcflush(fd_, queue == PurgeQueue::Transmit ? TCOFLUSH : TCIFLUSH);
}

}  // namespace velox
