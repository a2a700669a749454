#include "acquisition/nmea_format.h"

#include <array>
#include <charconv>
#include <limits>

namespace velox {
namespace {

using R = FieldRole;

constexpr FieldSlot kGgaGsaSlots[] = {{R::SATELLITES, 8}, {R::QUALITY, 7},        {R::LAT_HEMISPHERE, 4},
                                      {R::LATITUDE, 3},   {R::LON_HEMISPHERE, 6}, {R::LONGITUDE, 5}};
constexpr FieldSlot kGgaSlots[] = {{R::SATELLITES, 8},     {R::QUALITY, 7},   {R::LAT_HEMISPHERE, 4}, {R::LATITUDE, 3},
                                   {R::LON_HEMISPHERE, 6}, {R::LONGITUDE, 5}, {R::DILUTION, 9}};
constexpr FieldSlot kPosSlots[] = {{R::SATELLITES, 4},     {R::QUALITY, 3},   {R::LAT_HEMISPHERE, 7}, {R::LATITUDE, 6},
                                   {R::LON_HEMISPHERE, 9}, {R::LONGITUDE, 8}, {R::DILUTION, 15}};
constexpr FieldSlot kLocalGridSlots[] = {
    {R::SATELLITES, 9}, {R::QUALITY, 8}, {R::NORTHING, 6}, {R::EASTING, 4}, {R::DILUTION, 10}};
constexpr FieldSlot kGllSlots[] = {{R::LAT_HEMISPHERE, 3}, {R::LATITUDE, 2}, {R::LON_HEMISPHERE, 5}, {R::LONGITUDE, 4}};
constexpr FieldSlot kGgkSlots[] = {{R::SATELLITES, 10},    {R::QUALITY, 9},   {R::LAT_HEMISPHERE, 6}, {R::LATITUDE, 5},
                                   {R::LON_HEMISPHERE, 8}, {R::LONGITUDE, 7}, {R::DILUTION, 11}};
constexpr FieldSlot kRtsSlots[] = {{R::NORTHING, 3}, {R::EASTING, 5}};
constexpr FieldSlot kRtsSlamSlots[] = {{R::NORTHING, 3},     {R::EASTING, 5},       {R::SLAM_COUNT, 8},
                                       {R::SLAM_VALUE_1, 9}, {R::SLAM_VALUE_2, 12}, {R::SLAM_VALUE_3, 14}};

// POS and GGK have a two-field name ("$PASHR,POS", "$PTNL,GGK"), so their
// time is not field 2: POS carries it after the satellite count (field 5),
// GGK right after the name, before the date (field 3).
// Columns: nmeaData, name, tag, checksumRequired, timeField, slots,
// qualityOffset, zeroQualityInvalid, unitField, usesStatusSentence.
constexpr std::array<GpsSentenceFormat, GPS_FORMAT_COUNT> kFormats{{
    {0, "GGA/GSA", "GGA", true, 2, kGgaGsaSlots, 0, true, 0, true},
    {1, "GGA", "GGA", true, 2, kGgaSlots, 0, true, 0, false},
    {2, "POS", "POS", true, 5, kPosSlots, 1, false, 0, false},
    {3, "LLK", "LLK", true, 2, kLocalGridSlots, 0, false, 0, false},
    {4, "LLQ", "LLQ", true, 2, kLocalGridSlots, 0, false, 0, false},
    {5, "GLL", "GLL", true, 6, kGllSlots, 0, false, 0, false},
    {6, "GGK", "GGK", true, 3, kGgkSlots, 0, false, 0, false},
    {7, "RTS pseudo-GGA", "GGA", false, 2, kRtsSlots, 0, false, 11, false},
    {8, "pseudo-GLL", "GLL", false, 6, kGllSlots, 0, false, 0, false},
}};
constexpr GpsSentenceFormat kRtsSlamFormat{7, "RTS pseudo-GGA", "GGA", true, 2, kRtsSlamSlots, 0, false, 11, false};

constexpr int kDefaultFormat = 1;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Length of the leading "[sign]digits[.digits]" of a field and whether it
// holds a digit at all.
struct NumberExtent {
    size_t end = 0;
    bool hasDigit = false;
};

NumberExtent scanNumber(std::string_view field, bool allowFraction) {
    NumberExtent e;
    size_t i = 0;
    if (i < field.size() && (field[i] == '+' || field[i] == '-')) ++i;
    const auto skipDigits = [&] {
        const size_t start = i;
        while (i < field.size() && isDigit(field[i])) ++i;
        if (i > start) e.hasDigit = true;
    };
    skipDigits();
    if (allowFraction && i < field.size() && field[i] == '.') {
        ++i;
        skipDigits();
    }
    e.end = i;
    return e;
}

// from_chars takes no "+" sign.
std::string_view withoutPlus(std::string_view number) {
    return !number.empty() && number.front() == '+' ? number.substr(1) : number;
}

}  // namespace

const GpsSentenceFormat& configureGpsFormat(int nmeaData, int pseudoGgaSlam) {
    if (nmeaData == 7 && pseudoGgaSlam != 0) return kRtsSlamFormat;
    if (nmeaData < 0 || nmeaData >= GPS_FORMAT_COUNT) return kFormats[kDefaultFormat];
    return kFormats[static_cast<size_t>(nmeaData)];
}

std::optional<std::string_view> extractField(std::string_view text, int n) {
    if (n < 1) return std::nullopt;
    size_t start = 0;
    for (int separator = 1; separator < n; ++separator) {
        const size_t comma = text.find(',', start);
        if (comma == std::string_view::npos) return std::nullopt;
        start = comma + 1;
    }
    const size_t end = text.find(',', start);
    return text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
}

std::optional<double> leadingDecimal(std::string_view field) {
    const NumberExtent extent = scanNumber(field, true);
    if (!extent.hasDigit) return std::nullopt;
    const std::string_view number = withoutPlus(field.substr(0, extent.end));
    double value = 0.0;
    const auto [ptr, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (ec != std::errc()) return std::nullopt;  // beyond the range of a double
    return value;
}

std::optional<int> leadingInteger(std::string_view field) {
    const NumberExtent extent = scanNumber(field, false);
    if (!extent.hasDigit) return std::nullopt;
    const std::string_view number = withoutPlus(field.substr(0, extent.end));
    int value = 0;
    const auto [ptr, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (ec == std::errc::result_out_of_range)
        return number.front() == '-' ? std::numeric_limits<int>::min() : std::numeric_limits<int>::max();
    return value;
}

double readDecimal(std::string_view field) { return leadingDecimal(field).value_or(0.0); }

int readInteger(std::string_view field) { return leadingInteger(field).value_or(0); }

unsigned nmeaChecksum(std::string_view body) {
    unsigned sum = 0;
    for (char c : body) sum ^= static_cast<unsigned char>(c);
    return sum;
}

bool checksumMatches(std::string_view line) {
    if (line.empty() || line.front() != '$') return false;
    const size_t star = line.find('*');
    if (star == std::string_view::npos || line.size() != star + 3) return false;
    const int high = hexValue(line[star + 1]);
    const int low = hexValue(line[star + 2]);
    if (high < 0 || low < 0) return false;
    return nmeaChecksum(line.substr(1, star - 1)) == static_cast<unsigned>(high * 16 + low);
}

GpsLineKind classifyGpsLine(std::string_view line, const GpsSentenceFormat& format) {
    if (line.empty() || line.front() != '$') return GpsLineKind::Raw;
    if (format.checksumRequired && !checksumMatches(line)) return GpsLineKind::Raw;
    if (line.find(format.tag) != std::string_view::npos) return GpsLineKind::Position;
    if (format.usesStatusSentence && line.find("GSA") != std::string_view::npos) return GpsLineKind::Status;
    return GpsLineKind::Other;
}

}  // namespace velox
