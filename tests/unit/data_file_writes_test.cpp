// How groups reach the file: one group never interleaves with another
// thread's, and a failed write leaves whole records, counts what was lost
// and tells the operator once.

#include <signal.h>
#include <sys/resource.h>

#include <map>
#include <thread>

#include "data_file_test_support.h"

namespace velox::test {
namespace {

constexpr Variant kLx2{InstrumentType::Em61Lx2, ProductLine::Velox};
const std::string kSentence60 = "$GPGGA,092750.000,5321.6802,N,00630.3372,W,1,8,1.03,61.7,M*7";

class DataFileWrites : public ::testing::Test {
protected:
    TempDataRoot root;
    FixedClock clock{kTick};
    RecordingMessages messages;
    std::filesystem::path path = root.path() / "240315_000.RX2";

    void writeGpsGroup(DataFile& file, long count) {
        file.writeGpsSentence(kSentence60, clock.tick, REC_GPS_FIRST, REC_GPS_CONTINUATION, REC_GPS_TRAILER, ' ',
                              count);
    }
};

// Limits the size of every file this process writes, as a full disk would,
// and lifts the limit again when it goes out of scope.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        previousHandler_ = signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limit = previous_;
        limit.rlim_cur = bytes;
        EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &previous_);
        signal(SIGXFSZ, previousHandler_);
    }

private:
    rlimit previous_{};
    sighandler_t previousHandler_;
};

// The record types that follow the first record of each group, in order.
const std::map<char, std::string> kGroupTails = {
    {REC_GPS_FIRST, "##!"},
    {REC_LINE, "BAZOOOOII"},
    {REC_EVENT, ""},
    {'T', ""},
};

TEST_F(DataFileWrites, TwoThreadsWritingAtFullSpeedNeverInterleaveInsideAGroup) {
    constexpr int kGroupsPerThread = 3000;
    DataFile file(kLx2, &messages);
    ASSERT_TRUE(file.open(path));
    const SurveyConfig config = sampleConfig();

    std::thread gps([&] {
        for (int i = 0; i < kGroupsPerThread; ++i) writeGpsGroup(file, i);
    });
    const std::string reading(16, 'T');
    for (int i = 0; i < kGroupsPerThread; ++i) {
        if (i % 10 == 0) {
            file.writeLineStart(config, sampleLineStartValues());
        } else if (i % 10 == 1) {
            file.writeEvent(u"PAUSED");
        } else {
            file.writeReading(reading, clock.tick);
        }
    }
    gps.join();
    file.close();

    const std::string bytes = readFile(path);
    ASSERT_EQ(bytes.size() % RECORD_LENGTH, 0u);
    const auto records = splitRecords(bytes, RECORD_LENGTH);
    std::map<char, int> groups;
    for (std::size_t i = 0; i < records.size();) {
        ASSERT_EQ(records[i].back(), '\n') << "record " << i;
        const char type = records[i][0];
        const auto tail = kGroupTails.find(type);
        ASSERT_NE(tail, kGroupTails.end()) << "record " << i << " starts no group: " << records[i];
        ++groups[type];
        for (std::size_t k = 0; k < tail->second.size(); ++k) {
            ASSERT_LT(i + 1 + k, records.size());
            ASSERT_EQ(records[i + 1 + k][0], tail->second[k]) << "group at record " << i << " broken";
        }
        i += 1 + tail->second.size();
    }
    EXPECT_EQ(groups[REC_GPS_FIRST], kGroupsPerThread);
    EXPECT_EQ(groups[REC_LINE], kGroupsPerThread / 10);
    EXPECT_EQ(groups[REC_EVENT], kGroupsPerThread / 10);
    EXPECT_EQ(groups['T'], kGroupsPerThread * 8 / 10);
    EXPECT_FALSE(file.writeHealth().failing);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(DataFileWrites, AFullDiskIsDetectedTheFileEndsOnAWholeRecordAndTheOperatorIsToldOnce) {
    DataFile file(kLx2, &messages);
    ASSERT_TRUE(file.open(path));
    file.writeEvent(u"$STARTED");
    const std::uintmax_t whole = std::filesystem::file_size(path);
    {
        FileSizeLimit full(whole + 20);  // 20 bytes of a group get in before the disk is full
        writeGpsGroup(file, 1);
        EXPECT_EQ(std::filesystem::file_size(path), whole) << "the part of the group that got in is cut off";
        WriteHealth health = file.writeHealth();
        EXPECT_TRUE(health.failing);
        EXPECT_EQ(health.lostRecords, 4u);
        EXPECT_FALSE(health.lastError.empty());
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].title, "Data File");
        EXPECT_NE(messages.shown[0].text.find("Records are being lost"), std::string::npos);
        EXPECT_LE(messages.shown[0].text.size(), 255u);

        file.writeEvent(u"PAUSED");
        file.writeEvent(u"$STARTED");
        EXPECT_EQ(messages.shown.size(), 1u) << "one message per failure episode, not per record";
        EXPECT_EQ(file.writeHealth().lostRecords, 6u);
    }
    file.writeEvent(u"$STARTED");
    WriteHealth health = file.writeHealth();
    EXPECT_FALSE(health.failing) << "a successful write ends the episode";
    EXPECT_EQ(health.lostRecords, 6u);

    {
        FileSizeLimit full(std::filesystem::file_size(path));
        file.writeEvent(u"PAUSED");
    }
    EXPECT_EQ(messages.shown.size(), 2u) << "a new episode is reported again";
    file.close();

    const std::string bytes = readFile(path);
    ASSERT_EQ(bytes.size(), 2 * RECORD_LENGTH);
    EXPECT_EQ(bytes.substr(0, 9), "X$STARTED");
    EXPECT_EQ(bytes.substr(RECORD_LENGTH, 9), "X$STARTED");
}

TEST_F(DataFileWrites, AFailureOnTheGpsThreadIsShownLaterOnTheCreatingThread) {
    DataFile file(kLx2, &messages);
    ASSERT_TRUE(file.open(path));
    {
        FileSizeLimit full(0);
        std::thread gps([&] { writeGpsGroup(file, 1); });
        gps.join();
    }
    EXPECT_TRUE(file.writeHealth().failing);
    EXPECT_TRUE(messages.shown.empty()) << "a reader thread never opens a dialog";
    file.reportPendingFailure();
    EXPECT_EQ(messages.shown.size(), 1u);
    file.reportPendingFailure();
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
}

TEST_F(DataFileWrites, ReopenKeepsAppendingAndTheFileIsNotShared) {
    DataFile file(kLx2, &messages);
    ASSERT_TRUE(file.open(path));
    file.writeEvent(u"$STARTED");

    DataFile other(kLx2);
    EXPECT_FALSE(other.open(path)) << "a second logger must not write into the open file";

    ASSERT_TRUE(file.reopen());
    file.writeEvent(u"PAUSED");
    file.close();
    EXPECT_FALSE(file.isOpen());
    file.writeEvent(u"LOST");  // no file open: nothing happens

    const auto records = splitRecords(readFile(path), RECORD_LENGTH);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].substr(0, 9), "X$STARTED");
    EXPECT_EQ(records[1].substr(0, 7), "XPAUSED");
    EXPECT_TRUE(other.open(path)) << "closed files can be opened again";
}

}  // namespace
}  // namespace velox::test
