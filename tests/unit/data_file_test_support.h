#pragma once
// Fixtures shared by the data-file tests: a fixed clock and local time, an
// operator-message recorder, and the sample surveys that the golden files
// under tests/data/golden/ hold.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "config/survey_config.h"
#include "logging/data_file.h"
#include "platform/clock.h"
#include "platform/operator_messages.h"
#include "test_support.h"

namespace velox::test {

inline constexpr Tick kTick = 123456;
inline const LocalTime kLocalTime{2024, 3, 15, 9, 5, 7, 42};

class FixedClock : public Clock {
public:
    explicit FixedClock(Tick start) : tick(start) { setClock(this); }
    ~FixedClock() override { setClock(nullptr); }
    Tick now() override { return tick; }
    void wait(uint32_t ms) override { tick += ms + 1; }
    Tick tick;
};

struct ShownMessage {
    std::string title;
    std::string text;
};

class RecordingMessages : public OperatorMessages {
public:
    int show(const std::string& title, const std::string& text, MessageButtons) override {
        shown.push_back({title, text});
        return 1;
    }
    std::vector<ShownMessage> shown;
};

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

inline std::vector<std::string> splitRecords(const std::string& bytes, std::size_t length) {
    std::vector<std::string> records;
    for (std::size_t at = 0; at < bytes.size(); at += length) records.push_back(bytes.substr(at, length));
    return records;
}

// Settings with a value in every field the headers record, so that a field
// written from the wrong setting shows.
inline SurveyConfig sampleConfig() {
    SurveyConfig c;
    c.sensorCountIndex = 1;
    c.instrumentEnabled = 1;
    c.sensorSize = 0;
    c.mapUnits = 0;
    c.surveyMode = SURVEY_AUTO;
    c.instrumentModel = 0;
    c.softMarkerKey = 1;
    c.gpsInput = 1;
    c.nmeaData = 1;
    c.rtsUnits = 0;
    c.pseudoGgaSlam = 0;
    c.gpsOffsetX = 0.5;
    c.readingPeriod = 0.2;
    c.stationIncrementWheel = 0.25;
    c.stationIncrementManual = 2.0;
    c.lastNullValues = {1.5, -2.25, 0.0, 100.0};
    c.filterFactorLeft = 310.0;
    c.filterFactorRight = 250.5;
    c.startStation = 0.0;
    c.lineDirection = 2;
    c.dipoleMode = 1;
    c.component = 2;
    c.conductivityModel = 3;
    c.em34Reference = 4;
    c.em38Mk2Model = 0;
    c.samplesPerReading = 10;
    c.sensorSeparation = 1.0;
    c.em38Mk2Calibration = {1.0, 2.0, -3.5, 4.25, 5.0, 6.0};
    return c;
}

inline HeaderValues sampleHeaderValues() {
    HeaderValues v;
    v.workingGpsOffsetY = -1.25;
    v.handshakeMode = 1;
    v.referenceEasting = 500123.456;
    v.referenceNorthing = 5200000.5;
    v.utmZone = 33;
    v.previousCalibration = {0.5, 0.0, 0.0, 0.0, 0.0, -1.0};
    return v;
}

inline LineStartValues sampleLineStartValues() {
    LineStartValues v;
    v.stationIncrement = 1.0;
    v.previousNullValues = {0.5, 0.0, 0.0, 0.0};
    v.previousFilterFactorLeft = 300.0;
    v.previousFilterFactorRight = 250.5;
    return v;
}

// A short survey day: new-file header group, start of logging, readings
// and GPS sentences, a station, a comment, a pause, a new line. The
// instrument records are the variant's own.
void writeSampleSurvey(DataFile& file, const SurveyConfig& config, FixedClock& clock);

}  // namespace velox::test
