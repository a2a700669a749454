#pragma once
// Builders of GPS sentences for the decoding tests.

#include <cstdio>
#include <string>
#include <string_view>

#include "acquisition/nmea_format.h"

namespace velox::test {

// "$" + body + "*" + the two-digit checksum of the body.
inline std::string sentenceWithChecksum(std::string_view body) {
    char suffix[4];
    std::snprintf(suffix, sizeof suffix, "*%02X", nmeaChecksum(body));
    return "$" + std::string(body) + suffix;
}

}  // namespace velox::test
