#include "tools/sim/gps_module.h"

#include <cmath>
#include <numbers>

namespace velox::sim {

namespace {
constexpr SimTime MAX_CATCH_UP = std::chrono::seconds(1);
constexpr size_t OVERLONG_LENGTH = 260;
constexpr double VELOCITY_STEP_S = 0.1;
}  // namespace

bool validGpsRate(int hz) { return hz == 1 || hz == 5 || hz == 10 || hz == 20; }

GpsModule::GpsModule(const GpsSettings& settings, const WalkModel& walk) : settings_(settings), walk_(walk) {
    if (!validGpsRate(settings_.rateHz)) settings_.rateHz = 1;
}

SimTime GpsModule::nextDue() const { return powered_ ? nthTick(SimTime{0}, nextEpoch_, period()) : NEVER; }

void GpsModule::setPowered(bool on, SimTime now) {
    // A receiver keeps its clock; when power returns it goes on with the
    // epoch that is due next.
    powered_ = on;
    if (on) nextEpoch_ = static_cast<int64_t>(std::ceil(toSeconds(now) / period()));
}

GpsEpoch GpsModule::epochAt(SimTime t) const {
    const double seconds = toSeconds(t);
    const Pose antenna = walk_.antennaAt(seconds);
    const Pose ahead = walk_.antennaAt(seconds + VELOCITY_STEP_S);
    GpsEpoch e;
    e.utcSeconds = settings_.utcStart + seconds;
    e.day = settings_.day;
    e.month = settings_.month;
    e.year = settings_.year;
    e.position = walk_.toGeodetic(antenna.position);
    e.gridEasting = GRID_FALSE_EASTING + antenna.position.east;
    e.gridNorthing = GRID_FALSE_NORTHING + antenna.position.north;
    e.quality = settings_.quality;
    e.satellites = settings_.satellites;
    e.dilution = settings_.dilution;
    const double de = ahead.position.east - antenna.position.east;
    const double dn = ahead.position.north - antenna.position.north;
    e.speed = std::hypot(de, dn) / VELOCITY_STEP_S;
    e.course = std::fmod(std::atan2(de, dn) * 180.0 / std::numbers::pi + 360.0, 360.0);
    e.slamCount = settings_.satellites;
    for (int i = 0; i < 3; ++i) e.slamValues[i] = settings_.dilution * 0.01 * (i + 1);
    return e;
}

std::string GpsModule::damaged(std::string line) const {
    if (faults_.badChecksum) {
        if (const size_t star = line.rfind('*'); star != std::string::npos && star + 2 < line.size()) {
            // Any other value will do: flip the low digit.
            line[star + 2] = line[star + 2] == '0' ? '1' : '0';
        }
    }
    if (faults_.noDollar && !line.empty() && line.front() == '$') line.erase(0, 1);
    return line;
}

void GpsModule::emitDue(SimTime now, std::string& out) {
    if (!powered_) return;
    SimTime due = nextDue();
    if (now - due > MAX_CATCH_UP) {
        nextEpoch_ = static_cast<int64_t>(std::floor(toSeconds(now) / period()));
        due = nextDue();
    }
    while (due <= now) {
        if (faults_.overlong) out += overlongSentence(OVERLONG_LENGTH);
        for (std::string& line : epochSentences(settings_.output, epochAt(due))) out += damaged(std::move(line));
        ++epochsSent_;
        ++nextEpoch_;
        due = nextDue();
    }
}

}  // namespace velox::sim
