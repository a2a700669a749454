#include "logging/data_file.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/operator_messages.h"
#include "platform/text.h"

namespace velox {

namespace {

std::string digit(int value) { return formatText("%1d", value); }
std::string tickText(Tick tick) { return formatText("%10lu", static_cast<unsigned long>(tick)); }

// Composes one record: fields are appended in order, so a value wider than
// its field shifts what follows; finish() pads with spaces, cuts whatever
// runs past the last text byte and ends the record with the line feed.
class RecordBuilder {
public:
    explicit RecordBuilder(std::size_t length) : length_(length) {}
    RecordBuilder& add(std::string_view text) {
        text_.append(text);
        return *this;
    }
    RecordBuilder& add(char c) {
        text_.push_back(c);
        return *this;
    }
    // Space-padded or cut to exactly `width` characters.
    RecordBuilder& field(std::string_view text, std::size_t width) {
        text_.append(text.substr(0, width));
        if (text.size() < width) text_.append(width - text.size(), ' ');
        return *this;
    }
    RecordBuilder& spaces(std::size_t count) {
        text_.append(count, ' ');
        return *this;
    }
    // Spaces up to (not including) byte `position`; nothing when already past it.
    RecordBuilder& padTo(std::size_t position) {
        if (text_.size() < position) text_.append(position - text_.size(), ' ');
        return *this;
    }
    std::string finish() {
        text_.resize(length_ - 1, ' ');
        text_.push_back(RECORD_END);
        return std::move(text_);
    }

private:
    std::size_t length_;
    std::string text_;
};

char directionLetter(int lineDirection) {
    static constexpr char letters[] = {'W', 'S', 'N', 'E'};
    return lineDirection >= 0 && lineDirection < 4 ? letters[lineDirection] : '?';
}

std::string productTag(const Variant& v, const SurveyConfig& config) {
    const bool velox = v.productLine == ProductLine::Velox;
    switch (v.instrumentType) {
    case InstrumentType::Em61Lx2: {
        std::string tag = velox ? "VLXLX1  W" : "ORVLX1  W";
        if (config.sensorCountIndex != 0) tag[5] = '2';
        if (config.instrumentModel != 0) tag[6] = 'N';
        return tag;
    }
    case InstrumentType::Em61Mk2:
        if (velox) return "VLXMK2  W";
        return config.instrumentModel == 1 || config.instrumentModel == 3 ? "ORVMK2H W" : "ORVMK2  W";
    case InstrumentType::Grad601: return velox ? "VLX601 AW" : "ORV601 AW";
    case InstrumentType::Em31Mk2: return velox ? "VLX31   W" : "ORV31   W";
    case InstrumentType::Em38: return velox ? "VLX38   W" : "ORV38   W";
    case InstrumentType::Em34_3: return velox ? "VLX343  W" : "ORV343  W";
    case InstrumentType::Em38Mk2: return velox ? "VLX38MK2W" : "ORV382  W";
    }
    return "VLXLX2  W";
}

std::string_view formatVersion(std::string_view tag) {
    const auto recognised = recogniseProductTag(tag);
    return recognised ? recognised->tag->version : std::string_view("000");
}

std::string errorText(int error) { return std::strerror(error); }

}  // namespace

LocalTime localTimeNow() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::tm parts{};
    localtime_r(&now.tv_sec, &parts);
    return LocalTime{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour,
                     parts.tm_min,        parts.tm_sec,     static_cast<int>(now.tv_nsec / 1000000)};
}

DataFile::DataFile(const Variant& variant, OperatorMessages* messages)
    : variant_(variant),
      recordLength_(velox::recordLength(variant)),
      messages_(messages),
      ownerThread_(std::this_thread::get_id()),
      localTime_(localTimeNow) {}

DataFile::~DataFile() { close(); }

// ---- opening and closing

bool DataFile::openLocked(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {  // another logger has it open
        ::close(fd);
        return false;
    }
    fd_ = fd;
    path_ = path;
    return true;
}

