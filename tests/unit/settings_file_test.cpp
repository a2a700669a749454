#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>

#include "config/settings_file.h"
#include "config/survey_config.h"
#include "config/survey_context.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "test_support.h"

namespace velox {
namespace {

const Variant kLx2{InstrumentType::Em61Lx2, ProductLine::Velox, {}};

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::filesystem::path& path, const std::string& content) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

std::vector<std::string> splitCrLf(const std::string& content) {
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < content.size()) {
        const size_t end = content.find("\r\n", pos);
        if (end == std::string::npos) {
            lines.push_back(content.substr(pos));
            break;
        }
        lines.push_back(content.substr(pos, end - pos));
        pos = end + 2;
    }
    return lines;
}

// A freshly started program: start-up defaults, then the file.
struct Program {
    Variant variant;
    SurveyConfig config;
    SurveyContext context;
    explicit Program(Variant v = kLx2) : variant(v) { applyStartupDefaults(variant, config, context); }
    SettingsOutcome load() { return loadSettings(variant, config, context); }
    std::filesystem::path file() const { return settingsFilePath(settingsStem(variant)); }
};

// Gives every line of the layout a value of its own, so that a line read
// into the wrong field shows.
void fillDistinctValues(InstrumentType type, SurveyConfig& config) {
    int n = 0;
    for (const SettingLine& line : settingsLayout(type, config)) {
        ++n;
        if (auto* i = std::get_if<int*>(&line)) **i = 1000 + n;
        else if (auto* l = std::get_if<long*>(&line)) **l = 2000 + n;
        else if (auto* d = std::get_if<double*>(&line)) **d = n + 0.125;
        else *std::get<TextSetting>(line).text = u"t" + fromUtf8(std::to_string(n));
    }
}

TEST(SettingsFile, FirstStartWritesTheDefaultsIntoANewFolder) {
    test::TempDataRoot root;
    Program p;
    EXPECT_EQ(p.load(), SettingsOutcome::CreatedDefaults);

    const std::string content = readFile(p.file());
    const auto lines = splitCrLf(content);
    ASSERT_EQ(lines.size(), 96u);
    EXPECT_EQ(lines[0], "Ver1.08");
    EXPECT_EQ(lines[1], root.path().string());  // data folder: the home folder
    EXPECT_EQ(lines[8], "3");
    EXPECT_EQ(lines[13], "2");  // colour map view: late channel
    EXPECT_EQ(lines[33], "500.000000");
    EXPECT_EQ(lines[51], "1");
    EXPECT_EQ(lines[59], "16711680");
    EXPECT_EQ(lines[94], "310.000000");
    EXPECT_EQ(content.substr(content.size() - 2), "\r\n");
    EXPECT_EQ(std::count(content.begin(), content.end(), '\n'), 96);

    // The second start reads what the first wrote.
    Program again;
    EXPECT_EQ(again.load(), SettingsOutcome::Loaded);
    EXPECT_EQ(formatSettings(again.variant, again.config), content);
}

TEST(SettingsFile, EveryFamilyWritesAndReadsBackEveryField) {
    struct Case {
        InstrumentType type;
        size_t valueLines;
    };
    const Case cases[] = {
        {InstrumentType::Em61Lx2, 95}, {InstrumentType::Em61Mk2, 83}, {InstrumentType::Em31Mk2, 82},
        {InstrumentType::Em38, 82},    {InstrumentType::Em34_3, 84},  {InstrumentType::Em38Mk2, 88},
        {InstrumentType::Grad601, 63},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(instrumentName(c.type));
        test::TempDataRoot root;
        Program writer({c.type, ProductLine::Velox, {}});
        fillDistinctValues(c.type, writer.config);
        ASSERT_TRUE(saveSettings(writer.variant, writer.config));
        const std::string written = readFile(writer.file());
        EXPECT_EQ(splitCrLf(written).size(), c.valueLines + 1);

        Program reader({c.type, ProductLine::Velox, {}});
        // Rules applied on load would hide a misplaced line; keep them quiet.
        reader.config.instrumentEnabled = 1;
        EXPECT_EQ(reader.load(), SettingsOutcome::Loaded);
        SurveyConfig expected = writer.config;
        if (isGrad601(c.type)) expected.geometryUnits = 0;  // always metres
        EXPECT_EQ(formatSettings(reader.variant, reader.config), formatSettings(writer.variant, expected));
    }
}

