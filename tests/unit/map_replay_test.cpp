// Replaying an EM61-LX2 data file onto the map draws what the live map drew.

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "acquisition/em61_decode.h"
#include "acquisition/em61_handler.h"
#include "config/survey_config.h"
#include "config/survey_context.h"
#include "data_file_test_support.h"
#include "display/swath.h"
#include "logging/data_file.h"
#include "review/map_replay.h"
#include "swath_test_support.h"

namespace velox {
namespace {

using test::RecordingSurface;

// A reading whose channel words rise with `level`.
Em61Record readingRecord(int level) {
    Em61Record r{};
    r[0] = 'T';
    const int words[4] = {level * 7, level * 3, 40 + level * 5, level * 2};
    for (int w = 0; w < 4; ++w) {
        r[2 + 2 * w] = static_cast<uint8_t>(words[w] >> 8);
        r[3 + 2 * w] = static_cast<uint8_t>(words[w] & 0xFF);
    }
    storeMeanCurrent(r, LX2_NOMINAL_CURRENT);
    return r;
}

// A survey logged as the live program does it: readings feed the colour
// buffer and the file, each fix turns the buffer and steps the swath, whose
// records go to the same file.
class LiveSurvey {
public:
    LiveSurvey(const std::filesystem::path& path, int colourMapView) : file_(context_.variant) {
        config_.colourMapView = colourMapView;
        config_.positionSize = 5;
        config_.sensorCountIndex = 1;
        config_.readingScaleMin = -5000;
        config_.readingScaleMax = 30000;
        config_.lastNullValues = {5, 2, -3, 1};
        config_.filterFactorLeft = 400;
        config_.filterFactorRight = 250;
        deriveSettingsValues(context_.variant, config_, context_);
        context_.derived.workingGpsOffsetY = 0.7;  // trailing sensor
        swath_.updateScale();
        swath_.setSurface(&surface);
        EXPECT_TRUE(file_.open(path));
        swath_.setRecordWriter([this](int n, double lx, double ly, double rx, double ry) {
            file_.writeSwathEdge(n, lx, ly, rx, ry);
        });
        file_.writeHeader(false, config_, HeaderValues{});
        file_.writeLineStart(config_, LineStartValues{});
        file_.writeEvent(u"$STARTED");
    }

    void readings(std::initializer_list<int> levels) {
        for (int level : levels) {
            Em61Record record = readingRecord(level);
            const auto decoded = decodeRecordedLx2Two(record, config_.lastNullValues);
            Lx2Reading reading;
            reading.channels = decoded->channels;
            reading.filtered = {
                filteredChannel(reading.early(0), reading.late(0), context_.derived.filterCoefficientLeft),
                filteredChannel(reading.early(1), reading.late(1), context_.derived.filterCoefficientRight)};
            if (swath_.collecting())
                if (const auto entry = colourEntryOf(reading, 2, config_.colourMapView, swath_))
                    swath_.colourBufferAppend(*entry);
            file_.writeReading(std::string_view(reinterpret_cast<const char*>(record.data()), record.size()), 1000);
        }
    }

    void fix(double easting, double northing) {
        swath_.colourBuffer().colourBufferRotate(true, true, config_.colourMapView > 0, true);
        swath_.swathStep(northing, easting);
    }

    void nullOffsets(const std::array<double, 4>& offsets) {
        file_.writeNullOffsets(offsets, config_.lastNullValues);
        config_.lastNullValues = offsets;
    }

    void filterFactors(double left, double right) {
        file_.writeFilterFactors(left, right, config_.filterFactorLeft, config_.filterFactorRight);
        config_.filterFactorLeft = left;
        config_.filterFactorRight = right;
        context_.derived.filterCoefficientLeft = filterCoefficientFromFactor(left);
        context_.derived.filterCoefficientRight = filterCoefficientFromFactor(right);
    }

    void pauseAndResume() {
        swath_.suspendCollection();
        file_.writeEvent(u"PAUSED");
        swath_.swathReset();
        file_.writeEvent(u"$STARTED");
    }

    void event(std::u16string_view text, char type = REC_EVENT) { file_.writeEvent(text, type); }
    void close() { file_.close(); }
    const SurveyConfig& config() const { return config_; }
    const ColourScale& scale() const { return swath_.scale(); }

