#pragma once
// EM61 instrument frames and their assembly from the serial byte stream.
//
// The instrument sends 14 bytes (mode letter, gain byte, four channel words,
// transmitter current, battery, 0x7F) followed by a second 0x7F. The framer is
// fed one byte at a time by the reader thread and knows nothing of ports or
// threads, so any byte stream can be pushed through it in a test.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace velox {

inline constexpr size_t EM61_FRAME_LENGTH = 14;
inline constexpr uint8_t EM61_END_BYTE = 0x7F;

// Mode letters of the continuous EM61-LX2 / EM61-MK2 output: T D E F, and
// M N P Q for the same modes with the instrument's marker pressed.
inline constexpr std::string_view EM61_STREAM_LETTERS = "TDEFMNPQ";
// The EM61-MK2 wheel output adds J K j k.
inline constexpr std::string_view EM61_WHEEL_LETTERS = "TDEFMNPQJKjk";

// One instrument frame as kept by the readers (the second end byte dropped).
struct Em61Frame {
    std::array<uint8_t, EM61_FRAME_LENGTH> bytes{};

    char letter() const { return static_cast<char>(bytes[0]); }
    uint8_t gain() const { return bytes[1]; }
    // Channel word 1 to 4: signed 16 bits, high byte first.
    int16_t word(int index) const { return signedWord(2 + 2 * (index - 1)); }
    int16_t currentWord() const { return signedWord(10); }
    uint8_t battery() const { return bytes[12]; }

private:
    int16_t signedWord(size_t at) const {
        return static_cast<int16_t>(static_cast<uint16_t>(bytes[at] << 8 | bytes[at + 1]));
    }
};

// Assembles frames from single bytes. A frame is recognised when the byte just
// stored is 0x7F, at least 14 bytes precede it and the byte before it is 0x7F
// too; the 14 bytes before the final 0x7F form the frame when their first byte
// is an accepted letter. Noise before a frame is skipped that way; a candidate
// with another first byte is not taken and the buffer is kept, so the real
// frame that follows is still found. More than 180 bytes without a frame are
// discarded.
class Em61Framer {
public:
    enum class Outcome {
        Pending,         // nothing recognised yet
        Frame,           // frame() holds a new frame; the buffer was reset
        RejectedLetter,  // two end bytes, but the candidate's first byte is no accepted letter
    };

    // The letters are kept by reference: pass one of the constants above.
    explicit Em61Framer(std::string_view acceptedLetters = EM61_STREAM_LETTERS) : accepted_(acceptedLetters) {}

    Outcome push(uint8_t byte);
    const Em61Frame& frame() const { return frame_; }
    void reset() { index_ = -1; }
    // Bytes held in the assembly buffer.
    size_t buffered() const { return static_cast<size_t>(index_ + 1); }

private:
    static constexpr int BUFFER_SIZE = 200;
    static constexpr int DISCARD_AFTER_INDEX = 180;

    std::string_view accepted_;
    std::array<uint8_t, BUFFER_SIZE> buffer_{};
    int index_ = -1;  // position of the last stored byte
    Em61Frame frame_{};
};

// What the free-running reader does with one recognised frame, besides copying
// it for the handler and stamping `lastDataTick`.
struct Em61FrameActions {
    bool playTick = false;  // "SOUND_RESULT", not interrupting
    bool dispatch = false;  // hand the frame to the reading handler
};

// Frame counting of the free-running reader: one frame in `dispatchEvery` is
// dispatched (the others are dropped) and, while ticks are wanted, every ninth
// frame ticks. Kept by the reader thread alone.
struct Em61FrameCounter {
    static constexpr int TICK_EVERY_FRAMES = 9;

    int frameCounter = 0;  // frames since the last dispatch
    int tickCounter = 0;   // frames counted for the tick sound

    // `ticksWanted`: `audioTicks` on, logging, and Auto mode.
    Em61FrameActions onFrame(int dispatchEvery, bool ticksWanted);
};

}  // namespace velox
