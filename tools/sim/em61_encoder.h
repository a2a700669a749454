#pragma once
// The EM61-LX2's frame as the instrument sends it: 14 bytes and a second end
// byte 0x7F. Written here on its own, from the instrument's side, so that a
// fault in the program's decoder cannot hide itself behind a shared helper.

#include <array>
#include <cstdint>
#include <string>

namespace velox::sim {

inline constexpr size_t EM61_WIRE_BYTES = 15;
inline constexpr uint8_t EM61_END = 0x7F;
// The instrument reports gates in steps of 20 mV divided by the range divisor.
inline constexpr double EM61_MV_PER_COUNT = 20.0;

// A gate value as the auto-ranging instrument reports it.
struct RangedWord {
    int16_t word = 0;
    uint8_t code = 0;  // two-bit range code: 0 → divisor 1, 1 → 10, 3 → 100
};

// Picks the finest range in which `millivolts` fits a signed 16-bit word.
RangedWord rangeFor(double millivolts);
int rangeDivisor(uint8_t code, int wordIndex);

struct Em61FrameContent {
    char letter = 'T';
    std::array<double, 4> millivolts{};  // E, L (left), E, L (right)
    int currentCounts = 1536;
    int batteryCounts = 83;
};

std::array<uint8_t, EM61_WIRE_BYTES> encodeEm61Frame(const Em61FrameContent& content);
std::string wireBytes(const std::array<uint8_t, EM61_WIRE_BYTES>& frame);

// The marker variant of a mode letter: T→M, D→N, E→P, F→Q.
char markerLetter(char mode);

}  // namespace velox::sim
