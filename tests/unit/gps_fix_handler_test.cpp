// The fix and status handlers: read-out texts, validity and the warning
// mask, the first fix, the speed and its units, the logged-fix count.

#include <gtest/gtest.h>

#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "acquisition/gps_fix_handler.h"
#include "acquisition/gps_reader.h"
#include "config/survey_config.h"
#include "config/survey_context.h"
#include "platform/sound_player.h"
#include "platform/text.h"
#include "recording_sounds.h"

namespace velox {
namespace {

std::string withChecksum(const std::string& body) {
    char suffix[4];
    std::snprintf(suffix, sizeof suffix, "%02X", nmeaChecksum(body));
    return "$" + body + "*" + suffix;
}

// `position` is the four fields "ddmm.mmm,N,dddmm.mmm,E".
std::string ggaAt(const std::string& time, const std::string& position, int quality, int satellites,
                  const std::string& dop = "1.2") {
    return withChecksum("GPGGA," + time + "," + position + "," + std::to_string(quality) + "," +
                        std::to_string(satellites) + "," + dop + ",545.4,M,46.9,M,,");
}
const std::string kMunich = "4807.038,N,01131.000,E";
const std::string k45N9E = "4500.000,N,00900.000,E";

std::string llkAt(const std::string& time, double easting, double northing) {
    char body[128];
    std::snprintf(body, sizeof body, "GPLLK,%s,010124,%.3f,M,%.3f,M,3,9,1.2,EHT,12.3,M", time.c_str(), easting,
                  northing);
    return withChecksum(body);
}

class RecordedMap final : public MapSink {
public:
    void startSurvey(MapPoint origin) override { starts.push_back(origin); }
    void closeColourPiece() override { ++colourPieces; }
    void onFix(const MapFix& fix) override { fixes.push_back(fix); }
    bool inReview() const override { return review; }
    std::vector<MapPoint> starts;
    std::vector<MapFix> fixes;
    int colourPieces = 0;
    bool review = false;
};

class FixHandler : public ::testing::Test {
protected:
    SurveyConfig config;
    SurveyContext context;
    test::RecordingSounds sounds;
    RecordedMap map;

    void SetUp() override { initProjection(); }

