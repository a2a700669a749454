#pragma once
// A serial port as the readers and the handshake use it: one-byte reads with
// a time-out, writes with a time-out, purging of the queues and the line
// settings. One thread reads while another may write, purge or close; closing
// wakes a reader at once and the reader's next result is "closed".

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace velox {

// Ports are chosen by a zero-based index: 0 is COM1, 59 is COM60.
inline constexpr int kSerialPortCount = 60;

enum class Parity { None, Even, Odd };

struct LineSettings {
    int baud = 9600;
    int dataBits = 8;
    Parity parity = Parity::None;
    int stopBits = 1;
    bool xonXoff = false;      // software flow control, input and output
    bool raiseDtrRts = false;  // raise DTR and RTS; otherwise the lines stay as the system set them
    // A read of n bytes waits at most readPerByteMs * n + readConstantMs, a
    // write likewise with its own pair. Hardware (RTS/CTS) flow control is
    // always off.
    uint32_t readPerByteMs = 0;
    uint32_t readConstantMs = 10;
    uint32_t writePerByteMs = 10;
    uint32_t writeConstantMs = 10;
};

enum class ReadStatus {
    Byte,      // one byte arrived
    TimedOut,  // nothing arrived within the read time-out
    Closed,    // the port was closed (by this program); stop reading
    Failed,    // the device reported an error or hung up (unplugged); stop reading
};

struct ReadResult {
    ReadStatus status = ReadStatus::TimedOut;
    uint8_t byte = 0;
};

enum class PurgeQueue { Transmit, Receive };

class SerialPort {
public:
    virtual ~SerialPort() = default;

    // Sets the line settings and time-outs; false when the device refused them.
    virtual bool configure(const LineSettings& settings) = 0;
    virtual ReadResult readByte() = 0;
    // Returns the number of bytes written before the write time-out ran out,
    // the port was closed or the device failed.
    virtual size_t write(const uint8_t* data, size_t size) = 0;
    // Discards what is waiting in the kernel's queue.
    virtual void purge(PurgeQueue queue) = 0;
    // Marks the port closed and wakes any thread blocked in a read or write;
    // callable from any thread, any number of times.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    bool writeByte(uint8_t byte) { return write(&byte, 1) == 1; }
};

enum class OpenFailure { None, NoSuchPort, Busy, NotATerminal, Refused };

// Opens port `portIndex` exclusively as a raw terminal with the given
// settings. Returns null, with the reason in `failure`, when the port is
// missing, in use, not a serial device or cannot be configured.
std::shared_ptr<SerialPort> openSerialPort(int portIndex, const LineSettings& settings,
                                           OpenFailure* failure = nullptr);

// The name Windows gives port `portIndex`: "COM1:" to "COM9:", then
// "\\.\COM10" and up. Shown to the operator; POSIX resolves ports otherwise.
std::string serialDeviceName(int portIndex);

}  // namespace velox
