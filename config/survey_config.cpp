#include "config/survey_config.h"

#include <algorithm>
#include <cmath>

#include "config/survey_context.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace velox {

SurveyConfig::SurveyConfig() {
    // Data and background files default to the user's home folder.
    std::u16string home = fromUtf8(homeFolder().string());
    if (home.size() > kFolderTextLimit) home.resize(kFolderTextLimit);
    dataFolder = home;
    backgroundFolder = home;
}

namespace {

struct StartupDefaults {
    int colourMapView;
    std::array<int, 8> profileLineWidth;
    double gpsOffsetX;
    int swathWidthIndex;
};

StartupDefaults startupDefaultsFor(InstrumentType type) {
    switch (type) {
        case InstrumentType::Em61Lx2: return {2, {2, 3, 4, 2, 2, 3, 4, 1}, 0.0, 5};
        case InstrumentType::Em61Mk2: return {3, {2, 3, 4, 2, 2, 3, 4, 1}, 0.0, 5};
        case InstrumentType::Em31Mk2: return {1, {3, 2, 3, 2, 2, 2, 2, 2}, -0.3, 2};
        case InstrumentType::Em38: return {1, {3, 2, 3, 2, 2, 2, 2, 2}, -0.3, 1};
        case InstrumentType::Em34_3: return {1, {3, 3, 3, 2, 2, 2, 4, 1}, 0.0, 2};
        case InstrumentType::Em38Mk2: return {1, {3, 3, 3, 3, 2, 2, 2, 2}, -0.3, 1};
        case InstrumentType::Grad601: return {1, {2, 3, 4, 1, 2, 3, 4, 1}, 0.0, 1};
    }
    return {1, {2, 3, 4, 1, 2, 3, 4, 1}, 0.0, 1};
}

// Swath widths of the conductivity meters by swathWidthIndex, metres.
constexpr double kConductivitySwathWidths[] = {0.25, 0.5, 1, 2, 3, 4, 5, 10};

double em61Mk2SensorWidth(int sensorSize) {
    switch (sensorSize) {
        case 0:  // 1 x 0.5 m
        case 2:  // 1 x 1 m
            return 1.0;
        case 1:  // 0.5 x 1.0 m
        case 3:  // 0.5 x 0.5 m
            return 0.5;
        default:  // Hand Held
            return 0.2;
    }
}

double swathWidthMetres(InstrumentType type, const SurveyConfig& c) {
    if (isEm61(type)) {
        const double sensorWidth = type == InstrumentType::Em61Lx2
                                       ? kEm61SensorWidth * (c.sensorCountIndex == 0 ? 1 : 2)
                                       : em61Mk2SensorWidth(c.sensorSize);
        const double factor = c.swathWidthIndex == 11 ? 2.0 : 0.5 + 0.1 * c.swathWidthIndex;
        return sensorWidth * factor;
    }
    if (isGrad601(type)) {
        return c.sensorCountIndex == 0 ? (c.swathWidthIndex + 1.0) * 0.25 : 2.0 * c.sensorSeparation;
    }
    const int index = std::clamp(c.swathWidthIndex, 0, static_cast<int>(std::size(kConductivitySwathWidths)) - 1);
    return kConductivitySwathWidths[index];
}

double stationIncrementFor(const SurveyConfig& c) {
    switch (c.surveyMode) {
        case SURVEY_WHEEL: return c.stationIncrementWheel;
        case SURVEY_MANUAL: return c.stationIncrementManual;
        default: return c.stationIncrementAuto;
    }
}

}  // namespace

double filterCoefficientFromFactor(double factor) {
    return factor <= 352.8 ? (factor - 18.0) / 108.0 : (factor + 44.0) / 128.0;
}

double filterFactorFromCoefficient(double coefficient) {
    return coefficient <= 3.1 ? 108.0 * coefficient + 18.0 : 128.0 * coefficient - 44.0;
}

