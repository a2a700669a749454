#pragma once
// The logging screen's control: the LoggingState machine (Monitoring, Stand
// By, Logging), the state buttons and the pause button, the keys, the popup
// menu's commands and their availability, the line, station and comment
// commands, the exit sequence and the instrument watchdog on timer 1.
//
// Qt-free: the window supplies a LoggingScreenHost for what it shows (timer,
// screens, menu, dialogs) and redraws itself from the values exposed here.
// Everything runs on the user-interface thread.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sound_player.h"
#include "config/survey_config.h"
#include "config/survey_context.h"
#include "geo/coordinates_units.h"
#include "logging/data_file.h"
#include "logging/logging_display.h"

namespace velox {

class AcquisitionControl;
class DataFilePicker;
class OperatorMessages;
class SoundPlayer;

// Identifiers of the logging screen's buttons. The pause button shares 460.
enum LoggingButton : int {
    BTN_STATE_FIRST = 460,  // "&File" / "&Go" / the pause button
    BTN_STATE_SECOND = 461, // "N&ull" or "Map &Size" / "&QLine"
    BTN_STATE_EXIT = 462,
    BTN_STATE_MENU = 463,
    BTN_PAUSE = 460,
    BTN_MAP_FIRST = 470,    // "&Lf" ... "&Exit Review": 470-478
    BTN_MAP_LEFT = 470,
    BTN_MAP_RIGHT = 471,
    BTN_MAP_UP = 472,
    BTN_MAP_DOWN = 473,
    BTN_CHANNEL_FIRST = 480,  // the colour-map channel selectors 480-483
    BTN_CHANNEL_LAST = 483,
};
inline constexpr int kStateButtonCount = 4;
inline constexpr int kMapButtonCount = 9;

// Menu command identifiers.
enum LoggingMenuCommand : int {
    MENU_NEW_LINE = 501,
    MENU_NEW_STATION = 502,
    MENU_COMMENT = 503,
    MENU_NULLING = 504,
    MENU_SCALE_READINGS = 505,
    MENU_SCALE_SPEED_BAR = 506,
    MENU_PROFILE_OPTIONS = 507,
    MENU_HIDE_MENU = 508,
    MENU_MAP_SIZE = 509,
    MENU_MAP_DISPLAY_OPTIONS = 510,
    MENU_TOGGLE_VIEW = 511,
    MENU_GPS_WARNING_MASK = 512,
    MENU_ALARM_SETTINGS = 513,
    MENU_AUDIO_OPTIONS = 514,
    MENU_COORDINATES_UNITS = 515,
    MENU_CALIBRATION = 516,
    MENU_REMOVE_CALIBRATION = 517,
    MENU_ENTER_BACKGROUND = 518,
    MENU_REMOVE_BACKGROUND = 519,
};

// Virtual-key codes of the keys the screen handles: letters and digits are
// their upper-case ASCII codes.
enum LoggingKey : int {
    KEY_TAB = 0x09,
    KEY_ENTER = 0x0D,
    KEY_SPACE = 0x20,
    KEY_LEFT = 0x25,
    KEY_UP = 0x26,
    KEY_RIGHT = 0x27,
    KEY_DOWN = 0x28,
    KEY_F2 = 0x71,
    KEY_F3 = 0x72,
};

inline constexpr std::string_view INFORMATION_TITLE = "INFORMATION";
inline constexpr std::string_view NEEDS_INSTRUMENT_TEXT = "Option avaiable only when Instrument is enabled";
inline constexpr std::string_view NEEDS_GPS_TEXT = "Option avaiable only when GPS is enabled";
inline constexpr std::string_view NEEDS_MAP_TEXT = "Option avaiable only when map is visible";
inline constexpr std::string_view CONTINUE_REFUSED_TEXT =
    "Continuing an existing data file is not possible yet.\r\nPlease choose a new file name.";
inline constexpr std::u16string_view PAUSED_EVENT = u"PAUSED";
inline constexpr std::u16string_view PAUSED_MAP_FULL_EVENT = u"PAUSED BMP";
inline constexpr std::u16string_view CONNECTION_BREAK_EVENT = u"1CONN BRK 1";  // "%1dCONN BRK %1d" of 1
inline constexpr std::string_view WAITING_FOR_FIX_TEXT = "Waiting for the first valid GPS position";
inline constexpr std::array<std::string_view, 3> LOST_CONNECTION_NOTICE{"Lost", "Connection,", "trying"};

// Labels of the four state buttons in a state (empty while logging, when the
// pause button stands alone).
std::array<std::string, kStateButtonCount> stateButtonLabels(InstrumentType type, LoggingState state);
inline constexpr std::string_view PAUSE_BUTTON_LABEL = "P A U S E";

// "Monitoring (Auto)" ... "Logging (Manual)"; empty when Closed.
std::string loggingStatusText(LoggingState state, int workingSurveyMode);
// The two lines of the pause-key hint for `pauseKey` 0-3.
std::array<std::string, 2> pauseHintLines(int pauseKey);

// Whether a key pauses logging under `pauseKey` (0 any key, 1 Enter, 2 the
// space bar, 3 P).
bool isPauseKey(int pauseKey, int key);
// Arrow and digit keys: the EM61-LX2 soft marker with "any key" pausing.
bool isSoftMarkerKey(int key);

struct PopupMenuItem {
    int command = 0;
    std::string text;  // with "&" before the access letter
};
struct PopupMenu {
    int id = 0;  // 491 ... 498
    std::vector<PopupMenuItem> items;
};
// The menu of the variant: the Monitoring one, or the one while a file is open.
PopupMenu loggingPopupMenu(InstrumentType type, bool fileOpen);

// The New Survey Line dialog: what it shows and proposes, and what OK returns.
enum LineSequence : int { LINE_ALTERNATE = 0, LINE_ONE_WAY = 1 };
enum LineDirection : int { LINE_WEST = 0, LINE_SOUTH = 1, LINE_NORTH = 2, LINE_EAST = 3 };
struct NewLineProposal {
    std::u16string currentLine;
    double lastStation = 0.0;
    std::u16string newLine;  // "%.2f"
    double lineIncrement = 1.0;
    int lineSequence = LINE_ALTERNATE;
    int lineDirection = LINE_NORTH;
    double startStation = 0.0;
    double stationIncrement = 1.0;
};
struct NewLineEntry {
    std::u16string line;
    double lineIncrement = 1.0;
    int lineSequence = LINE_ALTERNATE;
    int lineDirection = LINE_NORTH;
    double startStation = 0.0;
    double stationIncrement = 1.0;
};
// The number a line name starts with plus `increment`, printed "%.2f".
std::u16string nextLineName(std::u16string_view line, double increment);
inline constexpr size_t kStoredLineLength = 12;

// The New Station dialog's read-only values.
struct NewStationView {
    std::u16string currentLine;
    double startStation = 0.0;
    double currentStation = 0.0;
};
inline constexpr size_t kCommentLength = 11;

// What the window does for the control.
class LoggingScreenHost {
public:
    virtual ~LoggingScreenHost() = default;
    // Timer 1 of the logging window; 0 stops it.
    virtual void setTimerPeriod(uint32_t periodMs) = 0;
    // Covers the start window with the logging screen, or hides it and shows
    // the start screen with its buttons again.
    virtual void showLoggingScreen() = 0;
    virtual void showStartScreen() = 0;
    // Redraws buttons, status line and notices from the control's values.
    virtual void refresh() = 0;
    // Shows the popup menu; the chosen command, or 0 when none was chosen.
    virtual int popupMenu(const PopupMenu& menu) = 0;
    // The modal dialogs; nothing when cancelled.
    virtual std::optional<NewLineEntry> askNewLine(const NewLineProposal& proposal) = 0;
    virtual std::optional<double> askNewStation(const NewStationView& view) = 0;
    virtual std::optional<std::u16string> askComment() = 0;
    // The coordinates units dialog: the chosen list position, nothing when cancelled.
    virtual std::optional<int> askCoordinatesUnits(const CoordinatesUnitsChoice& choice) = 0;
};

struct LoggingLinks {
    OperatorMessages& messages;
    DataFilePicker& picker;
    SoundPlayer& sounds;
    AcquisitionControl& acquisition;
    LoggingScreenHost& host;
};

class LoggingControl {
public:
    LoggingControl(const Variant& variant, SurveyConfig& config, SurveyContext& context, LoggingLinks links);

