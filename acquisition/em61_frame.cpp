#include "acquisition/em61_frame.h"

#include <algorithm>

namespace velox {

Em61Framer::Outcome Em61Framer::push(uint8_t byte) {
    buffer_[++index_] = byte;
    Outcome outcome = Outcome::Pending;
    const int length = static_cast<int>(EM61_FRAME_LENGTH);
    if (byte == EM61_END_BYTE && index_ >= length && buffer_[index_ - 1] == EM61_END_BYTE) {
        const int start = index_ - length;
        if (accepted_.find(static_cast<char>(buffer_[start])) != std::string_view::npos) {
            std::copy_n(buffer_.begin() + start, EM61_FRAME_LENGTH, frame_.bytes.begin());
            index_ = -1;
            return Outcome::Frame;
        }
        outcome = Outcome::RejectedLetter;
    }
    if (index_ > DISCARD_AFTER_INDEX) index_ = -1;
    return outcome;
}

Em61FrameActions Em61FrameCounter::onFrame(int dispatchEvery, bool ticksWanted) {
    Em61FrameActions actions;
    if (ticksWanted && ++tickCounter >= TICK_EVERY_FRAMES) {
        tickCounter = 0;
        actions.playTick = true;
    }
    // At or above rather than equal: when `dispatchEvery` is lowered while
    // frames are being counted, the count must not run past it for good.
    if (++frameCounter >= std::max(dispatchEvery, 1)) {
        frameCounter = 0;
        actions.dispatch = true;
    }
    return actions;
}

}  // namespace velox
