#pragma once
// Serial ports on POSIX terminals (termios). Port COM<n> is the device that
// the port map entry <root>/Halvik/Ports/COM<n> points to, else /dev/ttyS<n-1>.

#include <termios.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <mutex>

#include "serial/serial_port.h"

namespace velox {

// The device that port `portIndex` opens.
std::filesystem::path serialDevicePath(int portIndex);

// Lays `settings` over a terminal's current settings, in raw mode; what the
// settings do not name stays as the device had it. False for a speed or a
// data-bit count the terminal cannot express.
bool applyLineSettings(termios& t, const LineSettings& settings);

class PosixSerialPort final : public SerialPort {
public:
    // Opens `device` for reading and writing, exclusively (TIOCEXCL, which
    // root ignores, and an advisory flock, which it does not), without
    // becoming its controlling terminal. Null when it is missing, busy or
    // not a terminal.
    static std::shared_ptr<PosixSerialPort> open(const std::filesystem::path& device, OpenFailure* failure);

    ~PosixSerialPort() override;
    PosixSerialPort(const PosixSerialPort&) = delete;
    PosixSerialPort& operator=(const PosixSerialPort&) = delete;

    bool configure(const LineSettings& settings) override;
    ReadResult readByte() override;
    size_t write(const uint8_t* data, size_t size) override;
    void purge(PurgeQueue queue) override;
    void close() override;
    bool isOpen() const override;

private:
    class Use;

    PosixSerialPort(int fd, int wakeRead, int wakeWrite);
    // A thread that uses the descriptor enters first and leaves afterwards;
    // the descriptor is released by close() or by the last thread to leave
    // after it, so its number is never reused under a thread still inside.
    bool enter();
    void leave();
    void releaseDescriptors();
    enum class Ready { Yes, TimedOut, Closed, Failed };
    Ready waitFor(short events, int timeoutMs);

    int fd_;
    int wakeRead_;
    int wakeWrite_;
    mutable std::mutex mutex_;
    bool closed_ = false;
    int users_ = 0;
    std::atomic<uint32_t> readTimeoutMs_{10};
    std::atomic<uint32_t> writePerByteMs_{10};
    std::atomic<uint32_t> writeConstantMs_{10};
};

}  // namespace velox
