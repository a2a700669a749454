#pragma once
// The EM61-LX2 instrument: waits for "H" then "X", answers "OK" (or "OV", or
// nothing) and streams one frame every 55.078 ms from then on, measuring the
// walked path through the signal model. "H" alone stops the stream until the
// next "X"; after being switched off it waits for the handshake again.

#include <random>
#include <string>
#include <vector>

#include "tools/sim/device_module.h"
#include "tools/sim/em61_encoder.h"
#include "tools/sim/signal_model.h"
#include "tools/sim/walk_model.h"

namespace velox::sim {

inline constexpr double EM61_FRAME_PERIOD_S = 0.055078211059704785;
// Battery byte counts per volt.
inline constexpr double EM61_BATTERY_COUNTS_PER_VOLT = 6.66757;
// Transmitter current in counts at which the instrument's reported gates
// equal the nominal response (low and high power).
inline constexpr double EM61_NOMINAL_CURRENT_LOW = 1585.6;
inline constexpr double EM61_NOMINAL_CURRENT_HIGH = 3171.2;
inline constexpr int EM61_HIGH_POWER_ABOVE = 2212;

enum class HandshakeAnswer { OK, OV, NONE };

struct TimeWindow {
    SimTime start{0};
    SimTime end{0};
    bool contains(SimTime t) const { return t >= start && t < end; }
};

struct Em61Settings {
    int sensorCount = 2;
    HandshakeAnswer answer = HandshakeAnswer::OK;
    char mode = 'T';
    int currentCounts = 1536;
    double batteryVolts = 12.5;
    double batteryDrainPerHour = 0.2;
    std::vector<TimeWindow> markerPressed;
};

class Em61Lx2Module final : public DeviceModule {
public:
    Em61Lx2Module(const Em61Settings& settings, const WalkModel& walk, SignalModel& signal, uint64_t seed);

    std::string_view name() const override { return "em61-lx2"; }
    void receive(std::string_view bytes, SimTime now) override;
    void emitDue(SimTime now, std::string& out) override;
    SimTime nextDue() const override;
    void setPowered(bool on, SimTime now) override;

    // The marker button, held until `until` (the key on the stand-in's terminal).
    void pressMarker(SimTime until) { heldUntil_ = until; }
    bool streaming() const { return streaming_; }
    int64_t framesSent() const { return framesSent_; }

    // What the frame due at `t` contains; without noise (and current jitter)
    // it is the model's exact value, which the tests compare with decoded frames.
    Em61FrameContent contentAt(SimTime t, bool withNoise);

private:
    char letterAt(SimTime t) const;
    int batteryCountsAt(SimTime t) const;

    Em61Settings settings_;
    const WalkModel& walk_;
    SignalModel& signal_;
    std::mt19937_64 currentJitter_;
    bool powered_ = true;
    bool commandH_ = false;
    bool streaming_ = false;
    std::string pendingAnswer_;
    SimTime answerDue_ = NEVER;
    SimTime streamStart_{0};
    int64_t nextFrame_ = 0;
    int64_t framesSent_ = 0;
    SimTime heldUntil_{0};
};

}  // namespace velox::sim
