#pragma once
// Assembles the lines of a GPS receiver from the bytes of its port, one byte
// at a time: a "$" starts a sentence, a line feed ends a line, control bytes,
// spaces, "!", '"', "#" and bytes from 0x7F up are dropped, and a line that
// grows past MAX_SENTENCE_CHARS restarts from the next byte. Meaning (the
// checksum and the fields) is left to nmea_format.h.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/clock.h"

namespace velox {

inline constexpr size_t MAX_SENTENCE_CHARS = 200;
inline constexpr size_t GPS_SENTENCE_BUFFER_CHARS = 256;

struct AssembledLine {
    std::string_view text;  // valid until the next byte is pushed
    Tick tick;              // when its "$" arrived; for a line without "$", when it ended
};

class NmeaLineAssembler {
public:
    // Takes one received byte at tick `now`; returns the line that this byte
    // completes, if any.
    std::optional<AssembledLine> push(uint8_t byte, Tick now);
    void clear() { length_ = 0; }

private:
    std::array<char, GPS_SENTENCE_BUFFER_CHARS> buffer_{};
    size_t length_ = 0;
    Tick startTick_ = 0;
};

}  // namespace velox