void applyStartupDefaults(const Variant& variant, SurveyConfig& config, SurveyContext& context) {
    const StartupDefaults d = startupDefaultsFor(variant.instrumentType);
    config.colourMapView = variant.productLine == ProductLine::Orv ? 0 : d.colourMapView;
    config.profileLineWidth = d.profileLineWidth;
    config.gpsOffsetX = d.gpsOffsetX;
    config.swathWidthIndex = d.swathWidthIndex;
    switch (variant.instrumentType) {
        case InstrumentType::Em34_3: {
            const Colour colours[] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x4080FF, 0xFF00FF};
            std::copy(std::begin(colours), std::end(colours), config.profileColour.begin());
            break;
        }
        case InstrumentType::Em38Mk2:
            config.profileColour = {0xFF0000, 0x00FF00, 0x0000FF, 0x4080FF, 0xFF0000, 0x00FF00, 0x0000FF, 0x4080FF};
            break;
        case InstrumentType::Grad601: config.sensorCountIndex = 1; break;
        case InstrumentType::Em61Lx2:
            config.filterFactorLeft = config.filterFactorRight = 310.0;
            break;
        default: break;
    }
    context.derived.workingGpsOffsetY = 0.0;
    deriveSettingsValues(variant, config, context);
}

uint32_t recordsPerReading(const Variant& variant, const SurveyConfig& config, double measuredPeriodMs) {
    double period = instrumentRecordPeriodMs(variant.instrumentType);
    if (period <= 0.0) period = measuredPeriodMs;
    if (period <= 0.0 || !std::isfinite(config.readingPeriod)) return 1;
    const double records = config.readingPeriod * 1000.0 / period + 0.5;
    if (!(records >= 1.0)) return 1;
    return records >= 1e6 ? 1000000u : static_cast<uint32_t>(records);
}

void computeSwathExtents(const Variant& variant, const SurveyConfig& config, SurveyContext& context) {
    const InstrumentType type = variant.instrumentType;
    const double width = swathWidthMetres(type, config);
    auto& d = context.derived;
    d.swathToLeftEdge = width / 2.0 + config.gpsOffsetX;
    d.swathToRightEdge = width - d.swathToLeftEdge;
    // The conductivity meters keep metres whatever the map units.
    const bool convert = !isConductivityMeter(type) && config.mapUnits != UNITS_METRES;
    d.swathToLeftEdgeMap = convert ? d.swathToLeftEdge / 0.3048 : d.swathToLeftEdge;
    d.swathToRightEdgeMap = convert ? d.swathToRightEdge / 0.3048 : d.swathToRightEdge;
}

void deriveSettingsValues(const Variant& variant, const SurveyConfig& config, SurveyContext& context) {
    auto& d = context.derived;
    // The small epsilon keeps 0.57 s from becoming 569 ms by rounding error.
    const double periodMs = config.readingPeriod * 1000.0 + 1e-6;
    d.readingPeriodMs = periodMs >= 1.0 && periodMs < 4.0e9 ? static_cast<uint32_t>(periodMs) : 0;
    d.recordsPerReading = recordsPerReading(variant, config);
    d.stationIncrement = stationIncrementFor(config);
    d.stationValue = config.startStation;
    d.workingSurveyMode = d.activeSurveyMode = config.surveyMode;
    d.workingGpsOffsetY = config.gpsOffsetY;

    const int s = std::clamp(config.cursorSize, 0, 5);
    d.cursorWidth = s == 5 ? 19 : 2 * s + 7;
    d.cursorHeight = s == 5 ? 9 : s + 3;
    const int band = std::clamp(config.cursorBandIndex, 0, 6);
    d.cursorBandPixels = static_cast<int>((5 * band + 10) * 0.01 * d.mapPaneWidth);

    if (variant.instrumentType == InstrumentType::Em61Lx2) {
        d.filterCoefficientLeft = filterCoefficientFromFactor(config.filterFactorLeft);
        d.filterCoefficientRight = filterCoefficientFromFactor(config.filterFactorRight);
    }
    d.nccModel = variant.instrumentType == InstrumentType::Em61Mk2 &&
                 (config.instrumentModel == 2 || config.instrumentModel == 3);
    if (variant.instrumentType == InstrumentType::Em34_3) d.workingDipoleMode = config.dipoleMode;
    computeSwathExtents(variant, config, context);
}

}  // namespace velox
