#include "acquisition/em61_reader.h"

#include <algorithm>

#include "acquisition/worker_messages.h"
#include "platform/clock.h"
#include "platform/handover.h"
#include "platform/operator_messages.h"
#include "platform/sound_player.h"
#include "serial/handshake.h"
#include "serial/ports.h"
#include "serial/serial_port.h"

namespace velox {

namespace {

// How often a port that failed (the instrument unplugged) is tried again.
constexpr std::chrono::milliseconds PORT_RETRY_INTERVAL{1000};
constexpr int PORT_STATE_READER_RUNNING = 2;
constexpr int PORT_STATE_OPEN = 1;

// The reader thread shows nothing: a port that cannot be reopened is tried
// again later, and the operator already sees the lost-connection notice.
class NoMessages final : public OperatorMessages {
public:
    int show(const std::string&, const std::string&, MessageButtons) override { return 0; }
};

}  // namespace

// ---- Em61Reader

Em61Reader::Em61Reader(const SurveyConfig& config, SurveyContext& context, HandOverChannel& channel,
                       SoundPlayer& sounds)
    : config_(config), context_(context), channel_(channel), sounds_(sounds) {}

Em61Reader::~Em61Reader() {
    stop();
    join();
}

bool Em61Reader::start() {
    if (thread_.joinable()) return false;
    port_ = context_.ports.instrumentPort.load();
    if (!port_) return false;

    audioTicks_ = config_.audioTicks != 0;
    message_ = config_.sensorCountIndex == 0 ? WM_LX2_READING_1 : WM_LX2_READING_2;
    autoMode_ = context_.derived.workingSurveyMode == SURVEY_AUTO;
    framer_.reset();
    counter_ = {};
    stopRequested_ = false;
    finished_ = false;
    stopEvent_.reset();
    channel_.reopen();
    thread_ = std::thread([this] { runEm61Reader(); });
    return true;
}

void Em61Reader::stop() {
    if (!thread_.joinable()) return;
    stopRequested_ = true;
    stopEvent_.set();
    gate_.wake();
    // Closing wakes a read or a handshake at once; releasing the channel
    // returns a hand-over that waits for this (the user-interface) thread.
    closeInstrumentPort(context_);
    channel_.release();
}

void Em61Reader::join() {
    if (thread_.joinable()) thread_.join();
}

bool Em61Reader::pause(std::chrono::milliseconds span) { return !stopEvent_.wait(span); }

void Em61Reader::runEm61Reader() {
    context_.ports.instrumentPortState = PORT_STATE_READER_RUNNING;
    while (gate_.pass([this] { return stopRequested_.load(); })) {
        if (context_.logging.instrumentLinkBroken) {
            if (!relink()) break;
            continue;
        }
        const ReadResult read = port_->readByte();
        if (read.status == ReadStatus::Byte) {
            const Em61Framer::Outcome outcome = framer_.push(read.byte);
            if (outcome == Em61Framer::Outcome::Frame) onFrame(framer_.frame());
            // Two end bytes arrived: the instrument is talking.
            else if (outcome == Em61Framer::Outcome::RejectedLetter) context_.logging.instrumentLinkBroken = false;
        } else if (read.status == ReadStatus::Closed) {
            break;
        } else if (read.status == ReadStatus::Failed && !reopenPort()) {
            break;
        }
    }
    port_.reset();
    // Back to "open" unless the port was closed meanwhile.
    int running = PORT_STATE_READER_RUNNING;
    context_.ports.instrumentPortState.compare_exchange_strong(running, PORT_STATE_OPEN);
    finished_ = true;
}

void Em61Reader::onFrame(const Em61Frame& frame) {
    auto& em61 = context_.em61;
    std::copy(frame.bytes.begin(), frame.bytes.end(), em61.frameBuffer.begin());
    em61.frameBuffer[frame.bytes.size()] = 0;

    if (em61.frameCounterReset.exchange(false)) counter_.frameCounter = 0;
    const bool ticksWanted = audioTicks_ && autoMode_ && context_.logging.loggingState == LoggingState::Logging;
    const Em61FrameActions actions = counter_.onFrame(em61.dispatchEvery, ticksWanted);
    if (actions.playTick) sounds_.playSound(SOUND_RESULT, false);
    if (actions.dispatch) dispatch();

    context_.logging.instrumentLinkBroken = false;
    context_.acquisition.lastDataTick = tickNow();
}

void Em61Reader::dispatch() {
    context_.acquisition.lastRecordTick = tickNow();
    // The first frame after a lost connection takes the notice away.
    if (context_.logging.lostShown.exchange(false)) context_.em61.lostNoticeCleared = true;
    channel_.send(message_);
}

// The watchdog found the instrument silent: send "H","X" again and, once it
// answers, give it a second to resume its stream.
bool Em61Reader::relink() {
    NoMessages noMessages;
    const bool answered = instrumentHandshake('H', 'X', 0, config_, context_, noMessages);
    if (!pause(EM61_RELINK_PAUSE)) return false;
    if (answered) {
        framer_.reset();
        context_.logging.instrumentLinkBroken = false;
    }
    return true;
}

// The port failed under the reader (a USB adapter pulled out): keep trying
// to open it again. A reopened instrument needs the handshake before it
// streams, so the link counts as broken until it has answered.
bool Em61Reader::reopenPort() {
    port_.reset();
    closeInstrumentPort(context_);
    NoMessages noMessages;
    while (pause(PORT_RETRY_INTERVAL) && gate_.pass([this] { return stopRequested_.load(); })) {
        if (!openInstrumentPort(config_, context_, noMessages, false)) continue;
        // stop() may have closed the slot just before this port went in.
        if (stopRequested_) {
            closeInstrumentPort(context_);
            return false;
        }
        port_ = context_.ports.instrumentPort.load();
        if (!port_) return false;
        context_.ports.instrumentPortState = PORT_STATE_READER_RUNNING;
        framer_.reset();
        context_.logging.instrumentLinkBroken = true;
        return true;
    }
    return false;
}

}  // namespace velox
