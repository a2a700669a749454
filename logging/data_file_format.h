#pragma once
// The survey data file's framing and the constants that its writers and its
// readers share: record lengths, record type letters, product tags and the
// per-variant file extensions and own-file prefixes.
//
// A data file is a plain sequence of fixed-length records. The last byte of
// every record is a line feed; byte 0 is the record type. Reading records
// carry raw instrument bytes (0x0A and 0x00 included), so a file is always
// read by position, one whole record at a time, never split at line feeds.

#include <cstddef>
#include <optional>
#include <string_view>

#include "config/variant.h"

namespace velox {

// Record length of every build but one; the Orv line's EM31-MK2 writes 24.
inline constexpr std::size_t RECORD_LENGTH = 27;
inline constexpr std::size_t SHORT_RECORD_LENGTH = 24;
inline constexpr char RECORD_END = '\n';

constexpr std::size_t recordLength(InstrumentType type, ProductLine line) {
    return type == InstrumentType::Em31Mk2 && line == ProductLine::Orv ? SHORT_RECORD_LENGTH : RECORD_LENGTH;
}
constexpr std::size_t recordLength(const Variant& v) { return recordLength(v.instrumentType, v.productLine); }

// The tick count "%10lu" fills the ten bytes before the line feed of every
// record that carries one.
inline constexpr std::size_t TICK_WIDTH = 10;
constexpr std::size_t tickOffset(std::size_t recordLength) { return recordLength - 1 - TICK_WIDTH; }
// Characters of a GPS sentence carried by one record, behind its type byte.
constexpr std::size_t sentencePieceLength(std::size_t recordLength) { return recordLength - 2; }

// Record types (byte 0). The tag record is recognised by its product tag
// (a lower-case first letter marks the header of a continuation).
inline constexpr char REC_NAME = 'H';
inline constexpr char REC_GPS_SETUP = 'G';  // also the two UTM reference records
inline constexpr char REC_NULL_OFFSET = 'O';
inline constexpr char REC_FILTER_FACTOR = 'I';
inline constexpr char REC_LINE = 'L';
inline constexpr char REC_START_STATION = 'B';
inline constexpr char REC_DIRECTION = 'A';
inline constexpr char REC_DATE = 'Z';
inline constexpr char REC_TIME_MARK = '*';
inline constexpr char REC_STATION = 'S';
inline constexpr char REC_EVENT = 'X';  // also the single record of an "other" GPS sentence
inline constexpr char REC_COMMENT = 'C';
inline constexpr char REC_GPS_FIRST = '@';
inline constexpr char REC_GPS_CONTINUATION = '#';
inline constexpr char REC_GPS_TRAILER = '!';
inline constexpr char REC_RAW_GPS_FIRST = '?';
inline constexpr char REC_RAW_GPS_CONTINUATION = '"';
inline constexpr char REC_SWATH = '{';
inline constexpr char REC_READING = 'T';  // reading records of every variant but the EM61 marker letters
// EM38-MK2 calibration records are "O1" … "O6": REC_NULL_OFFSET and a digit.
inline constexpr int CALIBRATION_RECORD_COUNT = 6;

// EM61 reading records: the mode letters as received, and the letters the
// instrument sends instead while its marker is pressed.
inline constexpr std::string_view EM61_MODE_LETTERS = "TDEF";
inline constexpr std::string_view EM61_MARKER_LETTERS = "MNPQ";
constexpr bool isEm61ReadingType(char c) {
    return EM61_MODE_LETTERS.find(c) != std::string_view::npos || EM61_MARKER_LETTERS.find(c) != std::string_view::npos;
}

// The event text that marks the start of the recorded survey.
inline constexpr std::string_view STARTED_EVENT = "$STARTED";
inline constexpr std::string_view START_SEARCH = "X$START";
inline constexpr int START_SEARCH_RECORDS = 300;

// Tag record: bytes 0-8 the product tag, 9-11 the format version, 12-14
// "GPS" or "GRD".
inline constexpr std::size_t PRODUCT_TAG_LENGTH = 9;

struct ProductTag {
    std::string_view tag;  // upper-case form, as written at the start of a new file
    InstrumentType instrument;
    ProductLine line;
    std::string_view version;  // bytes 9-11
};

inline constexpr ProductTag PRODUCT_TAGS[] = {
    {"VLXLX1  W", InstrumentType::Em61Lx2, ProductLine::Velox, "108"},
    {"VLXLX1N W", InstrumentType::Em61Lx2, ProductLine::Velox, "108"},
    {"VLXLX2  W", InstrumentType::Em61Lx2, ProductLine::Velox, "108"},
    {"VLXLX2N W", InstrumentType::Em61Lx2, ProductLine::Velox, "108"},
    {"ORVLX1  W", InstrumentType::Em61Lx2, ProductLine::Orv, "100"},
    {"ORVLX1N W", InstrumentType::Em61Lx2, ProductLine::Orv, "100"},
    {"ORVLX2  W", InstrumentType::Em61Lx2, ProductLine::Orv, "100"},
    {"ORVLX2N W", InstrumentType::Em61Lx2, ProductLine::Orv, "100"},
    {"VLXMK2  W", InstrumentType::Em61Mk2, ProductLine::Velox, "227"},
    {"ORVMK2  W", InstrumentType::Em61Mk2, ProductLine::Orv, "220"},
    {"ORVMK2H W", InstrumentType::Em61Mk2, ProductLine::Orv, "220"},
    {"VLX601 AW", InstrumentType::Grad601, ProductLine::Velox, "101"},
    {"ORV601 AW", InstrumentType::Grad601, ProductLine::Orv, "105"},
    {"VLX31   W", InstrumentType::Em31Mk2, ProductLine::Velox, "226"},
    {"ORV31   W", InstrumentType::Em31Mk2, ProductLine::Orv, "216"},
    {"VLX38   W", InstrumentType::Em38, ProductLine::Velox, "211"},
    {"ORV38   W", InstrumentType::Em38, ProductLine::Orv, "200"},
    {"VLX343  W", InstrumentType::Em34_3, ProductLine::Velox, "214"},
    {"ORV343  W", InstrumentType::Em34_3, ProductLine::Orv, "212"},
    {"VLX38MK2W", InstrumentType::Em38Mk2, ProductLine::Velox, "228"},
    {"ORV382  W", InstrumentType::Em38Mk2, ProductLine::Orv, "216"},
};

// The tag a record starts with, if any. `continuing` is set when the first
// letter is lower-case (the header of a continuation).
struct RecognisedTag {
    const ProductTag* tag;
    bool continuing;
};
constexpr std::optional<RecognisedTag> recogniseProductTag(std::string_view record) {
    if (record.size() < PRODUCT_TAG_LENGTH || record[0] == '\0') return std::nullopt;
    const char first = record[0];
    const bool lower = first >= 'a' && first <= 'z';
    const char upper = lower ? static_cast<char>(first - 'a' + 'A') : first;
    for (const ProductTag& candidate : PRODUCT_TAGS) {
        if (candidate.tag[0] == upper && record.substr(1, PRODUCT_TAG_LENGTH - 1) == candidate.tag.substr(1))
            return RecognisedTag{&candidate, lower};
    }
    return std::nullopt;
}

// How an existing file is recognised as this product's: the prefix must
// occur within the first `bytesExamined` bytes. The EM34-3 row is ours: its
// tag "VLX343  W" matches none of the other prefixes.
struct OwnFilePrefix {
    std::string_view prefix;
    std::size_t bytesExamined;
};
constexpr OwnFilePrefix ownFilePrefix(InstrumentType type) {
    switch (type) {
    case InstrumentType::Grad601: return {"VLX601", 6};
    case InstrumentType::Em61Lx2: return {"VLXLX", 6};
    case InstrumentType::Em61Mk2: return {"VLXMK2", 6};
    case InstrumentType::Em31Mk2: return {"VLX31", 5};
    case InstrumentType::Em38: return {"VLX38", 5};
    case InstrumentType::Em34_3: return {"VLX343", 7};
    case InstrumentType::Em38Mk2: return {"VLX38MK2", 8};
    }
    return {"VLXLX", 6};
}

// File extensions by variant; a file logged with the instrument disabled
// holds positions only and takes ".gxy" on every variant.
inline constexpr std::string_view POSITIONS_ONLY_EXTENSION = ".gxy";
constexpr std::string_view dataFileExtension(InstrumentType type, ProductLine line) {
    const bool velox = line == ProductLine::Velox;
    switch (type) {
    case InstrumentType::Grad601: return velox ? ".RGR" : ".601";
    case InstrumentType::Em61Lx2: return velox ? ".RX2" : ".TX2";
    case InstrumentType::Em61Mk2: return velox ? ".T61" : ".P61";
    case InstrumentType::Em31Mk2: return velox ? ".T31" : ".H31";
    case InstrumentType::Em38: return velox ? ".T38" : ".H38";
    case InstrumentType::Em34_3: return velox ? ".T34" : ".H34";
    case InstrumentType::Em38Mk2: return velox ? ".TM8" : ".382";
    }
    return ".RX2";
}

}  // namespace velox
