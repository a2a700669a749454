#pragma once
// WGS 84 latitude and longitude to Universal Transverse Mercator easting and
// northing, by the classical power series in the longitude difference from
// the zone's central meridian. Zones follow the plain 6-degree rule with no
// regional exceptions.

namespace velox {

// Zone state shared by a survey run. Once fixed, every later position is
// projected in this zone, also beyond its boundary.
inline constexpr int UTM_ZONE_NOT_FIXED = -9;

// The ellipsoid, projection and meridian-arc constants, computed once.
struct ProjectionConstants {
    double semiMajorAxis;
    double inverseFlattening;
    double semiMinorAxis;
    double eccentricitySquared;
    double secondEccentricitySquared;
    double n;
    double scaleFactor;
    double falseEasting;
    double southernFalseNorthing;
    double degreesToRadians;
    double arcA, arcB, arcC, arcD, arcE;  // meridian-arc coefficients A' to E'
};

// Computes the constants (on first use) and returns them. Program start
// calls it once so that no fix pays for it.
const ProjectionConstants& initProjection();

// Zone of a longitude in degrees: floor(longitude / 6) + 31, held to 1..60.
int utmZoneOf(double longitudeDegrees);
// Central meridian of a zone, degrees.
double centralMeridianOf(int zone);

struct UtmCoordinates {
    double northing = 0.0;  // metres
    double easting = 0.0;   // metres
};

// Projects a position given in degrees. When zoneIsFixed is false the zone is
// computed from the longitude and written to `zone`; otherwise `zone` is
// used unchanged. Nothing else is changed.
UtmCoordinates geodeticToUtm(double latitudeDegrees, double longitudeDegrees, int& zone, bool zoneIsFixed);

// The zone of a survey: fixed by its first latitude/longitude position and
// kept for the whole run of the program (an appended file may set it).
struct SurveyZone {
    int utmZone = UTM_ZONE_NOT_FIXED;
    int utmZoneFirst = UTM_ZONE_NOT_FIXED;
    double zoneReferenceLatitude = 0.0;
    double zoneReferenceLongitude = 0.0;
};

// Projects a fix of a latitude/longitude input: the first call fixes the
// zone (and remembers the fix as its reference), later calls use it.
UtmCoordinates projectInSurveyZone(SurveyZone& survey, double latitudeDegrees, double longitudeDegrees);

}  // namespace velox
