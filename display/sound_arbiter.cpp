#include "display/sound_arbiter.h"

namespace velox {

std::optional<int> soundIndex(std::string_view name) {
    for (size_t i = 0; i < SOUND_RESOURCES.size(); ++i)
        if (SOUND_RESOURCES[i].name == name) return static_cast<int>(i);
    return std::nullopt;
}

SoundAction decideSound(SoundCommand command, bool playing) {
    switch (command) {
        case SoundCommand::Play: return playing ? SoundAction::Drop : SoundAction::Start;
        case SoundCommand::PlayInterrupting: return playing ? SoundAction::Replace : SoundAction::Start;
        case SoundCommand::Stop: return playing ? SoundAction::Stop : SoundAction::Nothing;
    }
    return SoundAction::Nothing;
}

SoundAction SoundArbiter::request(SoundCommand command, int sound, Tick now) {
    const SoundAction action = decideSound(command, playing(now).has_value());
    switch (action) {
        case SoundAction::Start:
        case SoundAction::Replace:
            current_ = sound;
            started_ = now;
            break;
        case SoundAction::Stop:
        case SoundAction::Nothing: current_.reset(); break;
        case SoundAction::Drop: break;
    }
    return action;
}

void SoundArbiter::ended(int sound) {
    if (current_ == sound) current_.reset();
}

std::optional<int> SoundArbiter::playing(Tick now) const {
    if (!current_) return std::nullopt;
    const uint32_t limit = SOUND_RESOURCES[static_cast<size_t>(*current_)].lengthMs + END_GRACE_MS;
    if (now - started_ > limit) return std::nullopt;
    return current_;
}

}  // namespace velox
