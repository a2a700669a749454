#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "acquisition/gps_fix.h"
#include "config/survey_config.h"
#include "nmea_test_support.h"
#include "platform/text.h"

namespace velox {
namespace {

using test::sentenceWithChecksum;

constexpr double kDegreeTolerance = 1e-9;
constexpr double kHms = 12 * 3600 + 35 * 60 + 19;  // 123519

std::string u8(const std::u16string& text) { return toUtf8(text); }

GpsFix decode(const std::string& sentence, int nmeaData, int slam = 0, int mapUnits = 0, int rtsUnits = 0) {
    SurveyConfig config;
    config.mapUnits = mapUnits;
    config.rtsUnits = rtsUnits;
    return decodeGpsFix(sentence, configureGpsFormat(nmeaData, slam), config, 4242);
}

TEST(DecodeGpsFix, EveryFormat) {
    const std::string gga = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47";
    const std::string gll = sentenceWithChecksum("GPGLL,4916.45,N,12311.12,W,225444,A");
    const struct {
        const char* name;
        int nmeaData;
        int slam;
        std::string sentence;
        bool hasGeodetic;
        double first, second;  // latitude and longitude, or northing and easting in metres
        int satellites;
        int quality;
        std::u16string qualityText;
        std::optional<double> dilution;
        std::optional<double> utcSeconds;
    } cases[] = {
        {"GGA/GSA", 0, 0, gga, true, 48.1173, 11.0 + 31.0 / 60.0, 8, 1, u"AGPS", std::nullopt, kHms},
        {"GGA", 1, 0, gga, true, 48.1173, 11.0 + 31.0 / 60.0, 8, 1, u"AGPS", 0.9, kHms},
        {"POS", 2, 0,
         sentenceWithChecksum("PASHR,POS,0,05,123519.00,4807.038,N,01131.000,E,545.4,,123.4,0.1,0.0,2.1,1.0,1.8,0.5"),
         true, 48.1173, 11.0 + 31.0 / 60.0, 5, 1, u"NO FIX", 2.1, kHms},
        {"LLK", 3, 0, sentenceWithChecksum("GPLLK,123519.00,121125,1234.567,M,7654.321,M,3,07,0.012,10.0,M"), false,
         7654.321, 1234.567, 7, 3, u"RTK3", 0.012, kHms},
        {"LLQ", 4, 0, sentenceWithChecksum("GPLLQ,123519.00,121125,1234.567,M,7654.321,M,2,07,0.5,10.0,M"), false,
         7654.321, 1234.567, 7, 2, u"DGPS", 0.5, kHms},
        {"GLL", 5, 0, gll, true, 49.0 + 16.45 / 60.0, -(123.0 + 11.12 / 60.0), 0, 0, u"", std::nullopt, 82484.0},
        {"GGK", 6, 0,
         sentenceWithChecksum("PTNL,GGK,102939.00,051910,5000.97323841,N,00827.62010742,E,5,09,1.9,EHT150.790,M"),
         true, 50.0 + 0.97323 / 60.0, 8.0 + 27.6201 / 60.0, 9, 5, u"RTK5", 1.9, 10 * 3600 + 29 * 60 + 39},
        {"RTS pseudo-GGA", 7, 0, "$GPGGA,123519.00,1000.000,X,2000.000,Y,1,08,0.9,545.4,M", false, 1000.0, 2000.0,
         0, 0, u"", std::nullopt, kHms},
        {"RTS pseudo-GGA, feet", 7, 0, "$GPGGA,123519.00,328.084,,656.168,,1,08,0.9,545.4,F", false, 100.0000032,
         200.0000064, 0, 0, u"", std::nullopt, kHms},
        {"pseudo-GLL", 8, 0, "$GPGLL,4916.45,N,12311.12,W,225444,A", true, 49.0 + 16.45 / 60.0,
         -(123.0 + 11.12 / 60.0), 0, 0, u"", std::nullopt, 82484.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const GpsFix fix = decode(c.sentence, c.nmeaData, c.slam);
        EXPECT_TRUE(fix.valid);
        EXPECT_EQ(fix.hasGeodetic, c.hasGeodetic);
        EXPECT_NEAR(c.hasGeodetic ? fix.latitude : fix.northing, c.first, kDegreeTolerance);
        EXPECT_NEAR(c.hasGeodetic ? fix.longitude : fix.easting, c.second, kDegreeTolerance);
        if (!c.hasGeodetic) {
            EXPECT_DOUBLE_EQ(fix.northingMap, fix.northing);
            EXPECT_DOUBLE_EQ(fix.eastingMap, fix.easting);
        }
        EXPECT_EQ(fix.satellites, c.satellites);
        EXPECT_EQ(fix.quality, c.quality);
        EXPECT_EQ(u8(fix.qualityText), u8(c.qualityText));
        EXPECT_EQ(fix.dilution, c.dilution);
        ASSERT_TRUE(fix.utcSeconds.has_value());
        EXPECT_NEAR(*fix.utcSeconds, *c.utcSeconds, 1e-9);
        EXPECT_EQ(fix.tick, 4242u);
    }
}

TEST(DecodeGpsFix, LocalGridUnits) {
    const std::string feet = "$GPGGA,123519.00,328.084,,1000,,1,08,0.9,545.4,F";
    const std::string metres = "$GPGGA,123519.00,328.084,,1000,,1,08,0.9,545.4,M";
    const struct {
        std::string sentence;
        int mapUnits, rtsUnits;
        double northing, easting, eastingMap;
    } cases[] = {
        {feet, 0, 0, 100.0000032, 304.8, 304.8},
        {feet, 0, 1, 328.084 * 0.304800609601219, 304.800609601219, 304.800609601219},
        {metres, 0, 1, 328.084, 1000.0, 1000.0},
        {metres, 1, 0, 328.084, 1000.0, 3280.84},
        {metres, 2, 0, 328.084, 1000.0, 3280.8333333333355},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.sentence << " map " << c.mapUnits << " rts " << c.rtsUnits);
        const GpsFix fix = decode(c.sentence, 7, 0, c.mapUnits, c.rtsUnits);
        ASSERT_TRUE(fix.valid);
        EXPECT_NEAR(fix.northing, c.northing, 1e-9);
        EXPECT_NEAR(fix.easting, c.easting, 1e-9);
        EXPECT_NEAR(fix.eastingMap, c.eastingMap, 1e-9);
    }
}

TEST(DecodeGpsFix, SlamValues) {
    const GpsFix fix = decode(sentenceWithChecksum("GPGGA,123519.00,1000.000,,2000.000,,,05,1.250,,M,-0.5,,42.125"), 7, 1);
    ASSERT_TRUE(fix.valid);
    EXPECT_EQ(fix.slamCount, 5);
    EXPECT_EQ(fix.slamValues, (std::array<double, 3>{1.25, -0.5, 42.125}));
    // A SLAM line cut short still decodes; the missing values read as 0.
    const GpsFix shortFix = decode(sentenceWithChecksum("GPGGA,123519.00,1000.000,,2000.000,,,00,7.5"), 7, 1);
    EXPECT_TRUE(shortFix.valid);
    EXPECT_EQ(shortFix.slamCount, 0);
    EXPECT_EQ(shortFix.slamValues, (std::array<double, 3>{7.5, 0.0, 0.0}));
}

// The GGA body of the reference sentence with field n (1 = "GPGGA") replaced.
std::string ggaWithField(int n, const std::string& value) {
    std::vector<std::string> fields;
    std::string body = "GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,";
    size_t start = 0;
    for (size_t comma; (comma = body.find(',', start)) != std::string::npos; start = comma + 1)
        fields.push_back(body.substr(start, comma - start));
    fields.push_back(body.substr(start));
    fields[static_cast<size_t>(n - 1)] = value;
    std::string joined;
    for (size_t i = 0; i < fields.size(); ++i) joined += (i ? "," : "") + fields[i];
    return sentenceWithChecksum(joined);
}

TEST(DecodeGpsFix, ValidityRules) {
    const struct {
        const char* name;
        int nmeaData;
        std::string sentence;
        bool valid;
    } cases[] = {
        {"reference", 1, ggaWithField(8, "08"), true},
        {"one satellite", 1, ggaWithField(8, "1"), false},
        {"two satellites", 1, ggaWithField(8, "2"), true},
        {"no satellite count", 1, ggaWithField(8, ""), false},
        {"quality 0 under GGA", 1, ggaWithField(7, "0"), false},
        {"quality 0 under GGA/GSA", 0, ggaWithField(7, "0"), false},
        {"quality letter under GGA", 1, ggaWithField(7, "X"), false},
        {"quality 0 under GGK", 6,
         sentenceWithChecksum("PTNL,GGK,102939.00,051910,5000.97323841,N,00827.62010742,E,0,09,1.9,EHT150.790,M"),
         true},
        {"southern hemisphere", 1, ggaWithField(4, "S"), true},
        {"hemisphere X", 1, ggaWithField(4, "X"), false},
        {"hemisphere empty", 1, ggaWithField(4, ""), false},
        {"longitude hemisphere N", 1, ggaWithField(6, "N"), false},
        {"decimal point as fourth character", 1, ggaWithField(3, "807.0380"), false},
        {"long minutes", 1, ggaWithField(3, "4807.0381234567"), true},
        {"empty latitude", 1, ggaWithField(3, ""), false},
        {"letters in the degrees", 1, ggaWithField(3, "4A07.038"), false},
        {"sixty minutes", 1, ggaWithField(3, "4860.000"), false},
        {"latitude beyond the pole", 1, ggaWithField(3, "9100.000"), false},
        {"latitude at the pole", 1, ggaWithField(3, "9000.000"), true},
        {"longitude with two degree digits", 1, ggaWithField(5, "1131.000"), false},
        {"longitude beyond 180", 1, ggaWithField(5, "18100.000"), false},
        {"longitude 180", 1, ggaWithField(5, "18000.000"), true},
        {"sentence cut before the longitude", 1, sentenceWithChecksum("GPGGA,123519,4807.038,N"), false},
        {"only commas", 1, "$,,,,,,,,,,,,,,", false},
        {"empty local grid field", 3, sentenceWithChecksum("GPLLK,123519.00,121125,,M,7654.321,M,3,07,0.012"), false},
        {"local grid field without a number", 3,
         sentenceWithChecksum("GPLLK,123519.00,121125,east,M,7654.321,M,3,07,0.012"), false},
        {"pseudo-GGA without easting", 7, "$GPGGA,123519.00,1000.000", false},
        {"GLL without hemispheres", 5, sentenceWithChecksum("GPGLL,4916.45,,12311.12,,225444,A"), false},
    };
    for (const auto& c : cases) EXPECT_EQ(decode(c.sentence, c.nmeaData).valid, c.valid) << c.name;

    const GpsFix longMinutes = decode(ggaWithField(3, "4807.0381234567"), 1);
    EXPECT_NEAR(longMinutes.latitude, 48.0 + 7.03812 / 60.0, 1e-12);  // minutes cut to eight characters
    EXPECT_NEAR(decode(ggaWithField(4, "S"), 1).latitude, -48.1173, kDegreeTolerance);
    // POS adds 1 to its quality without overflowing a huge value.
    EXPECT_EQ(decode(sentenceWithChecksum("PASHR,POS,99999999999,05,123519.00,4807.038,N,01131.000,E"), 2).quality,
              INT_MAX);
}

TEST(DecodeGpsFix, QualityTextFollowsTheCharacterReceived) {
    const struct {
        std::string field;
        std::u16string text;
    } cases[] = {{"0", u"NO FIX"}, {"1", u"AGPS"}, {"2", u"DGPS"}, {"3", u"RTK3"}, {"4", u"RTK4"},
                 {"5", u"RTK5"},   {"6", u"RTK6"}, {"7", u"RTK7"}, {"8", u"RTK8"}, {"9", u"RTK9"},
                 {"X", u"UNKW"},   {"", u"UNKW"},  {"-1", u"UNKW"}};
    for (const auto& c : cases) EXPECT_EQ(u8(decode(ggaWithField(7, c.field), 1).qualityText), u8(c.text)) << c.field;
    // Without a quality field there is no text (the read-out is blanked).
    const GpsFix cut = decode(sentenceWithChecksum("GPGGA,123519,4807.038,N,01131.000,E"), 1);
    EXPECT_TRUE(cut.qualityText.empty());
    EXPECT_FALSE(cut.valid);
}

TEST(DegreesMinutesSecondsText, Table) {
    const struct {
        char hemisphere;
        std::string field;
        int degreeDigits;
        std::u16string text;
    } cases[] = {
        {'N', "4807.038", 2, u"N48\u00B007'2.2800 \""},
        {'E', "01131.000", 3, u"E011\u00B031'0.0000 \""},
        {'S', "3747.0873", 2, u"S37\u00B047'5.2380 \""},
        {'W', "12311.12", 3, u"W123\u00B011'7.2000 \""},
        {'N', "4807.99999", 2, u"N48\u00B007'59.9994\""},
        {'N', "4807.", 2, u"N48\u00B007'0.0000 \""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(u8(degreesMinutesSecondsText(c.hemisphere, c.field, c.degreeDigits)), u8(c.text)) << c.field;

    const GpsFix fix = decode("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47", 0);
    EXPECT_EQ(u8(fix.latitudeText), u8(u"N48\u00B007'2.2800 \""));
    EXPECT_EQ(u8(fix.longitudeText), u8(u"E011\u00B031'0.0000 \""));
}

TEST(UtcSeconds, Table) {
    const struct {
        std::string field;
        std::optional<double> seconds;
    } cases[] = {
        {"123519", kHms},        {"123519.50", kHms + 0.5}, {"000000", 0.0},        {"235960.5", 86400.5},
        {"123519*47", kHms},     {"", std::nullopt},        {"1235", std::nullopt}, {"GGK", std::nullopt},
        {"246000", std::nullopt}, {"126000", std::nullopt}, {"1235a9", std::nullopt}, {"235961", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(utcSecondsOf(c.field), c.seconds) << c.field;
}

TEST(UtcSeconds, UnknownTimeOfAFixIsNotZero) {
    // A receiver without a fix often leaves the time empty.
    EXPECT_FALSE(decode("$GPGGA,,,,,,0,,,,M,,M,,*66", 1).utcSeconds.has_value());
    // POS and GGK name their sentence in two fields; their time is read
    // from the field that carries it, not from the name.
    const GpsFix pos = decode(sentenceWithChecksum("PASHR,POS,1,07,000001.00,4807.038,N,01131.000,E"), 2);
    EXPECT_EQ(pos.utcSeconds, 1.0);
    const GpsFix ggk = decode(sentenceWithChecksum("PTNL,GGK,000002.00,051910,5000.97,N,00827.62,E,4,9,1.1"), 6);
    EXPECT_EQ(ggk.utcSeconds, 2.0);
}

TEST(GroundSpeed, OnlyWhenTimeHasPassed) {
    const struct {
        const char* name;
        double distance;
        std::optional<double> earlier, later;
        std::optional<double> speed;
    } cases[] = {
        {"one second, ten metres", 10.0, 43200.0, 43201.0, 10.0},
        {"half a second", 1.0, 100.0, 100.5, 2.0},
        {"same time", 10.0, 43200.0, 43200.0, std::nullopt},
        {"time going back", 10.0, 43201.0, 43200.0, std::nullopt},
        {"earlier time unknown", 10.0, std::nullopt, 43200.0, std::nullopt},
        {"later time unknown", 10.0, 43200.0, std::nullopt, std::nullopt},
        {"over midnight", 3.0, 86399.0, 0.5, 2.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<double> speed = groundSpeedBetween(c.distance, c.earlier, c.later);
        ASSERT_EQ(speed.has_value(), c.speed.has_value());
        if (speed) {
            EXPECT_NEAR(*speed, *c.speed, 1e-9);
        }
    }
}

TEST(DecodeGpsStatus, PdopOfGsa) {
    const struct {
        std::string sentence;
        std::optional<double> pdop;
    } cases[] = {
        {"$GPGSA,A,3,17,28,06,01,30,20,26,13,,,,,1.8,1.1,1.5*33", 1.8},
        {"$GNGSA,A,3,80,71,73,79,69,,,,,,,,1.83,1.09,1.47,2*0D", 1.83},
        {"$GPGSA,A,3,,,,,,,,,,,,,2.5*39", 2.5},  // the last field keeps its checksum
        {"$GPGSA,A,1,,,,,,,,,,,,,,,*1E", 0.0},   // an empty field reads as 0
        {"$GPGSA,A,3,01,02*33", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(decodeGpsStatus(c.sentence), c.pdop) << c.sentence;
}

}  // namespace
}  // namespace velox
