#include "acquisition/gps_fix_handler.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "config/survey_config.h"
#include "config/survey_context.h"
#include "geo/map_units.h"
#include "geo/utm.h"
#include "platform/sound_player.h"
#include "platform/text.h"

namespace velox {
namespace {

// printf formatting into a text of any length (a huge received number gives
// a long text, never an overrun).
__attribute__((format(printf, 1, 2))) std::u16string formatted(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text(static_cast<size_t>(std::max(length, 0)), '\0');
    if (length > 0) std::vsnprintf(text.data(), text.size() + 1, format, args);
    va_end(args);
    return fromStoredBytes(text);
}

std::u16string dilutionText(double dilution) {
    return dilution >= 10.0 ? formatted("%3.0f", dilution) : formatted("%3.1f", dilution);
}

// A local-grid value (metres) as `coordinatesDisplay` asks, or, with the
// geodetic display, in the map unit.
std::u16string localGridText(double metres, int coordinatesDisplay, int mapUnits) {
    switch (coordinatesDisplay) {
        case 0: break;
        case 2: return formatted("%-12.2f ft", metres / METRES_PER_FOOT);
        case 3: return formatted("%-12.2f USft", metres / METRES_PER_US_SURVEY_FOOT);
        default: return formatted("%-12.2f m", metres);
    }
    switch (mapUnits) {
        case UNITS_METRES: return formatted("%-12.2f m", metres);
        case UNITS_US_SURVEY_FEET: return formatted("%-12.2f USft", metres * US_SURVEY_FEET_PER_METRE);
        default: return formatted("%-12.2f ft", metres * FEET_PER_METRE);
    }
}

std::u16string utmText(double metres, int coordinatesDisplay) {
    switch (coordinatesDisplay) {
        case 2: return formatted("%12.2f ft", metres / METRES_PER_FOOT);
        case 3: return formatted("%12.2f USft", metres / METRES_PER_US_SURVEY_FOOT);
        default: return formatted("%12.2f m", metres);
    }
}

// Speed units of the speed bar: the factor from map units per second and
// the unit shown, by `speedUnits`, for a metres map and for a feet map.
struct SpeedUnit {
    double fromMetresMap;
    double fromFeetMap;
    const char* label;
};
constexpr SpeedUnit kSpeedUnits[] = {
    {1.0, 0.3048, "m/s"},
    {3.28084, 1.0, "ft/s"},
    {3.6, 1.0973, "km/h"},
    {2.2369, 0.6818, "mph"},
};

const SpeedUnit& speedUnitOf(int speedUnits) {
    const bool known = speedUnits >= 0 && speedUnits < static_cast<int>(std::size(kSpeedUnits));
    return kSpeedUnits[known ? speedUnits : 0];
}

// Formats whose lamp is always green: no quality to judge.
bool maskNotApplicable(int nmeaData) { return nmeaData == 5 || nmeaData == 7 || nmeaData == 8; }

}  // namespace

GpsFixHandler::GpsFixHandler(const SurveyConfig& config, SurveyContext& context, const GpsSentenceFormat& format,
                             SoundPlayer& sounds, MapSink& map)
    : config_(config), context_(context), format_(format), sounds_(sounds), map_(map) {}

bool GpsFixHandler::hasRole(FieldRole role) const {
    return std::any_of(format_.fieldSlots.begin(), format_.fieldSlots.end(),
                       [role](const FieldSlot& slot) { return slot.role == role; });
}

void GpsFixHandler::draw(std::u16string& field, std::u16string text, uint32_t fieldBit) {
    field = std::move(text);
    context_.gpsReader.redFields &= ~fieldBit;
}

GpsFixOutcome GpsFixHandler::onGpsFix(bool logScreenActive) {
    const GpsSentence sentence = context_.gpsReader.currentSentence.load();
    const GpsFix fix = decodeGpsFix(sentence.text, format_, config_, sentence.tick);
    GpsFixOutcome outcome;
    outcome.valid = fix.valid;

    showDecoded(fix);
    if (!fix.valid) {
        draw(readouts_.coordinate1, std::u16string(NOT_AVAILABLE_COORDINATE), GPS_FIELD_COORDINATE_1);
        draw(readouts_.coordinate2, std::u16string(NOT_AVAILABLE_COORDINATE), GPS_FIELD_COORDINATE_2);
    }
    const std::optional<MapPoint> position = fix.valid ? mapPosition(fix) : std::nullopt;
    showLamps(fix);

    if (position) {
        const double distance = trackFix(fix, *position, outcome);
        if (logScreenActive) {
            if (config_.colourMapView > 0) map_.closeColourPiece();
            if (!map_.inReview()) {
                const bool logging = context_.logging.loggingState == LoggingState::Logging;
                const bool manual = context_.derived.workingSurveyMode == SURVEY_MANUAL;
                map_.onFix({*position, distance, logging, manual});
            }
        }
    }
    if (context_.logging.loggingState == LoggingState::Logging) countLoggedFix(outcome);
    return outcome;
}

// The read-outs of the fields the format carries, as they were decoded.
void GpsFixHandler::showDecoded(const GpsFix& fix) {
    if (hasRole(FieldRole::SATELLITES))
        draw(readouts_.satellites, formatted("%2d", fix.satellites), GPS_FIELD_SATELLITES);
    if (hasRole(FieldRole::QUALITY)) draw(readouts_.quality, fix.qualityText, GPS_FIELD_QUALITY);
    if (fix.valid && fix.hasGeodetic && config_.coordinatesDisplay == 0) {
        draw(readouts_.coordinate1, fix.latitudeText, GPS_FIELD_COORDINATE_1);
        draw(readouts_.coordinate2, fix.longitudeText, GPS_FIELD_COORDINATE_2);
    }
    if (fix.dilution) {
        context_.gpsFix.gpsDilution = *fix.dilution;
        draw(readouts_.dilution, dilutionText(*fix.dilution), GPS_FIELD_DILUTION);
    }
    if (fix.valid && !fix.hasGeodetic) showLocalGrid(fix);
    if (hasRole(FieldRole::SLAM_COUNT)) {
        draw(readouts_.dilution, formatted(" %02d", fix.slamCount), GPS_FIELD_DILUTION);
        readouts_.dilutionRedBackground = fix.slamCount == 0;
        if (context_.variant.instrumentType != InstrumentType::Em61Lx2)
            for (size_t i = 0; i < fix.slamValues.size(); ++i)
                readouts_.slamValues[i] = formatted("%8.3f", fix.slamValues[i]);
    }
}

void GpsFixHandler::showLocalGrid(const GpsFix& fix) {
    draw(readouts_.coordinate1, localGridText(fix.northing, config_.coordinatesDisplay, config_.mapUnits),
         GPS_FIELD_COORDINATE_1);
    draw(readouts_.coordinate2, localGridText(fix.easting, config_.coordinatesDisplay, config_.mapUnits),
         GPS_FIELD_COORDINATE_2);
}

// The map position of a valid fix. A latitude/longitude fix is projected in
// the survey's zone (the first one fixes it) and its UTM values shown.
std::optional<MapPoint> GpsFixHandler::mapPosition(const GpsFix& fix) {
    if (!fix.hasGeodetic) return MapPoint{fix.eastingMap, fix.northingMap};
    const UtmCoordinates utm = projectInSurveyZone(context_.gpsFix.zone, fix.latitude, fix.longitude);
    if (!std::isfinite(utm.easting) || !std::isfinite(utm.northing)) return std::nullopt;
    const int display = config_.coordinatesDisplay;
    if (display != 0) {
        draw(readouts_.utmEasting, utmText(utm.easting, display), GPS_FIELD_UTM_EASTING);
        draw(readouts_.utmNorthing, utmText(utm.northing, display), GPS_FIELD_UTM_NORTHING);
        draw(readouts_.zone, formatted("%-2d", context_.gpsFix.zone.utmZone), GPS_FIELD_ZONE);
    }
    return MapPoint{toMapUnits(utm.easting, config_.mapUnits), toMapUnits(utm.northing, config_.mapUnits)};
}

bool GpsFixHandler::maskMet(const GpsFix& fix) const {
    if (config_.gpsMaskWarning == 0 || maskNotApplicable(format_.nmeaData)) return true;
    return fix.satellites >= config_.gpsMaskSatellites &&
           context_.gpsFix.gpsDilution <= config_.gpsMaskDilution && fix.quality >= config_.gpsMaskQuality + 1;
}

// The coloured lamp changes side at every fix, so that it blinks.
void GpsFixHandler::showLamps(const GpsFix& fix) {
    const bool ok = maskMet(fix);
    const int colour = ok ? LAMP_GREEN : LAMP_RED;
    char& indicator = context_.gpsFix.gpsIndicator;
    if (indicator == '/') {
        indicator = '\\';
        readouts_.lampA = colour;
        readouts_.lampB = LAMP_WHITE;
    } else {
        indicator = '/';
        readouts_.lampA = LAMP_WHITE;
        readouts_.lampB = colour;
    }
    context_.gpsReader.redFields &= ~(GPS_FIELD_LAMP_A | GPS_FIELD_LAMP_B);
    if (!ok && !context_.gpsReader.gpsLinkBroken && config_.audioGpsMaskWarning)
        sounds_.playSound(SOUND_GPSWARNING, false);
}

double GpsFixHandler::trackFix(const GpsFix& fix, MapPoint position, GpsFixOutcome& outcome) {
    GpsFixState& state = context_.gpsFix;
    double distance = 0.0;
    if (!state.firstFixSeen) {
        state.origin = position;
        state.headerReference = position;
        state.surveyBox.startAt(position);
        outcome.enableStateButtons = context_.em61.instrumentReady;
        state.firstFixSeen = true;
        map_.startSurvey(position);
    } else {
        distance = std::hypot(position.easting - state.previousFix.easting,
                              position.northing - state.previousFix.northing);
        state.groundSpeed = groundSpeedBetween(distance, state.previousFixTime, fix.utcSeconds);
        showSpeed(state.groundSpeed);
    }
    state.previousFix = position;
    state.previousFixTime = fix.utcSeconds;
    return distance;
}

// Without a time between the two fixes (the same time, or a format that
// carries none) the speed is unknown, not infinite.
void GpsFixHandler::showSpeed(std::optional<double> mapUnitsPerSecond) {
    const SpeedUnit& unit = speedUnitOf(config_.speedUnits);
    if (!mapUnitsPerSecond) {
        draw(readouts_.speed, formatted("%5s %s", "N/A", unit.label), GPS_FIELD_SPEED);
        readouts_.speedBarValue.reset();
        return;
    }
    const double factor = config_.mapUnits == UNITS_METRES ? unit.fromMetresMap : unit.fromFeetMap;
    const double shown = *mapUnitsPerSecond * factor;
    draw(readouts_.speed, formatted("%5.2f %s", shown, unit.label), GPS_FIELD_SPEED);
    readouts_.speedBarValue = shown;
}

void GpsFixHandler::countLoggedFix(GpsFixOutcome& outcome) {
    GpsReaderState& reader = context_.gpsReader;
    if (context_.acquisition.instrumentLinkUp && context_.derived.workingSurveyMode != SURVEY_MANUAL)
        ++reader.loggedFixCount;
    const int count = reader.loggedFixCount;
    draw(readouts_.fixCount, formatted("%5d", count), GPS_FIELD_FIX_COUNT);
    if (count < MAX_LOGGED_FIXES) return;
    context_.logging.loggingState = LoggingState::Monitoring;
    outcome.fixLimitReached = true;
}

void GpsFixHandler::onGpsStatus() {
    const std::optional<double> pdop = decodeGpsStatus(context_.gpsReader.currentSentence.load().text);
    if (!pdop) {
        draw(readouts_.dilution, std::u16string(NOT_AVAILABLE), GPS_FIELD_DILUTION);
        return;
    }
    context_.gpsFix.gpsDilution = *pdop;
    draw(readouts_.dilution, formatted("%-4.1f", *pdop), GPS_FIELD_DILUTION);
}

}  // namespace velox
