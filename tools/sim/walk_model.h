#pragma once
// The operator's walk: parallel lines running north and south over a
// rectangular site, joined by half-circle turns, at about walking speed with
// a little seeded unsteadiness. After the last line the same path is walked
// back. Site coordinates are metres east and north of the site's south-west
// corner, which sits at the configured geodetic origin.

#include <cstdint>

namespace velox::sim {

struct GeoPoint {
    double latitude = 0.0;   // degrees, north positive
    double longitude = 0.0;  // degrees, east positive
};

struct SitePoint {
    double east = 0.0;
    double north = 0.0;
};

struct Pose {
    SitePoint position;
    double heading = 0.0;  // radians clockwise from north
};

struct WalkSettings {
    GeoPoint origin{45.0, 9.0};
    double siteWidth = 30.0;   // metres east
    double siteLength = 40.0;  // metres north
    double lineSpacing = 2.0;
    double speed = 1.0;        // metres per second
    // GPS antenna relative to the centre of the sensors: X to the right of
    // the direction of travel, Y ahead of the sensors.
    double antennaOffsetX = 0.0;
    double antennaOffsetY = 0.0;
    uint64_t seed = 1;
};

// Width of one EM61-LX2 coil; two coils lie side by side.
inline constexpr double COIL_WIDTH = 1.03;

class WalkModel {
public:
    explicit WalkModel(const WalkSettings& settings);

    // Centre of the sensors at `seconds` of simulated time.
    Pose centreAt(double seconds) const;
    Pose antennaAt(double seconds) const;
    // Centre of coil `coil` (0 left, 1 right; with one sensor the single coil
    // is at the centre).
    SitePoint coilAt(double seconds, int coil, int sensorCount) const;

    GeoPoint toGeodetic(const SitePoint& p) const;
    const WalkSettings& settings() const { return settings_; }

private:
    Pose poseAtDistance(double s) const;
    double distanceAt(double seconds) const;

    WalkSettings settings_;
    int lineCount_ = 1;
    double turnRadius_ = 1.0;
    double patternLength_ = 0.0;
    double speedPhase_ = 0.0;
    double swayPhase_ = 0.0;
    double metresPerDegreeNorth_ = 0.0;
    double metresPerDegreeEast_ = 0.0;
};

}  // namespace velox::sim
