#pragma once
// The run-time record shared by the screens, dialogs, handlers and reader
// threads. Fields are grouped by the subsystem that owns (writes) them.
// Fields that a reader thread and the user-interface thread both touch are
// atomics.

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

#include "acquisition/gps_state.h"
#include "config/variant.h"
#include "platform/clock.h"
#include "serial/port_slot.h"

namespace velox {

// States of the logging screen.
enum class LoggingState : int { Closed = -2, StandBy = -1, Monitoring = 0, Logging = 1 };

struct SurveyContext {
    // Fixed when the program starts.
    Variant variant{};
    int portraitScreen = 0;

    // Values derived from the settings whenever they are loaded or edited.
    struct Derived {
        uint32_t readingPeriodMs = 200;
        uint32_t recordsPerReading = 4;
        double stationIncrement = 1.0;
        double stationValue = 0.0;
        int workingSurveyMode = 0;
        int activeSurveyMode = 0;
        double workingGpsOffsetY = 0.0;
        int cursorWidth = 13;
        int cursorHeight = 6;
        int cursorBandPixels = 0;
        int mapPaneWidth = 0;  // set by the logging-screen layout
        double filterCoefficientLeft = 0.0;
        double filterCoefficientRight = 0.0;
        double previousFilterFactorLeft = 0.0;
        double previousFilterFactorRight = 0.0;
        double swathToLeftEdge = 0.0;  // metres
        double swathToRightEdge = 0.0;
        double swathToLeftEdgeMap = 0.0;  // map units
        double swathToRightEdgeMap = 0.0;
        int nccModel = 0;           // EM61-MK2 N.C.C. models
        int workingDipoleMode = 0;  // EM34-3 coil configuration in force
    } derived;

    // The start window and its screens.
    struct Screen {
        int windowWidth = 0;
        int windowHeight = 0;
        int clientWidth = 0;
        int clientHeight = 0;
        int largeScreen = 0;
        int textHeight = 0;
        int lineHeight = 0;
        int layoutColumnWidth = 140;
        int buttonX = 0;
        int buttonY = 0;
        int buttonWidth = 0;
        int buttonHeight = 0;
        int selectedButton = 0;
        int uptimeWarning = 0;
        std::atomic<int> screenState{0};  // 0 start screen, 1 logging screen, 2 GPS monitor
    } screen;

    // Serial ports and their reader threads.
    struct Ports {
        // The open ports (empty when closed). A reader takes its own copy;
        // closing the port is what stops it.
        PortSlot instrumentPort;
        PortSlot gpsPort;
        std::atomic<int> instrumentPortState{0};  // 0 closed, 1 open, 2 reader running
        std::atomic<int> gpsPortState{0};
        std::atomic<int> handshakeMode{-1};  // -1 none yet, 1 "OK", 0 "OV"
        int gpsEnabled = 0;
    } ports;

    // Instrument acquisition shared with the reader thread.
    struct Acquisition {
        std::atomic<Tick> lastDataTick{0};
        std::atomic<Tick> lastRecordTick{0};
        // The instrument answers (set by the instrument side; stays 1 without an
        // instrument reader). GPS lines are written while logging only when it is 1.
        std::atomic<bool> instrumentLinkUp{true};
        // Station and reading counters of the reading handlers (user-interface thread).
        bool stationStarted = false;
        int readingCount = 0;
    } acquisition;

    // EM61 acquisition: the frame handed from the reader to the reading
    // handler and the decimation. The handler keeps its phase, current ring
    // and alarm state itself.
    struct Em61 {
        // Written by the reader, read by the handler while the reader waits in its hand-over.
        std::array<uint8_t, 128> frameBuffer{};
        std::atomic<int> dispatchEvery{1};
        std::atomic<bool> frameCounterReset{false};  // asks the reader to restart its count of frames
        // Set by the reader when its frame ended the lost-connection notice; taken by the handler.
        std::atomic<bool> lostNoticeCleared{false};
        bool instrumentReady = false;  // normalisation has finished
    } em61;

    // GPS reader thread and fix handler.
    GpsReaderState gpsReader;
    GpsFixState gpsFix;

    // The logging screen's control state, read by the reader threads.
    struct Logging {
        std::atomic<LoggingState> loggingState{LoggingState::Closed};
        std::atomic<bool> instrumentLinkBroken{false};  // set by the watchdog, cleared by the instrument reader
        bool softMarkerActive = false;                   // an arrow or digit key is held
        std::atomic<bool> lostShown{false};              // the lost-connection notice is on screen
        uint32_t loggingTimeMs = 0;                      // logging time before the last resume
        Tick loggingResumeTick = 0;
        uint32_t lastLoggingTotalMs = 0;                 // the total the reading handlers showed last
        int lineCount = 0;
    } logging;

    // Text of the message dialog: at most 255 characters, lines joined by CR LF.
    struct Message {
        std::u16string title;
        std::u16string text;
    } message;
};

}  // namespace velox
