#pragma once
// The texts of the logging screen and where they go: status line, channel and
// map-size captions, the numbers pane's labels and value formats, the labels
// painted with the window and the information block under the profile. Text
// widths come from a function the window supplies, so this stays Qt-free.

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "config/survey_config.h"
#include "config/survey_context.h"
#include "display/logging_layout.h"

namespace velox {

// The information block has a font of its own: the normal text font, made
// smaller where its region is narrower than its widest line.
enum class ReadoutFont { Text, TextBold, ChannelCaption, Information, InformationBold };
// Width in pixels of `text` in `font`.
using TextWidth = std::function<int(std::string_view text, ReadoutFont font)>;

inline constexpr std::string_view MAP_SIZE_TEMPLATE = "Map Size: 99999 meters";
inline constexpr std::string_view GPS_DISABLED_TEXT = "GPS Disabled";
inline constexpr std::string_view NOT_AVAILABLE_TEXT = "N/A";
inline constexpr int kWideProfileWidth = 300;  // wider profiles get the wide information block

// --- status line
// `drawStatus` kinds: 0 the file line, 1 Monitoring, 2 Stand By, 3 Logging.
std::string statusText(int kind, int workingSurveyMode, std::string_view fileName, bool fileOpen);

// --- colour-channel caption (blank when `colourMapView` is 0)
struct ChannelCaptionInput {
    InstrumentType instrument = InstrumentType::Em61Lx2;
    int colourMapView = 0;
    bool review = false;
    int component = 0;   // EM38: 1 in-phase, else conductivity
    int dipoleMode = 0;  // EM38: 0 vertical, 1 horizontal
};
std::string channelCaption(const ChannelCaptionInput& in);

// --- numbers pane
// The labels of the numbers pane (blue), one per row; the EM38-MK2's values carry their own.
std::vector<std::string> numbersPaneLabels(InstrumentType instrument, int sensorCount, int dipoleMode);
// A channel value in the pane's format: "%9.1f" (EM61-LX2), "%10.1f" (EM61-MK2, Grad601).
std::string numbersValueText(InstrumentType instrument, double value);
// EM38-MK2 value lines: "C%c: %8.2f", "I%c:  %8.2f", "c%c: %8.2f", "i%c:  %8.2f".
std::string em38Mk2ValueText(int line, char coil, double value);

// --- labels painted with the window
bool wideInformationBlock(int profileWidth);
// Instrument status labels of the information block.
std::vector<std::string> instrumentStatusLabels(InstrumentType instrument, const SurveyConfig& config,
                                                bool wideBlock);
// Scale limits of the bar area ("%0.1f mV", "%0.1f nT/m", "%0.0fmS/m", "%0.0fppt").
std::string scaleLimitText(InstrumentType instrument, double value, bool inphase = false);
// The dilution label by sentence format: "HDOP:", "GDOP:", "SLAM Conf.:" or "PDOP:".
enum class DilutionKind { Hdop, Gdop, SlamConfidence, Pdop };
std::string dilutionLabel(DilutionKind kind);
// Coordinate labels: "Lat:"/"Lon:" for a geodetic display, else "N:"/"E:".
std::array<std::string, 2> coordinateLabels(bool geodetic);
// Pause hint: the channel caption font on screens at least 1000 pixels wide.
bool pauseHintUsesCaptionFont(int clientWidth);

// One field of the information block: label and value rectangles.
struct InfoField {
    std::string label;
    Rect labelRect;
    Rect valueRect;
    bool bold = false;
};
// Which value a field of the information block shows.
enum InfoSlot : int {
    INFO_LINE, INFO_STATION, INFO_STATIONS, INFO_TIME, INFO_POSITIONS, INFO_QUALITY, INFO_SATELLITES,
    INFO_DILUTION, INFO_COORD1, INFO_COORD2, INFO_BATTERY, INFO_CURRENT, INFO_SLOT_COUNT,
};

struct ReadoutInput {
    LoggingLayout layout;
    InstrumentType instrument = InstrumentType::Em61Lx2;
    bool gpsInput = true;
    bool geodeticDisplay = true;
    DilutionKind dilution = DilutionKind::Hdop;
    bool instrumentEnabled = true;
};

// Every text rectangle of the screen, laid out at each start of logging.
struct ReadoutLayout {
    Rect status;
    Rect activeComponent;
    Rect marker;
    Rect fileLine;
    Rect mapSize;
    Rect channelCaption;
    Rect speed;
    std::vector<Rect> information;  // the information block, framed: one part per place it takes
    bool informationFits = true;    // every field of the block inside its place (else the font must shrink)
    bool wideBlock = false;
    std::array<InfoField, INFO_SLOT_COUNT> fields{};
    std::array<bool, INFO_SLOT_COUNT> used{};
    std::string gpsDisabledLabel;  // "GPS Disabled" when GPS input is off, else empty
    Rect scaleMax;
    Rect scaleMin;
    // Portrait only: the same limits over and under the profile area (empty in landscape).
    Rect profileScaleMax;
    Rect profileScaleMin;
};
ReadoutLayout layoutReadouts(const ReadoutInput& in, const TextWidth& width);
// Where the information block goes, and the instrument status when it has a place of its own (else empty).
Rect informationRegion(const LoggingLayout& layout);
// The speed caption of `captionWidth` pixels under the speed bar, clear of the button row.
Rect speedCaptionRect(const LoggingLayout& layout, int captionWidth);
Rect instrumentStatusRegion(const LoggingLayout& layout);
// The widest lines of the information block, for fitting its font.
std::vector<std::string> informationWidestLines();

}  // namespace velox