    RecordingSurface surface;

private:
    SurveyConfig config_;
    SurveyContext context_;
    DataFile file_;
    ColourSwath swath_{config_, context_};
};

void runSurvey(LiveSurvey& live) {
    live.fix(0, 0);
    live.readings({1, 5, 9});
    live.fix(0, 1);
    live.readings({20, 30, 40, 50});
    live.fix(0.5, 2);
    live.readings({60});
    live.nullOffsets({40, 10, -20, 8});
    live.readings({70, 80});
    live.fix(1, 3);
    live.filterFactors(300, 500);
    live.readings({90, 100, 110});
    live.fix(1.2, 4.5);
    live.pauseAndResume();
    live.readings({120, 130});  // before the first fix after the resume: not drawn
    live.fix(5, 5);
    live.readings({140, 150});
    live.fix(5, 6);
    live.event(u"GPS CONN BRK");  // the live map keeps collecting through a GPS break
    live.readings({160, 170});
    live.fix(5, 8);
    live.fix(5, 9);  // no reading: left white
    live.readings({180});
    live.close();
}

TEST(MapReplay, ReplayingTheFileDrawsWhatTheLiveMapDrew) {
    for (int view : {3, 1, 0}) {
        test::TempDataRoot root;
        const auto path = root.path() / "survey.RX2";
        LiveSurvey live(path, view);
        runSurvey(live);

        RecordingSurface replayed;
        const DataFileReader reader(path, RECORD_LENGTH);
        const MapReplayResult result = replayFileToMap(reader, live.config(), live.scale(), replayed);
        EXPECT_TRUE(result.startFound);
        if (view > 0) {
            ASSERT_FALSE(live.surface.segments.empty());
            std::set<int> colours;
            for (const auto& s : live.surface.segments) colours.insert(s.colour);
            EXPECT_GE(colours.size(), 4u) << "the survey shows several colours";
            EXPECT_EQ(replayed.segments, live.surface.segments) << "view " << view;
        } else {
            EXPECT_FALSE(live.surface.lines.empty());
            EXPECT_EQ(replayed.lines, live.surface.lines);
            EXPECT_TRUE(replayed.segments.empty());
        }
    }
}

// ---- files built record by record --------------------------------------

std::string padded(std::string text) {
    text.resize(RECORD_LENGTH - 1, ' ');
    return text + '\n';
}

std::string swathRecord(char sub, double value) {
    char text[32];
    std::snprintf(text, sizeof text, "{%c%14.3f", sub, value);
    return padded(text);
}

// An edge across travel northwards at northing `y`, from x 0 to x 1.
std::string edge(char first, double y) {
    return swathRecord(first, 0) + swathRecord(first + 1, y) + swathRecord(first + 2, 1) + swathRecord(first + 3, y);
}

std::string reading(int level) {
    const Em61Record r = readingRecord(level);
    return padded(std::string(reinterpret_cast<const char*>(r.data()), r.size()) + "      1000");
}

std::string nullOffsetRecord(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "O%9.2f", value);
    return padded(text);
}

// An event or comment record: 11 characters of text, then the tick.
std::string eventRecord(const std::string& text, char type = REC_EVENT) {
    char record[32];
    std::snprintf(record, sizeof record, "%c%-11.11s    %10u", type, text.c_str(), 5000u);
    return padded(record);
}

const std::string kTag = padded("VLXLX2  W108GPS");
const std::string kStart = eventRecord("$STARTED");

struct ReplayFixture {
    SurveyConfig config;
    ColourScale scale;
    RecordingSurface surface;

