#pragma once
// The EM61-LX2 reader thread: reads the instrument port byte by byte, frames
// the stream, keeps one frame in `dispatchEvery` and hands it to the reading
// handler on the user-interface thread through the hand-over channel,
// waiting until the handler has consumed `frameBuffer`. While the watchdog
// reports the link broken it repeats the "H","X" handshake until the
// instrument answers; a port that fails (the instrument unplugged) is opened
// again once a second.
//
// Stopping never waits on the user-interface thread: stop() closes the port
// and releases the channel, so a reader blocked in its hand-over, in a
// handshake or in a pause returns at once and the thread can be joined.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>

#include "platform/sound_player.h"
#include "acquisition/em61_frame.h"
#include "config/survey_config.h"
#include "config/survey_context.h"
#include "platform/event.h"
#include "platform/reader_gate.h"

namespace velox {

class HandOverChannel;
class SerialPort;
class SoundPlayer;

// The pause after a reconnection handshake before reading resumes.
inline constexpr std::chrono::milliseconds EM61_RELINK_PAUSE{1000};

class Em61Reader {
public:
    // The settings are read when the reader starts; the port is the one in
    // `context.ports.instrumentPort`.
    Em61Reader(const SurveyConfig& config, SurveyContext& context, HandOverChannel& channel, SoundPlayer& sounds);
    // Stops and joins. Never destroy the reader from inside its own reading
    // handler: the reader is waiting for that handler to return.
    ~Em61Reader();
    Em61Reader(const Em61Reader&) = delete;
    Em61Reader& operator=(const Em61Reader&) = delete;

    // Starts `runEm61Reader` on its own thread; reopens the channel. False
    // when no instrument port is open or a reader is already running.
    bool start();
    // Closes the instrument port, releases the channel and wakes the reader
    // wherever it waits; returns at once. The thread then ends by itself.
    void stop();
    // Waits for the thread to end; call after stop().
    void join();
    bool running() const { return thread_.joinable() && !finished_; }

    void suspend() { gate_.suspend(); }
    void resume() { gate_.resume(); }
    bool waitParked(std::chrono::milliseconds timeout) { return gate_.waitParked(timeout); }

    // The audio dialog may change the tick sound while the reader runs.
    void setAudioTicks(bool on) { audioTicks_ = on; }

private:
    void runEm61Reader();
    void onFrame(const Em61Frame& frame);
    void dispatch();
    bool relink();
    bool reopenPort();
    // Sleeps up to `span`; false when the reader is being stopped.
    bool pause(std::chrono::milliseconds span);

    const SurveyConfig& config_;
    SurveyContext& context_;
    HandOverChannel& channel_;
    SoundPlayer& sounds_;

    std::thread thread_;
    std::atomic<bool> stopRequested_{false};
    std::atomic<bool> finished_{false};
    Event stopEvent_;
    ReaderGate gate_;

    // Read when the reader starts (the settings do not change while logging,
    // except the tick sound).
    std::atomic<bool> audioTicks_{false};
    int message_ = 0;
    bool autoMode_ = true;

    // The reader thread's own.
    std::shared_ptr<SerialPort> port_;
    Em61Framer framer_;
    Em61FrameCounter counter_;
};

}  // namespace velox
