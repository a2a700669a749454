#pragma once
// The open survey data file and its record writers.
//
// Each writer composes its whole record group in memory and appends it with
// one write() on a descriptor opened with O_APPEND, so the GPS reader thread
// and the user-interface thread never interleave inside a group. A write that
// fails or stops short is detected: the file is cut back to where the group
// began (so it still ends on a whole record), the lost records are counted,
// and the operator is told once per failure episode. Closing the file, and
// the close-and-reopen after a header group or a pause, flush it to the disk.

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <thread>

#include "config/survey_config.h"
#include "config/variant.h"
#include "logging/data_file_format.h"
#include "platform/clock.h"

namespace velox {

class OperatorMessages;

// Local wall-clock time, used only for the date and time records.
struct LocalTime {
    int year = 2000;  // four digits
    int month = 1;    // 1-12
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};
LocalTime localTimeNow();
using LocalTimeSource = std::function<LocalTime()>;

// Run-time values recorded in a header besides the settings.
struct HeaderValues {
    double workingGpsOffsetY = 0.0;
    int handshakeMode = -1;  // EM61-MK2 only
    double referenceEasting = 0.0;
    double referenceNorthing = 0.0;
    int utmZone = 0;
    std::array<double, 6> previousCalibration{};  // EM38-MK2: values in force before the last calibration
};

// Run-time values recorded at the start of a line besides the settings.
struct LineStartValues {
    double stationIncrement = 1.0;
    std::array<double, 4> previousNullValues{};
    double previousFilterFactorLeft = 0.0;
    double previousFilterFactorRight = 0.0;
};

// One reading record: the variant's reading bytes (everything before the
// tick; space-padded when shorter, cut when longer) and its tick.
struct ReadingRecord {
    std::string_view bytes;
    Tick tick = 0;
};

// What the logging screen shows about the file's writes. `failing` stays
// set from a failed write until a write succeeds again.
struct WriteHealth {
    bool failing = false;
    uint64_t lostRecords = 0;  // since the file was opened
    std::string lastError;     // empty until a write has failed
};

inline constexpr std::string_view WRITE_FAILURE_TITLE = "Data File";

class DataFile {
public:
    // The variant fixes the record length and the records of each group.
    // `messages` (may be null) is how write failures reach the operator; it
    // is called only on the thread that created the DataFile.
    explicit DataFile(const Variant& variant, OperatorMessages* messages = nullptr);
    ~DataFile();
    DataFile(const DataFile&) = delete;
    DataFile& operator=(const DataFile&) = delete;

    // Opens (creating when missing) for reading and appending, no sharing:
    // fails when another program holds the file. Clears the write health.
    bool open(const std::filesystem::path& path);
    // Flushes to the disk and closes.
    void close();
    // Flushes to the disk, closes and opens again at the end: after each
    // header group and at each pause, so that what was written is on disk.
    bool reopen();
    bool isOpen() const;
    // For readers of the open file (review, append check); -1 when closed.
    int descriptor() const;

    const std::filesystem::path& path() const { return path_; }
    const std::string& baseName() const { return baseName_; }
    void setBaseName(std::string name) { baseName_ = std::move(name); }
    // Characters 11 to 20 of the base name when it is longer than 10; set by writeHeader.
    const std::string& nameOverflow() const { return nameOverflow_; }
    bool nameOverflowInUse() const { return !nameOverflow_.empty(); }
    std::size_t recordLength() const { return recordLength_; }
    const Variant& variant() const { return variant_; }

    // Readings and GPS sentences time-stamped before this tick are not written.
    void setLoggingStartTick(Tick tick) { loggingStartTick_.store(tick); }
    Tick loggingStartTick() const { return loggingStartTick_.load(); }
    // True when `tick` is not earlier than the last start of logging
    // (compared across the wrap of the tick counter).
    bool isAtOrAfterLoggingStart(Tick tick) const;

    // The record writers. Each appends one group with one write; none
    // writes when no file is open.
    void writeHeader(bool continuing, const SurveyConfig& config, const HeaderValues& values);
    void writeLineStart(const SurveyConfig& config, const LineStartValues& values);
    void writeTimeMark();
    void writeStationMark(double stationValue);
    void writeEvent(std::u16string_view text, char type = REC_EVENT);
    void writeGpsSentence(std::string_view sentence, Tick tick, char firstType, char continuationType, char trailerType,
                          char status, long sentenceCount);
    void writeReading(std::string_view readingBytes, Tick tick);
    // Several readings written together (an EM38-MK2 burst, the readings of an EM34-3 Manual station).
    void writeReadings(std::span<const ReadingRecord> readings);
    void writeNullOffsets(const std::array<double, 4>& offsets, const std::array<double, 4>& previousOffsets);
    void writeFilterFactors(double left, double right, double previousLeft, double previousRight);
    void writeCalibrationValues(const std::array<double, 6>& values, const std::array<double, 6>& previousValues);
    void writeSwathEdge(int n, double leftX, double leftY, double rightX, double rightY);

    WriteHealth writeHealth() const;
    // Shows the write-failure message if a failure on another thread has
    // not been reported yet. Call on the creating thread (the logging timer
    // does); writers on that thread do it themselves.
    void reportPendingFailure();

    void setLocalTimeSource(LocalTimeSource source) { localTime_ = std::move(source); }

private:
    std::string composeHeader(bool continuing, const SurveyConfig& config, const HeaderValues& values);
    std::string tagRecord(bool continuing, const SurveyConfig& config) const;
    std::string nameRecord(const SurveyConfig& config) const;
    std::string gpsSetupRecord(const SurveyConfig& config, const HeaderValues& values) const;
    std::string nullOffsetRecords(const std::array<double, 4>& offsets, const std::array<double, 4>* previous) const;
    std::string filterFactorRecords(double left, double right, double previousLeft, double previousRight) const;
    std::string calibrationRecords(const std::array<double, 6>& values, const std::array<double, 6>& previous) const;
    std::string timeMarkRecord() const;
    std::string readingRecord(std::string_view bytes, Tick tick) const;
    std::string timeOfDay() const;

    // Appends a composed group; detects and repairs a failed or short write.
    void appendGroup(const std::string& group);
    void noteWriteFailure(std::size_t lostBytes, const std::string& error);
    void noteWriteSuccess();
    bool openLocked(const std::filesystem::path& path);
    void closeLocked();

    Variant variant_;
    std::size_t recordLength_;
    OperatorMessages* messages_;
    std::thread::id ownerThread_;
    LocalTimeSource localTime_;

    mutable std::mutex writeMutex_;  // guards the descriptor while a group is written or the file reopened
    int fd_ = -1;
    std::filesystem::path path_;
    std::string baseName_;
    std::string nameOverflow_;
    std::atomic<Tick> loggingStartTick_{0};

    mutable std::mutex healthMutex_;
    WriteHealth health_;
    std::atomic<bool> failing_{false};
    std::atomic<bool> noticePending_{false};
};

}  // namespace velox
