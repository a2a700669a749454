#include "serial/ports.h"

#include <array>

namespace velox {

namespace {

constexpr const char* kSerialPortTitle = "Serial Port";

// The entry at a stored list index; an index a damaged settings file put
// outside the list takes the list's default entry.
template <typename T, size_t N>
T pick(const std::array<T, N>& choices, int index, int fallbackIndex) {
    return index >= 0 && index < static_cast<int>(N) ? choices[index] : choices[fallbackIndex];
}

std::string portLabel(int portIndex) { return "COM" + std::to_string(portIndex + 1); }

void closeSlot(PortSlot& slot, std::atomic<int>& state) {
    if (auto port = slot.exchange(nullptr)) port->close();
    state = 0;
}

bool openSlot(PortSlot& slot, std::atomic<int>& state, int portIndex, const LineSettings& settings) {
    closeSlot(slot, state);
    auto port = openSerialPort(portIndex, settings);
    if (!port) return false;
    slot.store(std::move(port));
    state = 1;
    return true;
}

}  // namespace

LineSettings instrumentLineSettings(InstrumentType type) {
    LineSettings s;
    s.baud = instrumentBaud(type);
    s.dataBits = 8;
    s.parity = Parity::None;
    s.stopBits = 1;
    s.xonXoff = false;
    s.raiseDtrRts = true;
    s.readPerByteMs = static_cast<int>(type) < 0 ? 10 : 0;
    s.readConstantMs = 10;
    s.writePerByteMs = 10;
    s.writeConstantMs = 10;
    return s;
}

LineSettings gpsLineSettings(const SurveyConfig& config) {
    static constexpr std::array<int, 6> kBauds{4800, 9600, 19200, 38400, 57600, 115200};
    static constexpr std::array<int, 2> kDataBits{7, 8};
    static constexpr std::array<Parity, 3> kParities{Parity::None, Parity::Even, Parity::Odd};
    static constexpr std::array<int, 2> kStopBits{1, 2};
    LineSettings s;
    s.baud = pick(kBauds, config.gpsBaudIndex, 1);
    s.dataBits = pick(kDataBits, config.gpsDataBitsIndex, 1);
    s.parity = pick(kParities, config.gpsParityIndex, 0);
    s.stopBits = pick(kStopBits, config.gpsStopBitsIndex, 0);
    s.xonXoff = true;
    s.raiseDtrRts = false;
    s.readPerByteMs = 0;
    s.readConstantMs = 10;
    s.writePerByteMs = 10;
    s.writeConstantMs = 10;
    return s;
}

bool openInstrumentPort(const SurveyConfig& config, SurveyContext& context, OperatorMessages& messages,
                        bool reportFailure) {
    auto& ports = context.ports;
    if (openSlot(ports.instrumentPort, ports.instrumentPortState, config.instrumentPort,
                 instrumentLineSettings(context.variant.instrumentType)))
        return true;
    if (reportFailure)
        messages.show(kSerialPortTitle, "Cannot open " + portLabel(config.instrumentPort) + " ", MessageButtons::Ok);
    return false;
}

bool openGpsPort(const SurveyConfig& config, SurveyContext& context, OperatorMessages& messages) {
    auto& ports = context.ports;
    if (openSlot(ports.gpsPort, ports.gpsPortState, config.gpsPort, gpsLineSettings(config))) return true;
    messages.show(kSerialPortTitle, "Cannot open " + portLabel(config.gpsPort) + " for GPS", MessageButtons::Ok);
    return false;
}

void closeInstrumentPort(SurveyContext& context) {
    closeSlot(context.ports.instrumentPort, context.ports.instrumentPortState);
}

void closeGpsPort(SurveyContext& context) { closeSlot(context.ports.gpsPort, context.ports.gpsPortState); }

}  // namespace velox
