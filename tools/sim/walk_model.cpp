#include "tools/sim/walk_model.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

namespace velox::sim {

namespace {
constexpr double PI = std::numbers::pi;
// The operator's pace varies by a few percent and the sensors sway a little
// to either side of the line.
constexpr double PACE_VARIATION = 0.03;
constexpr double PACE_PERIOD_S = 7.0;
constexpr double SWAY_METRES = 0.05;
constexpr double SWAY_PERIOD_S = 2.2;

// WGS 84 radii of curvature at the origin: a flat approximation that is
// exact to well under a millimetre over a site of a few hundred metres.
void localScale(double latitudeDeg, double& perDegreeNorth, double& perDegreeEast) {
    constexpr double a = 6378137.0;
    constexpr double f = 1.0 / 298.257223563;
    constexpr double e2 = f * (2.0 - f);
    const double phi = latitudeDeg * PI / 180.0;
    const double w = 1.0 - e2 * std::sin(phi) * std::sin(phi);
    const double meridian = a * (1.0 - e2) / std::pow(w, 1.5);
    const double primeVertical = a / std::sqrt(w);
    perDegreeNorth = meridian * PI / 180.0;
    perDegreeEast = primeVertical * std::cos(phi) * PI / 180.0;
}
}  // namespace

WalkModel::WalkModel(const WalkSettings& settings) : settings_(settings) {
    settings_.lineSpacing = std::max(settings_.lineSpacing, 0.1);
    settings_.siteLength = std::max(settings_.siteLength, 1.0);
    settings_.siteWidth = std::max(settings_.siteWidth, 0.0);
    settings_.speed = std::max(settings_.speed, 0.01);
    lineCount_ = 1 + static_cast<int>(std::floor(settings_.siteWidth / settings_.lineSpacing + 1e-9));
    turnRadius_ = settings_.lineSpacing / 2.0;
    patternLength_ = lineCount_ * settings_.siteLength + (lineCount_ - 1) * PI * turnRadius_;
    std::mt19937_64 rng(settings_.seed);
    std::uniform_real_distribution<double> phase(0.0, 2.0 * PI);
    speedPhase_ = phase(rng);
    swayPhase_ = phase(rng);
    localScale(settings_.origin.latitude, metresPerDegreeNorth_, metresPerDegreeEast_);
}

double WalkModel::distanceAt(double seconds) const {
    // Integral of speed × (1 + variation × sin(ωt + φ)).
    const double omega = 2.0 * PI / PACE_PERIOD_S;
    const double wobble = PACE_VARIATION / omega * (std::cos(speedPhase_) - std::cos(omega * seconds + speedPhase_));
    return settings_.speed * (seconds + wobble);
}

Pose WalkModel::poseAtDistance(double s) const {
    // Out along the pattern, then back along it.
    double along = std::fmod(std::max(s, 0.0), 2.0 * patternLength_);
    bool returning = false;
    if (along > patternLength_) {
        along = 2.0 * patternLength_ - along;
        returning = true;
    }
    const double lineLength = settings_.siteLength;
    const double turnLength = PI * turnRadius_;
    const double unit = lineLength + turnLength;
    int line = std::min(static_cast<int>(along / unit), lineCount_ - 1);
    double inUnit = along - line * unit;
    const double lineEast = line * settings_.lineSpacing;
    const bool northbound = line % 2 == 0;

    Pose pose;
    if (inUnit <= lineLength || line == lineCount_ - 1) {
        inUnit = std::min(inUnit, lineLength);
        pose.position = {lineEast, northbound ? inUnit : lineLength - inUnit};
        pose.heading = northbound ? 0.0 : PI;
    } else {
        // Half circle to the east, from the end of this line to the start of the next.
        const double angle = (inUnit - lineLength) / turnRadius_;  // 0 … π
        const double centreEast = lineEast + turnRadius_;
        if (northbound) {
            pose.position = {centreEast - turnRadius_ * std::cos(angle), lineLength + turnRadius_ * std::sin(angle)};
            pose.heading = angle;
        } else {
            pose.position = {centreEast - turnRadius_ * std::cos(angle), -turnRadius_ * std::sin(angle)};
            pose.heading = PI - angle;
        }
    }
    if (returning) pose.heading += PI;
    pose.heading = std::fmod(pose.heading + 2.0 * PI, 2.0 * PI);
    return pose;
}

Pose WalkModel::centreAt(double seconds) const {
    Pose pose = poseAtDistance(distanceAt(seconds));
    const double sway = SWAY_METRES * std::sin(2.0 * PI * seconds / SWAY_PERIOD_S + swayPhase_);
    pose.position.east += sway * std::cos(pose.heading);
    pose.position.north -= sway * std::sin(pose.heading);
    return pose;
}

namespace {
// Moves p by `right` metres to the right of heading h and `ahead` metres along it.
SitePoint offset(const Pose& pose, double right, double ahead) {
    const double s = std::sin(pose.heading);
    const double c = std::cos(pose.heading);
    return {pose.position.east + ahead * s + right * c, pose.position.north + ahead * c - right * s};
}
}  // namespace

Pose WalkModel::antennaAt(double seconds) const {
    Pose pose = centreAt(seconds);
    pose.position = offset(pose, settings_.antennaOffsetX, settings_.antennaOffsetY);
    return pose;
}

SitePoint WalkModel::coilAt(double seconds, int coil, int sensorCount) const {
    const Pose pose = centreAt(seconds);
    if (sensorCount < 2) return pose.position;
    return offset(pose, coil == 0 ? -COIL_WIDTH / 2.0 : COIL_WIDTH / 2.0, 0.0);
}

GeoPoint WalkModel::toGeodetic(const SitePoint& p) const {
    return {settings_.origin.latitude + p.north / metresPerDegreeNorth_,
            settings_.origin.longitude + p.east / metresPerDegreeEast_};
}

}  // namespace velox::sim
