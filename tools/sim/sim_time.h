#pragma once
// Simulated time: nanoseconds since the stand-in started, running `speed`
// times faster than the wall clock. Every model is a function of it, so the
// output does not depend on how late the process happens to wake up.

#include <chrono>
#include <cmath>
#include <cstdint>
#include <limits>

namespace velox::sim {

using SimTime = std::chrono::nanoseconds;

inline constexpr SimTime NEVER = SimTime::max();

inline double toSeconds(SimTime t) { return std::chrono::duration<double>(t).count(); }

inline SimTime fromSeconds(double seconds) {
    return SimTime(static_cast<int64_t>(std::llround(seconds * 1e9)));
}

// The n-th tick of a fixed period counted from `start`: an absolute deadline,
// so rounding never accumulates into drift.
inline SimTime nthTick(SimTime start, int64_t n, double periodSeconds) {
    return start + fromSeconds(static_cast<double>(n) * periodSeconds);
}

}  // namespace velox::sim
