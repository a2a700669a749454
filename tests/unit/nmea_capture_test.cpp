// Real receiver captures streamed byte by byte through the line assembler,
// the checksum rule and the fix decoder. Their .chk files hold an
// independent decoding of the same input (one JSON object a line; "TPV"
// objects carry "lat" and "lon").

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "acquisition/gps_fix.h"
#include "acquisition/nmea_assembler.h"
#include "acquisition/nmea_format.h"
#include "config/survey_config.h"
#include "geo/utm.h"

namespace velox {
namespace {

const std::filesystem::path kCaptures = std::filesystem::path(VELOX_TEST_DATA) / "nmea";

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

// What the receiver sent: the capture less its comment lines.
std::string receiverBytes(const std::string& capture) {
    std::string bytes;
    for (const std::string& line : splitLines(capture))
        if (line.empty() || line.front() != '#') bytes += line + "\n";
    return bytes;
}

// The lines of the capture that carry a good checksum, judged without the
// code under test: from the last "$" of a line, less the bytes that never
// reach a sentence (controls, space, "!", '"', "#", 0x7F and up), ending in
// "*" and two hexadecimal digits that match the XOR of the body.
std::vector<std::string> linesWithGoodChecksum(const std::string& bytes) {
    std::vector<std::string> good;
    for (const std::string& raw : splitLines(bytes)) {
        const size_t dollar = raw.rfind('$');
        if (dollar == std::string::npos) continue;
        std::string line;
        for (char c : raw.substr(dollar))
            if (static_cast<unsigned char>(c) > 0x23 && static_cast<unsigned char>(c) < 0x7F) line += c;
        if (line.size() > MAX_SENTENCE_CHARS + 1 || line.size() < 4) continue;
        const size_t star = line.size() - 3;
        if (line[star] != '*' || line.find('*') != star) continue;
        if (!std::isxdigit(static_cast<unsigned char>(line[star + 1])) ||
            !std::isxdigit(static_cast<unsigned char>(line[star + 2])))
            continue;
        int sum = 0;
        for (size_t i = 1; i < star; ++i) sum ^= static_cast<unsigned char>(line[i]);
        if (std::stoi(line.substr(star + 1), nullptr, 16) == sum) good.push_back(line);
    }
    return good;
}

struct Position {
    double latitude, longitude;
};

double jsonNumber(const std::string& object, const std::string& key) {
    const size_t at = object.find("\"" + key + "\":");
    return at == std::string::npos ? NAN : std::stod(object.substr(at + key.size() + 3));
}

std::vector<Position> referencePositions(const std::filesystem::path& chk) {
    std::vector<Position> positions;
    for (const std::string& object : splitLines(readFile(chk))) {
        if (object.find("\"class\":\"TPV\"") == std::string::npos) continue;
        const Position p{jsonNumber(object, "lat"), jsonNumber(object, "lon")};
        if (!std::isnan(p.latitude) && !std::isnan(p.longitude)) positions.push_back(p);
    }
    return positions;
}

std::vector<std::filesystem::path> captures() {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(kCaptures))
        if (entry.path().extension() == ".log") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

// A GGA that reports a fix: a quality of 1 or more and at least two
// satellites (a receiver that counts none is not trusted; some still send a
// position then).
bool reportsFix(std::string_view gga) {
    const std::optional<std::string_view> quality = extractField(gga, 7);
    const std::optional<std::string_view> satellites = extractField(gga, 8);
    return quality && !quality->empty() && quality->front() >= '1' && quality->front() <= '9' && satellites &&
           std::atoi(std::string(*satellites).c_str()) >= 2;
}

TEST(ReceiverCaptures, EveryGoodLineIsAcceptedAndEveryFixMatchesTheReference) {
    const std::vector<std::filesystem::path> files = captures();
    ASSERT_FALSE(files.empty()) << kCaptures;
    const SurveyConfig config;
    const GpsSentenceFormat& gga = configureGpsFormat(1, 0);
    size_t matchedFixes = 0;

    for (const std::filesystem::path& file : files) {
        SCOPED_TRACE(file.filename().string());
        const std::string bytes = receiverBytes(readFile(file));
        const std::vector<Position> reference = referencePositions(std::filesystem::path(file) += ".chk");

        NmeaLineAssembler assembler;
        std::vector<std::string> accepted;
        size_t nextReference = 0;
        Tick tick = 0;
        for (char byte : bytes) {
            const std::optional<AssembledLine> line = assembler.push(static_cast<uint8_t>(byte), ++tick);
            if (!line) continue;
            const GpsLineKind kind = classifyGpsLine(line->text, gga);
            if (kind == GpsLineKind::Raw) continue;
            accepted.emplace_back(line->text);
            if (kind != GpsLineKind::Position || !reportsFix(line->text)) continue;

            // Each fix is found among the reference positions, in order.
            const GpsFix fix = decodeGpsFix(line->text, gga, config, line->tick);
            EXPECT_TRUE(fix.valid) << line->text;
            if (!fix.valid) continue;
            const auto matches = [&](const Position& p) {
                return std::fabs(p.latitude - fix.latitude) <= 1e-6 && std::fabs(p.longitude - fix.longitude) <= 1e-6;
            };
            const auto found =
                std::find_if(reference.begin() + static_cast<long>(nextReference), reference.end(), matches);
            EXPECT_NE(found, reference.end()) << line->text << " gives " << fix.latitude << ", " << fix.longitude;
            if (found == reference.end()) continue;
            nextReference = static_cast<size_t>(found - reference.begin());
            ++matchedFixes;
            int zone = 0;
            const UtmCoordinates utm = geodeticToUtm(fix.latitude, fix.longitude, zone, false);
            EXPECT_TRUE(std::isfinite(utm.northing) && std::isfinite(utm.easting));
        }
        EXPECT_EQ(accepted, linesWithGoodChecksum(bytes));
    }
    EXPECT_GT(matchedFixes, 0u);
}

}  // namespace
}  // namespace velox
