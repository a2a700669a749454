#pragma once
// Reads a survey data file back: whole records by position, recognised and
// decoded by the variant that wrote them. Transport (DataFileReader: bytes of
// a file or of memory, one record at a time) is kept apart from meaning
// (decodeRecord and the helpers below: pure functions of the record bytes).
//
// Nothing here trusts the input: a record that cannot be read or decoded is
// reported as a value (RecordStatus, DataRecord::problem), never by reading
// past a record, throwing or stopping the program.

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/variant.h"
#include "platform/clock.h"

namespace velox {

// The variant a file belongs to and the length of its records.
struct RecordLayout {
    InstrumentType instrument = InstrumentType::Em61Lx2;
    ProductLine line = ProductLine::Velox;
    std::size_t recordLength = 27;
};
RecordLayout layoutOf(InstrumentType instrument, ProductLine line);

// The variant whose product tag starts `firstRecord` (either case of its
// first letter), or whose data-file extension `path` has.
std::optional<RecordLayout> layoutFromProductTag(std::string_view firstRecord);
std::optional<RecordLayout> layoutFromExtension(const std::filesystem::path& path);
// Program names such as "velox61lx2" or "orv31".
std::optional<RecordLayout> layoutFromProgramName(std::string_view name);

enum class RecordStatus {
    Ok,     // a whole record
    End,    // no record at this position
    Short,  // fewer than a record's bytes remain: a cut-off last record
    Error,  // the file could not be read
};

struct RecordRead {
    RecordStatus status = RecordStatus::End;
    std::string bytes;  // the record; for Short the bytes that remain
};

// Whole records of a data file by position. Works on a file it opens, on a
// descriptor owned by someone else (the open data file while logging), or on
// bytes in memory. The size is taken afresh on every call, so records
// appended meanwhile become visible; reads never move a descriptor's offset.
class DataFileReader {
public:
    enum class OpenError { None, Missing, Unreadable, NotAFile };

    // Opens `path` for reading. On failure the reader holds no records and
    // openError() says why.
    DataFileReader(const std::filesystem::path& path, std::size_t recordLength);
    // Reads through `descriptor`, which the caller keeps open and closes.
    static DataFileReader onDescriptor(int descriptor, std::size_t recordLength);
    static DataFileReader fromBytes(std::string bytes, std::size_t recordLength);

    DataFileReader(DataFileReader&& other) noexcept;
    DataFileReader& operator=(DataFileReader&& other) noexcept;
    DataFileReader(const DataFileReader&) = delete;
    DataFileReader& operator=(const DataFileReader&) = delete;
    ~DataFileReader();

    OpenError openError() const { return openError_; }
    std::size_t recordLength() const { return recordLength_; }
    std::uint64_t sizeInBytes() const;
    // Whole records in the file.
    std::size_t recordCount() const;
    // Bytes after the last whole record (a cut-off record), 0 when none.
    std::size_t trailingBytes() const;

    // Record `index` counted from the start of the file.
    RecordRead record(std::size_t index) const;
    // Record `back` counted backwards from the end: 0 is the last whole record.
    RecordRead recordFromEnd(std::size_t back) const;

private:
    DataFileReader() = default;
    std::size_t readAt(std::uint64_t offset, char* buffer, std::size_t count, bool& failed) const;

