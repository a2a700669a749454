#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "acquisition/nmea_assembler.h"

namespace velox {
namespace {

struct Line {
    std::string text;
    Tick tick;
    bool operator==(const Line&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Line& line) {
    return out << '"' << line.text << "\" @" << line.tick;
}

constexpr Tick kFirstTick = 1000;

// Feeds the bytes one by one; the byte at position i arrives at tick 1000 + i.
std::vector<Line> assemble(const std::string& bytes, NmeaLineAssembler& assembler) {
    std::vector<Line> lines;
    for (size_t i = 0; i < bytes.size(); ++i)
        if (auto line = assembler.push(static_cast<uint8_t>(bytes[i]), kFirstTick + static_cast<Tick>(i)))
            lines.push_back({std::string(line->text), line->tick});
    return lines;
}

std::vector<Line> assemble(const std::string& bytes) {
    NmeaLineAssembler assembler;
    return assemble(bytes, assembler);
}

TEST(NmeaLineAssembler, Table) {
    const std::string full(MAX_SENTENCE_CHARS, 'A');  // "$" + this is the longest line kept whole
    const struct {
        std::string name;
        std::string bytes;
        std::vector<Line> lines;
    } cases[] = {
        {"sentence with CR LF", "$GPGGA,1*47\r\n", {{"$GPGGA,1*47", 1000}}},
        {"tick of the dollar", "xy$AB\r\n", {{"$AB", 1002}}},
        {"two lines", "$A\n$B\n", {{"$A", 1000}, {"$B", 1003}}},
        {"dropped bytes", std::string("$A B\tC!\"#D\x7F\xFF\x80") + "E\x01\r\n", {{"$ABCDE", 1000}}},
        {"empty lines ignored", "\n\r\n\r\r\n", {}},
        {"only dropped bytes", "  \r\n", {}},
        {"line without dollar ends at its tick", "hello\n", {{"hello", 1005}}},
        {"dollar restarts", "$GPGGA,12$GPGSA,1\n", {{"$GPGSA,1", 1009}}},
        {"lone dollar", "$\n", {{"$", 1000}}},
        {"only commas", "$,,,,\n", {{"$,,,,", 1000}}},
        {"longest line kept", "$" + full + "\n", {{"$" + full, 1000}}},
        {"longer line restarts", "$" + full + "BC\n", {{"BC", 1203}}},
        {"restart on a dropped byte", "$" + full + "\rBC\n", {{"BC", 1204}}},
        {"line after a restart", "$" + full + "BC\n$OK\n", {{"BC", 1203}, {"$OK", 1204}}},
        {"no line feed, no line", "$GPGGA,123519*47\r", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(assemble(c.bytes), c.lines);
    }
}

TEST(NmeaLineAssembler, EndlessLineAndBinaryNoise) {
    // An endless line without a line feed never grows past the limit, and
    // the assembler recovers at the next "$".
    NmeaLineAssembler assembler;
    std::string noise(100000, 'x');
    for (int i = 0; i < 256; ++i) noise += std::string(3, static_cast<char>(i));
    noise += "\n";
    for (const Line& line : assemble(noise, assembler)) {
        EXPECT_LE(line.text.size(), MAX_SENTENCE_CHARS + 1);
        for (char c : line.text) EXPECT_TRUE(c > 0x23 && c < 0x7F) << int(c);
    }
    EXPECT_EQ(assemble("$OK\n", assembler), (std::vector<Line>{{"$OK", 1000}}));
}

TEST(NmeaLineAssembler, ClearDropsThePartialLine) {
    NmeaLineAssembler assembler;
    assemble("$GPGGA,partial", assembler);
    assembler.clear();
    EXPECT_EQ(assemble("rest\n", assembler), (std::vector<Line>{{"rest", 1004}}));
}

}  // namespace
}  // namespace velox
