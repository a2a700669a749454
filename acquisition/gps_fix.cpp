#include "acquisition/gps_fix.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "config/survey_config.h"
#include "geo/map_units.h"

namespace velox {
namespace {

constexpr double kSecondsPerDay = 86400.0;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool allDigits(std::string_view text) {
    for (char c : text)
        if (!isDigit(c)) return false;
    return true;
}

std::u16string widen(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

std::u16string qualityTextOf(std::string_view field) {
    static constexpr const char16_t* kTexts[] = {u"NO FIX", u"AGPS", u"DGPS", u"RTK3", u"RTK4",
                                                 u"RTK5",   u"RTK6", u"RTK7", u"RTK8", u"RTK9"};
    if (field.empty() || !isDigit(field.front())) return u"UNKW";
    return kTexts[field.front() - '0'];
}

// Quality on the GGA scale and its label. The label follows the character
// received; without a quality field there is none (the read-out is blanked).
void decodeQuality(GpsFix& fix, std::optional<std::string_view> field, const GpsSentenceFormat& format) {
    const int received = field ? readInteger(*field) : 0;
    if (format.zeroQualityInvalid && received <= 0) fix.valid = false;
    if (!field) return;
    // Saturating, so that a huge received value cannot overflow.
    fix.quality = std::min(received, std::numeric_limits<int>::max() - format.qualityOffset) + format.qualityOffset;
    fix.qualityText = qualityTextOf(*field);
}

// Sign (+1 or -1) and letter of a hemisphere field; a field that names no
// hemisphere makes the fix invalid.
void decodeHemisphere(GpsFix& fix, std::optional<std::string_view> field, char positive, char negative, int& sign,
                      char& letter) {
    const char first = field && !field->empty() ? field->front() : '\0';
    sign = first == positive ? 1 : first == negative ? -1 : 0;
    if (sign == 0) {
        fix.valid = false;
        return;
    }
    letter = first;
}

// Degrees of an angle field ddmm.mmmm (or dddmm.mmmm): the decimal point
// right after the minute digits, digits before it, minutes cut to eight
// characters and below 60, the angle within `limit`.
std::optional<double> angleDegrees(std::string_view field, int degreeDigits, double limit) {
    const size_t point = static_cast<size_t>(degreeDigits) + 2;
    if (field.size() <= point || field[point] != '.' || !allDigits(field.substr(0, point))) return std::nullopt;
    const double degrees = readInteger(field.substr(0, static_cast<size_t>(degreeDigits)));
    const double minutes = readDecimal(field.substr(static_cast<size_t>(degreeDigits), 8));
    if (minutes >= 60.0) return std::nullopt;
    const double angle = degrees + minutes / 60.0;
    if (angle > limit) return std::nullopt;
    return angle;
}

struct Hemispheres {
    int latitudeSign = 0;
    int longitudeSign = 0;
    char latitudeLetter = 0;
    char longitudeLetter = 0;
};

void decodeAngle(GpsFix& fix, std::optional<std::string_view> field, int degreeDigits, double limit, int sign,
                 char letter, double& angle, std::u16string& text) {
    fix.hasGeodetic = true;
    if (!field) {
        fix.valid = false;
        return;
    }
    if (!fix.valid) return;
    const std::optional<double> degrees = angleDegrees(*field, degreeDigits, limit);
    if (!degrees) {
        fix.valid = false;
        return;
    }
    angle = *degrees * sign;
    text = degreesMinutesSecondsText(letter, *field, degreeDigits);
}

// A local-grid coordinate in metres; nothing when the field is missing, empty
// or holds no number.
std::optional<double> localGridMetres(std::string_view sentence, std::optional<std::string_view> field,
                                      const GpsSentenceFormat& format, const SurveyConfig& config) {
    if (!field) return std::nullopt;
    const std::optional<double> value = leadingDecimal(*field);
    if (!value) return std::nullopt;
    if (format.unitField > 0) {
        const std::optional<std::string_view> unit = extractField(sentence, format.unitField);
        if (unit && !unit->empty() && unit->front() == 'F')
            return *value * (config.rtsUnits == 1 ? METRES_PER_US_SURVEY_FOOT : METRES_PER_FOOT);
    }
    return *value;
}

void decodeLocalGrid(GpsFix& fix, std::optional<double> metres, int mapUnits, double& value, double& mapValue) {
    fix.hasGeodetic = false;
    if (!metres) {
        fix.valid = false;
        return;
    }
    value = *metres;
    mapValue = metresTimesMapUnitFactor(*metres, mapUnits);
}

}  // namespace

GpsFix decodeGpsFix(std::string_view sentence, const GpsSentenceFormat& format, const SurveyConfig& config, Tick tick) {
    GpsFix fix;
    fix.valid = true;
    fix.tick = tick;
    Hemispheres hemispheres;

    for (const FieldSlot& slot : format.fieldSlots) {
        const std::optional<std::string_view> field = extractField(sentence, slot.field);
        switch (slot.role) {
            case FieldRole::SATELLITES:
                fix.satellites = field ? readInteger(*field) : 0;
                if (fix.satellites <= 1) fix.valid = false;
                break;
            case FieldRole::QUALITY: decodeQuality(fix, field, format); break;
            case FieldRole::LAT_HEMISPHERE:
                decodeHemisphere(fix, field, 'N', 'S', hemispheres.latitudeSign, hemispheres.latitudeLetter);
                break;
            case FieldRole::LON_HEMISPHERE:
                decodeHemisphere(fix, field, 'E', 'W', hemispheres.longitudeSign, hemispheres.longitudeLetter);
                break;
            case FieldRole::LATITUDE:
                decodeAngle(fix, field, 2, 90.0, hemispheres.latitudeSign, hemispheres.latitudeLetter, fix.latitude,
                            fix.latitudeText);
                break;
            case FieldRole::LONGITUDE:
                decodeAngle(fix, field, 3, 180.0, hemispheres.longitudeSign, hemispheres.longitudeLetter, fix.longitude,
                            fix.longitudeText);
                break;
            case FieldRole::DILUTION:
                if (field) fix.dilution = readDecimal(*field);
                break;
            case FieldRole::NORTHING:
                decodeLocalGrid(fix, localGridMetres(sentence, field, format, config), config.mapUnits, fix.northing,
                                fix.northingMap);
                break;
            case FieldRole::EASTING:
                decodeLocalGrid(fix, localGridMetres(sentence, field, format, config), config.mapUnits, fix.easting,
                                fix.eastingMap);
                break;
            case FieldRole::SLAM_COUNT: fix.slamCount = field ? readInteger(*field) : 0; break;
            case FieldRole::SLAM_VALUE_1: fix.slamValues[0] = field ? readDecimal(*field) : 0.0; break;
            case FieldRole::SLAM_VALUE_2: fix.slamValues[1] = field ? readDecimal(*field) : 0.0; break;
            case FieldRole::SLAM_VALUE_3: fix.slamValues[2] = field ? readDecimal(*field) : 0.0; break;
        }
    }

    if (const std::optional<std::string_view> time = extractField(sentence, format.timeField))
        fix.utcSeconds = utcSecondsOf(*time);
    return fix;
}

std::optional<double> decodeGpsStatus(std::string_view sentence) {
    constexpr int kPdopField = 16;
    const std::optional<std::string_view> field = extractField(sentence, kPdopField);
    if (!field) return std::nullopt;
    return readDecimal(*field);
}

std::optional<double> utcSecondsOf(std::string_view timeField) {
    if (timeField.size() < 6 || !allDigits(timeField.substr(0, 6))) return std::nullopt;
    const int hours = readInteger(timeField.substr(0, 2));
    const int minutes = readInteger(timeField.substr(2, 2));
    const double seconds = readDecimal(timeField.substr(4));
    if (hours > 23 || minutes > 59 || seconds >= 61.0) return std::nullopt;  // 60.x: a leap second
    return hours * 3600.0 + minutes * 60.0 + seconds;
}

std::u16string degreesMinutesSecondsText(char hemisphere, std::string_view field, int degreeDigits) {
    const size_t point = static_cast<size_t>(degreeDigits) + 2;
    if (field.size() < point) return {};
    // Left-justified in seven columns: 2.28 gives "2.2800 " (a zero flag
    // would have no effect beside the minus).
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%-7.4f", readDecimal(field.substr(point)) * 60.0);
    std::u16string text(1, static_cast<char16_t>(static_cast<unsigned char>(hemisphere)));
    text += widen(field.substr(0, static_cast<size_t>(degreeDigits)));
    text += u'\u00B0';
    text += widen(field.substr(static_cast<size_t>(degreeDigits), 2));
    text += u'\'';
    text += widen(seconds);
    text += u'"';
    return text;
}

std::optional<double> groundSpeedBetween(double distance, std::optional<double> earlierUtcSeconds,
                                         std::optional<double> laterUtcSeconds) {
    if (!earlierUtcSeconds || !laterUtcSeconds) return std::nullopt;
    double elapsed = *laterUtcSeconds - *earlierUtcSeconds;
    if (elapsed < -kSecondsPerDay / 2) elapsed += kSecondsPerDay;
    if (!(elapsed > 0.0)) return std::nullopt;
    return distance / elapsed;
}

}  // namespace velox
