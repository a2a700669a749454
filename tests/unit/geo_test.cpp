#include <gtest/gtest.h>

#include <cmath>

#include "geo/coordinates_units.h"
#include "geo/map_units.h"
#include "geo/utm.h"

namespace velox {
namespace {

constexpr double kMillimetre = 0.001;

// An independent transverse Mercator: Krüger's series in the third
// flattening n (to n^6), exact to well under a millimetre across a zone.
UtmCoordinates krugerUtm(double latitudeDegrees, double longitudeDegrees, int zone) {
    const double a = 6378137.0;
    const double f = 1.0 / 298.257223563;
    const double k0 = 0.9996;
    const double n = f / (2.0 - f);
    const double n2 = n * n, n3 = n2 * n, n4 = n3 * n, n5 = n4 * n, n6 = n5 * n;
    const double rectifyingRadius = a / (1.0 + n) * (1.0 + n2 / 4.0 + n4 / 64.0 + n6 / 256.0);
    const double alpha[6] = {
        n / 2.0 - 2.0 * n2 / 3.0 + 5.0 * n3 / 16.0 + 41.0 * n4 / 180.0 - 127.0 * n5 / 288.0 + 7891.0 * n6 / 37800.0,
        13.0 * n2 / 48.0 - 3.0 * n3 / 5.0 + 557.0 * n4 / 1440.0 + 281.0 * n5 / 630.0 - 1983433.0 * n6 / 1935360.0,
        61.0 * n3 / 240.0 - 103.0 * n4 / 140.0 + 15061.0 * n5 / 26880.0 + 167603.0 * n6 / 181440.0,
        49561.0 * n4 / 161280.0 - 179.0 * n5 / 168.0 + 6601661.0 * n6 / 7257600.0,
        34729.0 * n5 / 80640.0 - 3418889.0 * n6 / 1995840.0,
        212378941.0 * n6 / 319334400.0,
    };
    const double rad = M_PI / 180.0;
    const double phi = latitudeDegrees * rad;
    const double dl = (longitudeDegrees - (6.0 * zone - 183.0)) * rad;
    const double e = 2.0 * std::sqrt(n) / (1.0 + n);
    const double t = std::sinh(std::atanh(std::sin(phi)) - e * std::atanh(e * std::sin(phi)));
    const double xi = std::atan2(t, std::cos(dl));
    const double eta = std::atanh(std::sin(dl) / std::sqrt(1.0 + t * t));
    double x = eta, y = xi;
    for (int j = 1; j <= 6; ++j) {
        x += alpha[j - 1] * std::cos(2 * j * xi) * std::sinh(2 * j * eta);
        y += alpha[j - 1] * std::sin(2 * j * xi) * std::cosh(2 * j * eta);
    }
    return {(latitudeDegrees < 0 ? 10000000.0 : 0.0) + k0 * rectifyingRadius * y,
            500000.0 + k0 * rectifyingRadius * x};
}

TEST(Projection, ReferenceValues) {
    struct Case {
        double latitude, longitude;
        int zone;
        double northing, easting;
    };
    const Case cases[] = {
        {45.0, 9.0, 32, 4982950.40, 500000.00},
        {-10.0, 3.0, 31, 8894587.51, 500000.00},
        {0.0, 3.0, 31, 0.0, 500000.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.latitude << ", " << c.longitude);
        int zone = 0;
        const UtmCoordinates utm = geodeticToUtm(c.latitude, c.longitude, zone, false);
        EXPECT_EQ(zone, c.zone);
        EXPECT_NEAR(utm.northing, c.northing, 0.005);
        EXPECT_NEAR(utm.easting, c.easting, 0.005);
        // The reference formula of the next test meets the same values.
        const UtmCoordinates reference = krugerUtm(c.latitude, c.longitude, zone);
        EXPECT_NEAR(reference.northing, c.northing, 0.005);
        EXPECT_NEAR(reference.easting, c.easting, 0.005);
    }
}

TEST(Projection, AgreesWithKrugerSeriesAcrossZonesHemispheresAndEdges) {
    struct Case {
        double latitude, longitude;
        int zone;
    };
    const Case cases[] = {
        {52.2, 0.12, 31},         {-33.86, 151.21, 56},   {64.13, -21.9, 27},   {-54.8, -68.3, 19},
        {1.29, 103.85, 48},       {37.7849, 175.3149, 60}, {41.575, -93.7506, 15}, {-0.5, -179.5, 1},
        {0.5, 179.5, 60},         {83.9, 20.0, 34},       {-79.9, -60.0, 21},   {45.0, 5.999999, 31},
        {45.0, 6.0, 32},          {-45.0, -0.000001, 30}, {-45.0, 0.0, 31},     {10.0, 6.0 * 31 - 183 + 2.999, 31},
        {60.0, 6.0 * 40 - 183 - 2.999, 40},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.latitude << ", " << c.longitude);
        int zone = 0;
        const UtmCoordinates utm = geodeticToUtm(c.latitude, c.longitude, zone, false);
        ASSERT_EQ(zone, c.zone);
        const UtmCoordinates reference = krugerUtm(c.latitude, c.longitude, zone);
        EXPECT_NEAR(utm.northing, reference.northing, kMillimetre);
        EXPECT_NEAR(utm.easting, reference.easting, kMillimetre);
    }
}

TEST(Projection, ZoneRuleClampsAtTheDateLine) {
    const struct {
        double longitude;
        int zone;
    } cases[] = {{-180.0, 1},  {-177.0, 1}, {-174.0001, 1}, {-174.0, 2}, {0.0, 31}, {-0.0001, 30},
                 {179.9999, 60}, {180.0, 60}, {540.0, 60},   {-720.0, 1}, {NAN, 1}};
    for (const auto& c : cases) EXPECT_EQ(utmZoneOf(c.longitude), c.zone) << c.longitude;
}

TEST(Projection, FixedZoneIsUsedUnchanged) {
    int zone = 31;
    const UtmCoordinates utm = geodeticToUtm(0.0, 6.5, zone, true);
    EXPECT_EQ(zone, 31);
    EXPECT_NEAR(utm.easting, 889706.45, 0.005);
    EXPECT_NEAR(utm.northing, 0.0, kMillimetre);
}

TEST(Projection, SurveyZoneIsLockedByTheFirstFix) {
    SurveyZone survey;
    ASSERT_EQ(survey.utmZone, UTM_ZONE_NOT_FIXED);
    const UtmCoordinates first = projectInSurveyZone(survey, 0.0, 3.0);
    EXPECT_EQ(survey.utmZone, 31);
    EXPECT_EQ(survey.utmZoneFirst, 31);
    EXPECT_DOUBLE_EQ(survey.zoneReferenceLatitude, 0.0);
    EXPECT_DOUBLE_EQ(survey.zoneReferenceLongitude, 3.0);
    EXPECT_NEAR(first.easting, 500000.0, kMillimetre);

    // Beyond the zone boundary: still zone 31, and the reference stays.
    const UtmCoordinates beyond = projectInSurveyZone(survey, 0.0, 6.5);
    EXPECT_EQ(survey.utmZone, 31);
    EXPECT_DOUBLE_EQ(survey.zoneReferenceLongitude, 3.0);
    EXPECT_NEAR(beyond.easting, 889706.45, 0.005);

    // A zone set from an appended file is kept from the first fix on.
    SurveyZone appended;
    appended.utmZone = 33;
    projectInSurveyZone(appended, 45.0, 9.0);
    EXPECT_EQ(appended.utmZone, 33);
    EXPECT_EQ(appended.utmZoneFirst, UTM_ZONE_NOT_FIXED);
}

TEST(Projection, ConstantsFollowFromTheEllipsoid) {
    const ProjectionConstants& k = initProjection();
    EXPECT_DOUBLE_EQ(k.semiMinorAxis, 6356752.314245179);
    EXPECT_NEAR(k.eccentricitySquared, 0.00669437999014, 1e-14);
    EXPECT_NEAR(k.secondEccentricitySquared, 0.00673949674228, 1e-14);
    EXPECT_EQ(&k, &initProjection());
}

TEST(MapUnits, Factors) {
    const struct {
        int mapUnits;
        double divided;     // 1000 m by the unit's length
        double multiplied;  // 1000 m by the rounded factor
    } cases[] = {
        {0, 1000.0, 1000.0},
        {1, 1000.0 / 0.3048, 3280.84},
        {2, 3280.8333333333, 3280.8333333333355},
        {7, 1000.0 / 0.3048, 3280.84},  // a damaged setting reads as feet, like the swath extents
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mapUnits);
        EXPECT_NEAR(toMapUnits(1000.0, c.mapUnits), c.divided, 1e-6);
        EXPECT_NEAR(metresTimesMapUnitFactor(1000.0, c.mapUnits), c.multiplied, 1e-6);
    }
}