void DataFile::closeLocked() {
    if (fd_ < 0) return;
    const bool synced = ::fsync(fd_) == 0;
    const int syncError = errno;
    ::close(fd_);
    fd_ = -1;
    if (!synced) noteWriteFailure(0, "flush to disk failed: " + errorText(syncError));
}

bool DataFile::open(const std::filesystem::path& path) {
    {
        std::lock_guard lock(writeMutex_);
        closeLocked();
        if (!openLocked(path)) return false;
    }
    {
        std::lock_guard lock(healthMutex_);
        health_ = WriteHealth{};
    }
    failing_ = false;
    noticePending_ = false;
    return true;
}

void DataFile::close() {
    {
        std::lock_guard lock(writeMutex_);
        closeLocked();
    }
    reportPendingFailure();
}

bool DataFile::reopen() {
    bool reopened;
    {
        std::lock_guard lock(writeMutex_);
        if (fd_ < 0) return false;
        closeLocked();
        reopened = openLocked(path_);
        if (!reopened) noteWriteFailure(0, "the file could not be opened again: " + errorText(errno));
    }
    reportPendingFailure();
    return reopened;
}

bool DataFile::isOpen() const {
    std::lock_guard lock(writeMutex_);
    return fd_ >= 0;
}

int DataFile::descriptor() const {
    std::lock_guard lock(writeMutex_);
    return fd_;
}

bool DataFile::isAtOrAfterLoggingStart(Tick tick) const {
    return static_cast<int32_t>(tick - loggingStartTick_.load()) >= 0;
}

// ---- writing and its failures

