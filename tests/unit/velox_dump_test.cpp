// velox-dump run as a program: every record of the golden files comes back
// byte for byte and decoded, composed files show their fields, and damaged or
// missing input gives a clear message and a non-zero exit status.

#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "logging/data_file_reader.h"
#include "test_support.h"

namespace velox {
namespace {

struct DumpRun {
    int exitCode = -1;
    std::vector<std::string> lines;
    std::string errors;
};

std::string readAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

DumpRun runDump(const std::string& arguments, const std::filesystem::path& scratch) {
    const auto errorFile = scratch / "stderr.txt";
    const std::string command = std::string(VELOX_DUMP) + " " + arguments + " 2>" + errorFile.string();
    DumpRun run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return run;
    std::string line;
    for (int c; (c = std::fgetc(pipe)) != EOF;) {
        if (c == '\n') {
            run.lines.push_back(line);
            line.clear();
        } else {
            line += static_cast<char>(c);
        }
    }
    const int status = ::pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.errors = readAll(errorFile);
    return run;
}

std::string quoted(const std::filesystem::path& path) { return "'" + path.string() + "'"; }

// A flat JSON object: string values decoded to their bytes (one byte per
// character), other values kept as written. nullopt when it is not JSON.
using JsonObject = std::map<std::string, std::string>;

std::optional<std::string> jsonStringAt(const std::string& s, std::size_t& i) {
    if (i >= s.size() || s[i] != '"') return std::nullopt;
    std::string out;
    for (++i; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '"') {
            ++i;
            return out;
        }
        if (static_cast<unsigned char>(c) < 0x20) return std::nullopt;
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i >= s.size()) return std::nullopt;
        switch (s[i]) {
            case 'n': out += '\n'; break;
            case '"': out += '"'; break;
            case '\\': out += '\\'; break;
            case 'u': {
                if (i + 4 >= s.size()) return std::nullopt;
                const unsigned long code = std::stoul(s.substr(i + 1, 4), nullptr, 16);
                if (code > 0xFF) return std::nullopt;
                out += static_cast<char>(code);
                i += 4;
                break;
            }
            default: return std::nullopt;
        }
    }
    return std::nullopt;
}

std::optional<JsonObject> parseFlatJson(const std::string& s) {
    JsonObject object;
    std::size_t i = 0;
    if (s.empty() || s[i++] != '{') return std::nullopt;
    while (i < s.size() && s[i] != '}') {
        const auto key = jsonStringAt(s, i);
        if (!key || i >= s.size() || s[i++] != ':') return std::nullopt;
        if (s[i] == '"') {
            const auto value = jsonStringAt(s, i);
            if (!value) return std::nullopt;
            object[*key] = *value;
        } else {
            const std::size_t end = s[i] == '[' ? s.find(']', i) + 1 : s.find_first_of(",}", i);
            if (end == std::string::npos || end == 0) return std::nullopt;
            object[*key] = s.substr(i, end - i);
            i = end;
        }
        if (i < s.size() && s[i] == ',') ++i;
    }
    if (i + 1 != s.size()) return std::nullopt;
    return object;
}

std::vector<JsonObject> parseAll(const DumpRun& run) {
    std::vector<JsonObject> objects;
    for (const std::string& line : run.lines) {
        const auto object = parseFlatJson(line);
        EXPECT_TRUE(object) << "not a JSON object: " << line;
        if (object) objects.push_back(*object);
    }
    return objects;
}

std::string rec(std::string content) {
    content.resize(26, ' ');
    return content + '\n';
}

class DumpTest : public ::testing::Test {
protected:
    test::TempDataRoot root;
};

// Files written by the data-file writers read back whole: one object per
// record, the raw bytes exactly as stored, every record recognised and sound.
TEST_F(DumpTest, GoldenFilesReadBackRecordByRecord) {
    const auto golden = std::filesystem::path(VELOX_TEST_DATA) / "golden";
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(golden, ec))
        if (entry.is_regular_file() && layoutFromExtension(entry.path())) files.push_back(entry.path());
    if (files.empty()) GTEST_SKIP() << "no golden data files in " << golden;

    for (const auto& file : files) {
        SCOPED_TRACE(file.string());
        const std::string bytes = readAll(file);
        const auto layout = layoutFromProductTag(bytes);
        ASSERT_TRUE(layout) << "no product tag";
        const std::size_t length = layout->recordLength;
        const DumpRun run = runDump("--json " + quoted(file), root.path());
        EXPECT_EQ(run.exitCode, 0) << run.errors;
        const auto records = parseAll(run);
        ASSERT_EQ(records.size(), bytes.size() / length);
        EXPECT_EQ(bytes.size() % length, 0u);
        for (std::size_t i = 0; i < records.size(); ++i) {
            const JsonObject& r = records[i];
            SCOPED_TRACE("record " + std::to_string(i));
            EXPECT_EQ(r.at("index"), std::to_string(i));
            EXPECT_EQ(r.at("raw"), bytes.substr(i * length, length));
            EXPECT_EQ(r.at("type").substr(0, 1), bytes.substr(i * length, 1));
            EXPECT_NE(r.at("kind"), "unknown");
            EXPECT_EQ(r.count("damaged"), 0u) << r.at("problem");
            const std::string& kind = r.at("kind");
            if (kind == "event" || kind == "comment" || kind == "time mark" || kind == "reading") {
                EXPECT_EQ(r.count("tick"), 1u);
            }
            if (kind == "GPS sentence") {
                EXPECT_EQ(r.at("complete"), "true");
                EXPECT_EQ(r.count("sentence"), 1u);
            }
            if (kind == "reading" && isEm61(layout->instrument)) {
                EXPECT_EQ(r.count("words"), 1u);
            }
        }
    }
}

