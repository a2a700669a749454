// The logging screen's control without a window: state machine, buttons,
// keys and the soft marker, menu availability, the line, station and
// comment commands with the records they leave in the file, exit, and the
// EM61-LX2 watchdog.

#include <functional>
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "config/survey_config.h"
#include "config/survey_context.h"
#include "data_file_test_support.h"
#include "logging/data_file_reader.h"
#include "logging/logging_control.h"
#include "logging_test_support.h"
#include "platform/text.h"
#include "test_support.h"

namespace velox {
namespace {

using test::AcceptingPicker;
using test::AnsweringMessages;
using test::ScriptedHost;
using test::FakeAcquisition;
using test::FixedClock;
using test::RecordingSounds;

const Variant kLx2{InstrumentType::Em61Lx2, ProductLine::Velox, {}};

// A logging screen in Monitoring, as the start of logging leaves it, with
// its first data arrived.
struct Screen {
    explicit Screen(const Variant& v = kLx2, SurveyConfig settings = SurveyConfig()) : variant(v), config(settings) {
        context.variant = variant;
        deriveSettingsValues(variant, config, context);
        control = std::make_unique<LoggingControl>(variant, config, context,
                                                   LoggingLinks{messages, picker, sounds, acquisition, host});
        config.dataFolder = fromUtf8(data.path().string());
        control->resetRunFlags();
        control->enterMonitoring();
        control->enableStateButtons();
        control->setTimerPeriod(100);
        context.screen.screenState = 1;
    }
    LoggingState state() const { return control->state(); }
    void toStandBy() {
        control->file();
        ASSERT_EQ(state(), LoggingState::StandBy);
    }
    std::vector<DataRecord> records() const {
        DataFileReader reader(control->dataFile().path(), RECORD_LENGTH);
        const RecordLayout layout = layoutOf(variant.instrumentType, variant.productLine);
        std::vector<DataRecord> out;
        for (std::size_t i = 0; i < reader.recordCount(); ++i) out.push_back(decodeRecord(layout, reader.record(i).bytes));
        return out;
    }
    // Event and comment texts in file order, e.g. "X$STARTED", "CPAUSED".
    std::vector<std::string> events() const {
        std::vector<std::string> out;
        for (const DataRecord& r : records())
            if (r.kind == RecordKind::Event || r.kind == RecordKind::Comment) out.push_back(r.type + *r.text);
        return out;
    }

