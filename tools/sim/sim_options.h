#pragma once
// The stand-in's command line.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tools/sim/em61_lx2_module.h"
#include "tools/sim/fault_schedule.h"
#include "tools/sim/gps_module.h"
#include "tools/sim/signal_model.h"
#include "tools/sim/walk_model.h"

namespace velox::sim {

struct SimOptions {
    std::filesystem::path programData;  // empty: the program's own rule
    uint64_t seed = 1;
    double speed = 1.0;                  // simulated seconds per real second
    double duration = 0.0;               // simulated seconds; 0 runs until stopped
    bool instrument = true;
    int instrumentCom = 4;
    Em61Settings em;
    bool gps = true;
    int gpsCom = 6;
    GpsSettings gpsSettings;
    WalkSettings walk;
    SignalSettings signal;
    FaultSchedule faults;
    bool help = false;
    bool quiet = false;
};

std::optional<SimOptions> parseOptions(const std::vector<std::string>& args, std::string& error);
std::string helpText();

}  // namespace velox::sim