    // --- the start of logging hands over through these
    // Clears the screen's run flags for a new logging run.
    void resetRunFlags();
    // Enters Monitoring with the buttons of the start of logging: the File,
    // second and Menu buttons wait for the first data when the instrument is
    // enabled; the map view is shown with GPS input.
    void enterMonitoring();
    // The first instrument data (or GPS fix) arrived: the state buttons work.
    void enableStateButtons();
    // Timer 1; 0 stops it.
    void setTimerPeriod(uint32_t periodMs);
    uint32_t timerPeriod() const { return timerPeriodMs_; }
    // Shows the logging screen (screenState 1) and draws it.
    void showLoggingScreen();

    // --- commands
    // A button click (460-463).
    void buttonCommand(int id);
    // A menu command (501-519); refused with an "INFORMATION" message when
    // not available. Accepted only while the logging screen is shown.
    void menuCommand(int id);
    void openMenu();
    void file();
    void go();
    void pause();
    void quickLine();
    void newLine();
    void newStation();
    void comment();
    void coordinatesUnits();
    void exitLogging();

    // Keys (virtual-key codes) of the key-down and key-up messages.
    void keyDown(int key);
    void keyUp(int key);

    // Timer 1: the instrument watchdog.
    void onTimer();

    // --- what the window shows
    LoggingState state() const { return context_.logging.loggingState.load(); }
    std::array<std::string, kStateButtonCount> stateButtons() const;
    bool pauseButtonShown() const { return state() == LoggingState::Logging; }
    bool stateButtonEnabled(int index) const;
    int defaultButton() const { return defaultButton_; }  // 0-3; the pause button while logging
    // One bit per map button 470-478.
    uint32_t mapButtonsEnabled() const { return mapButtons_; }
    bool mapViewActive() const { return mapViewActive_; }
    bool pauseHintShown() const { return pauseHintShown_; }
    bool waitingForFirstFix() const;
    std::string statusText() const;
    // "File: %s" with the data file's name while one is open.
    std::string fileText() const;
    // Empty while the data file's writes succeed.
    std::string writeHealthText() const;
    bool fileOpen() const { return dataFile_.isOpen(); }
    DataFile& dataFile() { return dataFile_; }

