// The GPS stand-in: every sentence kind passes the program's checksum rule
// and decodes, with the program's own decoder, to the walked position; rates,
// time, settable quality and the line faults.

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "acquisition/gps_fix.h"
#include "acquisition/nmea_assembler.h"
#include "acquisition/nmea_format.h"
#include "config/survey_config.h"
#include "geo/utm.h"
#include "tools/sim/gps_module.h"
#include "tools/sim/nmea_encoder.h"

namespace velox::sim {
namespace {

using namespace std::chrono_literals;

std::vector<std::string> linesOf(const std::string& stream) {
    std::vector<std::string> lines;
    std::istringstream in(stream);
    for (std::string line; std::getline(in, line);) {
        EXPECT_FALSE(line.empty());
        EXPECT_EQ(line.back(), '\r') << line;
        line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// Independent of the program: XOR between "$" and "*" equals the two hex digits.
bool ownChecksumOk(const std::string& line) {
    const size_t star = line.find('*');
    if (line.empty() || line[0] != '$' || star == std::string::npos || star + 3 != line.size()) return false;
    return std::stoi(line.substr(star + 1), nullptr, 16) == nmeaChecksum(std::string_view(line).substr(1, star - 1));
}

// Output up to `now`, polled every 50 ms as the simulator's loop would.
std::string collect(GpsModule& m, SimTime now, SimTime from = SimTime{0}) {
    std::string out;
    for (SimTime t = from; t < now; t += std::chrono::milliseconds(50)) m.emitDue(t, out);
    m.emitDue(now, out);
    return out;
}

struct GpsFixture : ::testing::Test {
    WalkSettings walkSettings;
    GpsSettings gps;
    SurveyConfig config;
    GpsFixture() {
        walkSettings.antennaOffsetX = 0.4;
        walkSettings.antennaOffsetY = -0.6;
        gps.utcStart = 23 * 3600.0 + 59 * 60.0 + 58.0;  // crosses midnight
    }
};

TEST(SimNmea, FieldsAreZeroPaddedAndRounded) {
    EXPECT_EQ(latitudeFields(45.5, 5), "4530.00000,N");
    EXPECT_EQ(latitudeFields(-1.0 / 60.0, 5), "0001.00000,S");
    EXPECT_EQ(longitudeFields(9.0, 5), "00900.00000,E");
    EXPECT_EQ(longitudeFields(-122.999999999, 5), "12300.00000,W");  // minutes round up to a whole degree
    EXPECT_EQ(timeField(0.0), "000000.00");
    EXPECT_EQ(timeField(86399.999), "000000.00");
    EXPECT_EQ(timeField(12 * 3600 + 34 * 60 + 56.78), "123456.78");
    EXPECT_EQ(checksummed("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,"),
              "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n");
}

// Each kind of input: every line is well formed, the position sentence is
// recognised by the program's format table and decodes to the antenna's
// position at the epoch.
TEST_F(GpsFixture, EveryKindDecodesToTheWalkedAntennaPosition) {
    const struct {
        NmeaKind kind;
        bool slam;
        bool feet;
        int linesPerEpoch;
    } kinds[] = {
        {NmeaKind::GGA_GSA, false, false, 2}, {NmeaKind::GGA, false, false, 1}, {NmeaKind::POS, false, false, 1},
        {NmeaKind::LLK, false, false, 1},     {NmeaKind::LLQ, false, false, 1}, {NmeaKind::GLL, false, false, 1},
        {NmeaKind::GGK, false, false, 1},     {NmeaKind::PSEUDO_GGA, false, false, 1},
        {NmeaKind::PSEUDO_GGA, false, true, 1}, {NmeaKind::PSEUDO_GGA, true, false, 1},
        {NmeaKind::PSEUDO_GLL, false, false, 1},
    };
    WalkModel walk(walkSettings);
    for (const auto& k : kinds) {
        SCOPED_TRACE(static_cast<int>(k.kind) * 10 + k.slam + 2 * k.feet);
        gps.output = {k.kind, k.slam, k.feet, false, false};
        gps.rateHz = 5;
        GpsModule module(gps, walk);
        const std::string stream = collect(module, 3s);  // epochs at 0, 0.2 … 3.0 s
        const std::vector<std::string> lines = linesOf(stream);
        ASSERT_EQ(lines.size(), 16u * k.linesPerEpoch);

        const GpsSentenceFormat& format = configureGpsFormat(static_cast<int>(k.kind), k.slam);
        config.rtsUnits = 0;
        int epoch = 0;
        for (const std::string& line : lines) {
            EXPECT_LE(line.size(), MAX_SENTENCE_CHARS);
            EXPECT_EQ(ownChecksumOk(line), format.checksumRequired) << line;
            const GpsLineKind kind = classifyGpsLine(line, format);
            if (kind == GpsLineKind::Status) {
                EXPECT_NEAR(*decodeGpsStatus(line), gps.dilution, 1e-9);
                continue;
            }
            ASSERT_EQ(kind, GpsLineKind::Position) << line;
            const SimTime t = fromSeconds(epoch++ * 0.2);
            const GpsFix fix = decodeGpsFix(line, format, config, 0);
            ASSERT_TRUE(fix.valid) << line;
            const Pose antenna = walk.antennaAt(toSeconds(t));
            if (fix.hasGeodetic) {
                const GeoPoint expected = walk.toGeodetic(antenna.position);
                // Five decimals of minutes: about 2 cm.
                EXPECT_NEAR(fix.latitude, expected.latitude, 2e-7) << line;
                EXPECT_NEAR(fix.longitude, expected.longitude, 2e-7) << line;
            } else {
                EXPECT_NEAR(fix.easting, GRID_FALSE_EASTING + antenna.position.east, 2e-3) << line;
                EXPECT_NEAR(fix.northing, GRID_FALSE_NORTHING + antenna.position.north, 2e-3) << line;
            }
            if (k.slam) {
                EXPECT_EQ(fix.slamCount, gps.satellites);
            }
            // POS and GGK carry their time elsewhere than the program looks.
            if (fix.utcSeconds) {
                EXPECT_NEAR(*fix.utcSeconds, std::fmod(gps.utcStart + toSeconds(t), 86400.0), 1e-6);
            }
        }
    }
}

TEST_F(GpsFixture, PositionsMoveAlongTheWalkAndUtcAdvancesThroughMidnight) {
    WalkModel walk(walkSettings);
    GpsModule module(gps, walk);
    const std::vector<std::string> lines = linesOf(collect(module, 4s));
    ASSERT_EQ(lines.size(), 5u);
    const GpsSentenceFormat& format = configureGpsFormat(1, 0);
    SurveyZone zone;
    std::vector<double> times;
    UtmCoordinates previous{};
    for (size_t i = 0; i < lines.size(); ++i) {
        const GpsFix fix = decodeGpsFix(lines[i], format, config, 0);
        ASSERT_TRUE(fix.valid);
        EXPECT_EQ(fix.quality, 2);
        EXPECT_EQ(fix.satellites, 9);
        ASSERT_TRUE(fix.utcSeconds);
        times.push_back(*fix.utcSeconds);
        const UtmCoordinates utm = projectInSurveyZone(zone, fix.latitude, fix.longitude);
        if (i > 0) {
            const double step = std::hypot(utm.easting - previous.easting, utm.northing - previous.northing);
            EXPECT_NEAR(step, walkSettings.speed, 0.15) << "one second of walking";
        }
        previous = utm;
    }
    EXPECT_EQ(zone.utmZone, 32);
    const std::vector<double> expected{86398.0, 86399.0, 0.0, 1.0, 2.0};
    for (size_t i = 0; i < times.size(); ++i) EXPECT_NEAR(times[i], expected[i], 1e-6);
}

TEST_F(GpsFixture, RatesGiveTheirEpochCounts) {
    WalkModel walk(walkSettings);
    for (const int hz : {1, 5, 10, 20}) {
        gps.rateHz = hz;
        GpsModule module(gps, walk);
        std::string stream;
        for (SimTime t = 0ms; t <= 10s; t += 37ms) module.emitDue(t, stream);
        EXPECT_EQ(module.epochsSent(), 10 * hz) << hz;  // epochs from 0 up to the last poll at 9.99 s
    }
}

TEST_F(GpsFixture, SettableQualityFailsTheWarningMaskAndExtraSentencesAreMixedIn) {
    gps.quality = 1;
    gps.satellites = 4;
    gps.dilution = 6.5;
    gps.output.withRmc = true;
    gps.output.withVtg = true;
    WalkModel walk(walkSettings);
    GpsModule module(gps, walk);
    std::string stream;
    module.emitDue(0s, stream);
    const std::vector<std::string> lines = linesOf(stream);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1].rfind("$GPRMC,", 0), 0u);
    EXPECT_EQ(lines[2].rfind("$GPVTG,", 0), 0u);
    const GpsSentenceFormat& format = configureGpsFormat(1, 0);
    for (const std::string& line : lines) EXPECT_TRUE(checksumMatches(line)) << line;
    EXPECT_EQ(classifyGpsLine(lines[1], format), GpsLineKind::Other);
    const GpsFix fix = decodeGpsFix(lines[0], format, config, 0);
    EXPECT_EQ(fix.quality, 1);
    EXPECT_EQ(fix.satellites, 4);
    EXPECT_NEAR(*fix.dilution, 6.5, 1e-9);
}

// The line faults, passed through the program's line assembler: bad
// checksums and missing "$" give raw lines, an over-long line loses its
// beginning, and the good sentences after it are still found.
TEST_F(GpsFixture, LineFaultsReachTheProgramAsPromised) {
    WalkModel walk(walkSettings);
    const GpsSentenceFormat& format = configureGpsFormat(1, 0);
    const struct {
        LineFaults faults;
        int raw;
        int positions;
    } cases[] = {
        {{false, false, false}, 0, 3},
        {{true, false, false}, 3, 0},
        {{false, true, false}, 3, 0},
        {{false, false, true}, 3, 3},
    };
    for (const auto& c : cases) {
        GpsModule module(gps, walk);
        module.setLineFaults(c.faults);
        const std::string stream = collect(module, 2s);
        if (c.faults.overlong) {
            EXPECT_NE(stream.find(std::string(200, 'X')), std::string::npos);
        }
        NmeaLineAssembler assembler;
        int raw = 0, positions = 0;
        for (const char b : stream) {
            const auto line = assembler.push(static_cast<uint8_t>(b), 0);
            if (!line) continue;
            const GpsLineKind kind = classifyGpsLine(line->text, format);
            raw += kind == GpsLineKind::Raw;
            positions += kind == GpsLineKind::Position;
        }
        EXPECT_EQ(raw, c.raw);
        EXPECT_EQ(positions, c.positions);
    }
}

TEST_F(GpsFixture, SwitchedOffReceiverIsSilentAndResumesOnTime) {
    WalkModel walk(walkSettings);
    GpsModule module(gps, walk);
    std::string stream = collect(module, 1s);
    module.setPowered(false, 1500ms);
    EXPECT_EQ(module.nextDue(), NEVER);
    stream += collect(module, 4s, 1500ms);
    module.setPowered(true, 4500ms);
    stream += collect(module, 6s, 4500ms);
    EXPECT_EQ(linesOf(stream).size(), 4u);  // 0, 1, then 5, 6 s
}

}  // namespace
}  // namespace velox::sim