void DataFile::appendGroup(const std::string& group) {
    if (group.empty()) return;
    {
        std::lock_guard lock(writeMutex_);
        if (fd_ < 0) return;
        std::size_t written = 0;
        int error = 0;
        // Under the lock a short write can be continued without another
        // thread's group slipping in between.
        while (written < group.size()) {
            const ssize_t n = ::write(fd_, group.data() + written, group.size() - written);
            if (n > 0) {
                written += static_cast<std::size_t>(n);
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else {
                error = n < 0 ? errno : ENOSPC;
                break;
            }
        }
        if (written == group.size()) {
            noteWriteSuccess();
        } else {
            std::string message = errorText(error);
            // Cut off the part of the group that did reach the file, so the
            // file ends on the last whole record written before it.
            struct stat info{};
            if (written > 0 && (::fstat(fd_, &info) != 0 ||
                                ::ftruncate(fd_, info.st_size - static_cast<off_t>(written)) != 0)) {
                message += "; the end of the file could not be repaired: " + errorText(errno);
            }
            noteWriteFailure(group.size(), message);
        }
    }
    reportPendingFailure();
}

void DataFile::noteWriteSuccess() {
    if (!failing_.load()) return;
    std::lock_guard lock(healthMutex_);
    health_.failing = false;
    failing_ = false;
}

void DataFile::noteWriteFailure(std::size_t lostBytes, const std::string& error) {
    std::lock_guard lock(healthMutex_);
    health_.lostRecords += (lostBytes + recordLength_ - 1) / recordLength_;
    health_.lastError = error;
    if (!health_.failing) noticePending_ = true;  // a new failure episode
    health_.failing = true;
    failing_ = true;
}

WriteHealth DataFile::writeHealth() const {
    std::lock_guard lock(healthMutex_);
    return health_;
}

void DataFile::reportPendingFailure() {
    // A reader thread never shows a dialog: its failures wait for the creating thread.
    if (std::this_thread::get_id() != ownerThread_ || messages_ == nullptr) return;
    if (!noticePending_.exchange(false)) return;
    const std::string error = writeHealth().lastError;
    const std::string text = "Cannot write to the data file (" + error.substr(0, 120) +
                             ").\r\nRecords are being lost. Check the disk.";
    messages_->show(std::string(WRITE_FAILURE_TITLE), text, MessageButtons::Ok);
}

// ---- composing records

std::string DataFile::timeOfDay() const {
    const LocalTime t = localTime_();
    return formatText("%02d:%02d:%02d.%03d", t.hour, t.minute, t.second, t.millisecond);
}

std::string DataFile::tagRecord(bool continuing, const SurveyConfig& config) const {
    std::string tag = productTag(variant_, config);
    const std::string_view version = formatVersion(tag);
    if (continuing && variant_.productLine == ProductLine::Velox) tag[0] = static_cast<char>(tag[0] - 'A' + 'a');

    RecordBuilder r(recordLength_);
    r.add(tag).add(version).add(config.gpsInput != 0 ? "GPS" : "GRD");
    const auto d = [](int value) { return digit(value); };
    switch (variant_.instrumentType) {
    case InstrumentType::Em61Lx2:
        r.add(d(config.mapUnits)).add(d(config.sensorSize)).add(d(config.surveyMode)).add(d(config.instrumentModel));
        r.add(d(config.softMarkerKey)).spaces(1).add(d(config.instrumentEnabled)).add(d(config.sensorCountIndex));
        break;
    case InstrumentType::Em61Mk2:
        r.add(d(config.mapUnits)).add(d(config.sensorSize)).add(d(config.surveyMode)).add(d(config.instrumentModel));
        r.spaces(2).add(d(config.instrumentEnabled));
        break;
    case InstrumentType::Grad601:
        r.add(d(config.mapUnits)).spaces(1).add(d(config.surveyMode)).spaces(1);
        r.add(d(config.sensorCountIndex)).add(d(config.softMarkerKey)).add(d(config.instrumentEnabled));
        break;
    case InstrumentType::Em31Mk2:
    case InstrumentType::Em38:
    case InstrumentType::Em34_3:
    case InstrumentType::Em38Mk2: {
        int byte19 = config.conductivityModel;
        if (variant_.instrumentType == InstrumentType::Em34_3) byte19 = config.em34Reference;
        if (variant_.instrumentType == InstrumentType::Em38Mk2) byte19 = config.em38Mk2Model == 0 ? 2 : config.em38Mk2Model;
        r.add(d(config.mapUnits)).add(d(config.dipoleMode)).add(d(config.surveyMode)).add(d(config.component));
        r.add(d(byte19));
        if (variant_.productLine == ProductLine::Velox || variant_.instrumentType == InstrumentType::Em38Mk2)
            r.add(formatText("%2d", config.instrumentEnabled));
        break;
    }
    }
    return r.finish();
}

std::string DataFile::nameRecord(const SurveyConfig& config) const {
    RecordBuilder r(recordLength_);
    r.add(REC_NAME).field(baseName_, 10);
    if (isGrad601(variant_.instrumentType)) {
        r.add(formatText("%5.2f", config.sensorSeparation)).spaces(2);
    } else if (config.surveyMode == SURVEY_MANUAL && isConductivityMeter(variant_.instrumentType)) {
        r.add(formatText("%7d", config.samplesPerReading));
    } else {
        double value = config.readingPeriod;
        if (config.surveyMode == SURVEY_WHEEL) value = config.stationIncrementWheel;
        if (config.surveyMode == SURVEY_MANUAL) value = config.stationIncrementManual;
        r.add(formatText("%7.3f", value));
    }
    r.spaces(2).add(formatText("%4d", 0));
    return r.finish();
}

std::string DataFile::gpsSetupRecord(const SurveyConfig& config, const HeaderValues& values) const {
    const bool instrumentOn = config.instrumentEnabled != 0;
    RecordBuilder setup(recordLength_);
    setup.add(REC_GPS_SETUP)
        .add(formatText("%7.3f", instrumentOn ? config.gpsOffsetX : 0.0))
        .add(formatText("%7.3f", instrumentOn ? values.workingGpsOffsetY : 0.0));
    if (variant_.instrumentType == InstrumentType::Em61Mk2) {
        setup.add(digit(values.handshakeMode));
    } else {
        setup.spaces(1);
    }
    setup.add('7').add(digit(config.rtsUnits)).add(digit(config.pseudoGgaSlam)).add(digit(config.nmeaData));
    setup.add(digit(config.gpsInput));
    std::string group = setup.finish();

    if (variant_.productLine == ProductLine::Velox) {
        RecordBuilder easting(recordLength_);
        easting.add(REC_GPS_SETUP).add(formatText("%14.3f", values.referenceEasting)).spaces(1);
        easting.add(formatText("%02d", values.utmZone));
        RecordBuilder northing(recordLength_);
        northing.add(REC_GPS_SETUP).add(formatText("%14.3f", values.referenceNorthing));
        group += easting.finish() + northing.finish();
    }
    return group;
}

// Header form (no previous values): bytes 11-25 are spaces. Line-start and
// nulling form: the previous offset follows, and the EM61-LX2 marks the
// record with "1" in byte 25.
std::string DataFile::nullOffsetRecords(const std::array<double, 4>& offsets,
                                        const std::array<double, 4>* previous) const {
    std::string group;
    for (std::size_t channel = 0; channel < offsets.size(); ++channel) {
        RecordBuilder r(recordLength_);
        r.add(REC_NULL_OFFSET).add(formatText("%9.2f", offsets[channel]));
        if (previous != nullptr) {
            r.spaces(1).add(formatText("%9.2f", (*previous)[channel])).spaces(5);
            if (variant_.instrumentType == InstrumentType::Em61Lx2) r.add('1');
        }
        group += r.finish();
    }
    return group;
}

std::string DataFile::filterFactorRecords(double left, double right, double previousLeft, double previousRight) const {
    std::string group;
    for (const auto& [factor, previous] : {std::pair{left, previousLeft}, std::pair{right, previousRight}}) {
        RecordBuilder r(recordLength_);
        r.add(REC_FILTER_FACTOR).add(formatText("%9.2f", factor)).spaces(1).add(formatText("%9.2f", previous));
        r.spaces(5).add('1');
        group += r.finish();
    }
    return group;
}

std::string DataFile::calibrationRecords(const std::array<double, 6>& values,
                                         const std::array<double, 6>& previous) const {
    std::string group;
    for (std::size_t i = 0; i < values.size(); ++i) {
        RecordBuilder r(recordLength_);
        r.add(REC_NULL_OFFSET).add(static_cast<char>('1' + i));
        r.add(formatText("%10.3f", values[i])).spaces(1).add(formatText("%10.3f", previous[i]));
        group += r.finish();
    }
    return group;
}

std::string DataFile::composeHeader(bool continuing, const SurveyConfig& config, const HeaderValues& values) {
    nameOverflow_ = baseName_.size() > 10 ? baseName_.substr(10, 10) : std::string();

    std::string group = tagRecord(continuing, config) + nameRecord(config) + gpsSetupRecord(config, values);
    if (isEm61(variant_.instrumentType)) group += nullOffsetRecords(config.lastNullValues, nullptr);
    if (variant_.instrumentType == InstrumentType::Em38Mk2)
        group += calibrationRecords(config.em38Mk2Calibration, values.previousCalibration);
    if (variant_.instrumentType == InstrumentType::Em61Lx2)
        group += filterFactorRecords(config.filterFactorLeft, config.filterFactorRight, 0.0, 0.0);
    return group;
}

std::string DataFile::timeMarkRecord() const {
    RecordBuilder r(recordLength_);
    r.add(REC_TIME_MARK).add(timeOfDay()).padTo(tickOffset(recordLength_)).add(tickText(tickNow()));
    return r.finish();
}

std::string DataFile::readingRecord(std::string_view bytes, Tick tick) const {
    RecordBuilder r(recordLength_);
    r.field(bytes, tickOffset(recordLength_)).add(tickText(tick));
    return r.finish();
}

// ---- the writers

void DataFile::writeHeader(bool continuing, const SurveyConfig& config, const HeaderValues& values) {
    appendGroup(composeHeader(continuing, config, values));
}

void DataFile::writeLineStart(const SurveyConfig& config, const LineStartValues& values) {
    RecordBuilder line(recordLength_);
    line.add(REC_LINE).field(toStoredBytes(config.surveyLine), 12).add(nameOverflow_);

    RecordBuilder station(recordLength_);
    station.add(REC_START_STATION).add(formatText("%11.2f", config.startStation));

    RecordBuilder direction(recordLength_);
    direction.add(REC_DIRECTION).add(directionLetter(config.lineDirection)).spaces(6);
    direction.add(formatText("%11.3f", values.stationIncrement));

    const LocalTime t = localTime_();
    RecordBuilder date(recordLength_);
    date.add(REC_DATE).add(formatText("%02d%02d%04d", t.day, t.month, t.year)).spaces(1);
    date.add(formatText("%02d:%02d:%02d", t.hour, t.minute, t.second));

    std::string group = line.finish() + station.finish() + direction.finish() + date.finish();
    if (isEm61(variant_.instrumentType)) group += nullOffsetRecords(config.lastNullValues, &values.previousNullValues);
    if (variant_.instrumentType == InstrumentType::Em61Lx2) {
        group += filterFactorRecords(config.filterFactorLeft, config.filterFactorRight, values.previousFilterFactorLeft,
                                     values.previousFilterFactorRight);
    }
    appendGroup(group);
}

void DataFile::writeTimeMark() { appendGroup(timeMarkRecord()); }

void DataFile::writeStationMark(double stationValue) {
    RecordBuilder r(recordLength_);
    r.add(REC_STATION).add(formatText("%11.2f", stationValue)).spaces(2).add(timeOfDay());
    appendGroup(r.finish());
}

void DataFile::writeEvent(std::u16string_view text, char type) {
    RecordBuilder r(recordLength_);
    r.add(type).field(toStoredBytes(text), 11).padTo(tickOffset(recordLength_)).add(tickText(tickNow()));
    appendGroup(r.finish());
}

void DataFile::writeGpsSentence(std::string_view sentence, Tick tick, char firstType, char continuationType,
                                char trailerType, char status, long sentenceCount) {
    if (!isAtOrAfterLoggingStart(tick)) return;
    const std::size_t piece = sentencePieceLength(recordLength_);

    RecordBuilder first(recordLength_);
    first.add(firstType).field(sentence, piece);
    std::string group = first.finish();
    if (firstType == REC_EVENT) {  // an "other" sentence: its first piece only, no trailer
        appendGroup(group);
        return;
    }
    for (std::size_t start = piece; start < sentence.size(); start += piece) {
        RecordBuilder more(recordLength_);
        more.add(continuationType).field(sentence.substr(start), piece);
        group += more.finish();
    }
    RecordBuilder trailer(recordLength_);
    trailer.add(trailerType).add(formatText("%06ld", sentenceCount)).add(status);
    trailer.padTo(tickOffset(recordLength_)).add(tickText(tick));
    appendGroup(group + trailer.finish());
}

void DataFile::writeReading(std::string_view readingBytes, Tick tick) {
    appendGroup(readingRecord(readingBytes, tick));
}

void DataFile::writeReadings(std::span<const ReadingRecord> readings) {
    std::string group;
    for (const ReadingRecord& reading : readings) group += readingRecord(reading.bytes, reading.tick);
    appendGroup(group);
}

void DataFile::writeNullOffsets(const std::array<double, 4>& offsets, const std::array<double, 4>& previousOffsets) {
    appendGroup(nullOffsetRecords(offsets, &previousOffsets));
}

void DataFile::writeFilterFactors(double left, double right, double previousLeft, double previousRight) {
    appendGroup(filterFactorRecords(left, right, previousLeft, previousRight));
}

void DataFile::writeCalibrationValues(const std::array<double, 6>& values, const std::array<double, 6>& previousValues) {
    appendGroup(calibrationRecords(values, previousValues));
}

void DataFile::writeSwathEdge(int n, double leftX, double leftY, double rightX, double rightY) {
    if (n == 0) {
        RecordBuilder r(recordLength_);
        r.add(REC_SWATH).add('0').add(formatText("%14.3f", 0.0));
        appendGroup(r.finish());
        return;
    }
    if (n < 1 || n > 3) return;
    const double values[] = {leftX, leftY, rightX, rightY};
    std::string group;
    for (int k = 0; k < 4; ++k) {
        RecordBuilder r(recordLength_);
        r.add(REC_SWATH).add(static_cast<char>(93 + 4 * n + k)).add(formatText("%14.3f", values[k]));
        group += r.finish();
    }
    appendGroup(group);
}

}  // namespace velox
