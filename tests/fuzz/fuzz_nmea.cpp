// Streams arbitrary bytes through the GPS line assembler and decodes every
// line it completes under every input format, as the reader and the fix and
// status handlers would, projecting each valid position in the survey zone.

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "acquisition/gps_fix.h"
#include "acquisition/nmea_assembler.h"
#include "acquisition/nmea_format.h"
#include "config/survey_config.h"
#include "geo/map_units.h"
#include "geo/utm.h"

namespace {

void decodeUnderEveryFormat(std::string_view line, velox::Tick tick, velox::SurveyZone& zone,
                            const velox::SurveyConfig& config) {
    for (int nmeaData = 0; nmeaData <= velox::GPS_FORMAT_COUNT; ++nmeaData) {
        const velox::GpsSentenceFormat& format =
            velox::configureGpsFormat(nmeaData % velox::GPS_FORMAT_COUNT, nmeaData == velox::GPS_FORMAT_COUNT);
        // Decoded whatever the checksum says, so that mutations reach the
        // decoders without having to keep a checksum right.
        velox::classifyGpsLine(line, format);
        velox::decodeGpsStatus(line);
        const velox::GpsFix fix = velox::decodeGpsFix(line, format, config, tick);
        if (fix.valid && fix.hasGeodetic) {
            if (std::fabs(fix.latitude) > 90.0 || std::fabs(fix.longitude) > 180.0) __builtin_trap();
            const velox::UtmCoordinates utm = velox::projectInSurveyZone(zone, fix.latitude, fix.longitude);
            velox::toMapUnits(utm.northing, config.mapUnits);
        }
        velox::groundSpeedBetween(1.0, fix.utcSeconds, fix.utcSeconds);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const velox::SurveyConfig config;
    velox::NmeaLineAssembler assembler;
    velox::SurveyZone zone;
    for (size_t i = 0; i < size; ++i) {
        const std::optional<velox::AssembledLine> line = assembler.push(data[i], static_cast<velox::Tick>(i));
        if (!line) continue;
        if (line->text.size() > velox::MAX_SENTENCE_CHARS + 1) __builtin_trap();
        decodeUnderEveryFormat(line->text, line->tick, zone, config);
    }
    return 0;
}
