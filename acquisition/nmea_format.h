#pragma once
// The GPS input formats (one per `nmeaData` setting), the field extraction
// rule, the number readers and the checksum rule for NMEA 0183 sentences and
// total-station pseudo-sentences. No transport here: lines come from
// NmeaLineAssembler.

#include <optional>
#include <span>
#include <string_view>

namespace velox {

enum class FieldRole {
    SATELLITES,
    QUALITY,
    LAT_HEMISPHERE,
    LATITUDE,
    LON_HEMISPHERE,
    LONGITUDE,
    DILUTION,
    NORTHING,
    EASTING,
    SLAM_COUNT,
    SLAM_VALUE_1,
    SLAM_VALUE_2,
    SLAM_VALUE_3,
};

// Field numbers count comma-separated fields from 1; field 1 is the
// sentence name ("$GPGGA").
struct FieldSlot {
    FieldRole role;
    int field;
};

struct GpsSentenceFormat {
    int nmeaData;           // the setting that selects this row
    std::string_view name;  // as shown in the GPS setup
    std::string_view tag;   // found anywhere in a position sentence
    bool checksumRequired;
    int timeField;                     // hhmmss.ss, UTC
    std::span<const FieldSlot> fieldSlots;  // decoded in this order
    int qualityOffset;                 // added to the received quality (POS counts from 0)
    bool zeroQualityInvalid;           // quality 0 means "no fix" (GGA)
    int unitField;                     // field with the unit letter of local coordinates, 0 when none
    bool usesStatusSentence;           // GSA sentences carry the dilution
};

inline constexpr int GPS_FORMAT_COUNT = 9;

// The row for `nmeaData` (0..8) and `pseudoGgaSlam`. A stored value outside
// the table selects the default row, GGA.
const GpsSentenceFormat& configureGpsFormat(int nmeaData, int pseudoGgaSlam);

// Field n of a comma-separated text. Field 1 is the text before the first
// comma (all of it when there is none); field n >= 2 lies between commas n-1
// and n, or runs to the end when the text has exactly n-1 commas (so the last
// field keeps a checksum suffix). Nothing when the text has fewer commas.
std::optional<std::string_view> extractField(std::string_view text, int n);

// A decimal number from the leading characters of a field: optional sign,
// digits, optional fraction; whatever follows is ignored ("1.2*3A" is 1.2).
// Nothing when the field does not start with a number.
std::optional<double> leadingDecimal(std::string_view field);
std::optional<int> leadingInteger(std::string_view field);  // saturates at the int range
// The same, reading a field that holds no number as 0.
double readDecimal(std::string_view field);
int readInteger(std::string_view field);

// XOR of every character of the body (the text between "$" and "*").
unsigned nmeaChecksum(std::string_view body);
// The line ("$" first) carries "*" and two hexadecimal digits that end the
// line and equal the XOR of everything between "$" and the first "*".
bool checksumMatches(std::string_view line);

enum class GpsLineKind {
    Raw,       // no "$" first, or a required checksum missing or wrong
    Position,  // accepted, holds the format's tag
    Status,    // accepted GSA sentence of a format that uses it
    Other,     // accepted, anything else
};

GpsLineKind classifyGpsLine(std::string_view line, const GpsSentenceFormat& format);

}  // namespace velox
