// Replays arbitrary bytes as an EM61-LX2 data file onto a map that checks
// what it is asked to draw: the replay must stay inside the records, never
// fail, and only ask for palette colours and sane marks.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "display/colour_scale.h"
#include "logging/data_file_format.h"
#include "review/map_replay.h"

namespace {

class CheckingSurface : public velox::SwathSurface {
public:
    velox::PixelPoint toPixel(double easting, double northing) const override {
        return {toInt(easting * 20.0), toInt(northing * 20.0)};
    }
    void drawPaletteSegment(velox::PixelPoint, velox::PixelPoint, int paletteIndex) override {
        if (paletteIndex < 0 || paletteIndex > velox::LAST_COLOUR) __builtin_trap();
    }
    void drawPositionDot(velox::PixelPoint, int radius) override {
        if (radius < 0 || radius > 3) __builtin_trap();
    }
    void drawPositionLine(velox::PixelPoint, velox::PixelPoint, int width) override {
        if (width != 1 && width != 2) __builtin_trap();
    }

private:
    static int toInt(double v) {
        if (std::isnan(v)) return 0;
        return static_cast<int>(std::clamp(v, -1.0e9, 1.0e9));
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace velox;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const DataFileReader reader = DataFileReader::fromBytes(bytes, RECORD_LENGTH);
    for (int view : {0, 1, 3}) {
        SurveyConfig config;
        config.colourMapView = view;
        config.positionSize = view == 0 ? 2 : 5;
        config.sensorCountIndex = view == 1 ? 0 : 1;
        ColourScale scale;
        scale.update(InstrumentType::Em61Lx2, config);
        CheckingSurface surface;
        (void)replayFileToMap(reader, config, scale, surface);
    }
    return 0;
}