    GpsFixOutcome fix(GpsFixHandler& handler, const std::string& sentence, bool logScreenActive = true) {
        return feed(context, handler, sentence, logScreenActive);
    }
    GpsFixHandler handlerFor(int nmeaData) { return handlerIn(context, nmeaData); }
    GpsFixHandler handlerIn(SurveyContext& in, int nmeaData) {
        config.nmeaData = nmeaData;
        return GpsFixHandler(config, in, configureGpsFormat(nmeaData, config.pseudoGgaSlam), sounds, map);
    }
    static GpsFixOutcome feed(SurveyContext& in, GpsFixHandler& handler, const std::string& sentence,
                              bool logScreenActive = true) {
        in.gpsReader.currentSentence.store(sentence, 1000);
        return handler.onGpsFix(logScreenActive);
    }
};

std::string utf8(const std::u16string& text) { return toUtf8(text); }

TEST_F(FixHandler, ReadoutTextsOfEachKindOfSentence) {
    struct Case {
        const char* name;
        int nmeaData;
        int coordinatesDisplay;
        int mapUnits;
        std::string sentence;
        const char* satellites;
        const char* quality;
        const char* dilution;
        const char* coordinate1;
        const char* coordinate2;
    };
    const Case cases[] = {
        {"GGA geodetic", 1, 0, 0, ggaAt("123519", kMunich, 1, 8, "0.9"), " 8", "AGPS", "0.9", "N48°07'2.2800 \"",
         "E011°31'0.0000 \""},
        {"GGA dilution of 10 and more", 1, 0, 0, ggaAt("123519", kMunich, 4, 8, "12.34"), " 8", "RTK4", " 12",
         "N48°07'2.2800 \"", "E011°31'0.0000 \""},
        {"GGA one satellite", 1, 0, 0, ggaAt("123519", kMunich, 1, 1), " 1", "AGPS", "1.2", "     N/A     ",
         "     N/A     "},
        {"GGA quality 0", 1, 0, 0, ggaAt("123519", kMunich, 0, 8), " 8", "NO FIX", "1.2", "     N/A     ",
         "     N/A     "},
        {"GGA without fields", 1, 0, 0, withChecksum("GPGGA,123519"), " 0", "", "", "     N/A     ",
         "     N/A     "},
        {"GGA/GSA leaves the dilution to GSA", 0, 0, 0, ggaAt("123519", kMunich, 2, 8), " 8", "DGPS", "",
         "N48°07'2.2800 \"", "E011°31'0.0000 \""},
        {"GGA with UTM display leaves the geodetic fields", 1, 1, 0, ggaAt("123519", kMunich, 2, 8), " 8", "DGPS",
         "1.2", "", ""},
        {"GLL has no satellites nor quality", 5, 0, 0, withChecksum("GPGLL,4807.038,N,01131.000,E,123519,A"), "",
         "", "", "N48°07'2.2800 \"", "E011°31'0.0000 \""},
        {"LLK in metres", 3, 1, 0, llkAt("120000.00", 1000.0, 5000.0), " 9", "RTK3", "1.2",
         "5000.00      m", "1000.00      m"},
        {"LLK in feet by the display", 3, 2, 0, llkAt("120000.00", 1000.0, 5000.0), " 9", "RTK3", "1.2",
         "16404.20     ft", "3280.84      ft"},
        {"LLK geodetic display uses the map unit", 3, 0, 2, llkAt("120000.00", 1000.0, 5000.0), " 9", "RTK3",
         "1.2", "16404.17     USft", "3280.83      USft"},
        {"pseudo-GGA without SLAM", 7, 1, 0, "$GPGGA,120000.00,5000.000,N,1000.000,E,1,,,,M", "", "", "", "5000.00      m",
         "1000.00      m"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SurveyContext fresh;
        config.coordinatesDisplay = c.coordinatesDisplay;
        config.mapUnits = c.mapUnits;
        GpsFixHandler handler = handlerIn(fresh, c.nmeaData);
        feed(fresh, handler, c.sentence);
        const GpsReadouts& r = handler.readouts();
        EXPECT_EQ(utf8(r.satellites), c.satellites);
        EXPECT_EQ(utf8(r.quality), c.quality);
        EXPECT_EQ(utf8(r.dilution), c.dilution);
        EXPECT_EQ(utf8(r.coordinate1), c.coordinate1);
        EXPECT_EQ(utf8(r.coordinate2), c.coordinate2);
    }
}

TEST_F(FixHandler, SlamCountOnRedWhenZeroAndValuesOutsideTheLx2) {
    config.pseudoGgaSlam = 1;
    context.variant.instrumentType = InstrumentType::Em61Mk2;
    GpsFixHandler handler = handlerFor(7);
    fix(handler, withChecksum("GPGGA,120000.00,5000.000,N,1000.000,E,1,00,1.500,,M,2.250,,3.5"));
    EXPECT_EQ(utf8(handler.readouts().dilution), " 00");
    EXPECT_TRUE(handler.readouts().dilutionRedBackground);
    EXPECT_EQ(utf8(handler.readouts().slamValues[0]), "   1.500");
    fix(handler, withChecksum("GPGGA,120000.00,5000.000,N,1000.000,E,1,07,1.500,,M,2.250,,3.5"));
    EXPECT_EQ(utf8(handler.readouts().dilution), " 07");
    EXPECT_FALSE(handler.readouts().dilutionRedBackground);

    SurveyContext lx2Context;  // the EM61-LX2 has no field for the SLAM values
    GpsFixHandler lx2 = handlerIn(lx2Context, 7);
    feed(lx2Context, lx2, withChecksum("GPGGA,120000.00,5000.000,N,1000.000,E,1,07,1.500,,M,2.250,,3.5"));
    EXPECT_EQ(utf8(lx2.readouts().slamValues[0]), "");
}

TEST_F(FixHandler, WarningMaskColoursTheLampAndWarns) {
    struct Case {
        const char* name;
        int nmeaData;
        int maskWarning;
        int quality;
        int satellites;
        const char* dop;
        bool audio;
        bool linkBroken;
        bool green;
        bool warned;
    };
    // Mask: at least DGPS, at most 4.0 dilution, at least 5 satellites.
    const Case cases[] = {
        {"autonomous fails DGPS", 1, 1, 1, 8, "1.2", true, false, false, true},
        {"DGPS passes", 1, 1, 2, 8, "1.2", true, false, true, false},
        {"too few satellites", 1, 1, 2, 4, "1.2", true, false, false, true},
        {"dilution too large", 1, 1, 2, 8, "4.1", true, false, false, true},
        {"dilution at the limit", 1, 1, 2, 5, "4.0", true, false, true, false},
        {"mask disabled", 1, 0, 1, 2, "9.9", true, false, true, false},
        {"no audio warning", 1, 1, 1, 8, "1.2", false, false, false, false},
        {"silent during a link break", 1, 1, 1, 8, "1.2", true, true, false, false},
        {"invalid fix still judged", 1, 1, 0, 8, "1.2", true, false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SurveyContext fresh;
        test::RecordingSounds quiet;
        config.gpsMaskWarning = c.maskWarning;
        config.gpsMaskQuality = 1;
        config.gpsMaskDilution = 4.0;
        config.gpsMaskSatellites = 5;
        config.audioGpsMaskWarning = c.audio;
        fresh.gpsReader.gpsLinkBroken = c.linkBroken;
        config.nmeaData = c.nmeaData;
        GpsFixHandler handler(config, fresh, configureGpsFormat(c.nmeaData, 0), quiet, map);
        feed(fresh, handler, ggaAt("123519", kMunich, c.quality, c.satellites, c.dop));
        // The first fix colours lamp B (the indicator starts as a backslash).
        EXPECT_EQ(handler.readouts().lampA, LAMP_WHITE);
        EXPECT_EQ(handler.readouts().lampB, c.green ? LAMP_GREEN : LAMP_RED);
        EXPECT_EQ(quiet.played(), c.warned ? std::vector<std::string>{"SOUND_GPSWARNING"}
                                           : std::vector<std::string>{});
    }
}

TEST_F(FixHandler, GsaDilutionFeedsTheMaskOfGgaGsa) {
    config.gpsMaskQuality = 1;
    GpsFixHandler handler = handlerFor(0);
    context.gpsReader.currentSentence.store(withChecksum("GPGSA,A,3,04,05,,09,12,,,24,,,,,6.5,2.1,5.8"), 1);
    handler.onGpsStatus();
    EXPECT_EQ(utf8(handler.readouts().dilution), "6.5 ");
    fix(handler, ggaAt("123519", kMunich, 2, 8));
    EXPECT_EQ(handler.readouts().lampB, LAMP_RED);  // PDOP 6.5 is above 4.0

    context.gpsReader.currentSentence.store(withChecksum("GPGSA,A,3,04,05,,09,12,,,24,,,,,1.5,1.1,0.9"), 1);
    handler.onGpsStatus();
    fix(handler, ggaAt("123520", kMunich, 2, 8));
    EXPECT_EQ(handler.readouts().lampA, LAMP_GREEN);  // the coloured lamp changed side
    EXPECT_EQ(handler.readouts().lampB, LAMP_WHITE);
    EXPECT_DOUBLE_EQ(context.gpsFix.gpsDilution, 1.5);

    context.gpsReader.currentSentence.store(withChecksum("GPGSA,A,3,04,05"), 1);
    handler.onGpsStatus();
    EXPECT_EQ(utf8(handler.readouts().dilution), "N/A");
    EXPECT_DOUBLE_EQ(context.gpsFix.gpsDilution, 1.5);
}

TEST_F(FixHandler, GllLampIsAlwaysGreen) {
    config.gpsMaskQuality = 4;
    GpsFixHandler handler = handlerFor(5);
    fix(handler, withChecksum("GPGLL,4807.038,N,01131.000,E,123519,A"));
    fix(handler, withChecksum("GPGLL,4807.038,N,01131.000,E,123520,A"));
    EXPECT_EQ(handler.readouts().lampA, LAMP_GREEN);
    EXPECT_TRUE(sounds.played().empty());
}

TEST_F(FixHandler, FirstValidFixSetsOriginZoneAndStartsTheMap) {
    config.coordinatesDisplay = 1;
    config.colourMapView = 1;
    context.em61.instrumentReady = true;
    GpsFixHandler handler = handlerFor(1);
    EXPECT_FALSE(fix(handler, ggaAt("120000", k45N9E, 2, 1)).valid);  // invalid: nothing fixed
    EXPECT_FALSE(context.gpsFix.firstFixSeen);
    EXPECT_TRUE(map.starts.empty());

    const GpsFixOutcome first = fix(handler, ggaAt("120000", k45N9E, 2, 8));
    EXPECT_TRUE(first.valid);
    EXPECT_TRUE(first.enableStateButtons);
    const GpsFixState& s = context.gpsFix;
    EXPECT_TRUE(s.firstFixSeen);
    EXPECT_NEAR(s.origin.easting, 500000.00, 0.005);
    EXPECT_NEAR(s.origin.northing, 4982950.40, 0.005);
    EXPECT_DOUBLE_EQ(s.headerReference.easting, s.origin.easting);
    EXPECT_DOUBLE_EQ(s.headerReference.northing, s.origin.northing);
    EXPECT_EQ(s.zone.utmZone, 32);
    EXPECT_DOUBLE_EQ(s.surveyBox.minEasting, s.origin.easting);
    EXPECT_DOUBLE_EQ(s.surveyBox.maxNorthing, s.origin.northing);
    EXPECT_EQ(utf8(handler.readouts().zone), "32");
    EXPECT_EQ(utf8(handler.readouts().utmEasting), "   500000.00 m");
    EXPECT_EQ(utf8(handler.readouts().utmNorthing), "  4982950.40 m");
    EXPECT_EQ(utf8(handler.readouts().speed), "");  // no speed at the first fix

    // The map starts at the origin and then takes the fix as an ordinary one.
    ASSERT_EQ(map.starts.size(), 1u);
    ASSERT_EQ(map.fixes.size(), 1u);
    EXPECT_DOUBLE_EQ(map.fixes[0].distance, 0.0);
    EXPECT_EQ(map.colourPieces, 1);

    const GpsFixOutcome second = fix(handler, ggaAt("120001", "4500.001,N,00900.000,E", 2, 8));
    EXPECT_FALSE(second.enableStateButtons);
    EXPECT_EQ(map.starts.size(), 1u);
    ASSERT_EQ(map.fixes.size(), 2u);
    EXPECT_NEAR(map.fixes[1].distance, 1.852, 0.01);  // a thousandth of a minute north
    EXPECT_NEAR(s.origin.easting, 500000.00, 0.005);  // the origin stays
}

TEST_F(FixHandler, MapIsStartedEvenWhenTheScreenIsBusyButFollowsOnlyAnActiveScreen) {
    config.colourMapView = 2;
    GpsFixHandler handler = handlerFor(1);
    const GpsFixOutcome outcome = fix(handler, ggaAt("120000", k45N9E, 2, 8), false);
    EXPECT_FALSE(outcome.enableStateButtons);  // the instrument is not ready yet
    EXPECT_EQ(map.starts.size(), 1u);
    EXPECT_TRUE(map.fixes.empty());
    EXPECT_EQ(map.colourPieces, 0);

    map.review = true;  // in review the swath piece is still closed, the map not moved
    fix(handler, ggaAt("120001", k45N9E, 2, 8));
    EXPECT_TRUE(map.fixes.empty());
    EXPECT_EQ(map.colourPieces, 1);

    map.review = false;
    context.logging.loggingState = LoggingState::Logging;
    context.derived.workingSurveyMode = SURVEY_MANUAL;
    fix(handler, ggaAt("120002", k45N9E, 2, 8));
    ASSERT_EQ(map.fixes.size(), 1u);
    EXPECT_TRUE(map.fixes[0].logging);
    EXPECT_TRUE(map.fixes[0].manual);
}

TEST_F(FixHandler, SpeedInEachUnitAndUnknownWithoutElapsedTime) {
    struct Case {
        int speedUnits;
        int mapUnits;
        const char* shown;
        double bar;
    };
    // 10 m in one second.
    const Case cases[] = {
        {0, 0, "10.00 m/s", 10.0},       {1, 0, "32.81 ft/s", 32.8084},  {2, 0, "36.00 km/h", 36.0},
        {3, 0, "22.37 mph", 22.369},     {0, 1, "10.00 m/s", 10.0},      {1, 1, "32.81 ft/s", 32.8084},
        {2, 1, "36.00 km/h", 36.0005},   {3, 2, "22.37 mph", 22.3686},   {7, 0, "10.00 m/s", 10.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.speedUnits) + " on map units " + std::to_string(c.mapUnits));
        SurveyContext fresh;
        config.speedUnits = c.speedUnits;
        config.mapUnits = c.mapUnits;
        GpsFixHandler handler = handlerIn(fresh, 3);
        feed(fresh, handler, llkAt("120000.00", 1000.0, 5000.0));
        feed(fresh, handler, llkAt("120001.00", 1000.0, 5010.0));
        EXPECT_EQ(utf8(handler.readouts().speed), c.shown);
        ASSERT_TRUE(handler.readouts().speedBarValue);
        EXPECT_NEAR(*handler.readouts().speedBarValue, c.bar, 0.01);
    }

    config.speedUnits = 2;
    config.mapUnits = 0;
    GpsFixHandler handler = handlerFor(3);
    fix(handler, llkAt("120000.00", 1000.0, 5000.0));
    fix(handler, llkAt("120000.00", 1000.0, 5010.0));  // the same time: no speed
    EXPECT_EQ(utf8(handler.readouts().speed), "  N/A km/h");
    EXPECT_FALSE(handler.readouts().speedBarValue);
    EXPECT_FALSE(context.gpsFix.groundSpeed);
    fix(handler, llkAt("120002.00", 1000.0, 5030.0));  // the time moved on: known again
    EXPECT_EQ(utf8(handler.readouts().speed), "36.00 km/h");
}

TEST_F(FixHandler, LoggedFixCountAndItsLimit) {
    GpsFixHandler handler = handlerFor(1);
    fix(handler, ggaAt("120000", k45N9E, 2, 8));
    EXPECT_EQ(context.gpsReader.loggedFixCount, 0);  // not logging
    EXPECT_EQ(utf8(handler.readouts().fixCount), "");

    context.logging.loggingState = LoggingState::Logging;
    fix(handler, ggaAt("120001", k45N9E, 2, 8));
    fix(handler, ggaAt("120002", k45N9E, 0, 8));  // invalid fixes count too
    EXPECT_EQ(context.gpsReader.loggedFixCount, 2);
    EXPECT_EQ(utf8(handler.readouts().fixCount), "    2");

    context.acquisition.instrumentLinkUp = false;  // nothing was written for it
    fix(handler, ggaAt("120003", k45N9E, 2, 8));
    context.acquisition.instrumentLinkUp = true;
    context.derived.workingSurveyMode = SURVEY_MANUAL;  // the reader counts in Manual mode
    fix(handler, ggaAt("120004", k45N9E, 2, 8));
    EXPECT_EQ(context.gpsReader.loggedFixCount, 2);

    context.derived.workingSurveyMode = SURVEY_AUTO;
    context.gpsReader.loggedFixCount = MAX_LOGGED_FIXES - 2;
    EXPECT_FALSE(fix(handler, ggaAt("120005", k45N9E, 2, 8)).fixLimitReached);
    const GpsFixOutcome last = fix(handler, ggaAt("120006", k45N9E, 2, 8));
    EXPECT_TRUE(last.fixLimitReached);
    EXPECT_EQ(utf8(handler.readouts().fixCount), " 7200");
    EXPECT_EQ(context.logging.loggingState, LoggingState::Monitoring);
    EXPECT_EQ(FIX_LIMIT_TEXT,
              "Maximum number of GPS positions reached.\r\nCurrent data file is saved.\r\n"
              "Please press OK and restart the program.");
}

TEST_F(FixHandler, DrawnFieldsLoseTheRedOfALinkBreak) {
    GpsFixHandler handler = handlerFor(0);
    context.gpsReader.redFields = linkBreakRedFields(0);
    fix(handler, ggaAt("120000", k45N9E, 2, 8));
    // GGA/GSA draws all but the dilution, which waits for the GSA sentence.
    EXPECT_EQ(context.gpsReader.redFields, GPS_FIELD_DILUTION);
    context.gpsReader.currentSentence.store(withChecksum("GPGSA,A,3,04,05,,09,12,,,24,,,,,1.5,1.1,0.9"), 1);
    handler.onGpsStatus();
    EXPECT_EQ(context.gpsReader.redFields, 0u);

    EXPECT_EQ(linkBreakRedFields(1), GPS_FIELD_LAMP_A | GPS_FIELD_LAMP_B | GPS_FIELD_DILUTION |
                                         GPS_FIELD_SATELLITES | GPS_FIELD_UTM_EASTING | GPS_FIELD_UTM_NORTHING |
                                         GPS_FIELD_ZONE);
}

}  // namespace
}  // namespace velox