TEST(SettingsFile, FieldsLandWhereTheLayoutsPutThem) {
    test::TempDataRoot root;
    // Shared layout: EM34-3 has its reference after the Y offset and its
    // samples after the dipole mode; the EM61-MK2 has neither.
    SurveyConfig c;
    c.em34Reference = 2;
    c.samplesPerReading = 17;
    c.dipoleMode = 4;
    auto lines = splitCrLf(formatSettings({InstrumentType::Em34_3, ProductLine::Velox, {}}, c));
    EXPECT_EQ(lines[46], "2");   // em34Reference
    EXPECT_EQ(lines[49], "4");   // dipoleMode
    EXPECT_EQ(lines[50], "17");  // samplesPerReading

    // Grad601: the second swath-width line is the one that counts.
    Program grad({InstrumentType::Grad601, ProductLine::Velox, {}});
    lines = splitCrLf(formatSettings(grad.variant, grad.config));
    lines[5] = "3";
    lines[34] = "6";
    std::string content;
    for (const auto& l : lines) content += l + "\r\n";
    writeFile(grad.file(), content);
    grad.load();
    EXPECT_EQ(grad.config.swathWidthIndex, 6);
}

TEST(SettingsFile, AnotherVersionIsReplacedByTheDefaults) {
    test::TempDataRoot root;
    Program p;
    std::string old = "Ver1.07\r\n";
    for (int i = 0; i < 95; ++i) old += "7\r\n";
    writeFile(p.file(), old);
    EXPECT_EQ(p.load(), SettingsOutcome::ReplacedOtherVersion);
    EXPECT_EQ(p.config.instrumentPort, 3);
    EXPECT_EQ(splitCrLf(readFile(p.file()))[0], "Ver1.08");
    EXPECT_EQ(readFile(p.file()), formatSettings(p.variant, Program().config));

    // The tag comparison is exact: another product line's file is foreign too.
    Program orv({InstrumentType::Em61Lx2, ProductLine::Orv, {}});
    writeFile(orv.file(), "ver1.00\r\n");
    EXPECT_EQ(orv.load(), SettingsOutcome::ReplacedOtherVersion);
}

TEST(SettingsFile, LoadRulesAndDerivedValues) {
    test::TempDataRoot root;
    Program p;
    p.load();
    p.config.colourMapView = 2;
    p.config.instrumentEnabled = 0;
    p.config.readingPeriod = 0.2;
    p.config.surveyMode = SURVEY_WHEEL;
    p.config.gpsOffsetY = 0.75;
    p.config.cursorSize = 5;
    p.config.filterFactorLeft = 400.0;
    saveSettings(p.variant, p.config);

    Program q;
    q.load();
    EXPECT_EQ(q.config.colourMapView, 0);
    EXPECT_EQ(q.context.derived.readingPeriodMs, 200u);
    EXPECT_EQ(q.context.derived.recordsPerReading, 4u);
    EXPECT_EQ(q.context.derived.stationIncrement, 0.2);
    EXPECT_EQ(q.context.derived.workingSurveyMode, SURVEY_WHEEL);
    EXPECT_EQ(q.context.derived.activeSurveyMode, SURVEY_WHEEL);
    EXPECT_EQ(q.context.derived.workingGpsOffsetY, 0.75);
    EXPECT_EQ(q.context.derived.cursorWidth, 19);
    EXPECT_EQ(q.context.derived.cursorHeight, 9);
    EXPECT_DOUBLE_EQ(q.context.derived.filterCoefficientLeft, 3.46875);
    EXPECT_EQ(q.context.derived.previousFilterFactorLeft, 400.0);

    // Orv programs never draw the colour image.
    Program orv({InstrumentType::Em61Lx2, ProductLine::Orv, {}});
    EXPECT_EQ(orv.config.colourMapView, 0);
    orv.config.colourMapView = 3;
    saveSettings(orv.variant, orv.config);
    EXPECT_EQ(splitCrLf(readFile(orv.file()))[13], "0");
}