    // --- set by later parts of the screen
    // 0 the map has room, 1 it became full while logging, 2 it must grow before logging goes on.
    void setMapFullState(int state) { mapFullState_ = state; }
    int mapFullState() const { return mapFullState_; }
    void setFilterCalibrationRunning(bool running) { filterCalibrationRunning_ = running; }
    // The map, panes and display dialogs; null until the screen has them.
    void setDisplay(LoggingDisplay* display) { display_ = display; }

private:
    bool instrumentEnabled() const { return config_.instrumentEnabled != 0; }
    bool gpsEnabled() const { return config_.gpsInput != 0; }
    bool mapVisible() const { return gpsEnabled() && mapViewActive_; }
    // Shows the refusal and returns false when `command` is not available.
    bool available(int command);
    void refuse(std::string_view text);
    void pressDefaultButton();
    void moveDefaultButton();
    void keyWhileLogging(int key);
    void keyWhileNotLogging(int key);
    // Arrows and L, R, P, D pan the map; false when `key` is none of them.
    bool panKey(int key);
    void mapButton(int id);
    void selectColourChannel(int view);
    void displayCommand(int id);
    void enterStandBy();
    void applyDecimationForMode();
    void writeLineStartGroup();
    void resetLineCounters();
    void saveSettingsNow();
    void stopAcquisition();
    void watchEm61Lx2Link();
    LineStartValues lineStartValues() const;
    HeaderValues headerValues() const;

    const Variant variant_;
    SurveyConfig& config_;
    SurveyContext& context_;
    LoggingLinks links_;
    DataFile dataFile_;

    uint32_t timerPeriodMs_ = 0;
    uint32_t runTimerPeriodMs_ = 0;  // the period the start of logging chose; back after wheel logging
    bool stateButtonsEnabled_ = true;
    int defaultButton_ = 0;
    uint32_t mapButtons_ = 0;
    bool mapViewActive_ = false;
    bool pauseHintShown_ = false;
    int mapFullState_ = 0;
    bool filterCalibrationRunning_ = false;
    LoggingDisplay* display_ = nullptr;
};

}  // namespace velox