TEST(CoordinatesUnits, ListsAndStoredValues) {
    int display = 0;
    CoordinatesUnitsChoice geodetic = coordinatesUnitsChoice(1, display);
    EXPECT_EQ(geodetic.items, (std::vector<std::string>{"Geodetic Lat/Lon", "UTM meters", "UTM feet", "UTM US Feet"}));
    EXPECT_EQ(geodetic.selected, 0);
    EXPECT_EQ(coordinatesDisplayOf(geodetic, 2), 2);

    for (int localGrid : {3, 4, 7}) {
        display = 0;
        const CoordinatesUnitsChoice grid = coordinatesUnitsChoice(localGrid, display);
        EXPECT_EQ(display, 1) << "no geodetic display on a local grid";
        EXPECT_EQ(grid.items, (std::vector<std::string>{"meters", "feet", "US Survey Feet"}));
        EXPECT_EQ(grid.selected, 0);
        EXPECT_EQ(coordinatesDisplayOf(grid, 1), 2);
    }
    // A damaged setting shows the first entry; a position off the list stores nothing.
    display = 99;
    EXPECT_EQ(coordinatesUnitsChoice(1, display).selected, 0);
    EXPECT_EQ(coordinatesDisplayOf(geodetic, 4), -1);
}

}  // namespace
}  // namespace velox
