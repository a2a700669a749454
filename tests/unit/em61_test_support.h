#pragma once
// Shared pieces of the EM61 reader and handler tests: frames as the
// instrument sends them, and recording stand-ins for the sound player and
// the colour swath.

#include <array>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "acquisition/em61_frame.h"
#include "acquisition/em61_handler.h"
#include "em61_logged_readings.h"
#include "platform/sound_player.h"
#include "recording_sounds.h"

namespace velox::test {

struct FrameValues {
    char letter = 'T';
    uint8_t gain = 0x00;
    std::array<int16_t, 4> words{100, 50, 0, 0};
    int16_t current = 1536;
    uint8_t battery = 80;
};

// The 14 frame bytes (ending in the first 0x7F).
inline Em61Frame em61Frame(const FrameValues& v) {
    Em61Frame frame;
    auto& b = frame.bytes;
    b[0] = static_cast<uint8_t>(v.letter);
    b[1] = v.gain;
    for (int i = 0; i < 4; ++i) {
        b[2 + 2 * i] = static_cast<uint8_t>(static_cast<uint16_t>(v.words[i]) >> 8);
        b[3 + 2 * i] = static_cast<uint8_t>(v.words[i] & 0xFF);
    }
    b[10] = static_cast<uint8_t>(static_cast<uint16_t>(v.current) >> 8);
    b[11] = static_cast<uint8_t>(v.current & 0xFF);
    b[12] = v.battery;
    b[13] = EM61_END_BYTE;
    return frame;
}

// What the instrument puts on the line: the frame and the second end byte.
inline std::string wireFrame(const FrameValues& v) {
    const Em61Frame frame = em61Frame(v);
    std::string bytes(frame.bytes.begin(), frame.bytes.end());
    bytes.push_back(static_cast<char>(EM61_END_BYTE));
    return bytes;
}

// A colour scale of 10 mV per colour from 0, with the entries it was given.
class RecordingSwath final : public ColourSwathInput {
public:
    bool collecting() const override { return collectingNow; }
    int colourIndexOf(double value) const override { return static_cast<int>(value / 10.0); }
    void colourBufferAppend(int entry) override { entries.push_back(entry); }

    bool collectingNow = true;
    std::vector<int> entries;
};

}  // namespace velox::test
