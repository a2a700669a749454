#pragma once
// Sounds by name ("SOUND_RING", "LEFTSOUND" ...), one at a time for the
// whole process. Callable from any thread: the implementation plays on the
// user-interface thread. A sound that cannot be played is skipped silently.

#include <string_view>

namespace velox {

// The program's sounds.
inline constexpr std::string_view SOUND_RESULT = "SOUND_RESULT";  // reading tick
inline constexpr std::string_view SOUND_RING = "SOUND_RING";
inline constexpr std::string_view RINGINSOUND = "RINGINSOUND";  // the same ring, for the enhanced alarm
inline constexpr std::string_view SOUND_RING_2S = "SOUND_RING_2S";
inline constexpr std::string_view SOUND_GPSWARNING = "SOUND_GPSWARNING";
inline constexpr std::string_view LEFTSOUND = "LEFTSOUND";
inline constexpr std::string_view RIGHTSOUND = "RIGHTSOUND";
inline constexpr std::string_view BETWEENSOUND = "BETWEENSOUND";
inline constexpr std::string_view LEFTRIGHTSOUND = "LEFTRIGHTSOUND";

class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    // An interrupting request stops the sound playing and starts this one;
    // a non-interrupting one is dropped while another sound plays.
    virtual void playSound(std::string_view name, bool interrupting) = 0;
    virtual void stopSound() = 0;
};

}  // namespace velox
