#include "serial/serial_port.h"

namespace velox {

std::string serialDeviceName(int portIndex) {
    const std::string number = std::to_string(portIndex + 1);
    return portIndex < 9 ? "COM" + number + ":" : "\\\\.\\COM" + number;
}

}  // namespace velox
