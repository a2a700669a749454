#include <gtest/gtest.h>

#include <climits>
#include <set>

#include "acquisition/nmea_format.h"
#include "nmea_test_support.h"

namespace velox {
namespace {

using test::sentenceWithChecksum;

TEST(ExtractField, Table) {
    const struct {
        std::string_view text;
        int n;
        std::optional<std::string_view> field;
    } cases[] = {
        {"ABC", 1, "ABC"},
        {"ABC", 2, std::nullopt},
        {"A,B", 3, std::nullopt},
        {"A,B,C*12", 3, "C*12"},  // the last field keeps the checksum suffix
        {"A,B,C*12", 1, "A"},
        {"A,B,C*12", 2, "B"},
        {"A,,C", 2, ""},
        {"A,B,", 3, ""},
        {",", 1, ""},
        {",", 2, ""},
        {"", 1, ""},
        {"", 2, std::nullopt},
        {"A,B", 0, std::nullopt},
        {"A,B", -3, std::nullopt},
        {"$GPGGA,123519,4807.038,N", 3, "4807.038"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.text << "\" field " << c.n);
        EXPECT_EQ(extractField(c.text, c.n), c.field);
    }
}

TEST(NumberReaders, LeadingCharactersOnly) {
    const struct {
        std::string_view field;
        std::optional<double> decimal;
        std::optional<int> integer;
    } cases[] = {
        {"1.2*3A", 1.2, 1},
        {"07", 7.0, 7},
        {"", std::nullopt, std::nullopt},
        {"-12.5", -12.5, -12},
        {"+3.25", 3.25, 3},
        {".5", 0.5, std::nullopt},
        {"5.", 5.0, 5},
        {"M", std::nullopt, std::nullopt},
        {"-", std::nullopt, std::nullopt},
        {"1e5", 1.0, 1},  // no exponents
        {"nan", std::nullopt, std::nullopt},
        {"99999999999999", 99999999999999.0, INT_MAX},
        {"-99999999999999", -99999999999999.0, INT_MIN},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        EXPECT_EQ(leadingDecimal(c.field), c.decimal);
        EXPECT_EQ(leadingInteger(c.field), c.integer);
        EXPECT_EQ(readDecimal(c.field), c.decimal.value_or(0.0));
        EXPECT_EQ(readInteger(c.field), c.integer.value_or(0));
    }
    // A number longer than any double holds reads as no number.
    EXPECT_EQ(leadingDecimal(std::string(400, '9')), std::nullopt);
}

TEST(Checksum, Table) {
    const std::string gga = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47";
    const struct {
        std::string line;
        bool valid;
    } cases[] = {
        {gga, true},
        {"$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*74", false},
        {"$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,", false},  // no "*"
        {"$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*4", false},
        {"$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*4G", false},
        {"$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*470", false},
        {"$GPGSA,A,3,17,28,06,01,30,20,26,13,,,,,1.8,1.1,1.5*33", true},
        {"$GPGSA,A,3,17,28,06,01,30,20,26,13,,,,,1.8,1.1,1.5*33*33", false},
        {"$*00", true},
        {"$GPGGA,030719.000,3747.0873,S,17518.8938,E,1,08,1.1,59.9,M,23.7,M,,0000*7D", true},
        {"$GPGGA,030719.000,3747.0873,S,17518.8938,E,1,08,1.1,59.9,M,23.7,M,,0000*7d", true},
        {"$GPTXT,a*b*6d", false},  // the checksum follows the first "*" and ends the line
        {"GPGGA,1*47", false},            // no "$"
        {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(checksumMatches(c.line), c.valid) << c.line;
    EXPECT_EQ(nmeaChecksum("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,"), 0x47u);
}

TEST(GpsSentenceFormat, RowsAndSlamVariant) {
    using R = FieldRole;
    const struct {
        int nmeaData;
        int slam;
        std::string_view name, tag;
        bool checksum;
        int timeField;
        std::vector<FieldSlot> slots;
    } rows[] = {
        {0, 0, "GGA/GSA", "GGA", true, 2,
         {{R::SATELLITES, 8}, {R::QUALITY, 7}, {R::LAT_HEMISPHERE, 4}, {R::LATITUDE, 3}, {R::LON_HEMISPHERE, 6},
          {R::LONGITUDE, 5}}},
        {1, 0, "GGA", "GGA", true, 2,
         {{R::SATELLITES, 8}, {R::QUALITY, 7}, {R::LAT_HEMISPHERE, 4}, {R::LATITUDE, 3}, {R::LON_HEMISPHERE, 6},
          {R::LONGITUDE, 5}, {R::DILUTION, 9}}},
        {2, 0, "POS", "POS", true, 5,
         {{R::SATELLITES, 4}, {R::QUALITY, 3}, {R::LAT_HEMISPHERE, 7}, {R::LATITUDE, 6}, {R::LON_HEMISPHERE, 9},
          {R::LONGITUDE, 8}, {R::DILUTION, 15}}},
        {3, 0, "LLK", "LLK", true, 2,
         {{R::SATELLITES, 9}, {R::QUALITY, 8}, {R::NORTHING, 6}, {R::EASTING, 4}, {R::DILUTION, 10}}},
        {4, 0, "LLQ", "LLQ", true, 2,
         {{R::SATELLITES, 9}, {R::QUALITY, 8}, {R::NORTHING, 6}, {R::EASTING, 4}, {R::DILUTION, 10}}},
        {5, 0, "GLL", "GLL", true, 6,
         {{R::LAT_HEMISPHERE, 3}, {R::LATITUDE, 2}, {R::LON_HEMISPHERE, 5}, {R::LONGITUDE, 4}}},
        {6, 0, "GGK", "GGK", true, 3,
         {{R::SATELLITES, 10}, {R::QUALITY, 9}, {R::LAT_HEMISPHERE, 6}, {R::LATITUDE, 5}, {R::LON_HEMISPHERE, 8},
          {R::LONGITUDE, 7}, {R::DILUTION, 11}}},
        {7, 0, "RTS pseudo-GGA", "GGA", false, 2, {{R::NORTHING, 3}, {R::EASTING, 5}}},
        {7, 1, "RTS pseudo-GGA", "GGA", true, 2,
         {{R::NORTHING, 3}, {R::EASTING, 5}, {R::SLAM_COUNT, 8}, {R::SLAM_VALUE_1, 9}, {R::SLAM_VALUE_2, 12},
          {R::SLAM_VALUE_3, 14}}},
        {8, 0, "pseudo-GLL", "GLL", false, 6,
         {{R::LAT_HEMISPHERE, 3}, {R::LATITUDE, 2}, {R::LON_HEMISPHERE, 5}, {R::LONGITUDE, 4}}},
        {8, 1, "pseudo-GLL", "GLL", false, 6,  // the SLAM switch concerns format 7 only
         {{R::LAT_HEMISPHERE, 3}, {R::LATITUDE, 2}, {R::LON_HEMISPHERE, 5}, {R::LONGITUDE, 4}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "nmeaData " << row.nmeaData << " slam " << row.slam);
        const GpsSentenceFormat& format = configureGpsFormat(row.nmeaData, row.slam);
        EXPECT_EQ(format.nmeaData, row.nmeaData);
        EXPECT_EQ(format.name, row.name);
        EXPECT_EQ(format.tag, row.tag);
        EXPECT_EQ(format.checksumRequired, row.checksum);
        EXPECT_EQ(format.timeField, row.timeField);
        ASSERT_EQ(format.fieldSlots.size(), row.slots.size());
        for (size_t i = 0; i < row.slots.size(); ++i) {
            EXPECT_EQ(format.fieldSlots[i].role, row.slots[i].role) << "slot " << i;
            EXPECT_EQ(format.fieldSlots[i].field, row.slots[i].field) << "slot " << i;
        }
        EXPECT_EQ(format.usesStatusSentence, row.nmeaData == 0);
    }
    // A damaged setting selects the default row rather than reading past the table.
    EXPECT_EQ(configureGpsFormat(9, 0).nmeaData, 1);
    EXPECT_EQ(configureGpsFormat(-1, 0).nmeaData, 1);
}

TEST(ClassifyGpsLine, ByFormat) {
    const std::string gga = sentenceWithChecksum("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,");
    const std::string badGga = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*48";
    const std::string gsa = sentenceWithChecksum("GPGSA,A,3,17,28,06,01,30,20,26,13,,,,,1.8,1.1,1.5");
    const std::string rmc = sentenceWithChecksum("GPRMC,030719.000,A,3747.0873,S,17518.8938,E,0.69,181.39,311214,,,A");
    const std::string pseudoGga = "$GPGGA,1000.000,2000.000,3000.000";
    const std::string pseudoGll = "$GPGLL,4807.038,N,01131.000,E,123519,A";
    using K = GpsLineKind;
    const struct {
        int nmeaData;
        std::string line;
        GpsLineKind kind;
    } cases[] = {
        {0, gga, K::Position},      {0, gsa, K::Status},       {0, rmc, K::Other},
        {0, badGga, K::Raw},        {0, "GPGGA,1,2", K::Raw},  {1, gsa, K::Other},
        {5, gga, K::Other},         {7, pseudoGga, K::Position}, {7, badGga, K::Position},
        {7, gsa, K::Other},         {7, "X$GPGGA", K::Raw},    {8, pseudoGll, K::Position},
        {5, pseudoGll, K::Raw},     {2, sentenceWithChecksum("PASHR,POS,0,05,"), K::Position},
    };
    for (const auto& c : cases)
        EXPECT_EQ(classifyGpsLine(c.line, configureGpsFormat(c.nmeaData, 0)), c.kind)
            << "format " << c.nmeaData << ": " << c.line;
    // With the SLAM variant format 7 requires checksums.
    EXPECT_EQ(classifyGpsLine(pseudoGga, configureGpsFormat(7, 1)), K::Raw);
}

}  // namespace
}  // namespace velox
