#pragma once
// One simulated device behind one serial port. The simulator feeds it the
// bytes the program wrote, asks it for the bytes due by a given time and
// tells it when it is switched off or on. Each instrument of the family is
// one more implementation of this interface.

#include <string>
#include <string_view>

#include "tools/sim/sim_time.h"

namespace velox::sim {

class DeviceModule {
public:
    virtual ~DeviceModule() = default;

    // Short name used in messages and fault names ("em61-lx2", "gps").
    virtual std::string_view name() const = 0;
    // Bytes the program sent to the device, received at `now`.
    virtual void receive(std::string_view bytes, SimTime now) = 0;
    // Appends everything the device sends up to and including `now`.
    virtual void emitDue(SimTime now, std::string& out) = 0;
    // When the device next has something to send; NEVER while it only waits
    // for a command.
    virtual SimTime nextDue() const = 0;
    // Power switch. A device switched off sends nothing and ignores commands;
    // switched on again it starts as after power-up.
    virtual void setPowered(bool on, SimTime now) = 0;
};

}  // namespace velox::sim
