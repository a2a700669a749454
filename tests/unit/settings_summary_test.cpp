// The rows of the start screen's settings summary for each instrument.

#include <gtest/gtest.h>

#include <functional>
#include <limits>

#include "app/settings_summary.h"
#include "config/settings_file.h"
#include "config/survey_config.h"
#include "config/survey_context.h"
#include "test_support.h"

namespace velox {
namespace {

struct Cell {
    int row;  // 1-6
    bool right;
    const char* label;
    const char* value;
};

struct SummaryCase {
    const char* name;
    InstrumentType type;
    std::function<void(SurveyConfig&, SurveyContext&)> setUp;
    std::vector<Cell> expected;
};

SettingsSummary summaryFor(InstrumentType type, const std::function<void(SurveyConfig&, SurveyContext&)>& setUp) {
    const Variant variant{type, ProductLine::Velox, {}};
    SurveyConfig config;
    SurveyContext context;
    applyStartupDefaults(variant, config, context);
    deriveSettingsValues(variant, config, context);
    if (setUp) setUp(config, context);
    return settingsSummaryRows(variant, config, context.derived);
}

const SummaryCase kCases[] = {
    {"EM61-LX2 defaults",
     InstrumentType::Em61Lx2,
     nullptr,
     {{1, false, "Survey Mode:", "AUTO"},
      {2, false, "Update Rate:", "5.00 Hz"},
      {3, false, "Survey Line:", "1"},
      {4, false, "Line Increment:", "1.00"},
      {5, false, "Start Station:", "0.000"},
      {6, false, "Station Increment:", "1.000"},
      {1, true, "EM61-LX2 Port:", "COM4"},
      {2, true, "EM61-LX2 Type:", "Standard"},
      {3, true, "Number of Sensors:", "2"},
      {4, true, "Pause Key:", "any key"},
      {5, true, "GPS Input:", "Enabled"},
      {6, true, "GPS Data:", "GGA"}}},
    {"EM61-LX2 disabled",
     InstrumentType::Em61Lx2,
     [](SurveyConfig& c, SurveyContext&) { c.instrumentEnabled = 0; },
     {{1, false, "Survey Mode:", "N/A"},
      {2, false, "Update Rate:", "N/A"},
      {2, true, "EM61-LX2 Type:", "Disabled"},
      {5, true, "GPS Input:", "Auto"}}},
    {"EM61-LX2 wheel mode, GPS off, N.C.C. model, Enter to pause",
     InstrumentType::Em61Lx2,
     [](SurveyConfig& c, SurveyContext& x) {
         c.surveyMode = SURVEY_WHEEL;
         x.derived.activeSurveyMode = SURVEY_WHEEL;
         c.gpsInput = 0;
         c.instrumentModel = 1;
         c.pauseKey = 1;
         c.sensorCountIndex = 0;
     },
     {{1, false, "Survey Mode:", "WHEEL"},
      {2, false, "Update Rate:", "N/A"},
      {2, true, "EM61-LX2 Type:", "Standard N.C.C"},
      {3, true, "Number of Sensors:", "1"},
      {4, true, "Pause Key:", "<Enter>"},
      {5, true, "GPS Input:", "Disabled"},
      {6, true, "GPS Data:", "N/A"}}},
    {"pseudo-GGA from a SLAM total station",
     InstrumentType::Em61Lx2,
     [](SurveyConfig& c, SurveyContext&) { c.nmeaData = 7, c.pseudoGgaSlam = 1; },
     {{6, true, "GPS Data:", "p-GGA SLAM"}}},
    {"values outside their lists show as numbers",
     InstrumentType::Em61Lx2,
     [](SurveyConfig& c, SurveyContext& x) {
         c.nmeaData = 42, c.pauseKey = -3, c.instrumentModel = 9, c.readingPeriod = 0.0;
         x.derived.activeSurveyMode = 7;
     },
     {{1, false, "Survey Mode:", "7"},
      {2, false, "Update Rate:", "N/A"},
      {2, true, "EM61-LX2 Type:", "9"},
      {4, true, "Pause Key:", "-3"},
      {6, true, "GPS Data:", "42"}}},
    {"EM61-MK2 disabled",
     InstrumentType::Em61Mk2,
     [](SurveyConfig& c, SurveyContext&) { c.instrumentEnabled = 0; },
     {{1, true, "EM61-MK2 Port:", "COM4"},
      {2, true, "EM61-MK2 Type:", "Disabled"},
      {3, true, "Sensor Size:", "N/A"}}},
    {"EM61-MK2 high power, hand held",
     InstrumentType::Em61Mk2,
     [](SurveyConfig& c, SurveyContext&) { c.instrumentModel = 3, c.sensorSize = 4; },
     {{2, true, "EM61-MK2 Type:", "HP N.C.C."}, {3, true, "Sensor Size:", "Hand Held"}}},
    {"EM31-MK2 short, horizontal: no survey mode row",
     InstrumentType::Em31Mk2,
     [](SurveyConfig& c, SurveyContext&) { c.conductivityModel = 1, c.dipoleMode = 1, c.surveyMode = SURVEY_MANUAL; },
     {{1, false, "", ""},
      {2, false, "Update Rate:", "5.00 Hz"},
      {2, true, "EM31-MK2 Type:", "Short"},
      {3, true, "Dipole Mode:", "Horizontal"}}},
    {"EM38 in-phase",
     InstrumentType::Em38,
     [](SurveyConfig& c, SurveyContext&) { c.component = 1; },
     {{2, true, "EM38 Component:", "Inphase"}, {3, true, "Dipole Mode:", "Vertical"}}},
    {"EM34-3 manual",
     InstrumentType::Em34_3,
     [](SurveyConfig& c, SurveyContext&) { c.surveyMode = SURVEY_MANUAL, c.dipoleMode = 4, c.em34Reference = 2; },
     {{2, false, "EM34-3 Mode:", "Manual"},
      {2, true, "Configurations:", "5"},
      {3, true, "Reference:", "EM34-3 Center"}}},
    {"EM34-3 auto",
     InstrumentType::Em34_3,
     nullptr,
     {{2, false, "EM34-3 Mode:", "Auto"}, {2, true, "Update Rate:", "5.00 Hz"}, {3, true, "Reference:", "Leading Coil"}}},
    {"EM38-MK2 type 1",
     InstrumentType::Em38Mk2,
     [](SurveyConfig& c, SurveyContext&) { c.em38Mk2Model = 1; },
     {{2, true, "EM38-MK2 Type:", "EM38MK2-1"}}},
    {"Grad601 two sensors",
     InstrumentType::Grad601,
     [](SurveyConfig& c, SurveyContext& x) {
         c.sensorSeparation = 1.5, c.gpsOffsetX = -0.25, c.instrumentEnabled = 0;
         x.derived.workingGpsOffsetY = 0.5;
     },
     {{1, false, "Number of Sensors:", "2"},
      {2, false, "Sensors Separation:", "1.50 m"},
      {1, true, "Grad601 Port:", "COM4"},
      {2, true, "Pause Key:", "any key"},  // the Grad601 never shows "Disabled" here
      {3, true, "GPS Input:", "COM6"},
      {4, true, "GPS X offset:", "-0.25 m"},
      {5, true, "GPS Y offset:", "0.50 m"}}},
    {"Grad601 one sensor, no GPS",
     InstrumentType::Grad601,
     [](SurveyConfig& c, SurveyContext&) { c.sensorCountIndex = 0, c.swathWidthIndex = 3, c.gpsInput = 0; },
     {{1, false, "Number of Sensors:", "1"}, {2, false, "Swath bar:", "1.00 m"}, {3, true, "GPS Input:", "Disabled"}}},
};

TEST(SettingsSummary, RowsForEachInstrument) {
    test::TempDataRoot root;
    for (const SummaryCase& c : kCases) {
        SCOPED_TRACE(c.name);
        const SettingsSummary rows = summaryFor(c.type, c.setUp);
        for (const Cell& cell : c.expected) {
            const SummaryRow& row = rows[cell.row - 1];
            EXPECT_EQ(cell.right ? row.rightLabel : row.leftLabel, cell.label) << "row " << cell.row;
            EXPECT_EQ(cell.right ? row.rightValue : row.leftValue, cell.value) << "row " << cell.row;
        }
    }
}

TEST(SettingsSummary, ColumnsKeepTheirMarginsAndStayInside) {
    // Wide area: columns around the middle.
    SummaryColumns wide = summaryColumns(20, 1000, false, 80, 100);
    EXPECT_EQ(wide.centre, 510);
    EXPECT_EQ(wide.leftLabelX, 510 - 240 - 40);
    EXPECT_EQ(wide.rightLabelX, 550);
    EXPECT_EQ(wide.leftValueX, wide.leftLabelX + 160);
    EXPECT_EQ(wide.rightValueX, 710);
    // Narrow area: left labels at least at 40, right labels at least at 300
    // but pulled back so that the values end at the right limit.
    SummaryColumns tight = summaryColumns(20, 560, false, 80, 100);
    EXPECT_EQ(tight.leftLabelX, 40);
    EXPECT_EQ(tight.rightLabelX, 560 - 260);
    SummaryColumns squeezed = summaryColumns(20, 500, true, 80, 100);
    EXPECT_EQ(squeezed.rightLabelX, 500 - 230);
    EXPECT_EQ(squeezed.rightValueX, squeezed.rightLabelX + 130);
}

TEST(SettingsSummary, DamagedSettingsShowWithoutOverflow) {
    // A settings file may hold any number; the summary must still show it.
    for (InstrumentType type : kAllInstruments) {
        SurveyConfig config;
        for (const SettingLine& line : settingsLayout(type, config)) {
            if (auto* i = std::get_if<int*>(&line)) **i = std::numeric_limits<int>::max();
        }
        config.gpsInput = 1;
        const SettingsSummary rows = settingsSummaryRows({type, ProductLine::Velox, {}}, config, SurveyContext().derived);
        EXPECT_NE(rows[0].rightValue, "") << instrumentName(type);
    }
    SurveyConfig config;
    config.instrumentPort = std::numeric_limits<int>::max();
    const SettingsSummary rows = settingsSummaryRows({InstrumentType::Em61Lx2, ProductLine::Velox, {}}, config,
                                                     SurveyContext().derived);
    EXPECT_EQ(rows[0].rightValue, "COM2147483648");
}

}  // namespace
}  // namespace velox
