#include "geo/utm.h"

#include <cmath>

namespace velox {
namespace {

ProjectionConstants computeConstants() {
    ProjectionConstants k{};
    k.semiMajorAxis = 6378137.0;
    k.inverseFlattening = 298.257223563;
    k.semiMinorAxis = 297.257223563 * 6378137.0 / 298.257223563;
    const double a = k.semiMajorAxis;
    const double b = k.semiMinorAxis;
    k.eccentricitySquared = (a * a - b * b) / (a * a);
    k.secondEccentricitySquared = (a * a - b * b) / (b * b);
    k.n = (a - b) / (a + b);
    k.scaleFactor = 0.9996;
    k.falseEasting = 500000.0;
    k.southernFalseNorthing = 10000000.0;
    k.degreesToRadians = 0.0174532925199433;

    const double n = k.n;
    const double n2 = std::pow(n, 2), n3 = std::pow(n, 3), n4 = std::pow(n, 4), n5 = std::pow(n, 5);
    k.arcA = a * (1.0 - n + 5.0 / 4.0 * (n2 - n3) + 81.0 / 64.0 * (n4 - n5));
    k.arcB = 3.0 * a / 2.0 * (n - n2 + 7.0 / 8.0 * (n3 - n4) + 55.0 / 64.0 * n5);
    k.arcC = 15.0 * a / 16.0 * (n2 - n3 + 3.0 / 4.0 * (n4 - n5));
    k.arcD = 35.0 * a / 48.0 * (n3 - n4 + 11.0 / 16.0 * n5);
    k.arcE = 315.0 * a / 512.0 * (n4 - n5);
    return k;
}

}  // namespace

const ProjectionConstants& initProjection() {
    static const ProjectionConstants constants = computeConstants();
    return constants;
}

int utmZoneOf(double longitudeDegrees) {
    // Clamped before the conversion to int, so that no longitude (not even a
    // non-finite one) gives a zone outside 1..60.
    const double zone = std::floor(longitudeDegrees / 6.0) + 31.0;
    if (zone >= 60.0) return 60;
    if (!(zone >= 1.0)) return 1;
    return static_cast<int>(zone);
}

double centralMeridianOf(int zone) { return 6.0 * zone - 183.0; }

UtmCoordinates geodeticToUtm(double latitudeDegrees, double longitudeDegrees, int& zone, bool zoneIsFixed) {
    const ProjectionConstants& k = initProjection();
    if (!zoneIsFixed) zone = utmZoneOf(longitudeDegrees);

    const double phi = latitudeDegrees * k.degreesToRadians;
    const double dl = (longitudeDegrees - centralMeridianOf(zone)) * k.degreesToRadians;

    const double s = std::sin(phi);
    const double c = std::cos(phi);
    const double t = s / c;
    const double eta2 = k.secondEccentricitySquared * c * c;
    const double nu = k.semiMajorAxis / std::sqrt(1.0 - k.eccentricitySquared * s * s);
    const double k0 = k.scaleFactor;

    const double arc = k.arcA * phi - k.arcB * std::sin(2.0 * phi) + k.arcC * std::sin(4.0 * phi) -
                       k.arcD * std::sin(6.0 * phi) + k.arcE * std::sin(8.0 * phi);

    const double t2 = std::pow(t, 2), t4 = std::pow(t, 4), t6 = std::pow(t, 6);
    const double e4 = std::pow(eta2, 2), e6 = std::pow(eta2, 3), e8 = std::pow(eta2, 4);

    const double term1 = arc * k0;
    const double term2 = nu * s * c * k0 / 2.0;
    const double term3 = nu * s * std::pow(c, 3) * k0 / 24.0 * (5.0 - t2 + 9.0 * eta2 + 4.0 * e4);
    const double term4 = nu * s * std::pow(c, 5) * k0 / 720.0 *
                         (61.0 - 58.0 * t2 + t4 + 270.0 * eta2 - 330.0 * t2 * eta2 + 445.0 * e4 + 324.0 * e6 -
                          680.0 * t2 * e4 + 88.0 * e8 - 600.0 * t2 * e6 - 192.0 * t2 * e8);
    const double term5 = nu * s * std::pow(c, 7) * k0 / 40320.0 * (1385.0 - 3111.0 * t2 + 543.0 * t4 - t6);
    const double term6 = nu * c * k0;
    const double term7 = nu * std::pow(c, 3) * k0 / 6.0 * (1.0 - t2 + eta2);
    const double term8 = nu * std::pow(c, 5) * k0 / 120.0 *
                         (5.0 - 18.0 * t2 + t4 + 14.0 * eta2 - 58.0 * t2 * eta2 + 13.0 * e4 + 4.0 * e6 -
                          64.0 * t2 * e4 - 24.0 * t2 * e6);
    const double term9 = nu * std::pow(c, 7) * k0 / 5040.0 * (61.0 - 479.0 * t2 + 179.0 * t4 - t6);

    const double falseNorthing = latitudeDegrees >= 0.0 ? 0.0 : k.southernFalseNorthing;
    UtmCoordinates out;
    out.northing = falseNorthing + term1 + std::pow(dl, 2) * term2 + std::pow(dl, 4) * term3 + std::pow(dl, 6) * term4 +
                   std::pow(dl, 8) * term5;
    out.easting =
        k.falseEasting + dl * term6 + std::pow(dl, 3) * term7 + std::pow(dl, 5) * term8 + std::pow(dl, 7) * term9;
    return out;
}

UtmCoordinates projectInSurveyZone(SurveyZone& survey, double latitudeDegrees, double longitudeDegrees) {
    if (survey.utmZone == UTM_ZONE_NOT_FIXED) {
        const UtmCoordinates first = geodeticToUtm(latitudeDegrees, longitudeDegrees, survey.utmZone, false);
        survey.utmZoneFirst = survey.utmZone;
        survey.zoneReferenceLatitude = latitudeDegrees;
        survey.zoneReferenceLongitude = longitudeDegrees;
        return first;
    }
    return geodeticToUtm(latitudeDegrees, longitudeDegrees, survey.utmZone, true);
}

}  // namespace velox
