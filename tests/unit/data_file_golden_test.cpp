// Small complete survey files written by the writers, kept under
// tests/data/golden/ for the readers' round trips. The test fails when the
// writers' bytes drift from the stored files; run it with
// VELOX_WRITE_GOLDEN=1 to write the files anew after an intended change.

#include <cstdlib>

#include "data_file_test_support.h"
#include "logging/data_file_naming.h"

namespace velox::test {

void writeSampleSurvey(DataFile& file, const SurveyConfig& config, FixedClock& clock) {
    const InstrumentType instrument = file.variant().instrumentType;
    const auto reading = [&](int i) {
        switch (instrument) {
        case InstrumentType::Em61Lx2:  // letter, gain, four words (one holding 0x0A), mean current, zero bytes
            return std::string("T\x03\x01\x10\x0A\x20\x00\x30\x00\x40\x0B\xB8", 12) + static_cast<char>(i) +
                   std::string(3, '\0');
        case InstrumentType::Em38Mk2:  // "T" and 13 binary bytes
            return std::string("T\x00\x0A\x7F\xFF\x01\x02\x03\x04\x05\x06\x07\x08", 13) + static_cast<char>(i);
        default:  // a conductivity meter's text record
            return std::string("T") + std::to_string(1000 + i) + ",-12.5";
        }
    };
    const auto advance = [&](Tick ms) { clock.tick += ms; };
    const auto gps = [&](std::string_view sentence, char first, char more, char status, long count) {
        file.writeGpsSentence(sentence, clock.tick, first, more, REC_GPS_TRAILER, status, count);
    };

    file.writeHeader(false, config, sampleHeaderValues());
    file.writeLineStart(config, sampleLineStartValues());
    file.writeTimeMark();

    advance(1000);
    file.setLoggingStartTick(clock.tick);
    file.writeEvent(u"$STARTED");
    // A sentence received before the start of logging and handed on late: not written.
    file.writeGpsSentence("$GPGSA,A,3,04,05,,09,12,,,,,,,,3.6,2.1,2.2*3C", clock.tick - 10, REC_GPS_FIRST,
                          REC_GPS_CONTINUATION, REC_GPS_TRAILER, ' ', 0);
    file.writeSwathEdge(0, 0, 0, 0, 0);
    long sentences = 0;
    for (int epoch = 0; epoch < 3; ++epoch) {
        gps("$GPGGA,092750.000,5321.6802,N,00630.3372,W,1,8,1.03,61.7,M,55.2,M,,*76", REC_GPS_FIRST,
            REC_GPS_CONTINUATION, 'p', ++sentences);
        gps("$GPGSA,A,3,04,05,,09,12,,,,,,,,3.6,2.1,2.2*3C", REC_GPS_FIRST, REC_GPS_CONTINUATION, ' ', ++sentences);
        for (int i = 0; i < 4; ++i) {
            advance(55);
            file.writeReading(reading(epoch * 4 + i), clock.tick);
        }
        file.writeSwathEdge(epoch == 0 ? 1 : 2, 10.0 + epoch, 20.5, 11.0 + epoch, 19.25);
        advance(780);
    }
    gps("$GPVTG,054.7,T,034.4,M,005.5,N,010.2,K*48", REC_EVENT, REC_GPS_CONTINUATION, ' ', sentences);
    gps("GPGGA,noise,without,its,dollar", REC_RAW_GPS_FIRST, REC_RAW_GPS_CONTINUATION, ' ', sentences);
    file.writeStationMark(12.5);
    file.writeTimeMark();
    file.writeEvent(u"tree stump", REC_COMMENT);
    advance(55);
    file.writeEvent(u"PAUSED");

    SurveyConfig nextLine = config;
    nextLine.surveyLine = u"2";
    nextLine.lineDirection = 1;
    file.writeLineStart(nextLine, sampleLineStartValues());
    file.writeTimeMark();
    if (isEm61(instrument)) file.writeNullOffsets({3, 4, 0, 0}, config.lastNullValues);
    if (instrument == InstrumentType::Em61Lx2) file.writeFilterFactors(400, 250.5, 310, 250.5);
    if (instrument == InstrumentType::Em38Mk2)
        file.writeCalibrationValues({1.5, 2.5, 3.5, 4.5, 5.5, 6.5}, config.em38Mk2Calibration);
    advance(2000);
    file.setLoggingStartTick(clock.tick);
    file.writeEvent(u"$STARTED");
    advance(55);
    file.writeReading(reading(99), clock.tick);
    file.writeEvent(u"2CONN BRK 2");
    file.writeEvent(u"$CONN END");
}

namespace {

struct GoldenFile {
    Variant variant;
    std::string baseName;
};

TEST(DataFileGolden, SampleSurveysMatchTheStoredFiles) {
    const GoldenFile files[] = {
        {{InstrumentType::Em61Lx2, ProductLine::Velox}, "lx2_survey"},
        {{InstrumentType::Em31Mk2, ProductLine::Orv}, "orv31_survey"},
        {{InstrumentType::Em38Mk2, ProductLine::Velox}, "em38mk2_survey"},
    };
    const std::filesystem::path folder = std::filesystem::path(VELOX_TEST_DATA) / "golden";
    const bool regenerate = std::getenv("VELOX_WRITE_GOLDEN") != nullptr;
    for (const GoldenFile& golden : files) {
        SCOPED_TRACE(golden.baseName);
        TempDataRoot root;
        FixedClock clock(kTick);
        const std::string name =
            golden.baseName + std::string(dataFileExtension(golden.variant.instrumentType, golden.variant.productLine));
        DataFile file(golden.variant);
        file.setLocalTimeSource([] { return kLocalTime; });
        file.setBaseName(golden.baseName);
        ASSERT_TRUE(file.open(root.path() / name));
        writeSampleSurvey(file, sampleConfig(), clock);
        file.close();

        const std::string written = readFile(root.path() / name);
        ASSERT_EQ(written.size() % recordLength(golden.variant), 0u);
        if (regenerate) {
            std::filesystem::create_directories(folder);
            writeFile(folder / name, written);
        }
        EXPECT_EQ(written, readFile(folder / name)) << "writers' bytes differ from " << (folder / name);
    }
}

}  // namespace
}  // namespace velox::test
