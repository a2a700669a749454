// Proposing a data file name, recognising existing files, and creating a
// data file through a scripted save-file dialog.

#include <deque>

#include "data_file_test_support.h"
#include "logging/data_file_naming.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace velox::test {
namespace {

constexpr Variant kLx2{InstrumentType::Em61Lx2, ProductLine::Velox};
constexpr Variant kOrvLx2{InstrumentType::Em61Lx2, ProductLine::Orv};

void touch(const std::filesystem::path& path, const std::string& bytes = "") { writeFile(path, bytes); }

TEST(DataFileNaming, ProposesTheFirstFreeNumberOfTheDay) {
    TempDataRoot root;
    const std::filesystem::path folder = root.path() / "data";
    const DataFileKind kind = dataFileKind(kLx2, 1);

    EXPECT_EQ(proposeDataFileName(folder, kind, kLocalTime), "240315_000");
    EXPECT_TRUE(std::filesystem::is_directory(folder)) << "the data folder is created";

    for (const char* name : {"240315_000.RX2", "240315_001.RX2", "240315_003.RX2", "240315_004.RX2",
                             "240315_002.T61", "240314_002.RX2"})
        touch(folder / name);
    EXPECT_EQ(proposeDataFileName(folder, kind, kLocalTime), "240315_002") << "a gap is filled, not skipped";

    const LocalTime newYear{2031, 1, 2, 0, 0, 0, 0};
    EXPECT_EQ(proposeDataFileName(folder, kind, newYear), "310102_000");
}

TEST(DataFileNaming, PositionsOnlyNamesCountInEitherCase) {
    TempDataRoot root;
    const DataFileKind kind = dataFileKind(kLx2, 0);
    touch(root.path() / "240315_000.GXY");  // as the dialog's default extension names it
    touch(root.path() / "240315_001.gxy");
    EXPECT_EQ(proposeDataFileName(root.path(), kind, kLocalTime), "240315_002");
}

TEST(DataFileNaming, WhenAllNamesOfTheDayAreTakenOnlyTheDateIsProposed) {
    TempDataRoot root;
    char name[32];
    for (int n = 0; n <= 999; ++n) {
        std::snprintf(name, sizeof name, "240315_%03d.RX2", n);
        touch(root.path() / name);
    }
    EXPECT_EQ(proposeDataFileName(root.path(), dataFileKind(kLx2, 1), kLocalTime), "240315_");
}

TEST(DataFileNaming, DialogFiltersAndExtensionsByVariant) {
    struct Case {
        Variant variant;
        int instrumentEnabled;
        DataFileKind expected;
    };
    const Case cases[] = {
        {kLx2, 1, {".RX2", "VLX61LX2 Files (*.RX2)", "*.RX2", "RX2"}},
        {kOrvLx2, 1, {".TX2", "Orv61LX2 Files (*.TX2)", "*.TX2", "TX2"}},
        {{InstrumentType::Em31Mk2, ProductLine::Orv}, 1, {".H31", "Orv31 Files (*.H31)", "*.H31", "H31"}},
        {{InstrumentType::Em34_3, ProductLine::Velox}, 1, {".T34", "VLX34-3 Files (*.T34)", "*.T34", "T34"}},
        {{InstrumentType::Em38, ProductLine::Velox}, 1, {".T38", "", "", "T38"}},
        {{InstrumentType::Grad601, ProductLine::Orv}, 1, {".601", "Orv601 Files (*.601)", "*.601", "601"}},
        {{InstrumentType::Em38Mk2, ProductLine::Orv}, 0, {".gxy", "VLXGXY Files (*.GXY)", "*.GXY", "GXY"}},
    };
    for (const Case& c : cases) {
        const DataFileKind kind = dataFileKind(c.variant, c.instrumentEnabled);
        SCOPED_TRACE(c.expected.extension);
        EXPECT_EQ(kind.extension, c.expected.extension);
        EXPECT_EQ(kind.filterText, c.expected.filterText);
        EXPECT_EQ(kind.filterPattern, c.expected.filterPattern);
        EXPECT_EQ(kind.defaultExtension, c.expected.defaultExtension);
    }
}

TEST(DataFileNaming, BaseNameRunsFromTheLastSeparatorToTheFirstDot) {
    EXPECT_EQ(baseName("/home/op/data/240315_007.RX2"), "240315_007");
    EXPECT_EQ(baseName("/home/op/field.day.2/site.A.RX2"), "site");
    EXPECT_EQ(baseName("/home/op/noextension"), "noextension");
    EXPECT_EQ(baseName(u8"/data/Z\u00FCrich.RX2"), "Z\xFCrich") << "one byte per character";
}

TEST(DataFileNaming, ExistingFilesAreRecognisedByTheProductPrefix) {
    struct Case {
        InstrumentType type;
        std::string head;
        bool own;
    };
    const Case cases[] = {
        {InstrumentType::Em61Lx2, "VLXLX2", true},
        {InstrumentType::Em61Lx2, "VLXLX1", true},
        {InstrumentType::Em61Lx2, "vLXLX2", false},
        {InstrumentType::Em61Lx2, "ORVLX2", false},
        {InstrumentType::Em61Lx2, "XVLXLX", true},  // the prefix may occur anywhere in the bytes examined
        {InstrumentType::Em61Lx2, "VLXMK2", false},
        {InstrumentType::Em61Mk2, "VLXMK2", true},
        {InstrumentType::Em31Mk2, "VLX31", true},
        {InstrumentType::Em34_3, "VLX343 ", true},
        {InstrumentType::Em38Mk2, "VLX38MK2", true},
        {InstrumentType::Em38Mk2, "VLX38   ", false},
        {InstrumentType::Grad601, std::string("\0\0\0\0\0\0", 6), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.head);
        EXPECT_EQ(isOwnDataFile(c.type, c.head), c.own);
    }
}

TEST(DataFileNaming, NotFromThisProgramNamesTheProduct) {
    EXPECT_EQ(notFromThisProgramMessage(kLx2), "File not from Velox61LX2 program");
    EXPECT_EQ(notFromThisProgramMessage({InstrumentType::Em31Mk2, ProductLine::Velox}), "File not from Velox31 program");
    EXPECT_EQ(notFromThisProgramMessage({InstrumentType::Em34_3, ProductLine::Orv}), "File not from Orv34-3 program");
    EXPECT_EQ(notFromThisProgramMessage({InstrumentType::Grad601, ProductLine::Orv}), "File not from Orv601 program");
}

// Answers the save-file dialog from a script; an empty answer cancels.
class ScriptedPicker : public DataFilePicker {
public:
    std::optional<std::filesystem::path> chooseSaveFile(const SaveFileRequest& request) override {
        requests.push_back(request);
        if (answers.empty()) return std::nullopt;
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::deque<std::optional<std::filesystem::path>> answers;
    std::vector<SaveFileRequest> requests;
};

class CreateDataFile : public ::testing::Test {
protected:
    TempDataRoot root;
    FixedClock clock{kTick};
    RecordingMessages messages;
    ScriptedPicker picker;
    SurveyConfig config = sampleConfig();
    std::filesystem::path folder = root.path() / "surveys";
    std::filesystem::path chosenFolder = root.path() / "site A";

