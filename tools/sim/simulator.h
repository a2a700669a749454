#pragma once
// The stand-in's main loop: owns the device modules and their pseudo-
// terminals, passes commands in and output out at absolute deadlines of a
// steady clock, and applies the fault schedule.

#include <atomic>
#include <chrono>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "tools/sim/device_module.h"
#include "tools/sim/em61_lx2_module.h"
#include "tools/sim/gps_module.h"
#include "tools/sim/pty_port.h"
#include "tools/sim/signal_model.h"
#include "tools/sim/sim_options.h"
#include "tools/sim/walk_model.h"

namespace velox::sim {

class Simulator {
public:
    explicit Simulator(const SimOptions& options);
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // Creates and registers the ports; false with `error` when one cannot be made.
    bool start(std::string& error);
    // Runs until stopped or until the configured duration has passed; the
    // port map entries are removed when it returns.
    void run();
    // Safe from a signal handler and from another thread.
    void requestStop();

    // Reads keys from the terminal: "m" holds the instrument's marker briefly.
    void watchKeyboard(int fd) { keyboardFd_ = fd; }

    Em61Lx2Module* instrument() { return instrument_; }
    GpsModule* gps() { return gps_; }
    SimTime simNow() const;

private:
    struct Slot {
        DeviceModule* module = nullptr;
        std::unique_ptr<PtyPort> port;
        FaultKind offFault, noiseFault, unplugFault;
        bool off = false;
        bool unplugged = false;
        SimTime nextNoise = NEVER;
    };

    void applyFaults(SimTime now);
    void exchange(Slot& slot, SimTime now);
    void readKeyboard(SimTime now);
    SimTime nextWake(SimTime now) const;
    void waitUntil(SimTime wake);
    void note(const std::string& text) const;

    SimOptions options_;
    WalkModel walk_;
    SignalModel signal_;
    std::vector<std::unique_ptr<DeviceModule>> modules_;
    std::vector<Slot> slots_;
    Em61Lx2Module* instrument_ = nullptr;
    GpsModule* gps_ = nullptr;
    std::mt19937_64 noiseRng_;
    std::chrono::steady_clock::time_point realStart_;
    int wakePipe_[2] = {-1, -1};
    int keyboardFd_ = -1;
    std::atomic<bool> stop_{false};
};

}  // namespace velox::sim
