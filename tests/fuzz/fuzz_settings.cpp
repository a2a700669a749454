// Reads arbitrary bytes as the value lines of every settings layout, then
// does what a start does with them: derives the run-time values, lays out
// the start screen's summary and sketch, and writes the file out again.

#include <cstddef>
#include <cstdint>
#include <string>

#include "app/instrument_sketch.h"
#include "app/settings_summary.h"
#include "config/settings_file.h"
#include "config/survey_context.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string body(reinterpret_cast<const char*>(data), size);
    for (velox::InstrumentType type : velox::kAllInstruments) {
        const velox::Variant variant{type, velox::ProductLine::Velox, {}};
        velox::SurveyConfig config;
        velox::SurveyContext context;
        velox::parseSettingsLines(type, body, config);
        velox::deriveSettingsValues(variant, config, context);
        velox::settingsSummaryRows(variant, config, context.derived);
        velox::sketchInstrument(type, config, context.derived.workingGpsOffsetY, velox::RectF{20, 250, 780, 460});
        const std::string out = velox::formatSettings(variant, config);
        if (out.empty()) __builtin_trap();
    }
    return 0;
}
