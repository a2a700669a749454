#pragma once
// Every persistent setting, one field per line of the settings file. Integer
// "index" fields hold the zero-based position of the choice in the list of
// the dialog that edits them. The initialisers are the static defaults;
// applyStartupDefaults adds the values of the program's variant.

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

#include "config/variant.h"

namespace velox {

struct SurveyContext;

enum SurveyMode : int { SURVEY_AUTO = 0, SURVEY_WHEEL = 1, SURVEY_MANUAL = 2 };
enum MapUnits : int { UNITS_METRES = 0, UNITS_FEET = 1, UNITS_US_SURVEY_FEET = 2 };

using Colour = int32_t;  // 0x00BBGGRR, red in the low byte

inline constexpr size_t kFolderTextLimit = 260;
inline constexpr size_t kSurveyLineLimit = 15;

struct SurveyConfig {
    std::u16string dataFolder;        // defaults to the home folder
    std::u16string backgroundFolder;  // defaults to the home folder
    int sensorCountIndex = 1;
    int instrumentEnabled = 1;
    int sensorSize = 0;
    int mapUnits = UNITS_METRES;
    int speedUnits = 0;
    int instrumentPort = 3;  // COM4
    int audioTicks = 1;
    int audioDisconnectAlarm = 1;
    int audioGpsMaskWarning = 1;
    int pauseKey = 0;
    int colourMapView = 0;  // per variant
    int instrumentModel = 0;
    std::array<int, 8> profileLineWidth{2, 3, 4, 1, 2, 3, 4, 1};
    std::array<Colour, 8> profileColour{0xFF0000, 0x00FF00, 0x0000FF, 0xFF00FF,
                                        0xFF0000, 0x00FF00, 0x0000FF, 0xFF00FF};
    int profileScaleMode = 0;
    double readingScaleMin = 0.0;
    double readingScaleMax = 500.0;
    int gpsInput = 1;
    int nmeaData = 1;
    int gpsPort = 5;  // COM6
    int gpsBaudIndex = 1;
    int gpsDataBitsIndex = 1;
    int gpsParityIndex = 0;
    int gpsStopBitsIndex = 0;
    double speedScaleMax = 5.0;
    int geometryUnits = 0;
    double gpsOffsetX = 0.0;
    double gpsOffsetY = 0.0;
    int surveyMode = SURVEY_AUTO;
    int swathWidthIndex = 5;
    double stationIncrementAuto = 1.0;
    double stationIncrementWheel = 0.2;
    double stationIncrementManual = 2.0;
    double readingPeriod = 0.2;
    std::u16string surveyLine = u"1";
    double lineIncrement = 1.0;
    int lineSequence = 0;
    int lineDirection = 2;
    double startStation = 0.0;
    int cursorSize = 3;
    int positionSize = 4;
    Colour cursorColour = 0x000000;
    Colour positionColour = 0xFF0000;
    double gridInterval = 2.0;
    long mapSize = 40;
    int gridType = 0;
    double linesAngle = -20.0;
    int cursorBandIndex = 1;
    int coordinatesDisplay = 0;
    int gpsMaskWarning = 1;
    int gpsMaskQuality = 1;
    int gpsMaskSatellites = 5;
    double gpsMaskDilution = 4.0;
    double spareValue = 5.0;
    int nullApply = 0;
    std::array<double, 4> lastNullValues{};
    int backgroundFileType = 0;
    int backgroundPositionsDisplay = 1;
    int backgroundCoordinatesType = 1;
    int backgroundEastingColumn = 0;
    int backgroundNorthingColumn = 1;
    int backgroundLabelsColumn = 2;
    int backgroundDelimiter = 1;
    int alarmType = 0;
    int alarmAudio = 1;
    int alarmChannel = 0;
    int alarmAnomalyWidth = 0;
    double alarmLevel = 100.0;
    double alarmMinLevel = 50.0;
    double alarmMaxLevel = 1000.0;
    int alarmDescendingReadings = 0;
    int pseudoGgaSlam = 0;
    int rtsUnits = 0;
    int softMarkerKey = 1;
    double filterFactorLeft = 310.0;
    double filterFactorRight = 310.0;

    // Stored only by the other instrument families.
    int conductivityModel = 0;
    int em38Mk2Model = 0;
    double inphaseScaleMin = -25.0;
    double inphaseScaleMax = 25.0;
    int em34Reference = 0;
    int component = 0;
    int dipoleMode = 0;
    int samplesPerReading = 10;
    std::array<double, 6> em38Mk2Calibration{};
    double sensorSeparation = 1.0;

    SurveyConfig();
};

// The values of the program's variant laid over the static defaults, before
// the first load.
void applyStartupDefaults(const Variant& variant, SurveyConfig& config, SurveyContext& context);

// What became of a load or save, for the few callers that care; the
// operator is never told.
enum class SettingsOutcome { Loaded, CreatedDefaults, ReplacedOtherVersion, NotStored };

// Brings the configuration in line with the settings file (creating or
// replacing the file when needed) and recomputes the derived values.
SettingsOutcome loadSettings(const Variant& variant, SurveyConfig& config, SurveyContext& context);
// Rewrites the whole file. Returns false when the file could not be written.
bool saveSettings(const Variant& variant, SurveyConfig& config);
// Deletes the settings file; the next start writes the defaults.
void resetSettings(const Variant& variant);

// The derived values kept in the context.
void deriveSettingsValues(const Variant& variant, const SurveyConfig& config, SurveyContext& context);
void computeSwathExtents(const Variant& variant, const SurveyConfig& config, SurveyContext& context);
uint32_t recordsPerReading(const Variant& variant, const SurveyConfig& config, double measuredPeriodMs = 0.0);

// EM61-LX2 coil filter: factor (125–1000) to coefficient and back.
double filterCoefficientFromFactor(double factor);
double filterFactorFromCoefficient(double coefficient);

}  // namespace velox