    test::TempDataRoot data;
    FixedClock clock{1'000'000};
    Variant variant;
    SurveyConfig config;
    SurveyContext context;
    AnsweringMessages messages;
    AcceptingPicker picker;
    RecordingSounds sounds;
    FakeAcquisition acquisition;
    ScriptedHost host;
    std::unique_ptr<LoggingControl> control;
};

std::string trimmed(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

TEST(LoggingButtons, LabelsPerStateAndVariant) {
    using Labels = std::array<std::string, 4>;
    const std::tuple<InstrumentType, LoggingState, Labels> cases[] = {
        {InstrumentType::Em61Lx2, LoggingState::Monitoring, {"&File", "N&ull", "E&xit", "&Menu"}},
        {InstrumentType::Em61Mk2, LoggingState::Monitoring, {"&File", "N&ull", "E&xit", "&Menu"}},
        {InstrumentType::Em31Mk2, LoggingState::Monitoring, {"&File", "Map &Size", "E&xit", "&Menu"}},
        {InstrumentType::Grad601, LoggingState::Monitoring, {"&File", "Map &Size", "E&xit", "&Menu"}},
        {InstrumentType::Em61Lx2, LoggingState::StandBy, {"&Go", "&QLine", "E&xit", "&Menu"}},
        {InstrumentType::Em38, LoggingState::StandBy, {"&Go", "&QLine", "E&xit", "&Menu"}},
        {InstrumentType::Em61Lx2, LoggingState::Logging, {}},
    };
    for (const auto& [type, state, labels] : cases)
        EXPECT_EQ(stateButtonLabels(type, state), labels) << instrumentName(type) << " " << int(state);
}

TEST(LoggingButtons, StatusLineTexts) {
    EXPECT_EQ(loggingStatusText(LoggingState::Monitoring, SURVEY_AUTO), "Monitoring (Auto)");
    EXPECT_EQ(loggingStatusText(LoggingState::StandBy, SURVEY_WHEEL), "Stand By (Wheel)");
    EXPECT_EQ(loggingStatusText(LoggingState::Logging, SURVEY_MANUAL), "Logging (Manual)");
    EXPECT_EQ(loggingStatusText(LoggingState::Closed, SURVEY_AUTO), "");
}

TEST(LoggingButtons, FirstDataEnablesAllButExit) {
    Screen s;
    s.control->enterMonitoring();
    for (int i = 0; i < 4; ++i) EXPECT_EQ(s.control->stateButtonEnabled(i), i == 2) << i;
    // The File key waits for the data too.
    s.control->keyDown('F');
    EXPECT_EQ(s.picker.shown, 0);
    s.control->enableStateButtons();
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(s.control->stateButtonEnabled(i));

    SurveyConfig noInstrument;
    noInstrument.instrumentEnabled = 0;
    Screen gpsOnly(kLx2, noInstrument);
    gpsOnly.control->enterMonitoring();
    EXPECT_TRUE(gpsOnly.control->stateButtonEnabled(0));
}

TEST(LoggingStates, FileGoPauseExitWriteTheSurveyInOrder) {
    Screen s;
    EXPECT_EQ(s.control->statusText(), "Monitoring (Auto)");
    EXPECT_EQ(s.control->fileText(), "File:        ");

    s.control->keyDown('F');
    ASSERT_EQ(s.state(), LoggingState::StandBy);
    EXPECT_EQ(s.control->stateButtons()[0], "&Go");
    EXPECT_EQ(s.control->defaultButton(), 0);
    EXPECT_EQ(s.control->mapButtonsEnabled(), 0x07Fu);  // review waits for review mode
    const std::string name = s.control->dataFile().path().filename().string();
    EXPECT_EQ(s.control->fileText(), "File: " + name);

    s.clock.tick += 500;
    s.control->keyDown('G');
    ASSERT_EQ(s.state(), LoggingState::Logging);
    EXPECT_TRUE(s.control->pauseButtonShown());
    EXPECT_TRUE(s.control->pauseHintShown());
    EXPECT_EQ(s.control->mapButtonsEnabled(), 0u);
    EXPECT_EQ(s.acquisition.decimation, s.context.derived.recordsPerReading);
    EXPECT_EQ(s.control->dataFile().loggingStartTick(), s.clock.tick);
    EXPECT_EQ(s.context.logging.loggingResumeTick, s.clock.tick);

    s.context.logging.lastLoggingTotalMs = 4200;  // what the reading handler showed last
    s.control->keyDown('Q');                       // any key pauses
    ASSERT_EQ(s.state(), LoggingState::StandBy);
    EXPECT_EQ(s.context.logging.loggingTimeMs, 4200u);
    EXPECT_EQ(s.acquisition.decimation, 1u);
    EXPECT_FALSE(s.control->pauseHintShown());
    EXPECT_EQ(s.control->mapButtonsEnabled(), 0x00Fu);  // the pan buttons: no zoom, fit or review outside review

    s.control->exitLogging();
    EXPECT_EQ(s.state(), LoggingState::Closed);
    EXPECT_EQ(s.host.screen, "start");
    EXPECT_EQ(s.host.timerPeriod, 0u);
    EXPECT_TRUE(s.acquisition.called("stopReaders"));
    EXPECT_FALSE(s.control->fileOpen());
    EXPECT_EQ(s.context.logging.loggingTimeMs, 0u);

    const std::vector<DataRecord> records = s.records();
    ASSERT_GE(records.size(), 4u);
    EXPECT_EQ(records[0].kind, RecordKind::ProductTag);
    EXPECT_EQ(s.events(), (std::vector<std::string>{"X$STARTED", "XPAUSED"}));
}

TEST(LoggingStates, ExitFromStandByAsksFirst) {
    Screen s;
    s.toStandBy();
    s.messages.answers["Confirm Exit"] = 0;
    s.control->buttonCommand(BTN_STATE_EXIT);
    ASSERT_EQ(s.messages.shown.size(), 1u);
    EXPECT_EQ(s.messages.shown[0].text, "Exit Logging?");
    EXPECT_EQ(s.state(), LoggingState::StandBy);
    EXPECT_TRUE(s.control->fileOpen());
    EXPECT_FALSE(s.acquisition.called("stopReaders"));
    EXPECT_EQ(s.host.timerPeriod, 100u);

    s.messages.answers["Confirm Exit"] = 1;
    s.control->keyDown('X');
    EXPECT_EQ(s.state(), LoggingState::Closed);
    EXPECT_FALSE(s.control->fileOpen());
    EXPECT_EQ(s.context.logging.lineCount, 0);
}

TEST(LoggingStates, ExitFromMonitoringAsksNothing) {
    Screen s;
    s.context.derived.workingGpsOffsetY = 9.0;
    s.config.gpsOffsetY = 1.5;
    s.control->keyDown('X');
    EXPECT_TRUE(s.messages.shown.empty());
    EXPECT_EQ(s.state(), LoggingState::Closed);
    EXPECT_EQ(s.context.screen.screenState.load(), 0);
    EXPECT_EQ(s.context.derived.workingGpsOffsetY, 1.5);
}

TEST(LoggingStates, ContinuingAnExistingFileIsRefusedForNow) {
    Screen s;
    s.picker.chosen = s.data.path() / "old.RX2";
    test::writeFile(*s.picker.chosen, "VLXLX2  W108GPS...");
    s.control->file();
    EXPECT_EQ(s.state(), LoggingState::Monitoring);
    EXPECT_FALSE(s.control->fileOpen());
    ASSERT_EQ(s.messages.shown.size(), 1u);
    EXPECT_EQ(s.messages.shown[0].text, std::string(CONTINUE_REFUSED_TEXT));
    EXPECT_EQ(test::readFile(*s.picker.chosen), "VLXLX2  W108GPS...");
}

TEST(LoggingStates, MapFullRefusesGoAndPauseWarnsOnce) {
    Screen s;
    s.toStandBy();
    s.control->setMapFullState(2);
    s.control->go();
    EXPECT_EQ(s.state(), LoggingState::StandBy);
    ASSERT_EQ(s.messages.shown.size(), 1u);
    EXPECT_EQ(s.messages.shown[0].title, "WARNING");
    EXPECT_EQ(s.messages.shown[0].text, "Cannot start logging.\r\nPlease increase the map size\r\nby 20-25%.");
    EXPECT_EQ(s.sounds.taken(), std::vector<std::string>{"SOUND_RING"});

    s.control->setMapFullState(0);
    s.control->go();
    s.control->setMapFullState(1);  // the map filled up while logging
    s.control->pause();
    EXPECT_EQ(s.control->mapFullState(), 2);
    EXPECT_EQ(s.messages.shown.back().text, "Please select Map Size option\r\nand increase the map size\r\nby 20-25%.");
    EXPECT_EQ(s.sounds.taken().back(), "SOUND_RING_2S");
    EXPECT_EQ(s.events(), (std::vector<std::string>{"X$STARTED", "XPAUSED BMP"}));
}

TEST(LoggingStates, WheelModeSwitchesTheInstrumentAroundLogging) {
    SurveyConfig wheel;
    wheel.surveyMode = SURVEY_WHEEL;
    Screen s(kLx2, wheel);
    s.toStandBy();
    s.control->go();
    EXPECT_EQ(s.host.timerPeriod, 0u);
    EXPECT_EQ(s.context.derived.activeSurveyMode, SURVEY_WHEEL);
    s.control->pause();
    EXPECT_EQ(s.host.timerPeriod, 100u);
    EXPECT_EQ(s.acquisition.calls.back(), "wheelOff");
}

TEST(LoggingKeys, PauseKeyChoices) {
    // pauseKey, key, pauses
    const std::tuple<int, int, bool> cases[] = {
        {0, 'Z', true},       {0, KEY_SPACE, true}, {0, KEY_ENTER, true}, {1, KEY_ENTER, true}, {1, 'P', false},
        {1, KEY_SPACE, false}, {2, KEY_SPACE, true}, {2, KEY_ENTER, false}, {3, 'P', true},      {3, 'Q', false},
    };
    for (const auto& [pauseKey, key, pauses] : cases) {
        SurveyConfig c;
        c.pauseKey = pauseKey;
        Screen s(kLx2, c);
        s.toStandBy();
        s.control->go();
        s.control->keyDown(key);
        EXPECT_EQ(s.state(), pauses ? LoggingState::StandBy : LoggingState::Logging)
            << "pauseKey " << pauseKey << " key " << key;
    }
}

TEST(LoggingKeys, SoftMarkerOnArrowsAndDigitsWithAnyKeyPausing) {
    // variant, pauseKey, softMarkerKey, key, marker set, pauses
    const Variant mk2{InstrumentType::Em61Mk2, ProductLine::Velox, {}};
    const std::tuple<Variant, int, int, int, bool, bool> cases[] = {
        {kLx2, 0, 1, KEY_LEFT, true, false}, {kLx2, 0, 1, '7', true, false},  {kLx2, 0, 1, KEY_DOWN, true, false},
        {kLx2, 0, 0, KEY_UP, false, false},  {kLx2, 1, 1, KEY_LEFT, false, false}, {kLx2, 0, 1, 'K', false, true},
        {mk2, 0, 1, KEY_LEFT, false, true},
    };
    for (const auto& [variant, pauseKey, softMarkerKey, key, marker, pauses] : cases) {
        SurveyConfig c;
        c.pauseKey = pauseKey;
        c.softMarkerKey = softMarkerKey;
        Screen s(variant, c);
        s.toStandBy();
        s.control->go();
        s.control->keyDown(key);
        const std::string label = instrumentName(variant.instrumentType) + " pauseKey " + std::to_string(pauseKey) +
                                  " marker " + std::to_string(softMarkerKey) + " key " + std::to_string(key);
        EXPECT_EQ(s.context.logging.softMarkerActive, marker) << label;
        EXPECT_EQ(s.state(), pauses ? LoggingState::StandBy : LoggingState::Logging) << label;
        s.control->keyUp(key);
        EXPECT_FALSE(s.context.logging.softMarkerActive) << label;
    }
}

TEST(LoggingKeys, TabMovesTheDefaultAndEnterPressesIt) {
    Screen s;
    s.toStandBy();
    s.control->keyDown(KEY_TAB);
    EXPECT_EQ(s.control->defaultButton(), 1);
    s.messages.answers["Quick Line"] = 0;
    s.control->keyDown(KEY_ENTER);  // "&QLine"
    ASSERT_EQ(s.messages.shown.size(), 1u);
    EXPECT_EQ(s.messages.shown[0].title, "Quick Line");
    for (int i = 0; i < 3; ++i) s.control->keyDown(KEY_TAB);
    EXPECT_EQ(s.control->defaultButton(), 0);
    s.control->keyDown(KEY_ENTER);  // "&Go"
    EXPECT_EQ(s.state(), LoggingState::Logging);
}

TEST(LoggingKeys, StandByLettersDoNothingInMonitoring) {
    Screen s;
    s.host.commentText = u"never";
    for (int key : {int('G'), int(KEY_F2), int('Q'), int('E'), int('N'), int('C')}) s.control->keyDown(key);
    EXPECT_EQ(s.state(), LoggingState::Monitoring);
    EXPECT_TRUE(s.messages.shown.empty());
    EXPECT_FALSE(s.host.lastProposal);
}

TEST(LoggingMenu, MenusOfTheEm61Lx2) {
    const PopupMenu monitoring = loggingPopupMenu(InstrumentType::Em61Lx2, false);
    const PopupMenu fileOpen = loggingPopupMenu(InstrumentType::Em61Lx2, true);
    EXPECT_EQ(monitoring.id, 491);
    EXPECT_EQ(fileOpen.id, 492);
    std::vector<int> ids;
    for (const PopupMenuItem& item : fileOpen.items) ids.push_back(item.command);
    EXPECT_EQ(ids, (std::vector<int>{501, 502, 503, 504, 505, 506, 507, 508, 509, 510, 511, 512, 513, 514, 515, 516,
                                     518, 519}));
    EXPECT_EQ(monitoring.items.front().command, MENU_NULLING);
    EXPECT_EQ(fileOpen.items[15].text, "Ca&librate Filter");
    EXPECT_EQ(loggingPopupMenu(InstrumentType::Em38Mk2, true).id, 498);
    EXPECT_EQ(loggingPopupMenu(InstrumentType::Em34_3, false).id, 495);
}

TEST(LoggingMenu, UnavailableCommandsAreRefused) {
    const std::string none;
    const std::string instrument(NEEDS_INSTRUMENT_TEXT);
    const std::string gps(NEEDS_GPS_TEXT);
    const std::string map(NEEDS_MAP_TEXT);
    // instrumentEnabled, gpsInput, map view hidden, command, refusal
    const std::tuple<int, int, bool, int, std::string> cases[] = {
        {0, 1, false, MENU_NEW_LINE, instrument},     {0, 1, false, MENU_NEW_STATION, instrument},
        {0, 1, false, MENU_NULLING, instrument},      {0, 1, false, MENU_PROFILE_OPTIONS, instrument},
        {1, 0, false, MENU_SCALE_SPEED_BAR, gps},     {1, 0, false, MENU_GPS_WARNING_MASK, gps},
        {1, 0, false, MENU_MAP_SIZE, gps},            {1, 0, false, MENU_MAP_DISPLAY_OPTIONS, gps},
        {1, 0, false, MENU_ENTER_BACKGROUND, map},    {1, 1, true, MENU_MAP_SIZE, map},
        {1, 1, true, MENU_ENTER_BACKGROUND, map},     {1, 1, false, MENU_MAP_SIZE, none},
        {0, 0, false, MENU_COMMENT, none},            {0, 0, false, MENU_AUDIO_OPTIONS, none},
    };
    for (const auto& [instrumentEnabled, gpsInput, mapHidden, command, refusal] : cases) {
        SurveyConfig c;
        c.instrumentEnabled = instrumentEnabled;
        c.gpsInput = gpsInput;
        Screen s(kLx2, c);
        s.toStandBy();
        if (mapHidden) s.control->menuCommand(MENU_TOGGLE_VIEW);
        s.host.commentText.reset();
        s.control->menuCommand(command);
        const std::string label = "command " + std::to_string(command) + " instrument " +
                                  std::to_string(instrumentEnabled) + " gps " + std::to_string(gpsInput);
        if (refusal.empty()) {
            EXPECT_TRUE(s.messages.shown.empty()) << label;
        } else {
            ASSERT_EQ(s.messages.shown.size(), 1u) << label;
            EXPECT_EQ(s.messages.shown[0].title, "INFORMATION") << label;
            EXPECT_EQ(s.messages.shown[0].text, refusal) << label;
        }
    }
}

TEST(LoggingMenu, MenuButtonRunsTheChosenCommand) {
    Screen s;
    s.toStandBy();
    s.host.menuChoice = MENU_COMMENT;
    s.host.commentText = u"buried pipe at the fence";
    s.control->buttonCommand(BTN_STATE_MENU);
    ASSERT_TRUE(s.host.lastMenu);
    EXPECT_EQ(s.host.lastMenu->id, 492);
    EXPECT_EQ(s.events(), std::vector<std::string>{"Cburied pipe"});

    // Toggle View needs the instrument and the GPS; it never refuses.
    EXPECT_TRUE(s.control->mapViewActive());
    s.control->menuCommand(MENU_TOGGLE_VIEW);
    EXPECT_FALSE(s.control->mapViewActive());
}

TEST(LoggingMenu, CoordinatesUnitsAreChosenAndSaved) {
    struct Case {
        int nmeaData;
        int storedBefore;
        std::optional<int> selection;  // nothing: Cancel
        int shownSelection;
        int storedAfter;
    };
    const Case cases[] = {
        {1, 0, 2, 0, 2},            // GGA: "UTM feet"
        {4, 0, 1, 0, 2},            // LLQ: no geodetic display, "feet"
        {7, 3, 0, 2, 1},            // pseudo-GGA: "meters"
        {1, 3, std::nullopt, 3, 3}, // Cancel changes nothing
    };
    for (const Case& c : cases) {
        SurveyConfig settings;
        settings.nmeaData = c.nmeaData;
        settings.coordinatesDisplay = c.storedBefore;
        Screen s(kLx2, settings);
        s.host.unitsSelection = c.selection;
        s.control->menuCommand(MENU_COORDINATES_UNITS);
        ASSERT_TRUE(s.host.lastUnitsChoice);
        EXPECT_EQ(s.host.lastUnitsChoice->selected, c.shownSelection) << c.nmeaData;
        EXPECT_EQ(s.config.coordinatesDisplay, c.storedAfter) << c.nmeaData;
        SurveyConfig reloaded;
        SurveyContext context;
        if (c.selection) {
            loadSettings(kLx2, reloaded, context);
            EXPECT_EQ(reloaded.coordinatesDisplay, c.storedAfter) << "saved";
        }
    }
}

TEST(LoggingDisplayCommands, ButtonsKeysAndMenusReachTheDisplay) {
    using Calls = std::vector<std::string>;
    struct Case {
        const char* what;
        bool fileOpen;
        std::function<void(LoggingControl&)> act;
        Calls expected;
    };
    const Case cases[] = {
        {"pan buttons with a file", true,
         [](LoggingControl& c) {
             for (int id = BTN_MAP_LEFT; id <= BTN_MAP_DOWN; ++id) c.buttonCommand(id);
         },
         {"panLeft", "panRight", "panUp", "panDown"}},
        {"pan keys with a file", true,
         [](LoggingControl& c) {
             for (int key : {int(KEY_LEFT), int('R'), int('P'), int(KEY_DOWN)}) c.keyDown(key);
         },
         {"panLeft", "panRight", "panUp", "panDown"}},
        {"no panning before a file is open", false,
         [](LoggingControl& c) {
             c.buttonCommand(BTN_MAP_LEFT);
             c.keyDown(KEY_LEFT);
         },
         {}},
        {"zoom, fit and review wait for review mode", true,
         [](LoggingControl& c) {
             for (int id = BTN_MAP_FIRST + 4; id < BTN_MAP_FIRST + kMapButtonCount; ++id) c.buttonCommand(id);
         },
         {}},
        {"display menus", true,
         [](LoggingControl& c) {
             for (int id : {MENU_SCALE_READINGS, MENU_SCALE_SPEED_BAR, MENU_MAP_SIZE, MENU_ALARM_SETTINGS,
                            MENU_AUDIO_OPTIONS, MENU_TOGGLE_VIEW})
                 c.menuCommand(id);
         },
         {"readingScale", "speedScale", "mapSize", "alarm", "audio", "toggled"}},
        {"go and pause", true,
         [](LoggingControl& c) {
             c.go();
             c.pause();
         },
         {"resumed", "suspended"}},
    };
    for (const Case& c : cases) {
        Screen s;
        test::RecordingDisplay display;
        s.control->setDisplay(&display);
        if (c.fileOpen) s.toStandBy();
        c.act(*s.control);
        EXPECT_EQ(display.calls, c.expected) << c.what;
    }
}

TEST(LoggingDisplayCommands, ArrowsPanWhileLoggingOnlyWhenTheyNeitherPauseNorMark) {
    SurveyConfig settings;
    settings.pauseKey = 1;  // Enter pauses
    Screen s(kLx2, settings);
    test::RecordingDisplay display;
    s.control->setDisplay(&display);
    s.toStandBy();
    s.control->go();
    s.control->keyDown(KEY_LEFT);
    EXPECT_EQ(s.state(), LoggingState::Logging);
    s.control->keyDown(KEY_ENTER);
    EXPECT_EQ(s.state(), LoggingState::StandBy);
    EXPECT_EQ(display.calls, (std::vector<std::string>{"resumed", "panLeft", "suspended"}));
}

TEST(LoggingDisplayCommands, ChannelSelectorsChooseTheColourMapAndSaveIt) {
    SurveyConfig settings;
    settings.colourMapView = 1;
    Screen s(kLx2, settings);
    test::RecordingDisplay display;
    s.control->setDisplay(&display);
    s.control->buttonCommand(BTN_CHANNEL_FIRST + 2);
    EXPECT_EQ(s.config.colourMapView, 3);
    s.control->buttonCommand(BTN_CHANNEL_FIRST + 2);  // already shown: nothing to redraw
    EXPECT_EQ(display.calls, std::vector<std::string>{"channel"});
    SurveyConfig reloaded;
    SurveyContext context;
    loadSettings(kLx2, reloaded, context);
    EXPECT_EQ(reloaded.colourMapView, 3);

    // With the colour view off there are no selectors to press.
    s.config.colourMapView = 0;
    s.control->buttonCommand(BTN_CHANNEL_FIRST);
    EXPECT_EQ(s.config.colourMapView, 0);
}

TEST(LoggingLines, QuickLineTable) {
    struct Case {
        std::u16string line;
        int sequence;
        int direction;
        double startStation;
        double lastStation;
        std::u16string newLine;
        int newDirection;
        double newStart;
        double incrementSign;
    };
    const Case cases[] = {
        {u"4", LINE_ALTERNATE, LINE_NORTH, 0.0, 37.5, u"5.00", LINE_SOUTH, 37.5, -1.0},
        {u"4", LINE_ALTERNATE, LINE_WEST, 0.0, 12.0, u"5.00", LINE_EAST, 12.0, -1.0},
        {u"7.5", LINE_ONE_WAY, LINE_EAST, 3.0, 40.0, u"8.50", LINE_EAST, 3.0, 1.0},
        {u"Line A", LINE_ONE_WAY, LINE_NORTH, 0.0, 9.0, u"1.00", LINE_NORTH, 0.0, 1.0},
    };
    for (const Case& c : cases) {
        SurveyConfig config;
        config.surveyLine = c.line;
        config.lineSequence = c.sequence;
        config.lineDirection = c.direction;
        config.startStation = c.startStation;
        Screen s(kLx2, config);
        s.toStandBy();
        s.context.derived.stationValue = c.lastStation;
        const double increment = s.context.derived.stationIncrement;
        s.control->quickLine();
        ASSERT_EQ(s.messages.shown.size(), 1u);
        EXPECT_EQ(s.messages.shown[0].text, "New Line: " + toUtf8(c.newLine));
        EXPECT_EQ(s.config.surveyLine, c.newLine);
        EXPECT_EQ(s.config.lineDirection, c.newDirection);
        EXPECT_EQ(s.config.startStation, c.newStart);
        EXPECT_EQ(s.context.derived.stationValue, c.newStart);
        EXPECT_EQ(s.context.derived.stationIncrement, c.incrementSign * increment);
        EXPECT_EQ(s.context.logging.lineCount, 1);

        // The new line start is in the file, and the settings keep it.
        const std::vector<DataRecord> records = s.records();
        std::vector<std::string> lines;
        for (const DataRecord& r : records)
            if (r.kind == RecordKind::Line) lines.push_back(trimmed(*r.text));
        EXPECT_EQ(lines.back(), toUtf8(c.newLine));
        EXPECT_EQ(records.back().kind, RecordKind::TimeMark);
        SurveyConfig reloaded;
        SurveyContext context;
        loadSettings(kLx2, reloaded, context);
        EXPECT_EQ(reloaded.surveyLine, c.newLine);
    }
}

TEST(LoggingLines, QuickLineAnsweredNoOrWithoutInstrumentChangesNothing) {
    Screen s;
    s.toStandBy();
    s.messages.answers["Quick Line"] = 0;
    s.control->quickLine();
    EXPECT_EQ(s.config.surveyLine, u"1");
    EXPECT_EQ(s.context.logging.lineCount, 0);

    SurveyConfig c;
    c.instrumentEnabled = 0;
    Screen gpsOnly(kLx2, c);
    gpsOnly.toStandBy();
    gpsOnly.control->quickLine();
    EXPECT_EQ(gpsOnly.messages.texts(), std::vector<std::string>{std::string(NEEDS_INSTRUMENT_TEXT)});
}

TEST(LoggingLines, NewLineDialogProposesAndStores) {
    SurveyConfig c;
    c.surveyLine = u"4";
    c.lineSequence = LINE_ALTERNATE;
    c.lineDirection = LINE_NORTH;
    Screen s(kLx2, c);
    s.toStandBy();
    s.context.derived.stationValue = 25.0;
    s.host.newLine = NewLineEntry{u"NORTH FIELD 12345", 2.0, LINE_ONE_WAY, LINE_EAST, 100.0, 0.5};
    s.control->keyDown('E');

    ASSERT_TRUE(s.host.lastProposal);
    const NewLineProposal& p = *s.host.lastProposal;
    EXPECT_EQ(p.currentLine, u"4");
    EXPECT_EQ(p.lastStation, 25.0);
    EXPECT_EQ(p.newLine, u"5.00");
    EXPECT_EQ(p.lineDirection, LINE_SOUTH);
    EXPECT_EQ(p.startStation, 25.0);
    EXPECT_EQ(p.stationIncrement, -s.config.stationIncrementAuto);

    EXPECT_EQ(s.config.surveyLine, u"NORTH FIELD ");  // 12 characters are kept
    EXPECT_EQ(s.config.lineIncrement, 2.0);
    EXPECT_EQ(s.config.lineSequence, LINE_ONE_WAY);
    EXPECT_EQ(s.config.lineDirection, LINE_EAST);
    EXPECT_EQ(s.config.startStation, 100.0);
    EXPECT_EQ(s.context.derived.stationValue, 100.0);
    EXPECT_EQ(s.context.derived.stationIncrement, 0.5);
    EXPECT_EQ(s.context.logging.lineCount, 1);
    const std::vector<DataRecord> records = s.records();
    std::optional<double> startStation;
    std::optional<char> direction;
    for (const DataRecord& r : records) {
        if (r.kind == RecordKind::StartStation) startStation = r.station;
        if (r.kind == RecordKind::Direction) direction = r.direction;
    }
    EXPECT_EQ(startStation, 100.0);
    EXPECT_EQ(direction, 'E');

    // Cancel changes nothing.
    s.host.newLine.reset();
    s.control->newLine();
    EXPECT_EQ(s.context.logging.lineCount, 1);
}

TEST(LoggingLines, NewStationAndCommentRecords) {
    Screen s;
    s.toStandBy();
    s.context.acquisition.readingCount = 17;
    s.context.acquisition.stationStarted = true;
    s.host.newStation = 42.25;
    s.control->keyDown('N');
    ASSERT_TRUE(s.host.lastStationView);
    EXPECT_EQ(s.host.lastStationView->currentLine, u"1");
    EXPECT_EQ(s.context.derived.stationValue, 42.25);
    EXPECT_EQ(s.context.acquisition.readingCount, 0);
    EXPECT_FALSE(s.context.acquisition.stationStarted);

    s.host.commentText = u"";
    s.control->keyDown('C');
    const std::vector<DataRecord> records = s.records();
    ASSERT_GE(records.size(), 3u);
    const DataRecord& station = records[records.size() - 3];
    EXPECT_EQ(station.kind, RecordKind::Station);
    EXPECT_EQ(station.station, 42.25);
    EXPECT_EQ(records[records.size() - 2].kind, RecordKind::TimeMark);
    EXPECT_EQ(records.back().kind, RecordKind::Comment);
    EXPECT_EQ(records.back().bytes.substr(1, 11), std::string(11, ' '));
}

class Lx2Watchdog : public ::testing::Test {
protected:
    void SetUp() override {
        s.toStandBy();
        s.context.acquisition.lastDataTick = s.clock.tick;
    }
    void silence(uint32_t ms) { s.clock.tick += ms; }
    Screen s;
};

TEST_F(Lx2Watchdog, SilencePastTheTimeoutBreaksTheLinkOnce) {
    silence(200);
    s.control->onTimer();
    EXPECT_FALSE(s.context.logging.instrumentLinkBroken);
    silence(1);
    s.control->onTimer();
    EXPECT_TRUE(s.context.logging.instrumentLinkBroken);
    EXPECT_TRUE(s.context.logging.lostShown);
    const int refreshes = s.host.refreshes;
    s.control->onTimer();
    EXPECT_EQ(s.host.refreshes, refreshes);  // the notice is drawn once
    EXPECT_EQ(s.sounds.taken(), (std::vector<std::string>{"SOUND_RING", "SOUND_RING"}));
    EXPECT_TRUE(s.events().empty());  // Stand By writes no break events
}

TEST_F(Lx2Watchdog, WhileLoggingEachTickOfABrokenLinkIsRecorded) {
    s.control->go();
    silence(300);
    s.control->onTimer();  // finds the link broken
    s.control->onTimer();
    s.control->onTimer();
    EXPECT_EQ(s.events(), (std::vector<std::string>{"X$STARTED", "X1CONN BRK 1", "X1CONN BRK 1"}));
    EXPECT_EQ(s.state(), LoggingState::Logging);
}

TEST_F(Lx2Watchdog, QuietWithoutAlarmOutsideAutoAndDuringCalibration) {
    s.config.audioDisconnectAlarm = 0;
    silence(1000);
    s.control->onTimer();
    EXPECT_TRUE(s.sounds.taken().empty());
    EXPECT_TRUE(s.context.logging.instrumentLinkBroken);

    for (int mode : {SURVEY_WHEEL, SURVEY_MANUAL}) {
        s.context.logging.instrumentLinkBroken = false;
        s.context.derived.activeSurveyMode = mode;
        s.control->onTimer();
        EXPECT_FALSE(s.context.logging.instrumentLinkBroken) << mode;
    }
    s.context.derived.activeSurveyMode = SURVEY_AUTO;
    s.control->setFilterCalibrationRunning(true);
    s.control->onTimer();
    EXPECT_FALSE(s.context.logging.instrumentLinkBroken);
}

}  // namespace
}  // namespace velox
