// The data file reader on files composed byte by byte: positions, recognition
// and decoding of every record kind, GPS groups, the survey start, and
// damaged input (cut-off, foreign, empty, binary readings with 0x0A and 0x00).

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "logging/data_file_reader.h"
#include "test_support.h"

namespace velox {
namespace {

const RecordLayout LX2 = layoutOf(InstrumentType::Em61Lx2, ProductLine::Velox);
const RecordLayout MK2 = layoutOf(InstrumentType::Em61Mk2, ProductLine::Velox);
const RecordLayout GRAD = layoutOf(InstrumentType::Grad601, ProductLine::Velox);
const RecordLayout EM31 = layoutOf(InstrumentType::Em31Mk2, ProductLine::Velox);
const RecordLayout ORV31 = layoutOf(InstrumentType::Em31Mk2, ProductLine::Orv);
const RecordLayout EM34 = layoutOf(InstrumentType::Em34_3, ProductLine::Velox);
const RecordLayout EM38MK2 = layoutOf(InstrumentType::Em38Mk2, ProductLine::Velox);

// A record of `length` bytes: the content, space-padded, then the line feed.
std::string rec(std::string content, std::size_t length = 27) {
    content.resize(length - 1, ' ');
    return content + '\n';
}

std::string tick10(unsigned long t) {
    char text[16];
    std::snprintf(text, sizeof text, "%10lu", t);
    return text;
}

// An EM61 record: letter, gain, four words, mean current and tail bytes.
std::string em61(char letter, std::string binary13to15, unsigned long tick, std::string words) {
    return std::string(1, letter) + words + binary13to15 + tick10(tick) + '\n';
}

std::string writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
}

class ReaderTest : public ::testing::Test {
protected:
    test::TempDataRoot root;
};

TEST_F(ReaderTest, RecordsByPositionForwardAndBackwardWithCutOffTail) {
    const std::string a = rec("LLINE1"), b = rec("B       0.00"), c = rec("S       1.00  10:22:34.000");
    const auto path = writeFile(root.path() / "f.RX2", a + b + c + std::string("T\n\0\x01", 4));
    DataFileReader reader(path, 27);
    ASSERT_EQ(reader.openError(), DataFileReader::OpenError::None);
    EXPECT_EQ(reader.recordCount(), 3u);
    EXPECT_EQ(reader.trailingBytes(), 4u);

    EXPECT_EQ(reader.record(0).bytes, a);
    EXPECT_EQ(reader.record(2).bytes, c);
    const RecordRead tail = reader.record(3);
    EXPECT_EQ(tail.status, RecordStatus::Short);
    EXPECT_EQ(tail.bytes, std::string("T\n\0\x01", 4));
    EXPECT_EQ(reader.record(4).status, RecordStatus::End);
    EXPECT_EQ(reader.record(static_cast<std::size_t>(-1)).status, RecordStatus::End);

    // Backwards from the last whole record, never shifted by the cut-off tail.
    EXPECT_EQ(reader.recordFromEnd(0).bytes, c);
    EXPECT_EQ(reader.recordFromEnd(2).bytes, a);
    EXPECT_EQ(reader.recordFromEnd(3).status, RecordStatus::End);
}

TEST_F(ReaderTest, OpenFailuresAreValues) {
    const auto folder = root.path() / "folder";
    std::filesystem::create_directory(folder);
    const auto fifo = root.path() / "pipe";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    struct Case {
        std::filesystem::path path;
        DataFileReader::OpenError expected;
    } cases[] = {
        {root.path() / "missing.RX2", DataFileReader::OpenError::Missing},
        {folder, DataFileReader::OpenError::NotAFile},
        {fifo, DataFileReader::OpenError::NotAFile},  // must not hang waiting for a writer
    };
    for (const Case& c : cases) {
        DataFileReader reader(c.path, 27);
        EXPECT_EQ(reader.openError(), c.expected) << c.path;
        EXPECT_EQ(reader.recordCount(), 0u);
        EXPECT_EQ(reader.record(0).status, RecordStatus::End);
    }
}

TEST_F(ReaderTest, DescriptorReaderSeesAppendedRecordsAndLeavesTheOffsetAlone) {
    const auto path = writeFile(root.path() / "f.RX2", rec("LLINE1"));
    const int fd = ::open(path.c_str(), O_RDWR | O_APPEND);
    ASSERT_GE(fd, 0);
    const DataFileReader reader = DataFileReader::onDescriptor(fd, 27);
    EXPECT_EQ(reader.recordCount(), 1u);
    const std::string more = rec("B       2.00");
    ASSERT_EQ(::write(fd, more.data(), more.size()), 27);
    EXPECT_EQ(reader.recordCount(), 2u);
    EXPECT_EQ(reader.recordFromEnd(0).bytes, more);
    EXPECT_EQ(::lseek(fd, 0, SEEK_CUR), 54);
    ::close(fd);
}

TEST(ReaderLayout, RecognisedFromTagExtensionAndProgramName) {
    EXPECT_EQ(layoutFromProductTag(rec("VLXLX2N W108GPS"))->instrument, InstrumentType::Em61Lx2);
    const auto continued = layoutFromProductTag(rec("vLX38MK2W228GPS"));
    ASSERT_TRUE(continued);
    EXPECT_EQ(continued->instrument, InstrumentType::Em38Mk2);
    const auto orv31 = layoutFromProductTag(rec("ORV31   W216GPS", 24));
    ASSERT_TRUE(orv31);
    EXPECT_EQ(orv31->recordLength, 24u);
    EXPECT_FALSE(layoutFromProductTag("hello, world\n"));
    EXPECT_FALSE(layoutFromProductTag("VLX"));

    EXPECT_EQ(layoutFromExtension("/x/240315_000.h31")->recordLength, 24u);
    EXPECT_EQ(layoutFromExtension("240315_000.RGR")->instrument, InstrumentType::Grad601);
    EXPECT_FALSE(layoutFromExtension("notes.txt"));
    EXPECT_FALSE(layoutFromExtension("positions.gxy"));  // every variant writes it

    EXPECT_EQ(layoutFromProgramName("orv31")->recordLength, 24u);
    EXPECT_EQ(layoutFromProgramName("velox61mk2")->instrument, InstrumentType::Em61Mk2);
    EXPECT_FALSE(layoutFromProgramName("velox99"));
}

// One row per record kind and variant difference.
struct DecodeCase {
    const char* name;
    RecordLayout layout;
    std::string record;
    RecordKind kind;
    std::string type;
    std::optional<std::string> text;
    std::optional<Tick> tick;
    std::vector<double> values;
};

TEST(ReaderDecode, EveryRecordKind) {
    const DecodeCase cases[] = {
        {"tag", LX2, rec("VLXLX2  W108GPS10001 11"), RecordKind::ProductTag, "VLXLX2  W", "VLXLX2  W", {}, {}},
        {"continuation tag", LX2, rec("vLXLX2  W108GPS10001 11"), RecordKind::ContinuationTag, "vLXLX2  W",
         "vLXLX2  W", {}, {}},
        {"name", LX2, rec("H240315_007  0.200     0"), RecordKind::Name, "H", "240315_007", {}, {0.2}},
        {"name Grad601", GRAD, rec("HSITE       0.50       0"), RecordKind::Name, "H", "SITE", {}, {0.5}},
        {"GPS setup", LX2, rec("G  0.100 -1.200 7001 1"), RecordKind::GpsSetup, "G", {}, {}, {0.1, -1.2}},
        {"UTM easting", LX2, rec("G    500000.125 31"), RecordKind::UtmEasting, "G", {}, {}, {500000.125}},
        {"UTM northing", LX2, rec("G   4100000.500"), RecordKind::UtmNorthing, "G", {}, {}, {4100000.5}},
        {"null offset in header", LX2, rec("O     1.50"), RecordKind::NullOffset, "O", {}, {}, {1.5}},
        {"null offset with previous", LX2, rec("O     1.50     -0.25         1"), RecordKind::NullOffset, "O", {},
         {}, {1.5, -0.25}},
        {"filter factor", LX2, rec("I     0.75      0.00         1"), RecordKind::FilterFactor, "I", {}, {},
         {0.75, 0.0}},
        {"calibration", EM38MK2, rec("O3     1.250    -2.500"), RecordKind::Calibration, "O3", {}, {}, {1.25, -2.5}},
        {"line", LX2, rec("LLINE1"), RecordKind::Line, "L", "LINE1", {}, {}},
        {"start station", LX2, rec("B      12.50"), RecordKind::StartStation, "B", {}, {}, {12.5}},
        {"direction", LX2, rec("AE            0.500"), RecordKind::Direction, "A", {}, {}, {0.5}},
        {"date", LX2, rec("Z15032024 10:22:33"), RecordKind::Date, "Z", {}, {}, {}},
        {"time mark", LX2, rec("*10:22:33.045   " + tick10(123456)), RecordKind::TimeMark, "*", {}, 123456, {}},
        {"time mark 24", ORV31, rec("*10:22:33.045" + tick10(4294967295), 24), RecordKind::TimeMark, "*", {},
         4294967295u, {}},
        {"station", LX2, rec("S       1.00  10:22:34.000"), RecordKind::Station, "S", {}, {}, {1.0}},
        {"event", LX2, rec("X$STARTED       " + tick10(77)), RecordKind::Event, "X", "$STARTED", 77, {}},
        {"event cut to 11", LX2, rec("XGPS CONN BR    " + tick10(78)), RecordKind::Event, "X", "GPS CONN BR", 78, {}},
        {"event 24", ORV31, rec("XPAUSED      " + tick10(79), 24), RecordKind::Event, "X", "PAUSED", 79, {}},
        {"other sentence", LX2, rec("X$GPVTG,054.7,T,034.4,M,00"), RecordKind::OtherSentence, "X",
         "$GPVTG,054.7,T,034.4,M,00", {}, {}},
        {"empty comment", LX2, rec("C               " + tick10(80)), RecordKind::Comment, "C", "", 80, {}},
        {"GPS first", LX2, rec("@$GPGGA,1"), RecordKind::GpsFirst, "@", "$GPGGA,1", {}, {}},
        {"raw GPS first", LX2, rec("?GPGGA,1"), RecordKind::GpsFirst, "?", "GPGGA,1", {}, {}},
        {"continuation", LX2, rec("#,N,01131"), RecordKind::GpsContinuation, "#", ",N,01131", {}, {}},
        {"raw continuation", LX2, rec("\",N"), RecordKind::GpsContinuation, "\"", ",N", {}, {}},
        {"trailer", LX2, rec("!000005p        " + tick10(81)), RecordKind::GpsTrailer, "!", {}, 81, {}},
        {"swath start", LX2, rec("{0         0.000"), RecordKind::SwathStart, "{0", {}, {}, {0.0}},
        {"swath edge", LX2, rec("{h   4100010.250"), RecordKind::SwathEdge, "{h", {}, {}, {4100010.25}},
        {"EM31 reading", EM31, rec("T\x21-0123 0456 " + std::string(3, ' ') + tick10(90)), RecordKind::Reading, "T",
         "T\x21-0123 0456", 90, {}},
        {"Orv EM31 reading", ORV31, rec("T\x21-0123 0456 " + tick10(91), 24), RecordKind::Reading, "T",
         "T\x21-0123 0456", 91, {}},
        {"EM34-3 station reading", EM34, rec("2\x05 0100      " + std::string(3, ' ') + tick10(92)),
         RecordKind::Reading, "2", "2\x05 0100", 92, {}},
        {"Grad601 reading", GRAD, rec("T$P,12.34,-5.67 " + tick10(93)), RecordKind::Reading, "T", "$P,12.34,-5.67",
         93, {12.34, -5.67}},
        {"EM38-MK2 reading", EM38MK2, rec(std::string("t\x0a\x00\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b", 14) +
                                          "  " + tick10(94)),
         RecordKind::Reading, "t", {}, 94, {}},
    };
    for (const DecodeCase& c : cases) {
        SCOPED_TRACE(c.name);
        const DataRecord r = decodeRecord(c.layout, c.record);
        EXPECT_EQ(r.kind, c.kind);
        EXPECT_EQ(r.type, c.type);
        EXPECT_FALSE(r.damaged()) << r.problem;
        EXPECT_EQ(r.text, c.text);
        EXPECT_EQ(r.tick, c.tick);
        EXPECT_EQ(r.values, c.values);
        EXPECT_EQ(r.bytes, c.record);
    }
}

TEST(ReaderDecode, FieldsBesidesTextTickAndValues) {
    const DataRecord tag = decodeRecord(LX2, rec("VLXLX2  W108GRD10001 11"));
    EXPECT_EQ(tag.version, "108");
    EXPECT_EQ(tag.settings, "GRD10001 11");

    const DataRecord line = decodeRecord(LX2, rec("LLINE1       DEFGH"));
    EXPECT_EQ(line.text, "LINE1");
    EXPECT_EQ(line.nameOverflow, "DEFGH");

    EXPECT_EQ(decodeRecord(LX2, rec("G    500000.125 31")).zone, 31);
    EXPECT_EQ(decodeRecord(LX2, rec("Z15032024 10:22:33")).time, "2024-03-15 10:22:33");
    EXPECT_EQ(decodeRecord(LX2, rec("AE            0.500")).direction, 'E');
    const DataRecord station = decodeRecord(LX2, rec("S      -3.25  10:22:34.000"));
    EXPECT_EQ(station.station, -3.25);
    EXPECT_EQ(station.time, "10:22:34.000");
    const DataRecord trailer = decodeRecord(LX2, rec("!000123         " + tick10(5)));
    EXPECT_EQ(trailer.sentenceCount, 123);
    EXPECT_EQ(trailer.status, ' ');
}

// Binary readings may hold any byte; the record still ends where its length says.
TEST(ReaderDecode, Em61ReadingsHoldingLineFeedsAndZeros) {
    // Words 10 (0x000A), -2 (0xFFFE), 0x0A00, 0; mean current 1536 + 7/100.
    const std::string words = std::string("\x00\x0a\xff\xfe\x0a\x00\x00\x00\x06\x00\x07", 11);
    const std::string lx2 = em61('T', std::string(3, '\0'), 4000000000ul, std::string(1, '\x0a') + words);
    ASSERT_EQ(lx2.size(), 27u);
    const DataRecord r = decodeRecord(LX2, lx2);
    ASSERT_EQ(r.kind, RecordKind::Reading);
    ASSERT_TRUE(r.em61);
    EXPECT_FALSE(r.damaged()) << r.problem;
    EXPECT_EQ(r.em61->letter, 'T');
    EXPECT_EQ(r.em61->gain, 0x0A);
    EXPECT_EQ(r.em61->words, (std::array<std::int16_t, 4>{10, -2, 0x0A00, 0}));
    EXPECT_DOUBLE_EQ(r.em61->meanCurrent, 1536.07);
    EXPECT_EQ(r.tick, 4000000000u);
    EXPECT_FALSE(r.em61->currentWord);

    const std::string mk2 = em61('N', std::string("\x06\x40\x50", 3), 12, std::string(1, '\0') + words);
    const DataRecord m = decodeRecord(MK2, mk2);
    ASSERT_TRUE(m.em61);
    EXPECT_TRUE(m.em61->marker);
    EXPECT_EQ(m.em61->currentWord, 0x0640);
    EXPECT_EQ(m.em61->battery, 0x50);

    // In a file the records around it keep their framing.
    const std::string event = rec("X$STARTED       " + tick10(1));
    const DataFileReader reader = DataFileReader::fromBytes(event + lx2 + mk2 + event, 27);
    EXPECT_EQ(reader.recordCount(), 4u);
    EXPECT_EQ(reader.record(2).bytes, mk2);
    EXPECT_EQ(decodeRecord(LX2, reader.record(3).bytes).kind, RecordKind::Event);
}

TEST(ReaderDecode, ReadingRecognitionDependsOnTheVariant) {
    const std::string tail = tick10(1) + "\n";
    struct Case {
        RecordLayout layout;
        std::string record;
        bool reading;
    } cases[] = {
        {LX2, "Q" + std::string(15, '\0') + tail, true},
        {LX2, "J" + std::string(15, '\0') + tail, false},  // wheel letters are the EM61-MK2's only
        {MK2, "k" + std::string(15, '\0') + tail, true},
        {MK2, rec("vLXMK2  W227GPS"), false},  // a continuation tag, not a wheel reading
        {GRAD, rec("T$P,1,2         " + tick10(1)), true},
        {GRAD, rec("T12345"), false},
        {EM31, rec("T\x21-0123 0456"), true},
        {EM31, rec("2\x21-0123 0456"), false},
        {EM34, rec("6\x21-0123"), true},
        {EM38MK2, "t" + std::string(15, '\x0a') + tail, true},
        {EM38MK2, rec("vLX38MK2W228GPS"), false},
        {EM38MK2, rec("O1     1.000     2.000"), false},
    };
    for (const Case& c : cases) EXPECT_EQ(isReadingRecord(c.layout, c.record), c.reading) << c.record.substr(0, 9);
}

TEST(ReaderDecode, DamagedRecordsAreReportedNotTrusted) {
    struct Case {
        const char* name;
        RecordLayout layout;
        std::string record;
    } cases[] = {
        {"no line feed", LX2, std::string(27, 'L')},
        {"unknown type", LX2, rec("%garbage")},
        {"tick with letters", LX2, rec("Chello          12x4567890")},
        {"tick beyond 32 bits", LX2, rec("*10:22:33.045   9999999999")},
        {"station not a number", LX2, rec("B    abc")},
        {"infinite value", LX2, rec("O      inf")},
        {"bad date", LX2, rec("Z15XX2024 10:22:33")},
        {"reading without tick", LX2, "T" + std::string(25, '\0') + "\n"},
        {"another program's tag", LX2, rec("VLXMK2  W227GPS")},
        {"short record", LX2, "VLXLX2  W108"},
        {"empty record", LX2, ""},
    };
    for (const Case& c : cases) {
        const DataRecord r = decodeRecord(c.layout, c.record);
        EXPECT_TRUE(r.damaged()) << c.name;
    }
}

TEST(ReaderGps, SentenceGroupsAreReassembled) {
    const std::string s25 = "$GPGLL,4916.45,N,12311.12";  // exactly one piece
    const std::string s60 = "$GPGGA,102233.00,4807.038,N,01131.000,E,1,08,0.9,545.4,M,4*7";
    ASSERT_EQ(s25.size(), 25u);
    ASSERT_EQ(s60.size(), 60u);
    const std::string raw = "GPGGA,102233.00,4807.038,N*00";  // no "$": a raw line group
    const std::string trailer = rec("!000007p        " + tick10(500));
    const std::string file = rec("@" + s25) + trailer +                                      // 0-1
                             rec("@" + s60.substr(0, 25)) + rec("#" + s60.substr(25, 25)) +  // 2-3
                             rec("#" + s60.substr(50)) + rec("!000008         " + tick10(501)) +  // 4-5
                             rec("?" + raw.substr(0, 25)) + rec("\"" + raw.substr(25)) +  // 6-7
                             rec("!000008         " + tick10(502)) +
                             rec("@$GPGSA,A,3") + rec("X$STARTED       " + tick10(503)) +  // 9-10: no trailer
                             rec("@$GPGSA,A,3");                                            // 11: file ends
    const DataFileReader reader = DataFileReader::fromBytes(file, 27);

    const auto one = readGpsGroup(reader, 0);
    ASSERT_TRUE(one);
    EXPECT_EQ(one->sentence, s25);
    EXPECT_EQ(one->recordCount, 2u);
    EXPECT_TRUE(one->complete);
    EXPECT_EQ(one->sentenceCount, 7);
    EXPECT_EQ(one->status, 'p');
    EXPECT_EQ(one->tick, 500u);

    const auto three = readGpsGroup(reader, 2);
    ASSERT_TRUE(three);
    EXPECT_EQ(three->sentence, s60);
    EXPECT_EQ(three->recordCount, 4u);
    EXPECT_EQ(three->status, ' ');

    const auto rawGroup = readGpsGroup(reader, 6);
    ASSERT_TRUE(rawGroup);
    EXPECT_EQ(rawGroup->firstType, '?');
    EXPECT_EQ(rawGroup->sentence, raw);
    EXPECT_TRUE(rawGroup->complete);

    for (std::size_t unfinished : {9u, 11u}) {
        const auto g = readGpsGroup(reader, unfinished);
        ASSERT_TRUE(g);
        EXPECT_FALSE(g->complete);
        EXPECT_EQ(g->recordCount, 1u);
        EXPECT_EQ(g->sentence, "$GPGSA,A,3");
    }
    EXPECT_FALSE(readGpsGroup(reader, 1));   // a trailer starts no group
    EXPECT_FALSE(readGpsGroup(reader, 99));  // past the end
}

TEST(ReaderGps, ScannerFlagsBrokenGroupsAndGoesOn) {
    const std::string file = rec("#orphan piece") + rec("@$GPGGA,1") + rec("XPAUSED         " + tick10(1)) +
                             rec("!000001         " + tick10(2)) + rec("@$GPGLL,2") +
                             rec("!000002         " + tick10(3)) + "@$GP";
    const DataFileReader reader = DataFileReader::fromBytes(file, 27);
    RecordScanner scanner(reader, LX2);
    std::vector<ScannedRecord> seen;
    while (auto s = scanner.next()) seen.push_back(*s);
    ASSERT_EQ(seen.size(), 7u);
    EXPECT_TRUE(seen[0].record.damaged());   // continuation outside a group
    EXPECT_TRUE(seen[1].record.damaged());   // group without its trailer
    EXPECT_FALSE(seen[2].record.damaged());  // the event in between reads normally
    EXPECT_TRUE(seen[3].record.damaged());   // trailer outside a group
    ASSERT_TRUE(seen[4].group);
    EXPECT_EQ(seen[4].group->sentence, "$GPGLL,2");
    EXPECT_FALSE(seen[4].record.damaged());
    EXPECT_FALSE(seen[5].record.damaged());
    EXPECT_TRUE(seen[6].record.damaged());  // cut-off last record
    EXPECT_EQ(seen[6].index, 6u);
    EXPECT_FALSE(scanner.next());
}

TEST(ReaderSurveyStart, FoundOnlyAmongTheFirst300Records) {
    const std::string filler = rec("LLINE1");
    const std::string start = rec("X$STARTED       " + tick10(9));
    std::string early, late;
    for (int i = 0; i < 5; ++i) early += filler;
    for (int i = 0; i < 300; ++i) late += filler;
    EXPECT_EQ(findSurveyStart(DataFileReader::fromBytes(early + start, 27)), 5u);
    EXPECT_FALSE(findSurveyStart(DataFileReader::fromBytes(late + start, 27)));
    // An "X" sentence record or a comment reading "$START" does not count.
    EXPECT_FALSE(findSurveyStart(DataFileReader::fromBytes(rec("C$STARTED") + rec("X$GPSTART,1"), 27)));
    EXPECT_FALSE(findSurveyStart(DataFileReader::fromBytes("", 27)));
}

TEST_F(ReaderTest, WholeFileReportsEmptyForeignAndCutOff) {
    struct Case {
        const char* name;
        std::string bytes;
        FileReport expected;
    } cases[] = {
        {"empty", "", {true, false, 0, 0}},
        {"own file", rec("VLXLX2  W108GPS") + rec("H1"), {false, false, 2, 0}},
        {"continued own file", rec("VLXLX1  W108GPS") + rec("vLXLX1  W108GPS"), {false, false, 2, 0}},
        {"cut-off last record", rec("VLXLX2  W108GPS") + "H1", {false, false, 1, 2}},
        {"text file of another program", std::string(60, 'x'), {false, true, 2, 6}},
        {"another variant's file", rec("VLXMK2  W227GPS"), {false, true, 1, 0}},
        {"shorter than the tag", "VLX", {false, true, 0, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DataFileReader reader(writeFile(root.path() / "f.RX2", c.bytes), 27);
        const FileReport r = inspectDataFile(reader, LX2);
        EXPECT_EQ(r.empty, c.expected.empty);
        EXPECT_EQ(r.foreign, c.expected.foreign);
        EXPECT_EQ(r.records, c.expected.records);
        EXPECT_EQ(r.trailingBytes, c.expected.trailingBytes);
    }
}

}  // namespace
}  // namespace velox
