// Reads arbitrary bytes as the value lines of every settings layout, then
// writes them out again, as a load followed by a save would.

#include <cstddef>
#include <cstdint>
#include <string>

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
        const std::string out = velox::formatSettings(variant, config);
        if (out.empty()) __builtin_trap();
    }
    return 0;
}