    CreateDataFile() {
        config.dataFolder = fromUtf8(folder.string());
        std::filesystem::create_directories(folder);
        std::filesystem::create_directories(chosenFolder);
    }

    int create(const Variant& variant, DataFile& file) {
        file.setLocalTimeSource([] { return kLocalTime; });
        DataFileCreation creation{variant, config, file, picker, messages, sampleHeaderValues(),
                                  sampleLineStartValues(), [] { return kLocalTime; }};
        return createDataFile(creation);
    }
};

TEST_F(CreateDataFile, ANewFileGetsItsHeaderGroupTheSettingsAreSavedAndTheFileStaysOpen) {
    picker.answers = {chosenFolder / "240315_000"};  // typed without extension
    DataFile file(kLx2, &messages);
    EXPECT_EQ(create(kLx2, file), DATA_FILE_CREATED);

    ASSERT_EQ(picker.requests.size(), 1u);
    const SaveFileRequest& request = picker.requests[0];
    EXPECT_EQ(request.title, "Create Data File");
    EXPECT_EQ(request.proposedName, "240315_000");
    EXPECT_EQ(request.initialFolder, folder);
    EXPECT_EQ(request.kind.filterText, "VLX61LX2 Files (*.RX2)");
    EXPECT_EQ(request.kind.defaultExtension, "RX2");

    const std::filesystem::path created = chosenFolder / "240315_000.RX2";
    EXPECT_TRUE(file.isOpen());
    EXPECT_EQ(file.path(), created);
    EXPECT_EQ(file.baseName(), "240315_000");
    EXPECT_EQ(toUtf8(config.dataFolder), chosenFolder.string()) << "the chosen folder is remembered";
    EXPECT_TRUE(std::filesystem::exists(settingsFilePath(settingsStem(kLx2))));

    file.writeEvent(u"$STARTED");  // the reopened file appends at its end
    file.close();
    const auto records = splitRecords(readFile(created), RECORD_LENGTH);
    ASSERT_EQ(records.size(), 11u + 10u + 1u + 1u);
    EXPECT_EQ(records[0].substr(0, 9), "VLXLX2  W");
    EXPECT_EQ(records[1].substr(0, 11), "H240315_000");
    EXPECT_EQ(records[11][0], REC_LINE);
    EXPECT_EQ(records[21][0], REC_TIME_MARK);
    EXPECT_EQ(records[22].substr(0, 9), "X$STARTED");
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(CreateDataFile, CancellingOpensNothing) {
    DataFile file(kLx2, &messages);
    EXPECT_EQ(create(kLx2, file), DATA_FILE_NOT_CREATED);
    EXPECT_FALSE(file.isOpen());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(CreateDataFile, ExistingFilesAreContinuedOnlyWhenTheyAreThisProducts) {
    struct Case {
        const char* name;
        std::string contents;
        int result;
        bool reported;
    };
    const Case cases[] = {
        {"own file", "VLXLX2  W108GPS00001 11   \n", DATA_FILE_CONTINUE, false},
        {"shorter than the prefix: left to the continuation check", "VLX", DATA_FILE_CONTINUE, false},
        {"another program's file", "Station,Easting,Northing\n1,2,3\n", DATA_FILE_NOT_CREATED, true},
        {"another instrument's file", "VLXMK2  W227GPS0000  1    \n", DATA_FILE_NOT_CREATED, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        messages.shown.clear();
        const std::filesystem::path existing = chosenFolder / "old.RX2";
        touch(existing, c.contents);
        picker.answers = {existing};
        DataFile file(kLx2, &messages);
        EXPECT_EQ(create(kLx2, file), c.result);
        EXPECT_EQ(readFile(existing), c.contents) << "nothing is written into an existing file here";
        EXPECT_EQ(file.isOpen(), c.result == DATA_FILE_CONTINUE);
        if (c.reported) {
            ASSERT_EQ(messages.shown.size(), 1u);
            EXPECT_EQ(messages.shown[0].title, "INFORMATION");
            EXPECT_EQ(messages.shown[0].text, "File not from Velox61LX2 program");
        } else {
            EXPECT_TRUE(messages.shown.empty());
            EXPECT_EQ(file.baseName(), "old");
        }
    }
}

TEST_F(CreateDataFile, OrvLineRefusesAnExistingFileAndAsksAgainWithAFreshProposal) {
    touch(folder / "240315_000.TX2", "ORVLX2  W100GPS00001 11   \n");
    picker.answers = {folder / "240315_000.TX2", folder / "240315_001.TX2"};
    DataFile file(kOrvLx2, &messages);
    EXPECT_EQ(create(kOrvLx2, file), DATA_FILE_CREATED);

    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].title, "WARNING");
    EXPECT_EQ(messages.shown[0].text, "The file already exisits. Please enter another name");
    ASSERT_EQ(picker.requests.size(), 2u);
    EXPECT_EQ(picker.requests[1].proposedName, "240315_001");
    EXPECT_EQ(file.path(), folder / "240315_001.TX2");
    EXPECT_EQ(readFile(folder / "240315_000.TX2"), "ORVLX2  W100GPS00001 11   \n");
}

TEST_F(CreateDataFile, AFileThatCannotBeOpenedIsReportedNotPretended) {
    picker.answers = {root.path() / "no such folder" / "240315_000.RX2"};
    DataFile file(kLx2, &messages);
    EXPECT_EQ(create(kLx2, file), DATA_FILE_NOT_CREATED);
    EXPECT_FALSE(file.isOpen());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].title, "Data File");
}

}  // namespace
}  // namespace velox::test
