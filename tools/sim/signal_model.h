#pragma once
// What the EM61-LX2 coils measure: a soil background whose early/late ratio
// equals the soil's filter coefficient, buried metal whose response falls off
// with distance from the coil and decays more steeply from the early to the
// late gate, and receiver noise. Values are millivolts at the instrument's
// nominal transmitter current.

#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "tools/sim/walk_model.h"

namespace velox::sim {

struct BuriedTarget {
    SitePoint position;
    double depth = 0.5;        // metres below ground
    double strength = 200.0;   // early-gate millivolts with the coil straight above
    double lateRatio = 0.25;   // late / early response of this object
};

struct SignalSettings {
    double soilFactor = 310.0;   // filter factor the soil calibrates to
    double soilEarly = 30.0;     // mean early-gate soil response, millivolts
    double noise = 0.5;          // standard deviation per gate, millivolts
    double coilHeight = 0.4;     // coil above ground, metres
    std::vector<BuriedTarget> targets;
};

struct GateValues {
    double early = 0.0;
    double late = 0.0;
};

// The filter coefficient k (E = k × L over the soil) that belongs to a
// filter factor, as the instrument's maker defines the factor.
double coefficientOfFactor(double factor);

// Targets as "east,north,depth,strength[,lateRatio]" separated by ";" or
// new lines; "#" starts a comment. Returns nothing and fills `error` when a
// target cannot be read.
std::optional<std::vector<BuriedTarget>> parseTargets(std::string_view text, std::string& error);
// A few objects spread over the default site, so the demo shows something.
std::vector<BuriedTarget> defaultTargets();

class SignalModel {
public:
    SignalModel(const SignalSettings& settings, uint64_t seed);

    // Noise-free response at a coil centre.
    GateValues response(const SitePoint& coil) const;
    // The same with receiver noise: successive calls draw successive noise.
    GateValues measure(const SitePoint& coil);

    const SignalSettings& settings() const { return settings_; }

private:
    SignalSettings settings_;
    double soilCoefficient_;
    std::mt19937_64 rng_;
    std::normal_distribution<double> noise_;
};

}  // namespace velox::sim
