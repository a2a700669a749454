// velox-dump: prints a survey data file one record per line, readable or as
// JSON, so that a file can be checked in the field and by tests.

#include <charconv>
#include <cstdio>
#include <iostream>
#include <string>
#include <string_view>

#include "logging/data_file_reader.h"

namespace {

using namespace velox;

constexpr const char* USAGE =
    "Usage: velox-dump [--json] [--variant NAME] FILE\n"
    "Prints a Velox or Orv survey data file one record per line: index, record type\n"
    "and the decoded fields.\n"
    "  --json          one JSON object per record (index, type, kind, raw and the\n"
    "                  decoded fields)\n"
    "  --variant NAME  read the file as written by program NAME (velox61lx2,\n"
    "                  velox61mk2, velox601, velox31, velox38, velox34-3,\n"
    "                  velox38mk2, orv61lx2, ..., orv31, ...) instead of\n"
    "                  recognising it from its product tag or extension\n"
    "  --help          this text\n"
    "Exit status: 0 every record read and sound; 1 the file has damaged records,\n"
    "a cut-off end or belongs to another program; 2 the file could not be read.\n";

struct Options {
    bool json = false;
    bool help = false;
    std::string variant;
    std::string file;
    std::string error;
};

Options parseOptions(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--json")
            o.json = true;
        else if (arg == "--help" || arg == "-h")
            o.help = true;
        else if (arg == "--variant" && i + 1 < argc)
            o.variant = argv[++i];
        else if (arg.rfind("--variant=", 0) == 0)
            o.variant = std::string(arg.substr(10));
        else if (!arg.empty() && arg[0] == '-')
            o.error = "unknown option " + std::string(arg);
        else if (o.file.empty())
            o.file = std::string(arg);
        else
            o.error = "only one FILE can be dumped";
    }
    if (!o.help && o.error.empty() && o.file.empty()) o.error = "no FILE given";
    return o;
}

// Record bytes as a JSON string: one character per byte (the stored texts
// are one byte per character), control and non-ASCII bytes escaped.
std::string jsonString(std::string_view bytes) {
    std::string out = "\"";
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (b < 0x20 || b >= 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", b);
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// Readable form of record bytes: printable ASCII as is (quote and backslash
// escaped), others as \xNN.
std::string printable(std::string_view bytes) {
    std::string out;
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (b >= 0x20 && b < 0x7F) {
            out += c;
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", b);
            out += escape;
        }
    }
    return out;
}

// Shortest text that reads back as the same value.
std::string number(double value) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

std::string hexBytes(std::string_view bytes) {
    std::string out;
    for (char c : bytes) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned char>(c));
        out += hex;
    }
    return out;
}

// Names of the numbers in DataRecord::values, by kind.
std::string valueName(RecordKind kind, std::size_t i) {
    switch (kind) {
        case RecordKind::Name: return "period";
        case RecordKind::GpsSetup: return i == 0 ? "offsetX" : "offsetY";
        case RecordKind::UtmEasting: return "easting";
        case RecordKind::UtmNorthing: return "northing";
        case RecordKind::NullOffset: return i == 0 ? "offset" : "previousOffset";
        case RecordKind::FilterFactor: return i == 0 ? "factor" : "previousFactor";
        case RecordKind::Calibration: return i == 0 ? "first" : "second";
        case RecordKind::Direction: return "increment";
        case RecordKind::SwathStart:
        case RecordKind::SwathEdge: return "value";
        default: return "values";
    }
}

// Collects "name value" pairs and renders them either way.
class Fields {
public:
    explicit Fields(bool json) : json_(json) {}
    void text(const std::string& name, std::string_view value) {
        add(name, json_ ? jsonString(value) : "\"" + printable(value) + "\"");
    }
    void raw(const std::string& name, const std::string& value) { add(name, value); }
    void flag(const std::string& name, bool value) { add(name, value ? "true" : "false"); }
    std::string str() const { return json_ ? "{" + out_ + "}" : out_; }

private:
    void add(const std::string& name, const std::string& value) {
        if (!out_.empty()) out_ += json_ ? "," : "  ";
        out_ += json_ ? "\"" + name + "\":" + value : name + "=" + value;
    }
    bool json_;
    std::string out_;
};

void addEm61(Fields& f, const LoggedEm61Reading& em, bool json) {
    f.text("letter", std::string(1, em.letter));
    f.raw("gain", json ? std::to_string(em.gain) : [&] {
        char hex[8];
        std::snprintf(hex, sizeof hex, "0x%02X", em.gain);
        return std::string(hex);
    }());
    std::string words;
    for (std::size_t i = 0; i < em.words.size(); ++i) words += (i ? "," : "") + std::to_string(em.words[i]);
    f.raw("words", json ? "[" + words + "]" : words);
    char current[32];
    std::snprintf(current, sizeof current, "%.2f", em.meanCurrent);
    f.raw("meanCurrent", current);
    if (em.marker) f.flag("marker", true);
    if (em.currentWord) f.raw("currentWord", std::to_string(*em.currentWord));
    if (em.battery) f.raw("battery", std::to_string(*em.battery));
}

