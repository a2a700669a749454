#pragma once
// One decoded GPS epoch and the decoders of position and status sentences.
// Pure functions of the sentence, its format, the settings they need and the
// receive tick; the fix handler owns what is done with the result.

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "acquisition/nmea_format.h"
#include "platform/clock.h"

namespace velox {

struct SurveyConfig;

struct GpsFix {
    bool valid = false;
    int satellites = 0;
    int quality = 0;             // GGA scale 0..9 (POS: the received value plus 1)
    std::u16string qualityText;  // "NO FIX", "AGPS", "DGPS", "RTK3".."RTK9", "UNKW"; empty: no quality field
    bool hasGeodetic = false;
    double latitude = 0.0;        // decimal degrees, north positive
    double longitude = 0.0;       // decimal degrees, east positive
    std::u16string latitudeText;  // degrees, minutes and seconds for display
    std::u16string longitudeText;
    double northing = 0.0;  // local grid, metres
    double easting = 0.0;
    double northingMap = 0.0;  // local grid, map units
    double eastingMap = 0.0;
    std::optional<double> dilution;    // when the format and the sentence carry one
    std::optional<double> utcSeconds;  // hours * 3600 + minutes * 60 + seconds; unknown without a usable time
    int slamCount = 0;
    std::array<double, 3> slamValues{};
    Tick tick = 0;  // when the sentence's "$" arrived
};

// Decodes a position sentence. Malformed or missing fields give an invalid
// fix, never an error.
GpsFix decodeGpsFix(std::string_view sentence, const GpsSentenceFormat& format, const SurveyConfig& config, Tick tick);

// PDOP of a GSA sentence (its field 16); nothing when the field is missing.
std::optional<double> decodeGpsStatus(std::string_view sentence);

// Seconds of the day of a time field hhmmss[.ss]; nothing when the field is
// not such a time.
std::optional<double> utcSecondsOf(std::string_view timeField);

// Degree-minute-second text of an angle field (ddmm.mmmm with two degree
// digits, dddmm.mmmm with three), e.g. N48°07'2.2800 " for 4807.038 north.
std::u16string degreesMinutesSecondsText(char hemisphere, std::string_view field, int degreeDigits);

// Ground speed between two fixes `distance` apart, in distance units per
// second. Nothing when either time is unknown or no time has passed (a
// passage of midnight counts as the time it took).
std::optional<double> groundSpeedBetween(double distance, std::optional<double> earlierUtcSeconds,
                                         std::optional<double> laterUtcSeconds);

}  // namespace velox
