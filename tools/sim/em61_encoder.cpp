#include "tools/sim/em61_encoder.h"

#include <algorithm>
#include <cmath>

namespace velox::sim {

namespace {
constexpr int WORD_LIMIT = 32767;

void putWord(uint8_t* at, int value) {
    const auto u = static_cast<uint16_t>(static_cast<int16_t>(std::clamp(value, -32768, 32767)));
    at[0] = static_cast<uint8_t>(u >> 8);
    at[1] = static_cast<uint8_t>(u & 0xFF);
}
}  // namespace

int rangeDivisor(uint8_t code, int wordIndex) {
    switch (code & 3) {
    case 0: return 1;
    case 1: return 10;
    case 2: return wordIndex == 3 ? 1 : 10;
    default: return 100;
    }
}

RangedWord rangeFor(double millivolts) {
    for (const uint8_t code : {uint8_t{3}, uint8_t{1}}) {
        const double counts = std::round(millivolts * rangeDivisor(code, 0) / EM61_MV_PER_COUNT);
        if (std::abs(counts) <= WORD_LIMIT) return {static_cast<int16_t>(counts), code};
    }
    const double counts = std::clamp(std::round(millivolts / EM61_MV_PER_COUNT), -double(WORD_LIMIT), double(WORD_LIMIT));
    return {static_cast<int16_t>(counts), 0};
}

std::array<uint8_t, EM61_WIRE_BYTES> encodeEm61Frame(const Em61FrameContent& content) {
    std::array<uint8_t, EM61_WIRE_BYTES> f{};
    f[0] = static_cast<uint8_t>(content.letter);
    uint8_t gain = 0;
    for (int i = 0; i < 4; ++i) {
        const RangedWord w = rangeFor(content.millivolts[i]);
        gain |= static_cast<uint8_t>(w.code << (6 - 2 * i));
        putWord(&f[2 + 2 * i], w.word);
    }
    f[1] = gain;
    putWord(&f[10], content.currentCounts);
    f[12] = static_cast<uint8_t>(std::clamp(content.batteryCounts, 0, 255));
    f[13] = EM61_END;
    f[14] = EM61_END;
    return f;
}

std::string wireBytes(const std::array<uint8_t, EM61_WIRE_BYTES>& frame) {
    return std::string(reinterpret_cast<const char*>(frame.data()), frame.size());
}

char markerLetter(char mode) {
    switch (mode) {
    case 'T': return 'M';
    case 'D': return 'N';
    case 'E': return 'P';
    case 'F': return 'Q';
    default: return mode;
    }
}

}  // namespace velox::sim