void addGroup(Fields& f, const GpsGroup& group) {
    f.text("sentence", group.sentence);
    f.raw("records", std::to_string(group.recordCount));
    f.flag("complete", group.complete);
    if (group.sentenceCount) f.raw("count", std::to_string(*group.sentenceCount));
    if (group.status) f.text("status", std::string(1, *group.status));
    if (group.tick) f.raw("tick", std::to_string(*group.tick));
}

std::string render(const ScannedRecord& s, const RecordLayout& layout, bool json) {
    const DataRecord& r = s.record;
    Fields f(json);
    f.raw("index", std::to_string(s.index));
    f.text("type", r.type);
    f.text("kind", recordKindName(r.kind));
    if (json) f.text("raw", r.bytes);
    if (r.text) f.text("text", *r.text);
    if (r.nameOverflow) f.text("nameOverflow", *r.nameOverflow);
    if (r.version) f.text("version", *r.version);
    if (r.settings) f.text("settings", *r.settings);
    if (r.direction) f.text("direction", std::string(1, *r.direction));
    if (r.station) f.raw("station", number(*r.station));
    if (r.time) f.text("time", *r.time);
    if (r.zone) f.raw("zone", std::to_string(*r.zone));
    if (r.em61) addEm61(f, *r.em61, json);
    if (r.kind == RecordKind::Reading && layout.instrument == InstrumentType::Em38Mk2 && r.bytes.size() >= 14)
        f.text("data", hexBytes(std::string_view(r.bytes).substr(1, 13)));
    if (r.kind == RecordKind::Reading && !r.values.empty()) {
        std::string list;
        for (std::size_t i = 0; i < r.values.size(); ++i) list += (i ? "," : "") + number(r.values[i]);
        f.raw("values", json ? "[" + list + "]" : list);
    } else if (r.kind != RecordKind::StartStation && r.kind != RecordKind::Station) {
        for (std::size_t i = 0; i < r.values.size(); ++i) f.raw(valueName(r.kind, i), number(r.values[i]));
    }
    if (r.sentenceCount) f.raw("count", std::to_string(*r.sentenceCount));
    if (r.status) f.text("status", std::string(1, *r.status));
    if (r.tick) f.raw("tick", std::to_string(*r.tick));
    if (s.group) addGroup(f, *s.group);
    if (r.damaged()) {
        f.flag("damaged", true);
        f.text("problem", r.problem);
        if (!json) f.text("raw", r.bytes);
    }
    return f.str();
}

std::optional<RecordLayout> chooseLayout(const Options& o, const DataFileReader& reader, std::string& error) {
    if (!o.variant.empty()) {
        const auto layout = layoutFromProgramName(o.variant);
        if (!layout) error = "unknown variant " + o.variant + " (see --help)";
        return layout;
    }
    if (const auto tagged = layoutFromProductTag(reader.record(0).bytes)) return tagged;
    if (const auto byName = layoutFromExtension(o.file)) return byName;
    error = "cannot tell which program wrote " + o.file +
            ": no product tag at its start and no known extension; give --variant";
    return std::nullopt;
}

std::string openErrorText(DataFileReader::OpenError e) {
    switch (e) {
        case DataFileReader::OpenError::Missing: return "no such file";
        case DataFileReader::OpenError::NotAFile: return "not a regular file";
        default: return "cannot be read";
    }
}

}  // namespace

int main(int argc, char** argv) {
    const Options o = parseOptions(argc, argv);
    if (o.help) {
        std::cout << USAGE;
        return 0;
    }
    if (!o.error.empty()) {
        std::cerr << "velox-dump: " << o.error << "\n" << USAGE;
        return 2;
    }
    // The record length is fixed once the variant is known; probe with the
    // common length to look at the product tag.
    DataFileReader probe(o.file, 27);
    if (probe.openError() != DataFileReader::OpenError::None) {
        std::cerr << "velox-dump: " << o.file << ": " << openErrorText(probe.openError()) << "\n";
        return 2;
    }
    if (probe.sizeInBytes() == 0) {
        std::cerr << "velox-dump: " << o.file << " is empty\n";
        return 1;
    }
    std::string error;
    const auto layout = chooseLayout(o, probe, error);
    if (!layout) {
        std::cerr << "velox-dump: " << error << "\n";
        return 2;
    }
    DataFileReader reader(o.file, layout->recordLength);
    if (reader.openError() != DataFileReader::OpenError::None) {
        std::cerr << "velox-dump: " << o.file << ": " << openErrorText(reader.openError()) << "\n";
        return 2;
    }

    const FileReport report = inspectDataFile(reader, *layout);
    bool troubled = report.foreign;
    if (report.foreign)
        std::cerr << "velox-dump: " << o.file << " does not start with a product tag of "
                  << programName(Variant{layout->instrument, layout->line, {}}) << "\n";

    RecordScanner scanner(reader, *layout);
    while (const auto scanned = scanner.next()) {
        troubled = troubled || scanned->record.damaged();
        std::cout << render(*scanned, *layout, o.json) << "\n";
    }
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "velox-dump: cannot write the output\n";
        return 2;
    }
    return troubled ? 1 : 0;
}