TEST(SettingsFile, RecordsPerReadingAndReadingPeriod) {
    struct Case {
        double period;
        uint32_t ms;
        uint32_t records;
    };
    const Case cases[] = {{0.2, 200, 4}, {0.01, 10, 1}, {0.57, 570, 10}, {1.0, 1000, 18}, {0.0, 0, 1}, {-3.0, 0, 1}};
    for (const Case& c : cases) {
        SurveyConfig config;
        SurveyContext context;
        config.readingPeriod = c.period;
        deriveSettingsValues(kLx2, config, context);
        EXPECT_EQ(context.derived.readingPeriodMs, c.ms) << c.period;
        EXPECT_EQ(context.derived.recordsPerReading, c.records) << c.period;
    }
    // EM38 and EM34-3 use the period measured at connection.
    SurveyConfig config;
    config.readingPeriod = 1.0;
    const Variant em38{InstrumentType::Em38, ProductLine::Velox, {}};
    EXPECT_EQ(recordsPerReading(em38, config, 0.0), 1u);
    EXPECT_EQ(recordsPerReading(em38, config, 91.0), 11u);
}

TEST(SettingsFile, FilterFactorAndCoefficient) {
    EXPECT_NEAR(filterCoefficientFromFactor(310.0), 2.7037037, 1e-6);
    EXPECT_DOUBLE_EQ(filterCoefficientFromFactor(400.0), 3.46875);
    EXPECT_NEAR(filterFactorFromCoefficient(filterCoefficientFromFactor(310.0)), 310.0, 1e-9);
    EXPECT_NEAR(filterFactorFromCoefficient(3.46875), 400.0, 1e-9);
    // Both branches meet at the switch-over without a jump worth a factor.
    EXPECT_NEAR(filterCoefficientFromFactor(352.8), filterCoefficientFromFactor(352.81), 0.01);
}

TEST(SettingsFile, SwathExtents) {
    struct Case {
        Variant variant;
        int sensorCountIndex;
        int swathWidthIndex;
        double offsetX;
        int mapUnits;
        double left, right;
    };
    const Variant em38{InstrumentType::Em38, ProductLine::Velox, {}};
    const Variant grad{InstrumentType::Grad601, ProductLine::Velox, {}};
    const Variant mk2{InstrumentType::Em61Mk2, ProductLine::Velox, {}};
    const Case cases[] = {
        {kLx2, 1, 5, 0.5, UNITS_METRES, 1.53, 0.53},
        {kLx2, 1, 5, 0.5, UNITS_FEET, 1.53 / 0.3048, 0.53 / 0.3048},
        {kLx2, 0, 11, 0.0, UNITS_METRES, 1.03, 1.03},
        {mk2, 0, 0, 0.0, UNITS_METRES, 0.25, 0.25},   // 1 x 0.5 m coil at 50 %
        {em38, 0, 7, -0.3, UNITS_FEET, 4.7, 5.3},     // metres whatever the units
        {em38, 0, 99, 0.0, UNITS_METRES, 5.0, 5.0},   // out-of-range index: widest
        {grad, 0, 3, 0.0, UNITS_METRES, 0.5, 0.5},    // swath bar 1 m
        {grad, 1, 3, 0.0, UNITS_METRES, 1.0, 1.0},    // 2 x separation 1 m
    };
    for (const Case& c : cases) {
        SurveyConfig config;
        SurveyContext context;
        config.sensorCountIndex = c.sensorCountIndex;
        config.swathWidthIndex = c.swathWidthIndex;
        config.gpsOffsetX = c.offsetX;
        config.mapUnits = c.mapUnits;
        computeSwathExtents(c.variant, config, context);
        EXPECT_NEAR(context.derived.swathToLeftEdgeMap, c.left, 1e-4) << instrumentName(c.variant.instrumentType);
        EXPECT_NEAR(context.derived.swathToRightEdgeMap, c.right, 1e-4) << instrumentName(c.variant.instrumentType);
    }
    // The worked example in feet, to four decimals.
    SurveyConfig config;
    SurveyContext context;
    config.gpsOffsetX = 0.5;
    config.mapUnits = UNITS_FEET;
    computeSwathExtents(kLx2, config, context);
    EXPECT_NEAR(context.derived.swathToLeftEdgeMap, 5.0197, 5e-5);
    EXPECT_NEAR(context.derived.swathToRightEdgeMap, 1.7388, 5e-5);
}

