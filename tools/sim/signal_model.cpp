#include "tools/sim/signal_model.h"

#include <charconv>
#include <cmath>
#include <numbers>

namespace velox::sim {

double coefficientOfFactor(double factor) {
    return factor <= 352.8 ? (factor - 18.0) / 108.0 : (factor + 44.0) / 128.0;
}

namespace {

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

std::vector<double> numbersOf(std::string_view item, bool& ok) {
    std::vector<double> values;
    ok = true;
    while (true) {
        const size_t comma = item.find(',');
        const std::string_view field = trim(item.substr(0, comma));
        double value = 0.0;
        const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), value);
        if (field.empty() || ec != std::errc() || end != field.data() + field.size() || !std::isfinite(value)) {
            ok = false;
            return values;
        }
        values.push_back(value);
        if (comma == std::string_view::npos) return values;
        item.remove_prefix(comma + 1);
    }
}

}  // namespace

std::optional<std::vector<BuriedTarget>> parseTargets(std::string_view text, std::string& error) {
    std::vector<BuriedTarget> targets;
    while (!text.empty()) {
        const size_t end = text.find_first_of(";\n");
        std::string_view item = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (const size_t hash = item.find('#'); hash != std::string_view::npos) item = item.substr(0, hash);
        item = trim(item);
        if (item.empty()) continue;
        bool ok = false;
        const std::vector<double> v = numbersOf(item, ok);
        if (!ok || v.size() < 4 || v.size() > 5 || v[2] < 0.0) {
            error = "bad target \"" + std::string(item) + "\": expected east,north,depth,strength[,lateRatio]";
            return std::nullopt;
        }
        BuriedTarget t;
        t.position = {v[0], v[1]};
        t.depth = v[2];
        t.strength = v[3];
        if (v.size() == 5) t.lateRatio = v[4];
        targets.push_back(t);
    }
    return targets;
}

std::vector<BuriedTarget> defaultTargets() {
    return {
        {{4.0, 10.0}, 0.3, 400.0, 0.30},
        {{9.0, 25.0}, 0.6, 250.0, 0.20},
        {{15.5, 18.0}, 0.4, 150.0, 0.45},
        {{22.0, 32.0}, 1.0, 600.0, 0.25},
    };
}

SignalModel::SignalModel(const SignalSettings& settings, uint64_t seed)
    : settings_(settings),
      soilCoefficient_(coefficientOfFactor(settings.soilFactor)),
      rng_(seed),
      noise_(0.0, settings.noise > 0.0 ? settings.noise : 1.0) {}

GateValues SignalModel::response(const SitePoint& coil) const {
    // The soil varies gently over the site; its late gate keeps the soil's ratio.
    constexpr double TWO_PI = 2.0 * std::numbers::pi;
    const double soilVariation = 1.0 + 0.2 * std::sin(TWO_PI * coil.east / 17.0) * std::sin(TWO_PI * coil.north / 23.0);
    const double soilEarly = settings_.soilEarly * soilVariation;
    GateValues v{soilEarly, soilCoefficient_ > 0.0 ? soilEarly / soilCoefficient_ : 0.0};

    // A compact object responds as the sixth power of the inverse distance.
    for (const BuriedTarget& t : settings_.targets) {
        const double dz = t.depth + settings_.coilHeight;
        const double de = coil.east - t.position.east;
        const double dn = coil.north - t.position.north;
        const double ratio = dz * dz / (dz * dz + de * de + dn * dn);
        const double early = t.strength * ratio * ratio * ratio;
        v.early += early;
        v.late += early * t.lateRatio;
    }
    return v;
}

GateValues SignalModel::measure(const SitePoint& coil) {
    GateValues v = response(coil);
    if (settings_.noise > 0.0) {
        v.early += noise_(rng_);
        v.late += noise_(rng_);
    }
    return v;
}

}  // namespace velox::sim