TEST_F(DumpTest, JsonCarriesTheDecodedFields) {
    const std::string sentence = "$GPGGA,102233.00,4807.038,N,01131.000,E,1,08,0.9,545.4,M,4*7";
    const std::string reading = std::string("T\x0a\x00\x0a\xff\xfe\x0a\x00\x00\x00\x06\x00\x07\x00\x00\x00", 16) +
                                "4000000000\n";
    const std::string file = rec("VLXLX2  W108GPS10001 11") + rec("LLINE1       XYZ") +
                             rec("S       1.50  10:22:34.000") +
                             rec("C\"quoted\\       " + std::string("        42")) +
                             rec("@" + sentence.substr(0, 25)) + rec("#" + sentence.substr(25, 25)) +
                             rec("#" + sentence.substr(50)) + rec("!000008p        " + std::string("        77")) + reading +
                             rec("{a    500001.500");
    const auto path = root.path() / "240315_001.RX2";
    std::ofstream(path, std::ios::binary) << file;

    const DumpRun run = runDump("--json " + quoted(path), root.path());
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    const auto r = parseAll(run);
    ASSERT_EQ(r.size(), 10u);
    EXPECT_EQ(r[0].at("type"), "VLXLX2  W");
    EXPECT_EQ(r[1].at("text"), "LINE1");
    EXPECT_EQ(r[1].at("nameOverflow"), "XYZ");
    EXPECT_EQ(r[2].at("type"), "S");
    EXPECT_EQ(r[2].at("station"), "1.5");
    EXPECT_EQ(r[2].at("time"), "10:22:34.000");
    EXPECT_EQ(r[3].at("text"), "\"quoted\\");
    EXPECT_EQ(r[3].at("tick"), "42");
    EXPECT_EQ(r[4].at("sentence"), sentence);
    EXPECT_EQ(r[4].at("status"), "p");
    EXPECT_EQ(r[4].at("tick"), "77");
    EXPECT_EQ(r[4].at("count"), "8");
    EXPECT_EQ(r[8].at("raw"), reading);
    EXPECT_EQ(r[8].at("letter"), "T");
    EXPECT_EQ(r[8].at("gain"), "10");
    EXPECT_EQ(r[8].at("words"), "[10,-2,2560,0]");
    EXPECT_EQ(r[8].at("meanCurrent"), "1536.07");
    EXPECT_EQ(r[8].at("tick"), "4000000000");
    EXPECT_EQ(r[9].at("type"), "{a");
    EXPECT_EQ(r[9].at("value"), "500001.5");

    // The readable form carries the same reading on one line.
    const DumpRun text = runDump(quoted(path), root.path());
    ASSERT_EQ(text.lines.size(), 10u);
    EXPECT_NE(text.lines[8].find("letter=\"T\"  gain=0x0A  words=10,-2,2560,0  meanCurrent=1536.07"),
              std::string::npos)
        << text.lines[8];
}

TEST_F(DumpTest, DamagedInputIsReportedAndTheDumpGoesOn) {
    const auto cut = root.path() / "cut.RX2";
    std::ofstream(cut, std::ios::binary) << rec("VLXLX2  W108GPS") << rec("%what") << rec("LLINE2") << "T\x0a";
    const DumpRun damaged = runDump("--json " + quoted(cut), root.path());
    EXPECT_EQ(damaged.exitCode, 1);
    const auto r = parseAll(damaged);
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(r[1].at("damaged"), "true");
    EXPECT_EQ(r[2].at("text"), "LINE2");
    EXPECT_EQ(r[2].count("damaged"), 0u);
    EXPECT_EQ(r[3].at("raw"), "T\n");
    EXPECT_NE(r[3].at("problem").find("cut-off"), std::string::npos);

    struct Case {
        const char* name;
        std::string arguments;
        int exitCode;
        std::string message;
    } cases[] = {
        {"missing file", quoted(root.path() / "none.RX2"), 2, "no such file"},
        {"folder", quoted(root.path()), 2, "not a regular file"},
        {"unrecognisable", quoted(root.path() / "notes.txt"), 2, "give --variant"},
        {"empty", quoted(root.path() / "empty.RX2"), 1, "is empty"},
        {"another variant", "--variant velox61mk2 " + quoted(cut), 1, "product tag"},
        {"unknown variant", "--variant velox99 " + quoted(cut), 2, "unknown variant"},
        {"no file", "--json", 2, "no FILE"},
    };
    std::ofstream(root.path() / "notes.txt") << "Shopping list\nmilk\n";
    std::ofstream(root.path() / "empty.RX2");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const DumpRun run = runDump(c.arguments, root.path());
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_NE(run.errors.find(c.message), std::string::npos) << run.errors;
    }
}

TEST_F(DumpTest, VariantOptionReadsTheShortRecordsOfAnyFile) {
    // An Orv EM31-MK2 file renamed without its extension and tag: only the
    // option tells its 24-byte records apart.
    const auto path = root.path() / "copy.dat";
    const std::string event = "XPAUSED" + std::string(15, ' ') + "5\n";
    const std::string reading = "T\x21-0123 0456" + std::string(10, ' ') + "6\n";
    ASSERT_EQ(event.size() + reading.size(), 48u);
    std::ofstream(path, std::ios::binary) << event << reading;
    const DumpRun run = runDump("--json --variant orv31 " + quoted(path), root.path());
    const auto r = parseAll(run);
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].at("text"), "PAUSED");
    EXPECT_EQ(r[0].at("tick"), "5");
    EXPECT_EQ(r[1].at("kind"), "reading");
    EXPECT_EQ(r[1].at("tick"), "6");
    EXPECT_EQ(runDump("--help", root.path()).exitCode, 0);
}

}  // namespace
}  // namespace velox
