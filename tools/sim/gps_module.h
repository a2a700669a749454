#pragma once
// The GPS receiver (or total station): one epoch of sentences at 1, 5, 10 or
// 20 Hz, positions of the antenna on the walk, UTC advancing with simulated
// time. Line faults (wrong checksums, missing "$", over-long lines) are
// switched on and off by the simulator.

#include <string>

#include "tools/sim/device_module.h"
#include "tools/sim/nmea_encoder.h"
#include "tools/sim/walk_model.h"

namespace velox::sim {

// Local grid coordinates (LLK, LLQ, pseudo-GGA) are site metres from a false
// origin, as a total station set up over the site would report them.
inline constexpr double GRID_FALSE_EASTING = 1000.0;
inline constexpr double GRID_FALSE_NORTHING = 5000.0;

struct GpsSettings {
    GpsOutputSettings output;
    int rateHz = 1;
    int quality = 2;
    int satellites = 9;
    double dilution = 1.2;
    double utcStart = 12 * 3600.0;  // seconds since midnight at simulated time 0
    int day = 1, month = 6, year = 2026;
};

struct LineFaults {
    bool badChecksum = false;
    bool noDollar = false;
    bool overlong = false;
};

class GpsModule final : public DeviceModule {
public:
    GpsModule(const GpsSettings& settings, const WalkModel& walk);

    std::string_view name() const override { return "gps"; }
    // Commands typed in the program's GPS monitor are accepted and ignored.
    void receive(std::string_view, SimTime) override {}
    void emitDue(SimTime now, std::string& out) override;
    SimTime nextDue() const override;
    void setPowered(bool on, SimTime now) override;

    void setLineFaults(const LineFaults& faults) { faults_ = faults; }
    // The epoch the receiver reports at `t`.
    GpsEpoch epochAt(SimTime t) const;
    int64_t epochsSent() const { return epochsSent_; }

private:
    double period() const { return 1.0 / settings_.rateHz; }
    std::string damaged(std::string line) const;

    GpsSettings settings_;
    const WalkModel& walk_;
    LineFaults faults_;
    bool powered_ = true;
    int64_t nextEpoch_ = 0;
    int64_t epochsSent_ = 0;
};

// Accepted epoch rates.
bool validGpsRate(int hz);

}  // namespace velox::sim