    int descriptor_ = -1;
    bool ownsDescriptor_ = false;
    std::string memory_;
    bool inMemory_ = false;
    std::size_t recordLength_ = 27;
    OpenError openError_ = OpenError::None;
};

enum class RecordKind {
    ProductTag,        // first record of a header
    ContinuationTag,   // product tag with a lower-case first letter
    Name,              // "H"
    GpsSetup,          // first "G"
    UtmEasting,        // second "G": reference easting and zone
    UtmNorthing,       // third "G": reference northing
    NullOffset,        // "O"
    Calibration,       // "O1" … "O6"
    FilterFactor,      // "I"
    Line,              // "L"
    StartStation,      // "B"
    Direction,         // "A"
    Date,              // "Z"
    TimeMark,          // "*"
    Station,           // "S"
    Event,             // "X" logging event
    Comment,           // "C"
    OtherSentence,     // "X" written from the GPS port
    GpsFirst,          // "@" or "?": first record of a GPS group
    GpsContinuation,   // "#" or the double quote
    GpsTrailer,        // "!"
    SwathStart,        // "{0"
    SwathEdge,         // "{a" … "{l"
    Reading,           // an instrument reading of the file's variant
    Unknown,           // nothing this variant writes
};
std::string_view recordKindName(RecordKind kind);

// An EM61 reading record: the frame as received with the mean current the
// handler wrote into it.
struct LoggedEm61Reading {
    char letter = 0;
    std::uint8_t gain = 0;
    std::array<std::int16_t, 4> words{};
    double meanCurrent = 0.0;  // bytes 10-11 (signed, high byte first) + byte 12 / 100
    bool marker = false;       // a marker letter (instrument marker or soft marker)
    // EM61-MK2 only: the current word as received and the battery byte.
    std::optional<std::int16_t> currentWord;
    std::optional<std::uint8_t> battery;
};

// One record and what could be read from it. Which fields are set depends on
// the kind; `values` holds the record's numbers in byte order:
//   Name: reading period or station increment (Grad601: sensor separation);
//   GpsSetup: X and Y antenna offsets; UtmEasting / UtmNorthing: the value;
//   NullOffset, FilterFactor: the value and, when written, the previous one;
//   Calibration: the two values; SwathStart, SwathEdge: the value;
//   StartStation, Station: the station (also in `station`);
//   Direction: the station increment; Grad601 reading: the sensor values.
struct DataRecord {
    RecordKind kind = RecordKind::Unknown;
    std::string type;                  // as written: "S", "@", "{a", "O1", "VLXLX2  W"
    std::string bytes;                 // the whole record
    std::optional<std::string> text;   // names, event texts, sentence pieces, reading texts
    std::optional<Tick> tick;
    std::optional<double> station;
    std::optional<std::string> nameOverflow; // Line: the end of a long file name
    std::optional<std::string> time;   // local time ("10:22:33.045"), Date: "2024-03-15 10:22:33"
    std::vector<double> values;
    std::optional<int> zone;                 // UtmEasting
    std::optional<char> direction;           // Direction: W, S, N or E
    std::optional<std::string> version;      // tag records: format version
    std::optional<std::string> settings;     // tag records: bytes 12 on; GpsSetup: bytes 15-20
    std::optional<long> sentenceCount;       // GpsTrailer
    std::optional<char> status;              // GpsTrailer: ' ' or 'p'
    std::optional<LoggedEm61Reading> em61;
    std::string problem;                     // why the record is damaged; empty when it is sound
    bool damaged() const { return !problem.empty(); }
};

// Recognises and decodes one whole record of `layout`.
DataRecord decodeRecord(const RecordLayout& layout, std::string_view record);
// True when `record` is an instrument reading of the layout's variant.
bool isReadingRecord(const RecordLayout& layout, std::string_view record);

// A GPS sentence group reassembled from its first record, continuations and
// trailer.
struct GpsGroup {
    std::size_t first = 0;       // index of the first record
    std::size_t recordCount = 0; // records of the group, trailer included when present
    char firstType = '@';        // '@' or '?'
    std::string sentence;        // the pieces joined, without the trailing padding
    bool complete = false;       // the trailer was found
    std::optional<long> sentenceCount;
    std::optional<char> status;
    std::optional<Tick> tick;
};
// The group whose first record is at `first`; nullopt when no group starts there.
std::optional<GpsGroup> readGpsGroup(const DataFileReader& reader, std::size_t first);

// Walks a file forward record by record, decoding each one. A GPS group is
// reassembled on its first record; continuation and trailer records that
// belong to no group, a group without its trailer, a cut-off last record and
// a read error are reported in `problem`. next() gives nothing after the end
// (or after a cut-off record or read error, which end the walk).
struct ScannedRecord {
    std::size_t index = 0;
    DataRecord record;
    std::optional<GpsGroup> group;  // on the first record of a GPS group
};
class RecordScanner {
public:
    RecordScanner(const DataFileReader& reader, const RecordLayout& layout, std::size_t first = 0);
    std::optional<ScannedRecord> next();

private:
    const DataFileReader& reader_;
    RecordLayout layout_;
    std::size_t index_;
    std::size_t groupEnd_ = 0;  // first index after the GPS group being walked
    bool finished_ = false;
};

// Index of the first record that begins "X$START" among the first 300
// records; nullopt when there is none.
std::optional<std::size_t> findSurveyStart(const DataFileReader& reader);

// What a look at a whole file found.
struct FileReport {
    bool empty = false;            // no bytes at all
    bool foreign = false;          // the first record is not a product tag of this layout's variant
    std::size_t records = 0;       // whole records
    std::size_t trailingBytes = 0; // bytes of a cut-off last record
};
FileReport inspectDataFile(const DataFileReader& reader, const RecordLayout& layout);

}  // namespace velox
