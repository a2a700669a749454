// Cost of one EM61-LX2 reading on the user-interface thread (decode,
// normalise, filter, alarm; and through the whole reading handler with the
// record composed and written to a file) and of framing it on the reader
// thread. Target: well under 50 microseconds per reading.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "acquisition/em61_decode.h"
#include "acquisition/em61_frame.h"
#include "acquisition/em61_handler.h"
#include "acquisition/worker_messages.h"
#include "config/survey_config.h"
#include "config/survey_context.h"
#include "logging/data_file.h"
#include "platform/clock.h"
#include "platform/sound_player.h"

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

class SilentSounds final : public SoundPlayer {
public:
    void playSound(std::string_view, bool) override {}
    void stopSound() override {}
};

class NullSwath final : public ColourSwathInput {
public:
    bool collecting() const override { return true; }
    int colourIndexOf(double value) const override { return static_cast<int>(value / 10.0); }
    void colourBufferAppend(int entry) override { benchmark::DoNotOptimize(entry); }
};

// The reading handler while logging two sensors: the frame taken from the
// reader's buffer, decoded, alarmed, coloured, counted, formatted for the
// read-outs, and its record written to a data file in /tmp.
void BM_Lx2ReadingHandlerWritingTheRecord(benchmark::State& run) {
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("velox_em61_bench_" + std::to_string(::getpid()) + ".RX2");
    SurveyConfig config;
    config.sensorCountIndex = 1;
    config.colourMapView = 3;
    config.alarmType = static_cast<int>(run.range(0));
    config.alarmChannel = CHANNEL_FILTERED;
    SurveyContext context;
    context.logging.loggingState = LoggingState::Logging;
    context.em61.dispatchEvery = 4;
    DataFile file{Variant{}};
    if (!file.open(path)) {
        run.SkipWithError("cannot open the data file in /tmp");
        return;
    }
    file.setLoggingStartTick(tickNow());
    SilentSounds sounds;
    NullSwath swath;
    Em61Handler handler(config, context, {sounds, &file, &swath});
    handler.state().em61Phase = EM61_NORMAL;

    int16_t value = 0;
    for (auto _ : run) {
        const Em61Frame frame = sampleFrame(value);
        std::copy(frame.bytes.begin(), frame.bytes.end(), context.em61.frameBuffer.begin());
        context.acquisition.lastRecordTick = tickNow();
        value = static_cast<int16_t>((value + 37) % 4000);
        benchmark::DoNotOptimize(handler.onLx2Reading(WM_LX2_READING_2));
    }
    file.close();
    std::filesystem::remove(path);
}
BENCHMARK(BM_Lx2ReadingHandlerWritingTheRecord)->Arg(ALARM_DISABLED)->Arg(ALARM_ENHANCED);

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
