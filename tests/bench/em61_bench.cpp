// Cost of one EM61-LX2 reading on the user-interface thread (decode,
// normalise, filter, alarm) and of framing it on the reader thread. Target:
// well under 50 microseconds per reading.

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <vector>

#include "acquisition/em61_decode.h"
#include "acquisition/em61_frame.h"

namespace {

using namespace velox;

Em61Frame sampleFrame(int16_t value) {
    Em61Frame frame;
    const std::array<uint8_t, EM61_FRAME_LENGTH> bytes{
        'T', 0x1B, static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value), 0x01, 0x10, 0x02, 0x20,
        0x03, 0x30, 0x06, 0x31, 80, EM61_END_BYTE};
    frame.bytes = bytes;
    return frame;
}

Lx2ReadingInputs twoSensorInputs(int alarmType) {
    Lx2ReadingInputs inputs;
    inputs.sensorCount = 2;
    inputs.lastNullValues = {1.0, 2.0, 3.0, 4.0};
    inputs.filterCoefficientLeft = 2.7037;
    inputs.filterCoefficientRight = 2.7037;
    inputs.dispatchEvery = 4;
    inputs.alarm.alarmType = alarmType;
    inputs.alarm.alarmChannel = CHANNEL_FILTERED;
    return inputs;
}

void BM_Lx2Reading(benchmark::State& run) {
    const Lx2ReadingInputs inputs = twoSensorInputs(static_cast<int>(run.range(0)));
    Em61State state;
    state.em61Phase = EM61_NORMAL;
    int16_t value = 0;
    for (auto _ : run) {
        Em61Record record = em61RecordFromFrame(sampleFrame(value));
        value = static_cast<int16_t>((value + 37) % 4000);
        benchmark::DoNotOptimize(lx2NormalReading(record, inputs, state));
    }
}
BENCHMARK(BM_Lx2Reading)->Arg(ALARM_DISABLED)->Arg(ALARM_SIMPLE)->Arg(ALARM_ENHANCED);

void BM_FrameAssembly(benchmark::State& run) {
    std::vector<uint8_t> wire(sampleFrame(100).bytes.begin(), sampleFrame(100).bytes.end());
    wire.push_back(EM61_END_BYTE);
    Em61Framer framer;
    Em61FrameCounter counter;
    for (auto _ : run) {
        for (uint8_t b : wire)
            if (framer.push(b) == Em61Framer::Outcome::Frame) benchmark::DoNotOptimize(counter.onFrame(4, true));
    }
}
BENCHMARK(BM_FrameAssembly);

}  // namespace