TEST(SettingsFile, TextsKeepTheirLimits) {
    test::TempDataRoot root;
    Program p;
    p.config.surveyLine = u"ABCDEFGHIJKLMNO";  // exactly 15
    p.config.dataFolder = u"/data/Jörg";
    saveSettings(p.variant, p.config);
    Program q;
    q.load();
    EXPECT_EQ(q.config.surveyLine, u"ABCDEFGHIJKLMNO");
    EXPECT_EQ(q.config.dataFolder, u"/data/Jörg");

    p.config.surveyLine = u"ABCDEFGHIJKLMNOPQ";
    p.config.dataFolder = std::u16string(300, u'd');
    saveSettings(p.variant, p.config);
    Program r;
    r.load();
    EXPECT_EQ(r.config.surveyLine, u"ABCDEFGHIJKLMNO");
    EXPECT_EQ(r.config.dataFolder.size(), kFolderTextLimit);
}

TEST(SettingsFile, DamagedFilesLoadAndTheNextSaveIsComplete) {
    const std::string tag = "Ver1.08\r\n";
    const std::string longFolder(5000, 'f');
    struct Case {
        const char* what;
        std::string content;
    };
    const Case cases[] = {
        {"tag only", tag},
        {"tag without line end", "Ver1.08"},
        {"too few lines", tag + "/data\r\n/bg\r\n0\r\n"},
        {"no numbers", tag + "/d\r\n/b\r\nzwei\r\nnan\r\ninf\r\n0x1F\r\n-\r\n.\r\n"},
        {"over-long lines", tag + longFolder + "\r\n" + longFolder + "\r\n" + std::string(10000, '7') + "\r\n"},
        {"binary bytes", tag + std::string("\0\x01\xFF\r\n\x80\x81\n\n\r\r\n", 12) + std::string(300, '\xEE')},
        {"LF only", "Ver1.08\n/d\n/b\n0\n"},
        {"no final line end", tag + "/d\r\n/b\r\n0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDataRoot root;
        Program p;
        writeFile(p.file(), c.content);
        EXPECT_EQ(p.load(), SettingsOutcome::Loaded);
        EXPECT_LE(p.config.dataFolder.size(), kFolderTextLimit);
        EXPECT_LE(p.config.backgroundFolder.size(), kFolderTextLimit);
        EXPECT_LE(p.config.surveyLine.size(), kSurveyLineLimit);
        // Fields past the end of the file keep their defaults.
        EXPECT_EQ(p.config.filterFactorRight, 310.0);
        EXPECT_EQ(p.config.gpsPort, 5);
        ASSERT_TRUE(saveSettings(p.variant, p.config));
        EXPECT_EQ(splitCrLf(readFile(p.file())).size(), 96u);
    }
}

TEST(SettingsFile, NumbersAreReadForgivingly) {
    EXPECT_EQ(parseSettingInteger("  42"), 42);
    EXPECT_EQ(parseSettingInteger("-7"), -7);
    EXPECT_EQ(parseSettingInteger("+7"), 7);
    EXPECT_EQ(parseSettingInteger("12abc"), 12);
    EXPECT_EQ(parseSettingInteger("3.9"), 3);
    EXPECT_EQ(parseSettingInteger("abc"), 0);
    EXPECT_EQ(parseSettingInteger("99999999999999999999999"), std::numeric_limits<long>::max());
    EXPECT_DOUBLE_EQ(parseSettingDouble("500.000000"), 500.0);
    EXPECT_DOUBLE_EQ(parseSettingDouble(" -20.5"), -20.5);
    EXPECT_DOUBLE_EQ(parseSettingDouble(".25"), 0.25);
    EXPECT_DOUBLE_EQ(parseSettingDouble("1e3"), 1000.0);
    EXPECT_EQ(parseSettingDouble("nan"), 0.0);
    EXPECT_EQ(parseSettingDouble("1e999"), 0.0);
    EXPECT_EQ(parseSettingDouble("0x10"), 0.0);

    // An integer field holding a number beyond int is limited, not wrapped.
    SurveyConfig c;
    parseSettingsLines(InstrumentType::Em61Lx2, "/d\r\n/b\r\n99999999999\r\n", c);
    EXPECT_EQ(c.sensorCountIndex, std::numeric_limits<int>::max());
}

TEST(SettingsFile, UnwritableFolderRunsOnTheValuesInMemory) {
    test::TempDataRoot root;
    // The data root is a plain file: no folder can be made below it.
    const auto blocker = root.path() / "blocker";
    writeFile(blocker, "x");
    setenv("PROGRAMDATA", blocker.c_str(), 1);
    Program p;
    p.config.surveyLine = u"L7";
    EXPECT_EQ(p.load(), SettingsOutcome::NotStored);
    EXPECT_EQ(p.config.surveyLine, u"L7");
    EXPECT_FALSE(saveSettings(p.variant, p.config));
}

TEST(SettingsFile, ResetDeletesTheFileAndLeavesNothingBehind) {
    test::TempDataRoot root;
    Program p;
    resetSettings(p.variant);  // no file yet: nothing happens
    EXPECT_FALSE(std::filesystem::exists(p.file()));
    p.load();
    ASSERT_TRUE(std::filesystem::exists(p.file()));
    resetSettings(p.variant);
    EXPECT_FALSE(std::filesystem::exists(p.file()));
    EXPECT_TRUE(std::filesystem::is_empty(p.file().parent_path()));
}

TEST(SettingsFile, StartupDefaultsPerVariant) {
    struct Case {
        InstrumentType type;
        int colourMapView;
        int firstLineWidth;
        double offsetX;
        int swath;
        Colour colour3;
    };
    const Case cases[] = {
        {InstrumentType::Em61Lx2, 2, 2, 0.0, 5, 0xFF00FF}, {InstrumentType::Em61Mk2, 3, 2, 0.0, 5, 0xFF00FF},
        {InstrumentType::Em31Mk2, 1, 3, -0.3, 2, 0xFF00FF}, {InstrumentType::Em38, 1, 3, -0.3, 1, 0xFF00FF},
        {InstrumentType::Em34_3, 1, 3, 0.0, 2, 0xFFFF00},  {InstrumentType::Em38Mk2, 1, 3, -0.3, 1, 0x4080FF},
        {InstrumentType::Grad601, 1, 2, 0.0, 1, 0xFF00FF},
    };
    for (const Case& c : cases) {
        Program p({c.type, ProductLine::Velox, {}});
        EXPECT_EQ(p.config.colourMapView, c.colourMapView) << instrumentName(c.type);
        EXPECT_EQ(p.config.profileLineWidth[0], c.firstLineWidth) << instrumentName(c.type);
        EXPECT_EQ(p.config.gpsOffsetX, c.offsetX) << instrumentName(c.type);
        EXPECT_EQ(p.config.swathWidthIndex, c.swath) << instrumentName(c.type);
        EXPECT_EQ(p.config.profileColour[3], c.colour3) << instrumentName(c.type);
    }
}

}  // namespace
}  // namespace velox
