#pragma once
// The program's sounds and the rule that keeps one sound at a time for the
// whole process: what to do with a play or stop request given what plays.
// Free of any sound library; the player on the user-interface thread carries
// the decisions out.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/clock.h"

namespace velox {

struct SoundResource {
    std::string_view name;
    uint32_t lengthMs;
};

// The nine sounds, by resource name. RINGINSOUND is the same recording as SOUND_RING.
inline constexpr std::array<SoundResource, 9> SOUND_RESOURCES{{
    {"SOUND_RESULT", 50},
    {"SOUND_RING", 900},
    {"RINGINSOUND", 900},
    {"SOUND_RING_2S", 1900},
    {"SOUND_GPSWARNING", 190},
    {"LEFTSOUND", 580},
    {"RIGHTSOUND", 620},
    {"BETWEENSOUND", 1000},
    {"LEFTRIGHTSOUND", 1480},
}};

// Index into SOUND_RESOURCES of the named sound, or nullopt for a name the
// program does not own.
std::optional<int> soundIndex(std::string_view name);

enum class SoundCommand { Play, PlayInterrupting, Stop };

enum class SoundAction {
    Start,    // nothing plays: start the requested sound
    Drop,     // a sound plays and the request does not interrupt: it finishes, the request is dropped
    Replace,  // cut the playing sound off and start the requested one
    Stop,     // stop the playing sound
    Nothing,  // a stop while nothing plays
};

SoundAction decideSound(SoundCommand command, bool playing);

// Tracks the one sound of the process and decides each request against it.
// A sound counts as playing from its start until the backend reports its end,
// it is stopped or replaced, or END_GRACE_MS past its length have gone by: a
// lost end report must not silence every later non-interrupting sound.
class SoundArbiter {
public:
    static constexpr uint32_t END_GRACE_MS = 1000;

    // `sound` is an index into SOUND_RESOURCES (unused for Stop).
    SoundAction request(SoundCommand command, int sound, Tick now);
    // The backend's word that `sound` ended or could not be played; a word
    // about any other sound than the current one (one already replaced)
    // changes nothing.
    void ended(int sound);
    std::optional<int> playing(Tick now) const;

private:
    std::optional<int> current_;
    Tick started_ = 0;
};

}  // namespace velox
