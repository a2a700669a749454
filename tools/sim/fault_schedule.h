#pragma once
// Faults injected by simulated time, each written KIND@START[+DURATION]
// (seconds; the duration defaults to 5 s).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/sim/sim_time.h"

namespace velox::sim {

enum class FaultKind {
    INSTRUMENT_OFF,      // em-off: switched off, answers the handshake again afterwards
    INSTRUMENT_NOISE,    // em-noise: random bytes between frames
    INSTRUMENT_UNPLUG,   // em-unplug: pseudo-terminal closed, later a new one registered
    GPS_OFF,             // gps-off: no sentences
    GPS_BAD_CHECKSUM,    // gps-bad-checksum: every checksum wrong
    GPS_NO_DOLLAR,       // gps-no-dollar: lines without "$"
    GPS_OVERLONG,        // gps-long-line: an over-long line before each epoch
    GPS_NOISE,           // gps-noise: random bytes between sentences
    GPS_UNPLUG,          // gps-unplug
};

struct Fault {
    FaultKind kind;
    SimTime start{0};
    SimTime end{0};
};

std::string_view faultName(FaultKind kind);
// Parses one KIND@START[+DURATION]; fills `error` when it cannot.
std::optional<Fault> parseFault(std::string_view text, std::string& error);

class FaultSchedule {
public:
    void add(const Fault& fault) { faults_.push_back(fault); }
    bool active(FaultKind kind, SimTime t) const;
    // The first start or end of a fault after `t`; NEVER when none is left.
    SimTime nextChange(SimTime t) const;
    bool empty() const { return faults_.empty(); }

private:
    std::vector<Fault> faults_;
};

}  // namespace velox::sim
