#pragma once
// Sounds by name ("SOUND_RING", "LEFTSOUND" ...), one at a time for the
// whole process. Callable from any thread: the implementation plays on the
// user-interface thread. A sound that cannot be played is skipped silently.

#include <string_view>

namespace velox {

class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    // An interrupting request stops the sound playing and starts this one;
    // a non-interrupting one is dropped while another sound plays.
    virtual void playSound(std::string_view name, bool interrupting) = 0;
    virtual void stopSound() = 0;
};

}  // namespace velox