    ReplayFixture() {
        config.colourMapView = 1;
        config.sensorCountIndex = 1;
        config.readingScaleMin = 0;
        config.readingScaleMax = 30000;
        scale.update(InstrumentType::Em61Lx2, config);
    }
    MapReplayResult replay(const std::string& bytes, const ReplayProgress& progress = {}) {
        return replayFileToMap(DataFileReader::fromBytes(bytes, RECORD_LENGTH), config, scale, surface, progress);
    }
    std::set<int> colours() const {
        std::set<int> c;
        for (const auto& s : surface.segments) c.insert(s.colour);
        return c;
    }
};

TEST(MapReplay, RecordsThatEndOrInterruptASegment) {
    const std::string segmentStart = swathRecord('0', 0) + edge('a', 0);
    const struct {
        const char* what;
        std::string between;  // after one reading, before the next reading and the closing edge
        bool secondReadingCounts;
        bool laterStripColoured;
    } cases[] = {
        {"nothing", "", true, true},
        {"a GPS break", eventRecord("GPS CONN BRK"), true, true},
        {"another event", eventRecord("1CONN BRK 1"), true, true},
        {"a comment", eventRecord("note", REC_COMMENT), false, true},
        {"a line start", padded("L2"), false, true},
        {"a station", padded("S      12.00"), false, true},
        {"a pause", eventRecord("PAUSED"), false, false},
        {"a pause at the map limit", eventRecord("PAUSED BMP"), false, false},
        {"a continuation header", padded("vLXLX2  W108GPS"), false, false},
    };
    for (const auto& c : cases) {
        ReplayFixture f;
        const std::string bytes = kTag + kStart + segmentStart + reading(10) + c.between + reading(200) +
                                  edge('e', 1) + reading(100) + edge('e', 2);
        f.replay(bytes);
        const int low = f.scale.colourIndexOf(decodeRecordedLx2Two(readingRecord(10), {})->channels[0], false);
        const int high = f.scale.colourIndexOf(decodeRecordedLx2Two(readingRecord(200), {})->channels[0], false);
        const int later = f.scale.colourIndexOf(decodeRecordedLx2Two(readingRecord(100), {})->channels[0], false);
        ASSERT_EQ((std::set<int>{low, high, later}).size(), 3u) << "three tellable colours";
        const std::set<int> colours = f.colours();
        EXPECT_TRUE(colours.count(low)) << c.what;
        EXPECT_EQ(colours.count(high) > 0, c.secondReadingCounts) << c.what;
        EXPECT_EQ(colours.count(later) > 0, c.laterStripColoured) << c.what;
    }
}

TEST(MapReplay, NullOffsetsInForceApplyToTheReadingsAfterThem) {
    const std::string segment = swathRecord('0', 0) + edge('a', 0);
    const struct {
        const char* what;
        std::string offsets;
        double expectedOffset;
    } cases[] = {
        {"a whole group", nullOffsetRecord(500) + nullOffsetRecord(0) + nullOffsetRecord(0) + nullOffsetRecord(0),
         500},
        {"a broken group", nullOffsetRecord(500) + nullOffsetRecord(0), 0},
    };
    for (const auto& c : cases) {
        ReplayFixture f;
        f.replay(kTag + kStart + segment + c.offsets + reading(100) + edge('e', 1));
        const double early = decodeRecordedLx2Two(readingRecord(100), {})->channels[0];
        ASSERT_FALSE(f.surface.segments.empty()) << c.what << ": the reading after the group still counts";
        EXPECT_EQ(f.surface.segments.front().colour, f.scale.colourIndexOf(early - c.expectedOffset, false))
            << c.what;
    }
}

TEST(MapReplay, AnEdgeWithAnUnreadableValueIsNotDrawn) {
    ReplayFixture f;
    const std::string damaged = swathRecord('e', 0) + padded("{f    not a number") + swathRecord('g', 1) +
                                swathRecord('h', 1);
    const MapReplayResult result = f.replay(kTag + kStart + swathRecord('0', 0) + edge('a', 0) + reading(10) +
                                            damaged + reading(20) + edge('e', 2) + reading(30) + edge('e', 3));
    EXPECT_EQ(result.edges, 1u) << "no strip to or from the damaged edge, the next one again";
    ASSERT_FALSE(f.surface.segments.empty());
    for (const auto& s : f.surface.segments) EXPECT_GE(s.from.y, static_cast<int>(2 * test::PIXELS_PER_UNIT));
}

TEST(MapReplay, WithoutAStartRecordReplayBeginsAfterTheFirst300Records) {
    ReplayFixture f;
    std::string bytes = kTag;
    // A whole strip inside the first 300 records is skipped.
    bytes += swathRecord('0', 0) + edge('a', 0) + reading(10) + edge('e', 1);
    while (bytes.size() < 300 * RECORD_LENGTH) bytes += eventRecord("filler", REC_COMMENT);
    bytes += swathRecord('0', 0) + edge('a', 10) + reading(150) + edge('e', 11);
    const MapReplayResult result = f.replay(bytes);
    EXPECT_FALSE(result.startFound);
    EXPECT_EQ(result.edges, 1u);
    ASSERT_FALSE(f.surface.segments.empty());
    EXPECT_GE(f.surface.segments.front().from.y, static_cast<int>(10 * test::PIXELS_PER_UNIT));
}

TEST(MapReplay, ACutOffFileKeepsTheStripsDrawnBeforeTheCut) {
    ReplayFixture f;
    const std::string whole = kTag + kStart + swathRecord('0', 0) + edge('a', 0) + reading(10) + edge('e', 1) +
                              reading(20) + edge('e', 2);
    const std::string cut = whole.substr(0, whole.size() - 2 * RECORD_LENGTH - 5);  // inside the last edge
    const MapReplayResult result = f.replay(cut);
    EXPECT_EQ(result.edges, 1u);
    for (const auto& s : f.surface.segments) EXPECT_LE(s.from.y, static_cast<int>(test::PIXELS_PER_UNIT));
}

// A clock that moves 100 ms each time it is read.
class SteppingClock : public Clock {
public:
    SteppingClock() { setClock(this); }
    ~SteppingClock() override { setClock(nullptr); }
    Tick now() override { return tick += 100; }
    void wait(uint32_t ms) override { tick += ms; }
    Tick tick = 0;
};

TEST(MapReplay, ProgressIsReportedEvery750Milliseconds) {
    SteppingClock clock;
    ReplayFixture f;
    std::string bytes = kTag + kStart;
    for (int i = 0; i < 200; ++i) bytes += reading(i);
    std::vector<Tick> calls;
    f.replay(bytes, [&] { calls.push_back(clock.tick); });
    ASSERT_GE(calls.size(), 2u);
    for (size_t i = 1; i < calls.size(); ++i) EXPECT_GE(calls[i] - calls[i - 1], REPLAY_PROGRESS_MS);
    EXPECT_LE(calls[1] - calls[0], REPLAY_PROGRESS_MS + 300) << "not much later either";
}

}  // namespace
}  // namespace velox
