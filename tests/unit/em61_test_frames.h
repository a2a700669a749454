#pragma once
// Builds EM61 frames and their byte streams for the EM61 tests.

#include <array>
#include <cstdint>
#include <vector>

#include "acquisition/em61_frame.h"

namespace velox::test {

inline Em61Frame makeEm61Frame(char letter, uint8_t gain, std::array<int16_t, 4> words, int16_t current,
                               uint8_t battery) {
    Em61Frame frame;
    frame.bytes[0] = static_cast<uint8_t>(letter);
    frame.bytes[1] = gain;
    auto put = [&](size_t at, int16_t value) {
        frame.bytes[at] = static_cast<uint8_t>(static_cast<uint16_t>(value) >> 8);
        frame.bytes[at + 1] = static_cast<uint8_t>(static_cast<uint16_t>(value) & 0xFF);
    };
    for (size_t i = 0; i < 4; ++i) put(2 + 2 * i, words[i]);
    put(10, current);
    frame.bytes[12] = battery;
    frame.bytes[13] = EM61_END_BYTE;
    return frame;
}

// The frame as the instrument sends it: its 14 bytes and the second end byte.
inline std::vector<uint8_t> onWire(const Em61Frame& frame) {
    std::vector<uint8_t> bytes(frame.bytes.begin(), frame.bytes.end());
    bytes.push_back(EM61_END_BYTE);
    return bytes;
}

}  // namespace velox::test
