#pragma once
// The reading records of an EM61-LX2 data file, read back with the data-file
// reader. Kept apart from the decoder's headers: the reader's record type
// and the decoder's record buffer share a name.

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/clock.h"

namespace velox::test {

struct LoggedReading {
    char letter = 0;
    uint8_t gain = 0;
    std::array<int16_t, 4> words{};
    double meanCurrent = 0.0;
    Tick tick = 0;
    std::string bytes;  // the whole record
};

std::vector<LoggedReading> loggedReadings(const std::filesystem::path& path);

}  // namespace velox::test
