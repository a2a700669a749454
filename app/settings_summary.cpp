#include "app/settings_summary.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

#include "platform/text.h"

namespace velox {

namespace {

// The name of a stored choice; a value outside the list (the file is not
// range-checked) shows as its number rather than as a wrong name.
std::string nameOf(std::initializer_list<const char*> names, int index) {
    if (index >= 0 && static_cast<size_t>(index) < names.size()) return *(names.begin() + index);
    return std::to_string(index);
}

// Shown numbers are one-based; wide arithmetic keeps a damaged setting of
// INT_MAX from overflowing.
long long oneBased(int index) { return static_cast<long long>(index) + 1; }

std::string comPort(int portIndex) { return formatText("COM%lld", oneBased(portIndex)); }

std::string hertz(double periodSeconds) {
    if (!(periodSeconds > 0.0) || !std::isfinite(periodSeconds)) return "N/A";
    return formatText("%.2f Hz", 1.0 / periodSeconds);
}

std::string metres(double value) { return formatText("%.2f m", value); }

std::string surveyModeName(int mode) { return nameOf({"AUTO", "WHEEL", "MANUAL"}, mode); }

std::string pauseKeyName(int key) { return nameOf({"any key", "<Enter>", "<Space Bar>", "<P>"}, key); }

std::string gpsInputName(int input, bool instrumentEnabled) {
    if (input == 1 && !instrumentEnabled) return "Auto";
    return nameOf({"Disabled", "Enabled", "Manual", "Average 2", "Average 5", "Average 10", "Average 20"}, input);
}

std::string gpsDataName(const SurveyConfig& c) {
    if (c.gpsInput == 0) return "N/A";
    if (c.nmeaData == 7 && c.pseudoGgaSlam == 1) return "p-GGA SLAM";
    return nameOf({"GGA/GSA", "GGA", "POS", "LLK", "LLQ", "GLL", "GGK", "Pseudo GGA", "Pseudo GLL"}, c.nmeaData);
}

std::string sensorSizeName(int size) {
    return nameOf({"1 x 0.5 m", "0.5 x 1.0 m", "1 x 1 m", "0.5 x 0.5 m", "Hand Held"}, size);
}

// Right column, row 2: the instrument's type or the setting that stands for it.
std::string instrumentTypeLabel(InstrumentType type, const SurveyConfig& c) {
    switch (type) {
        case InstrumentType::Em38: return "EM38 Component:";
        case InstrumentType::Em34_3: return c.surveyMode == SURVEY_MANUAL ? "Configurations:" : "Update Rate:";
        case InstrumentType::Grad601: return "Pause Key:";
        default: return instrumentName(type) + " Type:";
    }
}

std::string instrumentTypeValue(InstrumentType type, const SurveyConfig& c) {
    switch (type) {
        case InstrumentType::Em61Lx2: return nameOf({"Standard", "Standard N.C.C"}, c.instrumentModel);
        case InstrumentType::Em61Mk2:
            return nameOf({"Standard", "High Power", "Standard N.C.C", "HP N.C.C."}, c.instrumentModel);
        case InstrumentType::Em31Mk2: return c.conductivityModel ? "Short" : "Standard";
        case InstrumentType::Em38: return c.component ? "Inphase" : "Conductivity";
        case InstrumentType::Em34_3:
            return c.surveyMode == SURVEY_MANUAL ? formatText("%lld", oneBased(c.dipoleMode)) : hertz(c.readingPeriod);
        case InstrumentType::Em38Mk2: return c.em38Mk2Model ? "EM38MK2-1" : "EM38MK2";
        case InstrumentType::Grad601: return pauseKeyName(c.pauseKey);
    }
    return "";
}

void fillLeftColumn(SettingsSummary& rows, InstrumentType type, const SurveyConfig& c,
                    const SurveyContext::Derived& d) {
    const bool enabled = c.instrumentEnabled != 0;
    if (isEm61(type)) {
        rows[0].leftLabel = "Survey Mode:";
        rows[0].leftValue = enabled ? surveyModeName(d.activeSurveyMode) : "N/A";
        rows[1].leftLabel = "Update Rate:";
        rows[1].leftValue = enabled && c.surveyMode == SURVEY_AUTO ? hertz(c.readingPeriod) : "N/A";
    } else if (isGrad601(type)) {
        rows[0].leftLabel = "Number of Sensors:";
        rows[0].leftValue = formatText("%1lld", oneBased(c.sensorCountIndex));
        const bool twoSensors = c.sensorCountIndex == 1;
        rows[1].leftLabel = twoSensors ? "Sensors Separation:" : "Swath bar:";
        rows[1].leftValue = metres(twoSensors ? c.sensorSeparation : (c.swathWidthIndex + 1.0) * 0.25);
    } else if (type == InstrumentType::Em34_3) {
        rows[1].leftLabel = "EM34-3 Mode:";
        rows[1].leftValue = c.surveyMode == SURVEY_MANUAL ? "Manual" : "Auto";
    } else {
        rows[1].leftLabel = "Update Rate:";
        rows[1].leftValue = enabled ? hertz(c.readingPeriod) : "N/A";
    }
    rows[2].leftLabel = "Survey Line:";
    rows[2].leftValue = toUtf8(c.surveyLine);
    rows[3].leftLabel = "Line Increment:";
    rows[3].leftValue = formatText("%.2f", c.lineIncrement);
    rows[4].leftLabel = "Start Station:";
    rows[4].leftValue = formatText("%.3f", c.startStation);
    rows[5].leftLabel = "Station Increment:";
    rows[5].leftValue = formatText("%.3f", d.stationIncrement);
}

void fillRightColumn(SettingsSummary& rows, InstrumentType type, const SurveyConfig& c,
                     const SurveyContext::Derived& d) {
    const bool enabled = c.instrumentEnabled != 0;
    const bool grad = isGrad601(type);
    rows[0].rightLabel = instrumentName(type) + " Port:";
    rows[0].rightValue = comPort(c.instrumentPort);
    rows[1].rightLabel = instrumentTypeLabel(type, c);
    rows[1].rightValue = enabled || grad ? instrumentTypeValue(type, c) : "Disabled";

    switch (type) {
        case InstrumentType::Em61Lx2:
            rows[2].rightLabel = "Number of Sensors:";
            rows[2].rightValue = formatText("%1lld", oneBased(c.sensorCountIndex));
            break;
        case InstrumentType::Em61Mk2:
            rows[2].rightLabel = "Sensor Size:";
            rows[2].rightValue = enabled ? sensorSizeName(c.sensorSize) : "N/A";
            break;
        case InstrumentType::Em34_3:
            rows[2].rightLabel = "Reference:";
            rows[2].rightValue = nameOf({"Leading Coil", "Trailing Coil", "EM34-3 Center"}, c.em34Reference);
            break;
        case InstrumentType::Grad601:
            rows[2].rightLabel = "GPS Input:";
            rows[2].rightValue = c.gpsInput == 0 ? "Disabled" : comPort(c.gpsPort);
            break;
        default:
            rows[2].rightLabel = "Dipole Mode:";
            rows[2].rightValue = c.dipoleMode ? "Horizontal" : "Vertical";
            break;
    }

    if (grad) {
        rows[3].rightLabel = "GPS X offset:";
        rows[3].rightValue = metres(c.gpsOffsetX);
        rows[4].rightLabel = "GPS Y offset:";
        rows[4].rightValue = metres(d.workingGpsOffsetY);
    } else {
        rows[3].rightLabel = "Pause Key:";
        rows[3].rightValue = pauseKeyName(c.pauseKey);
        rows[4].rightLabel = "GPS Input:";
        rows[4].rightValue = gpsInputName(c.gpsInput, enabled);
    }
    rows[5].rightLabel = "GPS Data:";
    rows[5].rightValue = gpsDataName(c);
}

}  // namespace

SettingsSummary settingsSummaryRows(const Variant& variant, const SurveyConfig& config,
                                    const SurveyContext::Derived& derived) {
    SettingsSummary rows;
    fillLeftColumn(rows, variant.instrumentType, config, derived);
    fillRightColumn(rows, variant.instrumentType, config, derived);
    return rows;
}

SummaryColumns summaryColumns(int areaLeft, int rightLimit, bool narrow, int widestLeftValue, int widestRightValue,
                              int widestLabel) {
    // Values stand 160 pixels (130 narrow) right of their labels, further
    // when a font's labels are wider than that.
    const int valueOffset = std::max(narrow ? 130 : 160, widestLabel + 10);
    const int a = valueOffset + widestLeftValue;
    const int b = valueOffset + widestRightValue;
    SummaryColumns cols;
    cols.centre = (areaLeft + rightLimit) / 2;
    cols.leftLabelX = std::max(40, cols.centre - a - 40);
    cols.rightLabelX = std::max(300, cols.centre + 40);
    if (cols.rightLabelX + b > rightLimit) cols.rightLabelX = rightLimit - b;
    cols.leftValueX = cols.leftLabelX + valueOffset;
    cols.rightValueX = cols.rightLabelX + valueOffset;
    return cols;
}

SummarySpacing summarySpacing(bool narrow) {
    return narrow ? SummarySpacing{23, 18} : SummarySpacing{25, 25};
}

}  // namespace velox
