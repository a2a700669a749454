#include "serial/handshake.h"

#include "platform/clock.h"
#include "serial/ports.h"

namespace velox {

namespace {

constexpr int kAttempts = 3;
constexpr uint32_t kReopenSettleMs = 70;
constexpr uint32_t kBetweenBytesMs = 40;
constexpr uint32_t kAnswerWindowMs = 1000;

enum class Attempt { Answered, NoAnswer, PortGone };

// Reads the answer to one command pair: an "O" followed, possibly after
// other bytes, by "K" or "V". A "K" or "V" without an "O" before it starts
// the search over.
Attempt awaitAnswer(SerialPort& port, int& mode) {
    const Tick sent = tickNow();
    bool seenO = false;
    while (ticksSince(sent) < kAnswerWindowMs) {
        const ReadResult r = port.readByte();
        if (r.status == ReadStatus::Closed || r.status == ReadStatus::Failed) return Attempt::PortGone;
        if (r.status != ReadStatus::Byte) continue;
        if (r.byte == 'O') {
            seenO = true;
        } else if (r.byte == 'K' || r.byte == 'V') {
            if (seenO) {
                mode = r.byte == 'K' ? 1 : 0;
                return Attempt::Answered;
            }
            seenO = false;
        }
    }
    return Attempt::NoAnswer;
}

bool reopenInstrumentPort(const SurveyConfig& config, SurveyContext& context, OperatorMessages& messages) {
    const int stateBefore = context.ports.instrumentPortState;
    closeInstrumentPort(context);
    busyWait(kReopenSettleMs);
    const bool opened = openInstrumentPort(config, context, messages, true);
    // A reader that reconnects through here is still running.
    if (opened && stateBefore == 2) context.ports.instrumentPortState = 2;
    busyWait(kReopenSettleMs);
    return opened;
}

}  // namespace

bool instrumentHandshake(uint8_t first, uint8_t second, int reopen, const SurveyConfig& config,
                         SurveyContext& context, OperatorMessages& messages) {
    if (reopen > 0 && !reopenInstrumentPort(config, context, messages)) return false;
    const auto port = context.ports.instrumentPort.load();
    if (!port) return false;

    port->purge(PurgeQueue::Transmit);
    port->purge(PurgeQueue::Receive);
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        port->writeByte(first);
        busyWait(kBetweenBytesMs);
        port->writeByte(second);
        int mode = 0;
        switch (awaitAnswer(*port, mode)) {
            case Attempt::Answered: context.ports.handshakeMode = mode; return true;
            case Attempt::PortGone: return false;
            case Attempt::NoAnswer: break;
        }
    }
    return false;
}

}  // namespace velox
