// Cost of one GPS fix: assembling the sentence byte by byte, the checksum,
// decoding the fields and projecting the position into map units. Target:
// under 20 microseconds per fix.

#include <benchmark/benchmark.h>

#include <string_view>

#include "acquisition/gps_fix.h"
#include "acquisition/nmea_assembler.h"
#include "acquisition/nmea_format.h"
#include "config/survey_config.h"
#include "geo/map_units.h"
#include "geo/utm.h"

namespace {

using namespace velox;

constexpr std::string_view kSentence =
    "$GNGGA,132819.60,4134.49795459,N,09345.03431408,W,2,10,0.9,278.161,M,-31.442,M,6.6,0133*6A\r\n";

void BM_OneGpsFix(benchmark::State& state) {
    const SurveyConfig config;
    const GpsSentenceFormat& format = configureGpsFormat(1, 0);
    initProjection();
    NmeaLineAssembler assembler;
    SurveyZone zone;
    Tick tick = 0;
    for (auto _ : state) {
        for (char byte : kSentence) {
            const std::optional<AssembledLine> line = assembler.push(static_cast<uint8_t>(byte), ++tick);
            if (!line || classifyGpsLine(line->text, format) != GpsLineKind::Position) continue;
            const GpsFix fix = decodeGpsFix(line->text, format, config, line->tick);
            const UtmCoordinates utm = projectInSurveyZone(zone, fix.latitude, fix.longitude);
            benchmark::DoNotOptimize(toMapUnits(utm.northing, config.mapUnits));
            benchmark::DoNotOptimize(toMapUnits(utm.easting, config.mapUnits));
        }
    }
}
BENCHMARK(BM_OneGpsFix);

}  // namespace
