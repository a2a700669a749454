#pragma once
// The sentences a GPS receiver or robotic total station sends, one encoder
// per input kind the program accepts (GGA with GSA, GGA, POS, LLK, LLQ, GLL,
// GGK, pseudo-GGA with or without SLAM fields, pseudo-GLL), plus RMC and VTG
// as other traffic. Written from the receivers' side, independently of the
// program's parser.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/sim/walk_model.h"

namespace velox::sim {

enum class NmeaKind : int {
    GGA_GSA = 0,
    GGA = 1,
    POS = 2,
    LLK = 3,
    LLQ = 4,
    GLL = 5,
    GGK = 6,
    PSEUDO_GGA = 7,
    PSEUDO_GLL = 8,
};

struct GpsOutputSettings {
    NmeaKind kind = NmeaKind::GGA;
    bool slamFields = false;   // pseudo-GGA of a SLAM total station (with checksum)
    bool gridInFeet = false;   // pseudo-GGA coordinates in feet, unit letter "F"
    bool withRmc = false;
    bool withVtg = false;
};

struct GpsEpoch {
    double utcSeconds = 0.0;     // seconds since midnight; wraps at 24 h
    int day = 1, month = 1, year = 2026;
    GeoPoint position;
    double gridEasting = 0.0;    // local grid, metres
    double gridNorthing = 0.0;
    double altitude = 120.0;     // metres
    int quality = 2;             // GGA scale: 1 autonomous, 2 DGPS, 4 RTK fixed …
    int satellites = 9;
    double dilution = 1.2;
    double speed = 0.0;          // metres per second
    double course = 0.0;         // degrees true
    int slamCount = 0;
    double slamValues[3] = {0.0, 0.0, 0.0};
};

// XOR of the characters between "$" and "*".
uint8_t nmeaChecksum(std::string_view body);
// "$" + body + "*HH" + CR LF.
std::string checksummed(std::string_view body);
// "$" + body + CR LF, for the total stations' pseudo-sentences.
std::string unchecked(std::string_view body);

std::string timeField(double utcSeconds);
// ddmm.mmmmm / dddmm.mmmmm with the hemisphere field after a comma.
std::string latitudeFields(double degrees, int decimals);
std::string longitudeFields(double degrees, int decimals);

// The lines one epoch produces, each ending in CR LF.
std::vector<std::string> epochSentences(const GpsOutputSettings& settings, const GpsEpoch& epoch);
// A syntactically fine sentence longer than any buffer the program keeps.
std::string overlongSentence(size_t length);

}  // namespace velox::sim
