#include "acquisition/nmea_assembler.h"

namespace velox {
namespace {

constexpr uint8_t kLineFeed = 0x0A;
constexpr uint8_t kLastDroppedLow = 0x23;  // "#": control bytes, space, "!", '"' and "#" are dropped
constexpr uint8_t kFirstDroppedHigh = 0x7F;

static_assert(MAX_SENTENCE_CHARS + 1 < GPS_SENTENCE_BUFFER_CHARS, "a full line must fit the buffer");

}  // namespace

std::optional<AssembledLine> NmeaLineAssembler::push(uint8_t byte, Tick now) {
    if (byte == '$') {
        startTick_ = now;
        buffer_[0] = '$';
        length_ = 1;
        return std::nullopt;
    }
    if (byte == kLineFeed) {
        if (length_ == 0) return std::nullopt;
        const AssembledLine line{std::string_view(buffer_.data(), length_), buffer_[0] == '$' ? startTick_ : now};
        length_ = 0;
        return line;
    }
    if (length_ > MAX_SENTENCE_CHARS) length_ = 0;
    if (byte <= kLastDroppedLow || byte >= kFirstDroppedHigh) return std::nullopt;
    buffer_[length_++] = static_cast<char>(byte);
    return std::nullopt;
}

}  // namespace velox
