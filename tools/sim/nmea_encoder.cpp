#include "tools/sim/nmea_encoder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace velox::sim {

namespace {

constexpr double KNOTS_PER_MPS = 1.0 / 0.514444;
constexpr double FEET_PER_METRE = 1.0 / 0.3048;

std::string format(const char* fmt, auto... args) {
    char buffer[256];
    const int n = std::snprintf(buffer, sizeof buffer, fmt, args...);
    return std::string(buffer, static_cast<size_t>(std::clamp(n, 0, int(sizeof buffer) - 1)));
}

std::string angleFields(double degrees, int degreeDigits, int decimals, char positive, char negative) {
    const double magnitude = std::abs(degrees);
    int whole = static_cast<int>(magnitude);
    const double scale = std::pow(10.0, decimals);
    double minutes = std::round((magnitude - whole) * 60.0 * scale) / scale;
    if (minutes >= 60.0) {
        minutes -= 60.0;
        ++whole;
    }
    return format("%0*d%0*.*f,%c", degreeDigits, whole, decimals + 3, decimals, minutes,
                  degrees < 0 ? negative : positive);
}

std::string dateDdMmYy(const GpsEpoch& e) { return format("%02d%02d%02d", e.day, e.month, e.year % 100); }
std::string dateMmDdYy(const GpsEpoch& e) { return format("%02d%02d%02d", e.month, e.day, e.year % 100); }

std::string gga(const GpsEpoch& e) {
    return checksummed("GPGGA," + timeField(e.utcSeconds) + "," + latitudeFields(e.position.latitude, 5) + "," +
                       longitudeFields(e.position.longitude, 5) + "," +
                       format("%d,%02d,%.1f,%.2f,M,47.50,M,,", e.quality, e.satellites, e.dilution, e.altitude));
}

std::string gsa(const GpsEpoch& e) {
    std::string body = "GPGSA,A,3";
    for (int i = 0; i < 12; ++i) body += i < e.satellites ? format(",%02d", 2 + 3 * i) : ",";
    body += format(",%.1f,%.1f,%.1f", e.dilution, e.dilution * 0.6, e.dilution * 0.8);
    return checksummed(body);
}

std::string pos(const GpsEpoch& e) {
    return checksummed(format("PASHR,POS,%d,%02d,", std::max(e.quality - 1, 0), e.satellites) +
                       timeField(e.utcSeconds) + "," + latitudeFields(e.position.latitude, 5) + "," +
                       longitudeFields(e.position.longitude, 5) + "," +
                       format("%+09.2f,,%05.1f,%06.2f,+000.00,%04.1f,%04.1f,%04.1f,%04.1f,SIM1", e.altitude,
                              e.course, e.speed * KNOTS_PER_MPS, e.dilution, e.dilution * 0.6, e.dilution * 0.8,
                              e.dilution * 0.5));
}

// Leica's local-grid sentences: LLK carries a DOP, LLQ a coordinate quality in metres.
std::string localGrid(const char* name, const std::string& date, const GpsEpoch& e) {
    return checksummed(format("GP%s,", name) + timeField(e.utcSeconds) + "," + date +
                       format(",%.3f,M,%.3f,M,%d,%02d,%.2f,%.3f,M", e.gridEasting, e.gridNorthing, e.quality,
                              e.satellites, e.dilution, e.altitude));
}

std::string gllBody(const GpsEpoch& e) {
    return "GPGLL," + latitudeFields(e.position.latitude, 5) + "," + longitudeFields(e.position.longitude, 5) + "," +
           timeField(e.utcSeconds) + ",A";
}

std::string ggk(const GpsEpoch& e) {
    return checksummed("PTNL,GGK," + timeField(e.utcSeconds) + "," + dateMmDdYy(e) + "," +
                       latitudeFields(e.position.latitude, 7) + "," + longitudeFields(e.position.longitude, 7) + "," +
                       format("%d,%02d,%.1f,EHT%.3f,M", e.quality, e.satellites, e.dilution, e.altitude));
}

std::string pseudoGga(const GpsOutputSettings& s, const GpsEpoch& e) {
    const double factor = s.gridInFeet ? FEET_PER_METRE : 1.0;
    const char unit = s.gridInFeet ? 'F' : 'M';
    const std::string head = "GPGGA," + timeField(e.utcSeconds) +
                             format(",%.3f,N,%.3f,E,", e.gridNorthing * factor, e.gridEasting * factor);
    const std::string height = format("%.3f,%c", e.altitude * factor, unit);
    if (!s.slamFields) return unchecked(head + format("%d,%02d,%.1f,", e.quality, e.satellites, e.dilution) + height +
                                        ",,,,");
    return checksummed(head + format("%d,%02d,%.3f,", e.quality, e.slamCount, e.slamValues[0]) + height +
                       format(",%.3f,M,%.3f,", e.slamValues[1], e.slamValues[2]));
}

std::string rmc(const GpsEpoch& e) {
    return checksummed("GPRMC," + timeField(e.utcSeconds) + ",A," + latitudeFields(e.position.latitude, 5) + "," +
                       longitudeFields(e.position.longitude, 5) +
                       format(",%.2f,%.1f,", e.speed * KNOTS_PER_MPS, e.course) + dateDdMmYy(e) + ",,,D");
}

std::string vtg(const GpsEpoch& e) {
    return checksummed(format("GPVTG,%.1f,T,,M,%.2f,N,%.2f,K,D", e.course, e.speed * KNOTS_PER_MPS, e.speed * 3.6));
}

}  // namespace

