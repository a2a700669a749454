#include "logging/data_file_reader.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "logging/data_file_format.h"

namespace velox {

namespace {

// The EM61-MK2 wheel reader also frames these letters; the handler keeps
// them in the record as received.
constexpr std::string_view EM61_MK2_WHEEL_LETTERS = "JKjk";
// EM34-3 Manual stations write their second to sixth readings with these.
constexpr std::string_view EM34_STATION_LETTERS = "23456";
// Sentence lines are at most 200 characters; a group with more pieces than
// this is not one the program wrote.
constexpr std::size_t MAX_GPS_PIECES = 12;

// Bytes from..to (inclusive) of a record, cut at its end.
std::string_view bytesAt(std::string_view record, std::size_t from, std::size_t to) {
    if (from >= record.size() || to < from) return {};
    return record.substr(from, std::min(to, record.size() - 1) - from + 1);
}

std::string_view trimRight(std::string_view s) {
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

std::string_view trim(std::string_view s) {
    s = trimRight(s);
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    return s;
}

bool allSpaces(std::string_view s) { return s.find_first_not_of(' ') == std::string_view::npos; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// A number printed with a "%w.pf" or "%wd" format: padding spaces, then the
// whole rest of the field must be the number.
std::optional<double> parseNumber(std::string_view field) {
    field = trim(field);
    if (field.empty()) return std::nullopt;
    double value = 0.0;
    const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (ec != std::errc() || end != field.data() + field.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

// "%10lu" (or a shorter field of digits right-aligned in spaces).
std::optional<Tick> parseTick(std::string_view field) {
    const std::size_t firstDigit = field.find_first_not_of(' ');
    if (firstDigit == std::string_view::npos) return std::nullopt;
    field.remove_prefix(firstDigit);
    std::uint64_t value = 0;
    for (char c : field) {
        if (!isDigit(c)) return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
        if (value > 0xFFFFFFFFull) return std::nullopt;
    }
    return static_cast<Tick>(value);
}

std::int16_t signed16(std::string_view record, std::size_t at) {
    const auto high = static_cast<std::uint8_t>(record[at]);
    const auto low = static_cast<std::uint8_t>(record[at + 1]);
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(high << 8 | low));
}

void addProblem(DataRecord& r, std::string_view problem) {
    if (!r.problem.empty()) r.problem += "; ";
    r.problem += problem;
}

// Takes a number into `values`, or notes that the field is damaged.
void takeNumber(DataRecord& r, std::string_view field, std::string_view name) {
    if (const auto value = parseNumber(field))
        r.values.push_back(*value);
    else
        addProblem(r, std::string("unreadable ") + std::string(name));
}

void takeTick(DataRecord& r, std::string_view record, std::size_t recordLength) {
    r.tick = parseTick(bytesAt(record, tickOffset(recordLength), recordLength - 2));
    if (!r.tick) addProblem(r, "unreadable tick");
}

bool isTickRecordTail(std::string_view record, std::size_t recordLength) {
    return parseTick(bytesAt(record, tickOffset(recordLength), recordLength - 2)).has_value();
}

// An "X" record is an event when its text is followed by the gap and a tick
// and holds no comma; a sentence copied from the GPS port runs on through
// those bytes and has a comma after its address field.
bool isEventRecord(std::string_view record, std::size_t recordLength) {
    const std::string_view text = bytesAt(record, 1, 11);
    const std::string_view gap = bytesAt(record, 12, tickOffset(recordLength) - 1);
    return text.find(',') == std::string_view::npos && allSpaces(gap) && isTickRecordTail(record, recordLength);
}

bool isProductTagOf(const RecordLayout& layout, std::string_view record) {
    const auto tag = recogniseProductTag(record);
    return tag && tag->tag->instrument == layout.instrument && tag->tag->line == layout.line;
}

void decodeTag(DataRecord& r, std::string_view record, bool continuing) {
    r.kind = continuing ? RecordKind::ContinuationTag : RecordKind::ProductTag;
    r.type = std::string(bytesAt(record, 0, PRODUCT_TAG_LENGTH - 1));
    r.text = r.type;
    r.version = std::string(bytesAt(record, 9, 11));
    r.settings = std::string(trimRight(bytesAt(record, 12, record.size() - 2)));
}

void decodeName(DataRecord& r, std::string_view record, const RecordLayout& layout) {
    r.kind = RecordKind::Name;
    r.text = std::string(trimRight(bytesAt(record, 1, 10)));
    if (isGrad601(layout.instrument))
        takeNumber(r, bytesAt(record, 11, 15), "sensor separation");
    else
        takeNumber(r, bytesAt(record, 11, 17), "reading period or increment");
}

// The GPS set-up record carries the fixed character "7" at byte 16; the first
// UTM reference record has its zone ("%02d", at most 60) there, and the
// second holds only spaces after its northing.
void decodeGpsRecord(DataRecord& r, std::string_view record) {
    const std::string_view tail = bytesAt(record, 15, record.size() - 2);
    if (record.size() > 16 && record[16] == '7') {
        r.kind = RecordKind::GpsSetup;
        takeNumber(r, bytesAt(record, 1, 7), "X offset");
        takeNumber(r, bytesAt(record, 8, 14), "Y offset");
        r.settings = std::string(bytesAt(record, 15, 20));
    } else if (allSpaces(tail)) {
        r.kind = RecordKind::UtmNorthing;
        takeNumber(r, bytesAt(record, 1, 14), "northing");
    } else {
        r.kind = RecordKind::UtmEasting;
        takeNumber(r, bytesAt(record, 1, 14), "easting");
        const auto zone = parseNumber(bytesAt(record, 16, 17));
        if (zone)
            r.zone = static_cast<int>(*zone);
        else
            addProblem(r, "unreadable zone");
    }
}

void decodeOffsetOrFactor(DataRecord& r, std::string_view record, RecordKind kind) {
    r.kind = kind;
    takeNumber(r, bytesAt(record, 1, 9), "value");
    const std::string_view previous = bytesAt(record, 11, 19);
    if (!allSpaces(previous)) takeNumber(r, previous, "previous value");
}

void decodeCalibration(DataRecord& r, std::string_view record) {
    r.kind = RecordKind::Calibration;
    r.type = std::string(bytesAt(record, 0, 1));
    takeNumber(r, bytesAt(record, 2, 11), "first value");
    takeNumber(r, bytesAt(record, 13, 22), "second value");
}

void decodeLine(DataRecord& r, std::string_view record) {
    r.kind = RecordKind::Line;
    r.text = std::string(trimRight(bytesAt(record, 1, 12)));
    const std::string_view overflow = trimRight(bytesAt(record, 13, record.size() - 2));
    if (!overflow.empty()) r.nameOverflow = std::string(overflow);
}

void decodeStation(DataRecord& r, std::string_view field) {
    if (const auto station = parseNumber(field)) {
        r.station = station;
        r.values.push_back(*station);
    } else {
        addProblem(r, "unreadable station");
    }
}

void decodeDirection(DataRecord& r, std::string_view record) {
    r.kind = RecordKind::Direction;
    const char letter = record[1];
    if (letter == 'W' || letter == 'S' || letter == 'N' || letter == 'E')
        r.direction = letter;
    else
        addProblem(r, "unknown direction");
    takeNumber(r, bytesAt(record, 8, 18), "station increment");
}

bool allDigits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (!isDigit(c)) return false;
    return true;
}

void decodeDate(DataRecord& r, std::string_view record) {
    r.kind = RecordKind::Date;
    const std::string_view day = bytesAt(record, 1, 2), month = bytesAt(record, 3, 4), year = bytesAt(record, 5, 8);
    const std::string_view clock = bytesAt(record, 10, 17);
    const bool clockOk = clock.size() == 8 && allDigits(clock.substr(0, 2)) && clock[2] == ':' &&
                         allDigits(clock.substr(3, 2)) && clock[5] == ':' && allDigits(clock.substr(6, 2));
    if (allDigits(day) && day.size() == 2 && allDigits(month) && month.size() == 2 && allDigits(year) &&
        year.size() == 4 && clockOk)
        r.time = std::string(year) + "-" + std::string(month) + "-" + std::string(day) + " " + std::string(clock);
    else
        addProblem(r, "unreadable date");
}

void decodeEventOrSentence(DataRecord& r, std::string_view record, std::size_t recordLength) {
    if (isEventRecord(record, recordLength)) {
        r.kind = RecordKind::Event;
        r.text = std::string(trimRight(bytesAt(record, 1, 11)));
        takeTick(r, record, recordLength);
    } else {
        r.kind = RecordKind::OtherSentence;
        r.text = std::string(trimRight(bytesAt(record, 1, recordLength - 2)));
    }
}

void decodeTrailer(DataRecord& r, std::string_view record, std::size_t recordLength) {
    r.kind = RecordKind::GpsTrailer;
    if (const auto count = parseNumber(bytesAt(record, 1, 6)); count && *count >= 0)
        r.sentenceCount = static_cast<long>(*count);
    else
        addProblem(r, "unreadable sentence count");
    r.status = record[7];
    takeTick(r, record, recordLength);
}

void decodeSwath(DataRecord& r, std::string_view record) {
    r.type = std::string(bytesAt(record, 0, 1));
    const char sub = record[1];
    if (sub == '0')
        r.kind = RecordKind::SwathStart;
    else if (sub >= 'a' && sub <= 'l')
        r.kind = RecordKind::SwathEdge;
    else
        addProblem(r, "unknown swath record");
    takeNumber(r, bytesAt(record, 2, 15), "swath value");
}

void decodeEm61Reading(DataRecord& r, std::string_view record, const RecordLayout& layout) {
    LoggedEm61Reading em;
    em.letter = record[0];
    em.gain = static_cast<std::uint8_t>(record[1]);
    for (std::size_t i = 0; i < em.words.size(); ++i) em.words[i] = signed16(record, 2 + 2 * i);
    em.meanCurrent = signed16(record, 10) + static_cast<std::uint8_t>(record[12]) / 100.0;
    em.marker = EM61_MARKER_LETTERS.find(em.letter) != std::string_view::npos || em.letter == 'K' || em.letter == 'k';
    if (layout.instrument == InstrumentType::Em61Mk2) {
        em.currentWord = signed16(record, 13);
        em.battery = static_cast<std::uint8_t>(record[15]);
    }
    r.em61 = em;
}

// Grad601: "T$P" and the sentence from its comma on: ",value,value".
void decodeGrad601Values(DataRecord& r, std::string_view text) {
    std::string_view rest = text.substr(2);
    while (!rest.empty() && rest.front() == ',') {
        rest.remove_prefix(1);
        const std::size_t comma = rest.find(',');
        const std::string_view field = rest.substr(0, comma);
        if (const auto value = parseNumber(field))
            r.values.push_back(*value);
        else
            addProblem(r, "unreadable gradiometer value");
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma);
    }
}

void decodeReading(DataRecord& r, std::string_view record, const RecordLayout& layout) {
    r.kind = RecordKind::Reading;
    if (isEm61(layout.instrument)) {
        decodeEm61Reading(r, record, layout);
    } else if (isGrad601(layout.instrument)) {
        const std::string_view text = trimRight(bytesAt(record, 1, 15));
        r.text = std::string(text);
        decodeGrad601Values(r, text);
    } else if (layout.instrument != InstrumentType::Em38Mk2) {
        r.text = std::string(trimRight(bytesAt(record, 0, 11)));
    }
    takeTick(r, record, layout.recordLength);
}

}  // namespace

RecordLayout layoutOf(InstrumentType instrument, ProductLine line) {
    return RecordLayout{instrument, line, recordLength(instrument, line)};
}

std::optional<RecordLayout> layoutFromProductTag(std::string_view firstRecord) {
    const auto tag = recogniseProductTag(firstRecord);
    if (!tag) return std::nullopt;
    return layoutOf(tag->tag->instrument, tag->tag->line);
}

std::optional<RecordLayout> layoutFromExtension(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    for (char& c : extension) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (InstrumentType instrument : kAllInstruments)
        for (ProductLine line : {ProductLine::Velox, ProductLine::Orv})
            if (extension == dataFileExtension(instrument, line)) return layoutOf(instrument, line);
    return std::nullopt;
}

std::optional<RecordLayout> layoutFromProgramName(std::string_view name) {
    for (InstrumentType instrument : kAllInstruments)
        for (ProductLine line : {ProductLine::Velox, ProductLine::Orv})
            if (programName(Variant{instrument, line, {}}) == name) return layoutOf(instrument, line);
    return std::nullopt;
}

// --- transport

DataFileReader::DataFileReader(const std::filesystem::path& path, std::size_t recordLength)
    : recordLength_(recordLength) {
    // Non-blocking so that a named pipe given by mistake cannot hang the open.
    descriptor_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (descriptor_ < 0) {
        openError_ = errno == ENOENT ? OpenError::Missing : OpenError::Unreadable;
        return;
    }
    ownsDescriptor_ = true;
    struct stat info {};
    if (::fstat(descriptor_, &info) != 0 || !S_ISREG(info.st_mode)) {
        openError_ = OpenError::NotAFile;
        ::close(descriptor_);
        descriptor_ = -1;
        ownsDescriptor_ = false;
    }
}

DataFileReader DataFileReader::onDescriptor(int descriptor, std::size_t recordLength) {
    DataFileReader reader;
    reader.descriptor_ = descriptor;
    reader.recordLength_ = recordLength;
    return reader;
}

DataFileReader DataFileReader::fromBytes(std::string bytes, std::size_t recordLength) {
    DataFileReader reader;
    reader.memory_ = std::move(bytes);
    reader.inMemory_ = true;
    reader.recordLength_ = recordLength;
    return reader;
}

DataFileReader::DataFileReader(DataFileReader&& other) noexcept { *this = std::move(other); }

DataFileReader& DataFileReader::operator=(DataFileReader&& other) noexcept {
    if (this != &other) {
        if (ownsDescriptor_) ::close(descriptor_);
        descriptor_ = other.descriptor_;
        ownsDescriptor_ = other.ownsDescriptor_;
        memory_ = std::move(other.memory_);
        inMemory_ = other.inMemory_;
        recordLength_ = other.recordLength_;
        openError_ = other.openError_;
        other.descriptor_ = -1;
        other.ownsDescriptor_ = false;
    }
    return *this;
}

DataFileReader::~DataFileReader() {
    if (ownsDescriptor_) ::close(descriptor_);
}

std::uint64_t DataFileReader::sizeInBytes() const {
    if (inMemory_) return memory_.size();
    if (descriptor_ < 0) return 0;
    struct stat info {};
    if (::fstat(descriptor_, &info) != 0 || info.st_size < 0) return 0;
    return static_cast<std::uint64_t>(info.st_size);
}

std::size_t DataFileReader::recordCount() const {
    if (recordLength_ == 0) return 0;
    return static_cast<std::size_t>(sizeInBytes() / recordLength_);
}

std::size_t DataFileReader::trailingBytes() const {
    if (recordLength_ == 0) return 0;
    return static_cast<std::size_t>(sizeInBytes() % recordLength_);
}

std::size_t DataFileReader::readAt(std::uint64_t offset, char* buffer, std::size_t count, bool& failed) const {
    failed = false;
    if (inMemory_) {
        if (offset >= memory_.size()) return 0;
        const std::size_t n = std::min<std::uint64_t>(count, memory_.size() - offset);
        memory_.copy(buffer, n, static_cast<std::size_t>(offset));
        return n;
    }
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::pread(descriptor_, buffer + done, count - done, static_cast<off_t>(offset + done));
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n < 0) {
            failed = true;
            break;
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

RecordRead DataFileReader::record(std::size_t index) const {
    RecordRead result;
    if (recordLength_ == 0 || (!inMemory_ && descriptor_ < 0)) return result;
    const std::uint64_t size = sizeInBytes();
    if (index >= size / recordLength_ + 1) return result;
    const std::uint64_t offset = static_cast<std::uint64_t>(index) * recordLength_;
    if (offset >= size) return result;
    const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(recordLength_, size - offset));
    result.bytes.resize(wanted);
    bool failed = false;
    const std::size_t got = readAt(offset, result.bytes.data(), wanted, failed);
    result.bytes.resize(got);
    if (failed)
        result.status = RecordStatus::Error;
    else if (got < recordLength_)
        result.status = got == 0 ? RecordStatus::End : RecordStatus::Short;
    else
        result.status = RecordStatus::Ok;
    return result;
}

RecordRead DataFileReader::recordFromEnd(std::size_t back) const {
    // Counted from the last whole record: a cut-off tail never shifts the
    // records read backwards out of their framing.
    const std::size_t count = recordCount();
    if (back >= count) return {};
    return record(count - 1 - back);
}

// --- meaning

std::string_view recordKindName(RecordKind kind) {
    switch (kind) {
        case RecordKind::ProductTag: return "tag";
        case RecordKind::ContinuationTag: return "continuation tag";
        case RecordKind::Name: return "name";
        case RecordKind::GpsSetup: return "GPS setup";
        case RecordKind::UtmEasting: return "UTM easting";
        case RecordKind::UtmNorthing: return "UTM northing";
        case RecordKind::NullOffset: return "null offset";
        case RecordKind::Calibration: return "calibration";
        case RecordKind::FilterFactor: return "filter factor";
        case RecordKind::Line: return "line";
        case RecordKind::StartStation: return "start station";
        case RecordKind::Direction: return "direction";
        case RecordKind::Date: return "date";
        case RecordKind::TimeMark: return "time mark";
        case RecordKind::Station: return "station";
        case RecordKind::Event: return "event";
        case RecordKind::Comment: return "comment";
        case RecordKind::OtherSentence: return "other sentence";
        case RecordKind::GpsFirst: return "GPS sentence";
        case RecordKind::GpsContinuation: return "GPS continuation";
        case RecordKind::GpsTrailer: return "GPS trailer";
        case RecordKind::SwathStart: return "swath start";
        case RecordKind::SwathEdge: return "swath edge";
        case RecordKind::Reading: return "reading";
        case RecordKind::Unknown: return "unknown";
    }
    return "unknown";
}

bool isReadingRecord(const RecordLayout& layout, std::string_view record) {
    if (record.empty() || recogniseProductTag(record)) return false;
    const char type = record[0];
    switch (layout.instrument) {
        case InstrumentType::Em61Lx2: return isEm61ReadingType(type);
        case InstrumentType::Em61Mk2:
            return isEm61ReadingType(type) || EM61_MK2_WHEEL_LETTERS.find(type) != std::string_view::npos;
        case InstrumentType::Grad601: return bytesAt(record, 0, 2) == "T$P";
        case InstrumentType::Em38Mk2: return type == REC_READING || type == 't';
        case InstrumentType::Em34_3:
            return type == REC_READING || EM34_STATION_LETTERS.find(type) != std::string_view::npos;
        case InstrumentType::Em31Mk2:
        case InstrumentType::Em38: return type == REC_READING;
    }
    return false;
}

DataRecord decodeRecord(const RecordLayout& layout, std::string_view record) {
    DataRecord r;
    r.bytes = std::string(record);
    const std::size_t length = layout.recordLength;
    if (record.empty()) {
        r.problem = "empty record";
        return r;
    }
    r.type = std::string(1, record[0]);
    // Layouts shorter than the fixed fields would make every offset below
    // meaningless; such a length is not one the program writes.
    if (length < SHORT_RECORD_LENGTH || record.size() != length) {
        r.problem = "not a whole record";
        return r;
    }
    if (record[length - 1] != RECORD_END) addProblem(r, "no line feed at the end of the record");

    if (const auto tag = recogniseProductTag(record)) {
        decodeTag(r, record, tag->continuing);
        if (!isProductTagOf(layout, record)) addProblem(r, "product tag of another program");
        return r;
    }
    if (isReadingRecord(layout, record)) {
        decodeReading(r, record, layout);
        return r;
    }
    switch (record[0]) {
        case REC_NAME: decodeName(r, record, layout); break;
        case REC_GPS_SETUP: decodeGpsRecord(r, record); break;
        case REC_NULL_OFFSET:
            if (layout.instrument == InstrumentType::Em38Mk2)
                decodeCalibration(r, record);
            else
                decodeOffsetOrFactor(r, record, RecordKind::NullOffset);
            break;
        case REC_FILTER_FACTOR: decodeOffsetOrFactor(r, record, RecordKind::FilterFactor); break;
        case REC_LINE: decodeLine(r, record); break;
        case REC_START_STATION:
            r.kind = RecordKind::StartStation;
            decodeStation(r, bytesAt(record, 1, 11));
            break;
        case REC_DIRECTION: decodeDirection(r, record); break;
        case REC_DATE: decodeDate(r, record); break;
        case REC_TIME_MARK:
            r.kind = RecordKind::TimeMark;
            r.time = std::string(trim(bytesAt(record, 1, 12)));
            takeTick(r, record, length);
            break;
        case REC_STATION:
            r.kind = RecordKind::Station;
            decodeStation(r, bytesAt(record, 1, 11));
            r.time = std::string(trim(bytesAt(record, 14, length - 2)));
            break;
        case REC_EVENT: decodeEventOrSentence(r, record, length); break;
        case REC_COMMENT:
            r.kind = RecordKind::Comment;
            r.text = std::string(trimRight(bytesAt(record, 1, 11)));
            takeTick(r, record, length);
            break;
        case REC_GPS_FIRST:
        case REC_RAW_GPS_FIRST:
            r.kind = RecordKind::GpsFirst;
            r.text = std::string(trimRight(bytesAt(record, 1, length - 2)));
            break;
        case REC_GPS_CONTINUATION:
        case REC_RAW_GPS_CONTINUATION:
            r.kind = RecordKind::GpsContinuation;
            r.text = std::string(trimRight(bytesAt(record, 1, length - 2)));
            break;
        case REC_GPS_TRAILER: decodeTrailer(r, record, length); break;
        case REC_SWATH: decodeSwath(r, record); break;
        default: addProblem(r, "unknown record type"); break;
    }
    return r;
}

std::optional<GpsGroup> readGpsGroup(const DataFileReader& reader, std::size_t first) {
    const RecordRead head = reader.record(first);
    const std::size_t length = reader.recordLength();
    if (head.status != RecordStatus::Ok || length < SHORT_RECORD_LENGTH) return std::nullopt;
    const char firstType = head.bytes[0];
    if (firstType != REC_GPS_FIRST && firstType != REC_RAW_GPS_FIRST) return std::nullopt;
    const char continuation = firstType == REC_GPS_FIRST ? REC_GPS_CONTINUATION : REC_RAW_GPS_CONTINUATION;

    GpsGroup group;
    group.first = first;
    group.firstType = firstType;
    group.recordCount = 1;
    std::string joined = head.bytes.substr(1, sentencePieceLength(length));
    for (std::size_t pieces = 1; pieces <= MAX_GPS_PIECES; ++pieces) {
        const RecordRead next = reader.record(first + group.recordCount);
        if (next.status != RecordStatus::Ok) break;
        if (next.bytes[0] == continuation) {
            joined += next.bytes.substr(1, sentencePieceLength(length));
            ++group.recordCount;
            continue;
        }
        if (next.bytes[0] == REC_GPS_TRAILER) {
            DataRecord trailer;
            decodeTrailer(trailer, next.bytes, length);
            group.sentenceCount = trailer.sentenceCount;
            group.status = trailer.status;
            group.tick = trailer.tick;
            group.complete = true;
            ++group.recordCount;
        }
        break;
    }
    group.sentence = std::string(trimRight(joined));
    return group;
}

RecordScanner::RecordScanner(const DataFileReader& reader, const RecordLayout& layout, std::size_t first)
    : reader_(reader), layout_(layout), index_(first) {}

std::optional<ScannedRecord> RecordScanner::next() {
    if (finished_) return std::nullopt;
    const RecordRead read = reader_.record(index_);
    ScannedRecord scanned;
    scanned.index = index_;
    switch (read.status) {
        case RecordStatus::End: finished_ = true; return std::nullopt;
        case RecordStatus::Error:
            finished_ = true;
            scanned.record.bytes = read.bytes;
            scanned.record.problem = "the file could not be read here";
            return scanned;
        case RecordStatus::Short:
            finished_ = true;
            scanned.record = decodeRecord(layout_, read.bytes);
            scanned.record.problem = "cut-off last record: " + std::to_string(read.bytes.size()) + " of " +
                                     std::to_string(reader_.recordLength()) + " bytes";
            return scanned;
        case RecordStatus::Ok: break;
    }
    scanned.record = decodeRecord(layout_, read.bytes);
    const RecordKind kind = scanned.record.kind;
    if (kind == RecordKind::GpsFirst) {
        scanned.group = readGpsGroup(reader_, index_);
        if (scanned.group) {
            groupEnd_ = index_ + scanned.group->recordCount;
            if (!scanned.group->complete) addProblem(scanned.record, "GPS sentence without its trailer");
        }
    } else if ((kind == RecordKind::GpsContinuation || kind == RecordKind::GpsTrailer) && index_ >= groupEnd_) {
        addProblem(scanned.record, "outside a GPS sentence group");
    }
    ++index_;
    return scanned;
}

std::optional<std::size_t> findSurveyStart(const DataFileReader& reader) {
    for (std::size_t i = 0; i < static_cast<std::size_t>(START_SEARCH_RECORDS); ++i) {
        const RecordRead r = reader.record(i);
        if (r.status != RecordStatus::Ok) break;
        if (std::string_view(r.bytes).substr(0, START_SEARCH.size()) == START_SEARCH) return i;
    }
    return std::nullopt;
}

FileReport inspectDataFile(const DataFileReader& reader, const RecordLayout& layout) {
    FileReport report;
    report.empty = reader.sizeInBytes() == 0;
    report.records = reader.recordCount();
    report.trailingBytes = reader.trailingBytes();
    const RecordRead first = reader.record(0);
    report.foreign = !report.empty && !isProductTagOf(layout, first.bytes);
    return report;
}

}  // namespace velox
