// The bytes of every record type and of every variant difference.

#include <functional>

#include "data_file_test_support.h"

namespace velox::test {
namespace {

constexpr Variant kLx2{InstrumentType::Em61Lx2, ProductLine::Velox};
constexpr Variant kOrvLx2{InstrumentType::Em61Lx2, ProductLine::Orv};
constexpr Variant kMk2{InstrumentType::Em61Mk2, ProductLine::Velox};
constexpr Variant kOrvMk2{InstrumentType::Em61Mk2, ProductLine::Orv};
constexpr Variant kGrad{InstrumentType::Grad601, ProductLine::Velox};
constexpr Variant kEm31{InstrumentType::Em31Mk2, ProductLine::Velox};
constexpr Variant kOrvEm31{InstrumentType::Em31Mk2, ProductLine::Orv};
constexpr Variant kEm38{InstrumentType::Em38, ProductLine::Velox};
constexpr Variant kEm34{InstrumentType::Em34_3, ProductLine::Velox};
constexpr Variant kEm38Mk2{InstrumentType::Em38Mk2, ProductLine::Velox};
constexpr Variant kOrvEm38Mk2{InstrumentType::Em38Mk2, ProductLine::Orv};

const std::string kLf = "\n";
const std::string kTickText = "    123456";  // kTick, "%10lu"

using Configure = std::function<void(SurveyConfig&)>;
using Write = std::function<void(DataFile&, const SurveyConfig&)>;

struct RecordCase {
    const char* name;
    Variant variant;
    Configure configure;
    Write write;
    std::vector<std::string> expected;  // whole records, line feed included
};

void none(SurveyConfig&) {}
void writeNewHeader(DataFile& f, const SurveyConfig& c) { f.writeHeader(false, c, sampleHeaderValues()); }
void writeContinuingHeader(DataFile& f, const SurveyConfig& c) { f.writeHeader(true, c, sampleHeaderValues()); }

const std::string kSentence25 = "$GPGSA,A,3,04,05,,09,12,*";
const std::string kSentence60 = "$GPGGA,092750.000,5321.6802,N,00630.3372,W,1,8,1.03,61.7,M*7";
// An EM61 frame as the handler leaves it: letter, gain, four words (one of
// them holding 0x0A), mean current 3000.50 A, three zero bytes.
const std::string kEm61Bytes = std::string("T\x05\x01\x02\x0A\x0A\x05\x06\x07\x08\x0B\xB8\x32\x00\x00\x00", 16);

std::vector<RecordCase> recordCases() {
    return {
        // ---- the new-file header group of the reference build, record by record
        {"lx2 header", kLx2, none, writeNewHeader,
         {"VLXLX2  W108GPS00001 11   \n", "H240315_007  0.200     0  \n", "G  0.500 -1.250 70011     \n",
          "G    500123.456 33        \n", "G   5200000.500           \n", "O     1.50                \n",
          "O    -2.25                \n", "O     0.00                \n", "O   100.00                \n",
          "I   310.00      0.00     1\n", "I   250.50      0.00     1\n"}},
        {"lx2 continuing header has a lower-case tag", kLx2, none,
         [](DataFile& f, const SurveyConfig& c) { f.writeHeader(true, c, sampleHeaderValues()); },
         {"vLXLX2  W108GPS00001 11   \n", "H240315_007  0.200     0  \n", "G  0.500 -1.250 70011     \n",
          "G    500123.456 33        \n", "G   5200000.500           \n", "O     1.50                \n",
          "O    -2.25                \n", "O     0.00                \n", "O   100.00                \n",
          "I   310.00      0.00     1\n", "I   250.50      0.00     1\n"}},
        {"instrument disabled: no offsets, GRD without GPS", kLx2,
         [](SurveyConfig& c) {
             c.instrumentEnabled = 0;
             c.gpsInput = 0;
         },
         writeNewHeader,
         {"VLXLX2  W108GRD00001 01   \n", "H240315_007  0.200     0  \n", "G  0.000  0.000 70010     \n",
          "G    500123.456 33        \n", "G   5200000.500           \n", "O     1.50                \n",
          "O    -2.25                \n", "O     0.00                \n", "O   100.00                \n",
          "I   310.00      0.00     1\n", "I   250.50      0.00     1\n"}},
        // ---- the "H" record's period or increment by survey mode
        {"wheel mode name record", kLx2, [](SurveyConfig& c) { c.surveyMode = SURVEY_WHEEL; },
         [](DataFile& f, const SurveyConfig& c) { f.writeHeader(false, c, sampleHeaderValues()); },
         {"VLXLX2  W108GPS00101 11   \n", "H240315_007  0.250     0  \n", "G  0.500 -1.250 70011     \n",
          "G    500123.456 33        \n", "G   5200000.500           \n", "O     1.50                \n",
          "O    -2.25                \n", "O     0.00                \n", "O   100.00                \n",
          "I   310.00      0.00     1\n", "I   250.50      0.00     1\n"}},
        // ---- header groups of the other variants
        {"orv mk2 high power: no UTM records, continuing tag stays upper-case", kOrvMk2,
         [](SurveyConfig& c) { c.instrumentModel = 3; }, writeContinuingHeader,
         {"ORVMK2H W220GPS0003  1    \n", "H240315_007  0.200     0  \n", "G  0.500 -1.250170011     \n",
          "O     1.50                \n", "O    -2.25                \n", "O     0.00                \n",
          "O   100.00                \n"}},
        {"grad601 header", kGrad, none, writeNewHeader,
         {"VLX601 AW101GPS0 0 111    \n", "H240315_007 1.00       0  \n", "G  0.500 -1.250 70011     \n",
          "G    500123.456 33        \n", "G   5200000.500           \n"}},
        {"em31 manual header names samples per reading", kEm31, [](SurveyConfig& c) { c.surveyMode = SURVEY_MANUAL; },
         writeNewHeader,
         {"VLX31   W226GPS01223 1    \n", "H240315_007     10     0  \n", "G  0.500 -1.250 70011     \n",
          "G    500123.456 33        \n", "G   5200000.500           \n"}},
        {"orv em31: 24-byte records", kOrvEm31, none, writeNewHeader,
         {"ORV31   W216GPS01023   \n", "H240315_007  0.200     \n", "G  0.500 -1.250 70011  \n"}},
        {"em38-mk2 header: model 0 written as 2, calibration records", kEm38Mk2, none, writeNewHeader,
         {"VLX38MK2W228GPS01022 1    \n", "H240315_007  0.200     0  \n", "G  0.500 -1.250 70011     \n",
          "G    500123.456 33        \n", "G   5200000.500           \n", "O1     1.000      0.500   \n",
          "O2     2.000      0.000   \n", "O3    -3.500      0.000   \n", "O4     4.250      0.000   \n",
          "O5     5.000      0.000   \n", "O6     6.000     -1.000   \n"}},
        // ---- line start
        {"lx2 line start", kLx2, none,
         [](DataFile& f, const SurveyConfig& c) { f.writeLineStart(c, sampleLineStartValues()); },
         {"L1                        \n", "B       0.00              \n", "AN            1.000       \n",
          "Z15032024 09:05:07        \n", "O     1.50      0.50     1\n", "O    -2.25      0.00     1\n",
          "O     0.00      0.00     1\n", "O   100.00      0.00     1\n", "I   310.00    300.00     1\n",
          "I   250.50    250.50     1\n"}},
        {"mk2 line start: no filter records, no marks", kMk2,
         [](SurveyConfig& c) {
             c.lineDirection = 0;
             c.startStation = -12.5;
         },
         [](DataFile& f, const SurveyConfig& c) {
             LineStartValues v = sampleLineStartValues();
             v.stationIncrement = -0.5;
             f.writeLineStart(c, v);
         },
         {"L1                        \n", "B     -12.50              \n", "AW           -0.500       \n",
          "Z15032024 09:05:07        \n", "O     1.50      0.50      \n", "O    -2.25      0.00      \n",
          "O     0.00      0.00      \n", "O   100.00      0.00      \n"}},
        {"em31 line start", kEm31, [](SurveyConfig& c) { c.lineDirection = 3; },
         [](DataFile& f, const SurveyConfig& c) { f.writeLineStart(c, sampleLineStartValues()); },
         {"L1                        \n", "B       0.00              \n", "AE            1.000       \n",
          "Z15032024 09:05:07        \n"}},
        // ---- marks and events
        {"time mark", kLx2, none, [](DataFile& f, const SurveyConfig&) { f.writeTimeMark(); },
         {"*09:05:07.042   " + kTickText + kLf}},
        {"station mark", kLx2, none, [](DataFile& f, const SurveyConfig&) { f.writeStationMark(12.5); },
         {"S      12.50  09:05:07.042\n"}},
        {"event", kLx2, none, [](DataFile& f, const SurveyConfig&) { f.writeEvent(u"$STARTED"); },
         {"X$STARTED       " + kTickText + kLf}},
        {"connection break event", kLx2, none, [](DataFile& f, const SurveyConfig&) { f.writeEvent(u"3CONN BRK 3"); },
         {"X3CONN BRK 3    " + kTickText + kLf}},
        {"26-character comment keeps 11", kLx2, none,
         [](DataFile& f, const SurveyConfig&) { f.writeEvent(u"ABCDEFGHIJKLMNOPQRSTUVWXYZ", REC_COMMENT); },
         {"CABCDEFGHIJK    " + kTickText + kLf}},
        {"empty comment is 11 spaces", kLx2, none,
         [](DataFile& f, const SurveyConfig&) { f.writeEvent(u"", REC_COMMENT); },
         {"C               " + kTickText + kLf}},
        {"24-byte event: one space before the tick", kOrvEm31, none,
         [](DataFile& f, const SurveyConfig&) { f.writeEvent(u"PAUSED"); }, {"XPAUSED      " + kTickText + kLf}},
        {"24-byte time mark", kOrvEm31, none, [](DataFile& f, const SurveyConfig&) { f.writeTimeMark(); },
         {"*09:05:07.042" + kTickText + kLf}},
        // ---- GPS sentence groups
        {"25-character sentence: one record and the trailer", kLx2, none,
         [](DataFile& f, const SurveyConfig&) {
             f.writeGpsSentence(kSentence25, kTick, REC_GPS_FIRST, REC_GPS_CONTINUATION, REC_GPS_TRAILER, ' ', 7);
         },
         {"@" + kSentence25 + kLf, "!000007         " + kTickText + kLf}},
        {"60-character sentence: @ # # and the trailer", kLx2, none,
         [](DataFile& f, const SurveyConfig&) {
             f.writeGpsSentence(kSentence60, kTick, REC_GPS_FIRST, REC_GPS_CONTINUATION, REC_GPS_TRAILER, 'p', 42);
         },
         {"@$GPGGA,092750.000,5321.68\n", "#02,N,00630.3372,W,1,8,1.0\n", "#3,61.7,M*7               \n",
          "!000042p        " + kTickText + kLf}},
        {"other sentence: one X record, no trailer", kLx2, none,
         [](DataFile& f, const SurveyConfig&) {
             f.writeGpsSentence(kSentence60, kTick, REC_EVENT, REC_GPS_CONTINUATION, REC_GPS_TRAILER, ' ', 1);
         },
         {"X$GPGGA,092750.000,5321.68\n"}},
        {"raw line group", kLx2, none,
         [](DataFile& f, const SurveyConfig&) {
             f.writeGpsSentence("GPGGA,garbage,without,a,dollar", kTick, REC_RAW_GPS_FIRST, REC_RAW_GPS_CONTINUATION,
                                REC_GPS_TRAILER, ' ', 3);
         },
         {"?GPGGA,garbage,without,a,d\n", "\"ollar                    \n", "!000003         " + kTickText + kLf}},
        {"24-byte sentence pieces are 22 characters", kOrvEm31, none,
         [](DataFile& f, const SurveyConfig&) {
             f.writeGpsSentence(kSentence25, kTick, REC_GPS_FIRST, REC_GPS_CONTINUATION, REC_GPS_TRAILER, ' ', 7);
         },
         {"@$GPGSA,A,3,04,05,,09,1\n", "#2,*                   \n", "!000007      " + kTickText + kLf}},
        {"sentence older than the start of logging is not written", kLx2, none,
         [](DataFile& f, const SurveyConfig&) {
             f.setLoggingStartTick(kTick + 1);
             f.writeGpsSentence(kSentence25, kTick, REC_GPS_FIRST, REC_GPS_CONTINUATION, REC_GPS_TRAILER, ' ', 7);
             f.writeGpsSentence(kSentence25, kTick, REC_EVENT, REC_GPS_CONTINUATION, REC_GPS_TRAILER, ' ', 7);
         },
         {}},
        {"start of logging compared across the tick wrap", kLx2, none,
         [](DataFile& f, const SurveyConfig&) {
             f.setLoggingStartTick(0xFFFFFFF0u);
             f.writeGpsSentence(kSentence25, 5, REC_GPS_FIRST, REC_GPS_CONTINUATION, REC_GPS_TRAILER, ' ', 7);
         },
         {"@" + kSentence25 + kLf, "!000007                  5\n"}},
        // ---- readings
        {"em61 reading holding 0x0A is stored unchanged", kLx2, none,
         [](DataFile& f, const SurveyConfig&) { f.writeReading(kEm61Bytes, kTick); }, {kEm61Bytes + kTickText + kLf}},
        {"7-character em38 reading is space-padded", kEm38, none,
         [](DataFile& f, const SurveyConfig&) { f.writeReading("T 12.34", 99); },
         {"T 12.34                 99\n"}},
        {"24-byte reading: tick from byte 13", kOrvEm31, none,
         [](DataFile& f, const SurveyConfig&) { f.writeReading("T123456789AB", kTick); },
         {"T123456789AB " + kTickText + kLf}},
        {"em34-3 manual station readings written together", kEm34, none,
         [](DataFile& f, const SurveyConfig&) {
             const ReadingRecord readings[] = {{"2 12.5,3.25", 10}, {"3 13.5,3.75", 11}};
             f.writeReadings(readings);
         },
         {"2 12.5,3.25             10\n", "3 13.5,3.75             11\n"}},
        {"grad601 reading", kGrad, none,
         [](DataFile& f, const SurveyConfig&) { f.writeReading("T$P,-12.5,003.1 ", kTick); },
         {"T$P,-12.5,003.1 " + kTickText + kLf}},
        // ---- null offsets, filter factors, calibration values, swath
        {"null offsets after nulling", kLx2, none,
         [](DataFile& f, const SurveyConfig&) { f.writeNullOffsets({1, 2, 3, 4}, {5, 6, 7, 8}); },
         {"O     1.00      5.00     1\n", "O     2.00      6.00     1\n", "O     3.00      7.00     1\n",
          "O     4.00      8.00     1\n"}},
        {"filter factors", kLx2, none,
         [](DataFile& f, const SurveyConfig&) { f.writeFilterFactors(400.0, 0.0, 310.0, 0.0); },
         {"I   400.00    310.00     1\n", "I     0.00      0.00     1\n"}},
        {"calibration values", kEm38Mk2, none,
         [](DataFile& f, const SurveyConfig&) {
             f.writeCalibrationValues({1, 2, 3, 4, 5, 6}, {-1, -2, -3, -4, -5, -6});
         },
         {"O1     1.000     -1.000   \n", "O2     2.000     -2.000   \n", "O3     3.000     -3.000   \n",
          "O4     4.000     -4.000   \n", "O5     5.000     -5.000   \n", "O6     6.000     -6.000   \n"}},
        {"swath start", kLx2, none, [](DataFile& f, const SurveyConfig&) { f.writeSwathEdge(0, 1, 2, 3, 4); },
         {"{0         0.000          \n"}},
        {"first swath edge a-d", kLx2, none,
         [](DataFile& f, const SurveyConfig&) { f.writeSwathEdge(1, 10.0, -20.5, 1234567.891, 0.0); },
         {"{a        10.000          \n", "{b       -20.500          \n", "{c   1234567.891          \n",
          "{d         0.000          \n"}},
        {"next swath edge e-h and third bar i-l", kLx2, none,
         [](DataFile& f, const SurveyConfig&) {
             f.writeSwathEdge(2, 1, 2, 3, 4);
             f.writeSwathEdge(3, 1, 2, 3, 4);
             f.writeSwathEdge(4, 1, 2, 3, 4);  // no such edge: nothing written
         },
         {"{e         1.000          \n", "{f         2.000          \n", "{g         3.000          \n",
          "{h         4.000          \n", "{i         1.000          \n", "{j         2.000          \n",
          "{k         3.000          \n", "{l         4.000          \n"}},
        {"a value wider than its field shifts, the record keeps its length", kLx2, none,
         [](DataFile& f, const SurveyConfig&) { f.writeStationMark(123456789012.25); },
         {"S123456789012.25  09:05:07\n"}},
    };
}

class DataFileRecords : public ::testing::Test {
protected:
    TempDataRoot root;
    FixedClock clock{kTick};
    std::filesystem::path path = root.path() / "240315_007.RX2";