uint8_t nmeaChecksum(std::string_view body) {
    uint8_t sum = 0;
    for (const char c : body) sum ^= static_cast<uint8_t>(c);
    return sum;
}

std::string checksummed(std::string_view body) {
    return "$" + std::string(body) + format("*%02X\r\n", nmeaChecksum(body));
}

std::string unchecked(std::string_view body) { return "$" + std::string(body) + "\r\n"; }

std::string timeField(double utcSeconds) {
    double t = std::fmod(utcSeconds, 86400.0);
    if (t < 0) t += 86400.0;
    // Hundredths as an integer, so that 59.999 never prints as 60.00.
    const long long hundredths = std::llround(t * 100.0) % 8640000LL;
    const long long seconds = hundredths / 100;
    return format("%02lld%02lld%02lld.%02lld", seconds / 3600, seconds / 60 % 60, seconds % 60, hundredths % 100);
}

std::string latitudeFields(double degrees, int decimals) { return angleFields(degrees, 2, decimals, 'N', 'S'); }
std::string longitudeFields(double degrees, int decimals) { return angleFields(degrees, 3, decimals, 'E', 'W'); }

std::vector<std::string> epochSentences(const GpsOutputSettings& s, const GpsEpoch& e) {
    std::vector<std::string> lines;
    switch (s.kind) {
    case NmeaKind::GGA_GSA:
        lines.push_back(gga(e));
        lines.push_back(gsa(e));
        break;
    case NmeaKind::GGA: lines.push_back(gga(e)); break;
    case NmeaKind::POS: lines.push_back(pos(e)); break;
    case NmeaKind::LLK: lines.push_back(localGrid("LLK", dateMmDdYy(e), e)); break;
    case NmeaKind::LLQ: lines.push_back(localGrid("LLQ", dateDdMmYy(e), e)); break;
    case NmeaKind::GLL: lines.push_back(checksummed(gllBody(e) + ",A")); break;
    case NmeaKind::GGK: lines.push_back(ggk(e)); break;
    case NmeaKind::PSEUDO_GGA: lines.push_back(pseudoGga(s, e)); break;
    case NmeaKind::PSEUDO_GLL: lines.push_back(unchecked(gllBody(e))); break;
    }
    if (s.withRmc) lines.push_back(rmc(e));
    if (s.withVtg) lines.push_back(vtg(e));
    return lines;
}

std::string overlongSentence(size_t length) {
    std::string body = "GPTXT,01,01,02,";
    if (body.size() + 6 < length) body.append(length - body.size() - 6, 'X');
    return checksummed(body);
}

}  // namespace velox::sim
