#include "tools/sim/em61_lx2_module.h"

#include <algorithm>
#include <cmath>

namespace velox::sim {

namespace {
// A process held up for longer than this skips the frames it missed rather
// than sending them in a burst no instrument would produce.
constexpr SimTime MAX_CATCH_UP = std::chrono::seconds(1);
}  // namespace

Em61Lx2Module::Em61Lx2Module(const Em61Settings& settings, const WalkModel& walk, SignalModel& signal, uint64_t seed)
    : settings_(settings), walk_(walk), signal_(signal), currentJitter_(seed ^ 0x5eed'c0de'0000'0061ULL) {
    settings_.sensorCount = std::clamp(settings_.sensorCount, 1, 2);
}

void Em61Lx2Module::receive(std::string_view bytes, SimTime now) {
    if (!powered_) return;
    for (const char c : bytes) {
        if (c == 'H') {
            commandH_ = true;
            streaming_ = false;
            continue;
        }
        if (c == 'X' && commandH_) {
            pendingAnswer_ = settings_.answer == HandshakeAnswer::OK   ? "OK"
                             : settings_.answer == HandshakeAnswer::OV ? "OV"
                                                                       : "";
            answerDue_ = now;
            streaming_ = true;
            streamStart_ = now + fromSeconds(EM61_FRAME_PERIOD_S);
            nextFrame_ = 0;
        }
        commandH_ = false;
    }
}

SimTime Em61Lx2Module::nextDue() const {
    if (!powered_) return NEVER;
    SimTime due = answerDue_;
    if (streaming_) due = std::min(due, nthTick(streamStart_, nextFrame_, EM61_FRAME_PERIOD_S));
    return due;
}

void Em61Lx2Module::setPowered(bool on, SimTime now) {
    if (on == powered_) return;
    powered_ = on;
    commandH_ = false;
    streaming_ = false;
    pendingAnswer_.clear();
    answerDue_ = NEVER;
}

char Em61Lx2Module::letterAt(SimTime t) const {
    const bool pressed = t < heldUntil_ || std::any_of(settings_.markerPressed.begin(), settings_.markerPressed.end(),
                                                       [t](const TimeWindow& w) { return w.contains(t); });
    return pressed ? markerLetter(settings_.mode) : settings_.mode;
}

int Em61Lx2Module::batteryCountsAt(SimTime t) const {
    const double volts = settings_.batteryVolts - settings_.batteryDrainPerHour * toSeconds(t) / 3600.0;
    return static_cast<int>(std::lround(std::max(volts, 0.0) * EM61_BATTERY_COUNTS_PER_VOLT));
}

Em61FrameContent Em61Lx2Module::contentAt(SimTime t, bool withNoise) {
    Em61FrameContent content;
    content.letter = letterAt(t);
    content.batteryCounts = batteryCountsAt(t);
    const int jitter = withNoise ? static_cast<int>(currentJitter_() % 3) - 1 : 0;
    content.currentCounts = settings_.currentCounts + jitter;
    // The gates grow with the transmitter current; the program scales them
    // back to the nominal current.
    const double nominal =
        settings_.currentCounts > EM61_HIGH_POWER_ABOVE ? EM61_NOMINAL_CURRENT_HIGH : EM61_NOMINAL_CURRENT_LOW;
    const double scale = content.currentCounts / nominal;
    const double seconds = toSeconds(t);
    for (int coil = 0; coil < settings_.sensorCount; ++coil) {
        const SitePoint at = walk_.coilAt(seconds, coil, settings_.sensorCount);
        const GateValues g = withNoise ? signal_.measure(at) : signal_.response(at);
        content.millivolts[2 * coil] = g.early * scale;
        content.millivolts[2 * coil + 1] = g.late * scale;
    }
    return content;
}

void Em61Lx2Module::emitDue(SimTime now, std::string& out) {
    if (!powered_) return;
    if (answerDue_ <= now) {
        out += pendingAnswer_;
        pendingAnswer_.clear();
        answerDue_ = NEVER;
    }
    if (!streaming_) return;
    SimTime due = nthTick(streamStart_, nextFrame_, EM61_FRAME_PERIOD_S);
    if (now - due > MAX_CATCH_UP) {
        nextFrame_ += static_cast<int64_t>(toSeconds(now - due) / EM61_FRAME_PERIOD_S);
        due = nthTick(streamStart_, nextFrame_, EM61_FRAME_PERIOD_S);
    }
    while (due <= now) {
        out += wireBytes(encodeEm61Frame(contentAt(due, true)));
        ++framesSent_;
        due = nthTick(streamStart_, ++nextFrame_, EM61_FRAME_PERIOD_S);
    }
}

}  // namespace velox::sim
