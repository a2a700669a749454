#pragma once
// The GPS reader thread: reads the GPS port byte by byte, assembles lines,
// writes every line to the data file while logging, and hands position and
// status sentences to the fix and status handlers on the user-interface
// thread through the hand-over channel, waiting until they have read
// `currentSentence`. A port that stays silent is closed and opened again.
//
// Stopping never waits on the user-interface thread: stop() clears
// `gpsReaderRun`, closes the port and releases the channel, so a reader
// blocked in its hand-over returns at once and the thread can be joined.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>

#include "acquisition/nmea_assembler.h"
#include "acquisition/nmea_format.h"
#include "config/survey_config.h"
#include "config/survey_context.h"
#include "platform/reader_gate.h"

namespace velox {

class DataFile;
class HandOverChannel;
class OperatorMessages;
class SerialPort;
class SoundPlayer;

// Position sentences closer together than this are written but not passed
// on (Auto and Wheel mode), which bounds the drawing work per second.
inline constexpr uint32_t MIN_FIX_SPACING_MS = 910;
// Silence on the GPS port after which the link is taken as broken.
inline constexpr uint32_t GPS_SILENCE_MS = 3000;
inline constexpr std::u16string_view GPS_LINK_BREAK_EVENT = u"GPS CONN BRK";

// What the reader does with one complete line: the records it writes, the
// counters, the throttle, the held sentences of Manual mode and the
// messages it sends. Runs on the reader thread.
class GpsLineHandler {
public:
    GpsLineHandler(const GpsSentenceFormat& format, int surveyMode, SurveyContext& context, DataFile& dataFile,
                   HandOverChannel& channel);
    void handle(const AssembledLine& line);

private:
    void handleRaw(const AssembledLine& line);
    void handleAutoOrWheel(GpsLineKind kind, const AssembledLine& line);
    void handlePosition(const AssembledLine& line);
    void handleManual(GpsLineKind kind, const AssembledLine& line);
    void writeHeldAfterManualReading();
    // `LoggingState` is Logging and the instrument answers.
    bool writing() const;
    bool logging() const;
    void write(const AssembledLine& line, char first, char continuation, char status);

    const GpsSentenceFormat& format_;
    bool manual_;
    SurveyContext& context_;
    GpsReaderState& state_;
    DataFile& dataFile_;
    HandOverChannel& channel_;
};

// The manual-reading handler's side of the Manual-mode exchange (user-
// interface thread): locks the held sentences, writes each ready one with
// status "p" (counting the position as a logged fix), clears them, unlocks
// and tells the reader that a reading was taken, so that it writes the first
// sentences received after it.
void writeHeldGpsSentences(GpsReaderState& state, DataFile& dataFile);

// Read-out fields a connection break paints red, by `coordinatesDisplay`.
uint32_t linkBreakRedFields(int coordinatesDisplay);

class GpsReader {
public:
    // The settings are copied (they do not change while logging); the
    // format is the one configureGpsFormat selected; the survey mode is
    // `workingSurveyMode` as the start of logging left it. `messages` is
    // called on the reader thread when the port cannot be opened again.
    GpsReader(const SurveyConfig& config, SurveyContext& context, const GpsSentenceFormat& format,
              HandOverChannel& channel, DataFile& dataFile, SoundPlayer& sounds, OperatorMessages& messages);
    // Stops and joins. Never destroy the reader from inside a GPS handler:
    // the reader is waiting for that handler to return.
    ~GpsReader();
    GpsReader(const GpsReader&) = delete;
    GpsReader& operator=(const GpsReader&) = delete;

    // Creates `runGpsReader` on its own thread, suspended until resume();
    // sets `gpsReaderRun` and reopens the channel. False when a reader
    // thread already exists.
    bool start();
    void resume();
    // The reader parks at the top of its next loop pass; returns at once.
    void suspend();
    // Clears `gpsReaderRun`, closes the GPS port, releases the channel and
    // wakes a suspended reader; returns at once. The thread then ends by itself.
    void stop();
    // Waits for the thread to end; call after stop().
    void join();
    bool running() const { return thread_.joinable() && !finished_; }

private:
    void runGpsReader();
    // Blocks while suspended; false when the reader is to end.
    bool passGate();
    void checkSilence();
    void readAvailableBytes();
    void recoverGpsLink();

    SurveyConfig config_;
    SurveyContext& context_;
    GpsReaderState& state_;
    HandOverChannel& channel_;
    DataFile& dataFile_;
    SoundPlayer& sounds_;
    OperatorMessages& messages_;
    GpsLineHandler lines_;

    std::thread thread_;
    std::atomic<bool> finished_{false};
    ReaderGate gate_;

    // The reader thread's own.
    std::shared_ptr<SerialPort> port_;
    NmeaLineAssembler assembler_;
};

}  // namespace velox
