#include "tools/sim/fault_schedule.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace velox::sim {

namespace {

constexpr double DEFAULT_DURATION_S = 5.0;

struct NamedKind {
    std::string_view name;
    FaultKind kind;
};
constexpr std::array<NamedKind, 9> KINDS{{
    {"em-off", FaultKind::INSTRUMENT_OFF},
    {"em-noise", FaultKind::INSTRUMENT_NOISE},
    {"em-unplug", FaultKind::INSTRUMENT_UNPLUG},
    {"gps-off", FaultKind::GPS_OFF},
    {"gps-bad-checksum", FaultKind::GPS_BAD_CHECKSUM},
    {"gps-no-dollar", FaultKind::GPS_NO_DOLLAR},
    {"gps-long-line", FaultKind::GPS_OVERLONG},
    {"gps-noise", FaultKind::GPS_NOISE},
    {"gps-unplug", FaultKind::GPS_UNPLUG},
}};

bool readSeconds(std::string_view text, double& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && ec == std::errc() && end == text.data() + text.size() && std::isfinite(value) &&
           value >= 0.0 && value < 1e9;
}

}  // namespace

std::string_view faultName(FaultKind kind) {
    for (const NamedKind& k : KINDS)
        if (k.kind == kind) return k.name;
    return "?";
}

std::optional<Fault> parseFault(std::string_view text, std::string& error) {
    const size_t at = text.find('@');
    const std::string_view name = text.substr(0, at);
    const auto known = std::find_if(KINDS.begin(), KINDS.end(), [name](const NamedKind& k) { return k.name == name; });
    if (known == KINDS.end()) {
        error = "unknown fault \"" + std::string(name) + "\"";
        return std::nullopt;
    }
    if (at == std::string_view::npos) {
        error = "fault \"" + std::string(text) + "\" needs @START";
        return std::nullopt;
    }
    std::string_view times = text.substr(at + 1);
    const size_t plus = times.find('+');
    double start = 0.0;
    double duration = DEFAULT_DURATION_S;
    if (!readSeconds(times.substr(0, plus), start) ||
        (plus != std::string_view::npos && !readSeconds(times.substr(plus + 1), duration))) {
        error = "bad time in fault \"" + std::string(text) + "\"";
        return std::nullopt;
    }
    return Fault{known->kind, fromSeconds(start), fromSeconds(start + duration)};
}

bool FaultSchedule::active(FaultKind kind, SimTime t) const {
    return std::any_of(faults_.begin(), faults_.end(),
                       [&](const Fault& f) { return f.kind == kind && t >= f.start && t < f.end; });
}

SimTime FaultSchedule::nextChange(SimTime t) const {
    SimTime next = NEVER;
    for (const Fault& f : faults_) {
        if (f.start > t) next = std::min(next, f.start);
        if (f.end > t) next = std::min(next, f.end);
    }
    return next;
}

}  // namespace velox::sim
