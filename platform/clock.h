#pragma once
// The millisecond tick counter: unsigned 32 bits of the monotonic clock.
// Compare ticks by unsigned subtraction so that the wrap after ~49.7 days
// does no harm. Tests replace the clock to control time.

#include <cstdint>

namespace velox {

using Tick = uint32_t;

class Clock {
public:
    virtual ~Clock() = default;
    virtual Tick now() = 0;
    // Waits until more than `ms` milliseconds have passed on this clock.
    virtual void wait(uint32_t ms) = 0;
};

// The clock in force: the monotonic system clock unless a test installed another.
Clock& clock();
// Installs a clock for the whole process; nullptr restores the system clock.
void setClock(Clock* replacement);

inline Tick tickNow() { return clock().now(); }
// The short waits of the start sequence, handshakes and procedures. It
// handles no window events while it waits.
inline void busyWait(uint32_t ms) { clock().wait(ms); }
inline uint32_t ticksSince(Tick earlier) { return tickNow() - earlier; }

}  // namespace velox