    std::string write(const RecordCase& c) {
        SurveyConfig config = sampleConfig();
        c.configure(config);
        DataFile file(c.variant);
        file.setLocalTimeSource([] { return kLocalTime; });
        file.setBaseName("240315_007");
        EXPECT_TRUE(file.open(path));
        c.write(file, config);
        file.close();
        return readFile(path);
    }
};

TEST_F(DataFileRecords, EveryRecordTypeAndVariantDifference) {
    for (const RecordCase& c : recordCases()) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(path);
        const std::size_t length = recordLength(c.variant);
        for (const std::string& record : c.expected) ASSERT_EQ(record.size(), length) << "bad expectation: " << record;
        const std::string bytes = write(c);
        EXPECT_EQ(splitRecords(bytes, length), c.expected);
    }
}

// The tag record opens every header: product tag, format version and the
// settings digits, which differ by variant.
TEST_F(DataFileRecords, TagRecordOfEveryVariant) {
    struct TagCase {
        const char* name;
        Variant variant;
        Configure configure;
        std::string expected;
    };
    const TagCase cases[] = {
        {"lx2 one sensor", kLx2, [](SurveyConfig& c) { c.sensorCountIndex = 0; },
         "VLXLX1  W108GPS00001 10   \n"},
        {"lx2 orv new model", kOrvLx2, [](SurveyConfig& c) { c.instrumentModel = 1; },
         "ORVLX2N W100GPS00011 11   \n"},
        {"mk2 velox", kMk2, none, "VLXMK2  W227GPS0000  1    \n"},
        {"em38", kEm38, none, "VLX38   W211GPS01023 1    \n"},
        {"em34-3 uses its reference in byte 19", kEm34, none, "VLX343  W214GPS01024 1    \n"},
        {"orv em38-mk2 keeps instrumentEnabled", kOrvEm38Mk2, [](SurveyConfig& c) { c.em38Mk2Model = 1; },
         "ORV382  W216GPS01021 1    \n"},
    };
    for (const TagCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(path);
        const std::string bytes = write({c.name, c.variant, c.configure, writeNewHeader, {}});
        EXPECT_EQ(bytes.substr(0, RECORD_LENGTH), c.expected);
    }
}

TEST_F(DataFileRecords, NameOverflowCarriesCharacters11To20IntoEveryLineRecord) {
    struct Case {
        std::string baseName;
        std::string nameField;  // bytes 1-10 of "H"
        std::string overflow;
    };
    const Case cases[] = {
        {"ABCDEFGHIJKLMNO", "ABCDEFGHIJ", "KLMNO"},
        {"ABCDEFGHIJ", "ABCDEFGHIJ", ""},
        {"SHORT", "SHORT     ", ""},
        {"ABCDEFGHIJKLMNOPQRSTUVWXY", "ABCDEFGHIJ", "KLMNOPQRST"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.baseName);
        std::filesystem::remove(path);
        SurveyConfig config = sampleConfig();
        config.surveyLine = u"LINE-0123456789";  // longer than the 12 characters kept
        DataFile file(kLx2);
        file.setLocalTimeSource([] { return kLocalTime; });
        file.setBaseName(c.baseName);
        ASSERT_TRUE(file.open(path));
        file.writeHeader(false, config, sampleHeaderValues());
        file.writeLineStart(config, sampleLineStartValues());
        file.writeLineStart(config, sampleLineStartValues());
        file.close();

        const auto records = splitRecords(readFile(path), RECORD_LENGTH);
        ASSERT_EQ(records.size(), 11u + 10u + 10u);
        EXPECT_EQ(records[1].substr(1, 10), c.nameField);
        std::string expectedLine = "LLINE-0123456" + c.overflow;
        expectedLine.resize(RECORD_LENGTH - 1, ' ');
        EXPECT_EQ(records[11], expectedLine + kLf);
        EXPECT_EQ(records[21], expectedLine + kLf);
        EXPECT_EQ(file.nameOverflowInUse(), !c.overflow.empty());
    }
}

}  // namespace
}  // namespace velox::test
