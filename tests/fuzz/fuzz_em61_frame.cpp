// Pushes arbitrary bytes through the EM61 framer and hands every frame to the
// EM61-LX2 reading logic in each phase; replays the same bytes as stored
// reading records. The first byte picks the settings.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>
#include <variant>

#include "acquisition/em61_decode.h"
#include "acquisition/em61_frame.h"

namespace {

velox::Lx2ReadingInputs inputsFrom(uint8_t choice) {
    velox::Lx2ReadingInputs inputs;
    inputs.sensorCount = 1 + (choice & 1);
    inputs.softMarkerActive = (choice >> 1) & 1;
    inputs.dispatchEvery = (choice >> 2) & 7;  // 0 included: nonsense must be survived
    inputs.alarm.alarmType = (choice >> 5) % 3;
    inputs.alarm.alarmAudio = choice % 3;
    inputs.alarm.alarmChannel = (choice >> 3) % 4;
    inputs.alarm.alarmDescendingReadings = (choice >> 4) & 1;
    inputs.lastNullValues = {1.5, -2.0, 0.0, 3.0};
    inputs.filterCoefficientLeft = 2.7037;
    inputs.filterCoefficientRight = 3.46875;
    return inputs;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const velox::Lx2ReadingInputs inputs = inputsFrom(data[0]);
    velox::Em61Framer framer;
    velox::Em61FrameCounter counter;
    velox::Em61State state;
    const int phases[] = {velox::EM61_NORMALISING, velox::EM61_NORMAL, velox::EM61_NULLING,
                          velox::EM61_FILTER_CAL_AIR, velox::EM61_FILTER_CAL_GROUND};
    int frames = 0;
    for (size_t i = 1; i < size; ++i) {
        if (framer.push(data[i]) != velox::Em61Framer::Outcome::Frame) {
            if (framer.buffered() > 181) __builtin_trap();
            continue;
        }
        const velox::Em61Frame& frame = framer.frame();
        if (velox::EM61_STREAM_LETTERS.find(frame.letter()) == std::string_view::npos) __builtin_trap();
        if (!counter.onFrame(inputs.dispatchEvery, true).dispatch) continue;
        // Mostly the normal phase, now and then another one.
        if (++frames % 7 == 0) state.em61Phase = phases[frames % 5];
        velox::Em61Record record = velox::em61RecordFromFrame(frame);
        const auto outcome = velox::handleLx2Frame(record, inputs, state);
        if (state.currentRing.position < 0 || state.currentRing.position >= velox::CURRENT_WINDOW) __builtin_trap();
        // Decoded frames carry the mean current in their record.
        const bool decoded = std::holds_alternative<velox::Lx2Reading>(outcome) ||
                             std::holds_alternative<velox::Em61CalibrationFrame>(outcome);
        if (decoded && std::abs(velox::recordedMeanCurrent(record) - state.currentRing.meanCurrent) > 0.01)
            __builtin_trap();
    }
    const std::span<const uint8_t> bytes(data, size);
    for (size_t at = 0; at < size; at += 27) {
        const auto record = bytes.subspan(at, std::min<size_t>(27, size - at));
        velox::decodeRecordedLx2One(record, 0.0, 0.0);
        velox::decodeRecordedLx2Two(record, inputs.lastNullValues);
    }
    return 0;
}
