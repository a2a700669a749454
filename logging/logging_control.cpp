#include "logging/logging_control.h"


#include "config/settings_file.h"
#include "logging/acquisition_control.h"
#include "logging/data_file_naming.h"
#include "platform/clock.h"
#include "platform/operator_messages.h"
#include "platform/sound_player.h"
#include "platform/text.h"
#include "serial/ports.h"

namespace velox {

namespace {

constexpr uint32_t kAllMapButtons = (1u << kMapButtonCount) - 1;
// "&Lf", "&Rt", "U&p", "&Dn": the only map buttons of the Orv line.
constexpr uint32_t kPanButtons = 0x00F;
// "Zm&+", "Zm&-", "&Fit All": for review only.
constexpr uint32_t kZoomAndFitButtons = 0x070;
// "Enter Rev&iew", "&Exit Review": stay disabled until review mode exists.
constexpr uint32_t kReviewButtons = 0x180;
constexpr uint32_t kAfterFileWaitMs = 50;
constexpr uint32_t kShowScreenWaitMs = 20;

const char* const kStateNames[] = {"Monitoring", "Stand By", "Logging"};
const char* const kModeNames[] = {"Auto", "Wheel", "Manual"};

int oppositeDirection(int direction) {
    return direction >= LINE_WEST && direction <= LINE_EAST ? 3 - direction : direction;
}

const PopupMenuItem kMenuItems[] = {
    {MENU_NEW_LINE, "New Lin&e"},
    {MENU_NEW_STATION, "&New Station"},
    {MENU_COMMENT, "&Comment"},
    {MENU_NULLING, "N&ulling"},
    {MENU_SCALE_READINGS, "Sc&ale Readings"},
    {MENU_SCALE_SPEED_BAR, "Scale Speed &Bar"},
    {MENU_PROFILE_OPTIONS, "Pr&ofile Display Options"},
    {MENU_HIDE_MENU, "&Hide Menu"},
    {MENU_MAP_SIZE, "Map &Size"},
    {MENU_MAP_DISPLAY_OPTIONS, "Map Displa&y Options"},
    {MENU_TOGGLE_VIEW, "Toggle &View"},
    {MENU_GPS_WARNING_MASK, "GPS &Warning Mask"},
    {MENU_ALARM_SETTINGS, "Alarm S&ettings"},
    {MENU_AUDIO_OPTIONS, "Au&dio Options"},
    {MENU_COORDINATES_UNITS, "Coordina&tes Display Units"},
    {MENU_CALIBRATION, "Ca&librate Filter"},
    {MENU_REMOVE_CALIBRATION, "&Remove Calibration"},
    {MENU_ENTER_BACKGROUND, "Enter Background Files"},
    {MENU_REMOVE_BACKGROUND, "Remove Background Files"},
};

// Whether the variant's menu carries the command at all.
bool variantHasCommand(InstrumentType type, int command) {
    switch (command) {
        case MENU_NULLING: return isEm61(type);
        case MENU_ALARM_SETTINGS: return type == InstrumentType::Em61Lx2;
        case MENU_CALIBRATION: return type == InstrumentType::Em61Lx2 || type == InstrumentType::Em38Mk2;
        case MENU_REMOVE_CALIBRATION: return type == InstrumentType::Em38Mk2;
        default: return true;
    }
}

int popupMenuId(InstrumentType type, bool fileOpen) {
    int monitoringMenu = 495;
    if (type == InstrumentType::Em61Lx2) monitoringMenu = 491;
    else if (type == InstrumentType::Em61Mk2) monitoringMenu = 493;
    else if (type == InstrumentType::Em38Mk2) monitoringMenu = 497;
    return fileOpen ? monitoringMenu + 1 : monitoringMenu;
}

// The menu commands of the letter keys (not while logging).
int menuCommandOfKey(int key) {
    switch (key) {
        case 'U': return MENU_NULLING;
        case 'A': return MENU_SCALE_READINGS;
        case 'B': return MENU_SCALE_SPEED_BAR;
        case 'O': return MENU_PROFILE_OPTIONS;
        case 'S': return MENU_MAP_SIZE;
        case 'Y': return MENU_MAP_DISPLAY_OPTIONS;
        case 'W': return MENU_GPS_WARNING_MASK;
        case 'T': return MENU_COORDINATES_UNITS;
        default: return 0;
    }
}

}  // namespace

std::array<std::string, kStateButtonCount> stateButtonLabels(InstrumentType type, LoggingState state) {
    switch (state) {
        case LoggingState::Monitoring:
            return {"&File", isEm61(type) ? "N&ull" : "Map &Size", "E&xit", "&Menu"};
        case LoggingState::StandBy: return {"&Go", "&QLine", "E&xit", "&Menu"};
        default: return {};
    }
}

std::string loggingStatusText(LoggingState state, int workingSurveyMode) {
    int stateIndex = 0;
    switch (state) {
        case LoggingState::Monitoring: stateIndex = 0; break;
        case LoggingState::StandBy: stateIndex = 1; break;
        case LoggingState::Logging: stateIndex = 2; break;
        default: return {};
    }
    const int mode = workingSurveyMode >= SURVEY_AUTO && workingSurveyMode <= SURVEY_MANUAL ? workingSurveyMode : 0;
    return std::string(kStateNames[stateIndex]) + " (" + kModeNames[mode] + ")";
}

std::array<std::string, 2> pauseHintLines(int pauseKey) {
    switch (pauseKey) {
        case 1: return {"Tap/Click PAUSE button or", "press <ENTER> to pause"};
        case 2: return {"Tap/Click PAUSE button or", "<Space Bar> to pause"};
        case 3: return {"Tap/Click PAUSE button or", "press key <P> pause"};
        default: return {"Tap/Click PAUSE button or", "press any key to pause"};
    }
}

bool isPauseKey(int pauseKey, int key) {
    switch (pauseKey) {
        case 1: return key == KEY_ENTER;
        case 2: return key == KEY_SPACE;
        case 3: return key == 'P';
        default: return true;
    }
}

bool isSoftMarkerKey(int key) { return (key >= KEY_LEFT && key <= KEY_DOWN) || (key >= '0' && key <= '9'); }

PopupMenu loggingPopupMenu(InstrumentType type, bool fileOpen) {
    PopupMenu menu{popupMenuId(type, fileOpen), {}};
    for (const PopupMenuItem& item : kMenuItems) {
        if (!variantHasCommand(type, item.command)) continue;
        // Lines, stations and comments go into a file: only with one open.
        if (!fileOpen && item.command <= MENU_COMMENT) continue;
        menu.items.push_back(item);
        if (item.command == MENU_CALIBRATION && type == InstrumentType::Em38Mk2) menu.items.back().text = "Ca&libration";
    }
    return menu;
}

std::u16string nextLineName(std::u16string_view line, double increment) {
    const double number = parseSettingDouble(toStoredBytes(line));
    return fromStoredBytes(formatText("%.2f", number + increment));
}

// --- LoggingControl

LoggingControl::LoggingControl(const Variant& variant, SurveyConfig& config, SurveyContext& context,
                               LoggingLinks links)
    : variant_(variant), config_(config), context_(context), links_(links), dataFile_(variant, &links.messages) {}

void LoggingControl::resetRunFlags() {
    auto& logging = context_.logging;
    logging.softMarkerActive = false;
    logging.instrumentLinkBroken = false;
    logging.lostShown = false;
    mapFullState_ = 0;
    pauseHintShown_ = false;
    filterCalibrationRunning_ = false;
    defaultButton_ = 0;
    mapButtons_ = 0;
}

void LoggingControl::enterMonitoring() {
    context_.logging.loggingState = LoggingState::Monitoring;
    // With an instrument the commands wait for its first data; the Grad601
    // and the conductivity meters wait only when a GPS position is due too.
    const bool waitForData =
        instrumentEnabled() && (isEm61(variant_.instrumentType) || gpsEnabled());
    stateButtonsEnabled_ = !waitForData;
    mapViewActive_ = gpsEnabled();
    defaultButton_ = 0;
}

void LoggingControl::enableStateButtons() {
    stateButtonsEnabled_ = true;
    links_.host.refresh();
}

void LoggingControl::setTimerPeriod(uint32_t periodMs) {
    timerPeriodMs_ = periodMs;
    if (periodMs != 0) runTimerPeriodMs_ = periodMs;
    links_.host.setTimerPeriod(periodMs);
}

void LoggingControl::showLoggingScreen() {
    context_.screen.screenState = 1;
    links_.host.showLoggingScreen();
    if (display_) display_->surveyStarted();
    busyWait(kShowScreenWaitMs);
    links_.host.refresh();
}

// --- what the window shows

std::array<std::string, kStateButtonCount> LoggingControl::stateButtons() const {
    return stateButtonLabels(variant_.instrumentType, state());
}

bool LoggingControl::stateButtonEnabled(int index) const {
    return index == BTN_STATE_EXIT - BTN_STATE_FIRST || stateButtonsEnabled_;
}

bool LoggingControl::waitingForFirstFix() const {
    return gpsEnabled() && state() != LoggingState::Closed && !context_.gpsFix.firstFixSeen;
}

std::string LoggingControl::statusText() const {
    return loggingStatusText(state(), context_.derived.workingSurveyMode);
}

std::string LoggingControl::fileText() const {
    if (!dataFile_.isOpen()) return "File:        ";
    return "File: " + dataFile_.path().filename().string();
}

std::string LoggingControl::writeHealthText() const {
    const WriteHealth health = dataFile_.writeHealth();
    if (!health.failing) return {};
    return "Data file not written: " + std::to_string(health.lostRecords) + " records lost (" + health.lastError +
           ")";
}

// --- commands

void LoggingControl::buttonCommand(int id) {
    if (id >= BTN_MAP_FIRST && id < BTN_MAP_FIRST + kMapButtonCount) return mapButton(id);
    if (id >= BTN_CHANNEL_FIRST && id <= BTN_CHANNEL_LAST) return selectColourChannel(id - BTN_CHANNEL_FIRST + 1);
    const int index = id - BTN_STATE_FIRST;
    if (index < 0 || index >= kStateButtonCount || !stateButtonEnabled(index)) return;
    switch (state()) {
        case LoggingState::Logging:
            if (id == BTN_PAUSE) pause();
            return;
        case LoggingState::Monitoring:
            if (id == BTN_STATE_FIRST) file();
            else if (id == BTN_STATE_SECOND) menuCommand(isEm61(variant_.instrumentType) ? MENU_NULLING : MENU_MAP_SIZE);
            else if (id == BTN_STATE_EXIT) exitLogging();
            else openMenu();
            return;
        case LoggingState::StandBy:
            if (id == BTN_STATE_FIRST) go();
            else if (id == BTN_STATE_SECOND) quickLine();
            else if (id == BTN_STATE_EXIT) exitLogging();
            else openMenu();
            return;
        case LoggingState::Closed: return;
    }
}

void LoggingControl::mapButton(int id) {
    if (!display_ || !(mapButtons_ & (1u << (id - BTN_MAP_FIRST))) || !mapVisible()) return;
    switch (id) {
        case BTN_MAP_LEFT: display_->panMap(MapDirection::Left); break;
        case BTN_MAP_RIGHT: display_->panMap(MapDirection::Right); break;
        case BTN_MAP_UP: display_->panMap(MapDirection::Up); break;
        case BTN_MAP_DOWN: display_->panMap(MapDirection::Down); break;
        default: break;  // zoom, fit all and review work in review mode only
    }
}

void LoggingControl::selectColourChannel(int view) {
    if (!mapVisible() || config_.colourMapView <= 0 || config_.colourMapView == view) return;
    config_.colourMapView = view;
    saveSettingsNow();
    if (display_) display_->colourChannelChanged();
    links_.host.refresh();
}

bool LoggingControl::panKey(int key) {
    MapDirection direction;
    switch (key) {
        case KEY_LEFT:
        case 'L': direction = MapDirection::Left; break;
        case KEY_RIGHT:
        case 'R': direction = MapDirection::Right; break;
        case KEY_UP:
        case 'P': direction = MapDirection::Up; break;
        case KEY_DOWN:
        case 'D': direction = MapDirection::Down; break;
        default: return false;
    }
    if (display_ && mapVisible() && fileOpen()) display_->panMap(direction);
    return true;
}

void LoggingControl::openMenu() {
    if (context_.screen.screenState != 1 || state() == LoggingState::Logging) return;
    const int chosen = links_.host.popupMenu(loggingPopupMenu(variant_.instrumentType, fileOpen()));
    if (chosen != 0) menuCommand(chosen);
}

void LoggingControl::refuse(std::string_view text) {
    links_.messages.show(std::string(INFORMATION_TITLE), std::string(text), MessageButtons::Ok);
}

bool LoggingControl::available(int command) {
    switch (command) {
        case MENU_NEW_LINE:
        case MENU_NEW_STATION:
        case MENU_NULLING:
        case MENU_PROFILE_OPTIONS:
            if (!instrumentEnabled()) return refuse(NEEDS_INSTRUMENT_TEXT), false;
            return true;
        case MENU_SCALE_SPEED_BAR:
        case MENU_GPS_WARNING_MASK:
            if (!gpsEnabled()) return refuse(NEEDS_GPS_TEXT), false;
            return true;
        case MENU_MAP_SIZE:
        case MENU_MAP_DISPLAY_OPTIONS:
            if (!gpsEnabled()) return refuse(NEEDS_GPS_TEXT), false;
            if (!mapViewActive_) return refuse(NEEDS_MAP_TEXT), false;
            return true;
        case MENU_ENTER_BACKGROUND:
            if (!mapVisible()) return refuse(NEEDS_MAP_TEXT), false;
            return true;
        default: return true;
    }
}

void LoggingControl::menuCommand(int id) {
    if (context_.screen.screenState != 1 || state() == LoggingState::Closed) return;
    if (!variantHasCommand(variant_.instrumentType, id) || !available(id)) return;
    switch (id) {
        case MENU_NEW_LINE: newLine(); break;
        case MENU_NEW_STATION: newStation(); break;
        case MENU_COMMENT: comment(); break;
        case MENU_COORDINATES_UNITS: coordinatesUnits(); break;
        case MENU_TOGGLE_VIEW:
            // Only with both an instrument and a GPS is there a choice of views.
            if (!instrumentEnabled() || !gpsEnabled()) break;
            mapViewActive_ = !mapViewActive_;
            if (display_) display_->viewToggled();
            break;
        case MENU_SCALE_READINGS:
        case MENU_SCALE_SPEED_BAR:
        case MENU_MAP_SIZE:
        case MENU_ALARM_SETTINGS:
        case MENU_AUDIO_OPTIONS: displayCommand(id); break;
        default:
            // Nulling, the scale, map, mask, alarm, audio, units, calibration
            // and background commands open procedures and dialogs of their own.
            break;
    }
    links_.host.refresh();
}

void LoggingControl::displayCommand(int id) {
    if (!display_) return;
    switch (id) {
        case MENU_SCALE_READINGS: display_->readingScaleDialog(); break;
        case MENU_SCALE_SPEED_BAR: display_->speedScaleDialog(); break;
        case MENU_MAP_SIZE: display_->mapSizeDialog(); break;
        case MENU_ALARM_SETTINGS: display_->alarmSettingsDialog(); break;
        case MENU_AUDIO_OPTIONS: display_->audioOptionsDialog(); break;
        default: break;
    }
}

HeaderValues LoggingControl::headerValues() const {
    HeaderValues values;
    values.workingGpsOffsetY = context_.derived.workingGpsOffsetY;
    values.handshakeMode = context_.ports.handshakeMode;
    values.referenceEasting = context_.gpsFix.headerReference.easting;
    values.referenceNorthing = context_.gpsFix.headerReference.northing;
    const int zone = context_.gpsFix.zone.utmZone;
    values.utmZone = zone == UTM_ZONE_NOT_FIXED ? 0 : zone;
    return values;
}

LineStartValues LoggingControl::lineStartValues() const {
    LineStartValues values;
    values.stationIncrement = context_.derived.stationIncrement;
    // No nulling has run yet in this program run: the offsets in force are the previous ones too.
    values.previousNullValues = config_.lastNullValues;
    values.previousFilterFactorLeft = context_.derived.previousFilterFactorLeft;
    values.previousFilterFactorRight = context_.derived.previousFilterFactorRight;
    return values;
}

void LoggingControl::file() {
    if (state() != LoggingState::Monitoring || dataFile_.isOpen()) return;
    DataFileCreation creation{variant_,        config_,         dataFile_, links_.picker, links_.messages,
                              headerValues(), lineStartValues()};
    const int result = createDataFile(creation);
    busyWait(kAfterFileWaitMs);
    if (result == DATA_FILE_CONTINUE) {
        // Continuing an existing file needs its compatibility checks first.
        dataFile_.close();
        links_.messages.show(std::string(INFORMATION_TITLE), std::string(CONTINUE_REFUSED_TEXT), MessageButtons::Ok);
    } else if (result == DATA_FILE_CREATED && dataFile_.isOpen()) {
        mapButtons_ = variant_.productLine == ProductLine::Velox ? kAllMapButtons & ~kReviewButtons : kPanButtons;
        if (!instrumentEnabled()) {
            context_.derived.workingGpsOffsetY = 0.0;
            config_.colourMapView = 0;
        }
        enterStandBy();
    }
    links_.host.refresh();
}

void LoggingControl::enterStandBy() {
    context_.logging.loggingState = LoggingState::StandBy;
    defaultButton_ = 0;
}

void LoggingControl::go() {
    if (state() != LoggingState::StandBy) return;
    if (mapFullState_ == 2) {
        links_.sounds.playSound(SOUND_RING, false);
        links_.messages.show("WARNING", "Cannot start logging.\r\nPlease increase the map size\r\nby 20-25%.",
                             MessageButtons::Ok);
        return;
    }
    mapButtons_ = 0;
    auto& derived = context_.derived;
    if (config_.surveyMode != SURVEY_MANUAL) derived.activeSurveyMode = config_.surveyMode;
    if (instrumentEnabled()) {
        if (config_.surveyMode == SURVEY_WHEEL) {
            setTimerPeriod(0);
            links_.acquisition.startWheelTriggering();
        } else {
            links_.acquisition.setRecordDecimation(config_.surveyMode == SURVEY_AUTO ? derived.recordsPerReading : 1);
        }
    }
    defaultButton_ = 0;
    pauseHintShown_ = true;

    // "$STARTED" goes in before the state changes, so that no GPS group of
    // the new start can precede it in the file.
    const Tick now = tickNow();
    dataFile_.setLoggingStartTick(now);
    dataFile_.writeEvent(fromStoredBytes(STARTED_EVENT));
    if (display_) display_->loggingResumed();
    context_.logging.loggingState = LoggingState::Logging;
    context_.logging.loggingResumeTick = now;
    links_.host.refresh();
}

void LoggingControl::pause() {
    if (state() != LoggingState::Logging) return;
    auto& logging = context_.logging;
    logging.loggingState = LoggingState::StandBy;
    logging.softMarkerActive = false;
    pauseHintShown_ = false;
    if (display_) display_->loggingSuspended();
    dataFile_.writeEvent(mapFullState_ == 1 ? PAUSED_MAP_FULL_EVENT : PAUSED_EVENT);
    dataFile_.reopen();
    logging.loggingTimeMs = logging.lastLoggingTotalMs;
    if (instrumentEnabled()) {
        if (config_.surveyMode == SURVEY_WHEEL) {
            links_.acquisition.stopWheelTriggering();
            setTimerPeriod(runTimerPeriodMs_);
        } else {
            links_.acquisition.setRecordDecimation(1);
        }
    }
    defaultButton_ = 0;
    mapButtons_ = mapVisible() ? kAllMapButtons & ~kZoomAndFitButtons & ~kReviewButtons : 0;
    links_.host.refresh();
    if (mapFullState_ == 1) {
        mapFullState_ = 2;
        links_.sounds.playSound(SOUND_RING_2S, false);
        links_.messages.show("WARNING", "Please select Map Size option\r\nand increase the map size\r\nby 20-25%.",
                             MessageButtons::Ok);
    }
}

void LoggingControl::resetLineCounters() {
    context_.acquisition.readingCount = 0;
    context_.acquisition.stationStarted = false;
}

void LoggingControl::writeLineStartGroup() {
    dataFile_.writeLineStart(config_, lineStartValues());
    dataFile_.writeTimeMark();
}

void LoggingControl::saveSettingsNow() { saveSettings(variant_, config_); }

void LoggingControl::quickLine() {
    const LoggingState s = state();
    if (s != LoggingState::StandBy && s != LoggingState::Logging) return;
    if (!instrumentEnabled()) return refuse(NEEDS_INSTRUMENT_TEXT);
    const std::u16string line = nextLineName(config_.surveyLine, config_.lineIncrement);
    const std::string question = "New Line: " + toStoredBytes(line);
    if (links_.messages.show("Quick Line", question, MessageButtons::YesNo) != 1) return;

    ++context_.logging.lineCount;
    resetLineCounters();
    auto& derived = context_.derived;
    config_.surveyLine = line;
    if (config_.lineSequence == LINE_ONE_WAY) {
        derived.stationValue = config_.startStation;
    } else {
        derived.stationIncrement = -derived.stationIncrement;
        config_.lineDirection = oppositeDirection(config_.lineDirection);
    }
    config_.startStation = derived.stationValue;
    writeLineStartGroup();
    saveSettingsNow();
    links_.host.refresh();
}

void LoggingControl::newLine() {
    if (state() != LoggingState::StandBy) return;
    const auto& derived = context_.derived;
    const bool oneWay = config_.lineSequence == LINE_ONE_WAY;
    NewLineProposal proposal;
    proposal.currentLine = config_.surveyLine;
    proposal.lastStation = derived.stationValue;
    proposal.newLine = nextLineName(config_.surveyLine, config_.lineIncrement);
    proposal.lineIncrement = config_.lineIncrement;
    proposal.lineSequence = config_.lineSequence;
    proposal.lineDirection = oneWay ? config_.lineDirection : oppositeDirection(config_.lineDirection);
    proposal.startStation = oneWay ? config_.startStation : derived.stationValue;
    proposal.stationIncrement = oneWay ? derived.stationIncrement : -derived.stationIncrement;

    const std::optional<NewLineEntry> entry = links_.host.askNewLine(proposal);
    if (!entry) return;
    config_.surveyLine = entry->line.substr(0, kStoredLineLength);
    config_.lineIncrement = entry->lineIncrement;
    config_.lineSequence = entry->lineSequence;
    config_.lineDirection = entry->lineDirection;
    config_.startStation = entry->startStation;
    context_.derived.stationValue = entry->startStation;
    context_.derived.stationIncrement = entry->stationIncrement;
    saveSettingsNow();
    writeLineStartGroup();
    ++context_.logging.lineCount;
    resetLineCounters();
    links_.host.refresh();
}

void LoggingControl::newStation() {
    if (state() != LoggingState::StandBy) return;
    const NewStationView view{config_.surveyLine, config_.startStation, context_.derived.stationValue};
    const std::optional<double> station = links_.host.askNewStation(view);
    if (!station) return;
    context_.derived.stationValue = *station;
    resetLineCounters();
    dataFile_.writeStationMark(*station);
    dataFile_.writeTimeMark();
    saveSettingsNow();
    links_.host.refresh();
}

void LoggingControl::comment() {
    if (state() != LoggingState::StandBy || !dataFile_.isOpen()) return;
    const std::optional<std::u16string> text = links_.host.askComment();
    if (!text) return;
    dataFile_.writeEvent(text->substr(0, kCommentLength), REC_COMMENT);
}

void LoggingControl::coordinatesUnits() {
    const CoordinatesUnitsChoice choice = coordinatesUnitsChoice(config_.nmeaData, config_.coordinatesDisplay);
    const std::optional<int> selection = links_.host.askCoordinatesUnits(choice);
    if (!selection) return;
    const int display = coordinatesDisplayOf(choice, *selection);
    if (display < 0) return;
    config_.coordinatesDisplay = display;
    saveSettingsNow();
}

void LoggingControl::stopAcquisition() {
    setTimerPeriod(0);
    links_.acquisition.stopReaders();
    closeGpsPort(context_);
    closeInstrumentPort(context_);
}

void LoggingControl::exitLogging() {
    const LoggingState s = state();
    if (s == LoggingState::StandBy) {
        if (links_.messages.show("Confirm Exit", "Exit Logging?", MessageButtons::YesNo) != 1) return;
    } else if (s != LoggingState::Monitoring) {
        return;
    }
    // The readers stop before the file closes, so that none writes into a closing file.
    stopAcquisition();
    auto& logging = context_.logging;
    if (dataFile_.isOpen()) {
        dataFile_.close();
        dataFile_.setBaseName({});
        resetLineCounters();
        logging.lineCount = 0;
        logging.loggingTimeMs = 0;
        logging.loggingResumeTick = 0;
        logging.lastLoggingTotalMs = 0;
    }
    context_.derived.workingGpsOffsetY = config_.gpsOffsetY;
    logging.softMarkerActive = false;
    logging.instrumentLinkBroken = false;
    logging.lostShown = false;
    mapButtons_ = 0;
    pauseHintShown_ = false;
    logging.loggingState = LoggingState::Closed;
    context_.screen.screenState = 0;
    links_.host.showStartScreen();
}

// --- keys

void LoggingControl::keyDown(int key) {
    if (context_.screen.screenState != 1) return;
    if (state() == LoggingState::Logging) keyWhileLogging(key);
    else if (state() != LoggingState::Closed) keyWhileNotLogging(key);
}

void LoggingControl::keyUp(int key) {
    // A marker key released in any state clears the marker, so that it never sticks.
    if (variant_.instrumentType == InstrumentType::Em61Lx2 && config_.pauseKey == 0 && isSoftMarkerKey(key) &&
        context_.logging.softMarkerActive) {
        context_.logging.softMarkerActive = false;
        links_.host.refresh();
    }
}

void LoggingControl::keyWhileLogging(int key) {
    if (variant_.instrumentType == InstrumentType::Em61Lx2 && config_.pauseKey == 0 && isSoftMarkerKey(key)) {
        if (config_.softMarkerKey == 1 && !context_.logging.softMarkerActive) {
            context_.logging.softMarkerActive = true;
            links_.host.refresh();
        }
        return;
    }
    if (isPauseKey(config_.pauseKey, key)) pause();
    else panKey(key);
}

void LoggingControl::moveDefaultButton() {
    defaultButton_ = (defaultButton_ + 1) % kStateButtonCount;
    links_.host.refresh();
}

void LoggingControl::pressDefaultButton() { buttonCommand(BTN_STATE_FIRST + defaultButton_); }

void LoggingControl::keyWhileNotLogging(int key) {
    const bool standBy = state() == LoggingState::StandBy;
    switch (key) {
        case KEY_TAB: moveDefaultButton(); return;
        case KEY_ENTER: pressDefaultButton(); return;
        case 'F':
            if (!standBy) buttonCommand(BTN_STATE_FIRST);
            return;
        case 'G':
        case KEY_F2:
            if (standBy) buttonCommand(BTN_STATE_FIRST);
            return;
        case 'Q':
            if (standBy) buttonCommand(BTN_STATE_SECOND);
            return;
        case 'X': buttonCommand(BTN_STATE_EXIT); return;
        case 'M':
        case KEY_F3: buttonCommand(BTN_STATE_MENU); return;
        case 'E':
            if (standBy) menuCommand(MENU_NEW_LINE);
            return;
        case 'N':
            if (standBy) menuCommand(MENU_NEW_STATION);
            return;
        case 'C':
            if (standBy) menuCommand(MENU_COMMENT);
            return;
        default: break;
    }
    if (panKey(key)) return;
    if (const int command = menuCommandOfKey(key)) menuCommand(command);
}

// --- timer 1

void LoggingControl::onTimer() {
    dataFile_.reportPendingFailure();
    if (!instrumentEnabled()) return;
    if (variant_.instrumentType == InstrumentType::Em61Lx2) watchEm61Lx2Link();
}

void LoggingControl::watchEm61Lx2Link() {
    if (context_.derived.activeSurveyMode != SURVEY_AUTO || filterCalibrationRunning_) return;
    auto& logging = context_.logging;
    if (state() == LoggingState::Logging && logging.instrumentLinkBroken) dataFile_.writeEvent(CONNECTION_BREAK_EVENT);
    const uint32_t silence = tickNow() - context_.acquisition.lastDataTick;
    if (silence <= connectionTimeoutMs(variant_.instrumentType)) return;
    logging.instrumentLinkBroken = true;
    if (!logging.lostShown.exchange(true)) links_.host.refresh();
    if (config_.audioDisconnectAlarm) links_.sounds.playSound(SOUND_RING, false);
}

}  // namespace velox
