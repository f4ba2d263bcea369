#include "regional/PlaneRectangular.h"

#include "support/Tolerances.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr double Degree = Pi / 180.0;
constexpr double Millimetre = testing_support::kMillimetre;

// Bessel 1841, for the independent meridian arc below.
constexpr double BesselA = 6377397.155;
constexpr double BesselInverseFlattening = 299.1528128;

// Meridian arc from the equator to phi (radians) by Simpson integration of the meridian radius
// of curvature M = a (1 - e^2) / (1 - e^2 sin^2)^(3/2), independent of the series in the code.
double MeridianArcByIntegration(double phi)
{
    const double f = 1.0 / BesselInverseFlattening;
    const double e2 = f * (2 - f);
    auto m = [&](double p) {
        const double s = std::sin(p);
        return BesselA * (1 - e2) / std::pow(1 - e2 * s * s, 1.5);
    };
    const int n = 20000; // even
    const double h = phi / n;
    double sum = m(0) + m(phi);
    for (int i = 1; i < n; ++i)
        sum += m(i * h) * (i % 2 ? 4 : 2);
    return sum * h / 3;
}

bool Convert(double latDeg, double lonDeg, int zone, double& x, double& y)
{
    return LatLonToPlane(latDeg * Degree, lonDeg * Degree, zone, x, y) == 1;
}

// cs2cs from geographic to the zone's transverse Mercator, both on Bessel 1841 without a datum
// shift; prints "easting northing height".
std::string ProjCommand(double latOrigin, double lonOrigin, double lat, double lon)
{
    char text[512];
    std::snprintf(text, sizeof text,
                  "echo '%.12f %.12f' | /usr/bin/cs2cs -f %%.6f +proj=longlat +ellps=bessel "
                  "+no_defs +to +proj=tmerc +lat_0=%.15f +lon_0=%.15f +k=0.9999 +x_0=0 +y_0=0 "
                  "+ellps=bessel +units=m +no_defs 2>/dev/null",
                  lon, lat, latOrigin, lonOrigin);
    return text;
}

} // namespace

TEST(PlaneRectangular, ZoneOriginsAndUnknownZones)
{
    double x = 1, y = 1;
    ASSERT_TRUE(Convert(36.0, 137.0 + 10.0 / 60.0, 7, x, y));
    EXPECT_NEAR(x, 0.0, 1e-6);
    EXPECT_NEAR(y, 0.0, 1e-6);
    ASSERT_TRUE(Convert(44.0, 144.25, 13, x, y)); // zone XIII: 44 N, 144 15' E
    EXPECT_NEAR(x, 0.0, 1e-6);
    EXPECT_NEAR(y, 0.0, 1e-6);

    x = 5, y = 6;
    EXPECT_EQ(LatLonToPlane(0.6, 2.4, 0, x, y), 0);
    EXPECT_EQ(LatLonToPlane(0.6, 2.4, 20, x, y), 0);
    EXPECT_EQ(x, 5);
    EXPECT_EQ(y, 6);
}

TEST(PlaneRectangular, CentralMeridianIsScaledMeridianArc)
{
    const double lon0 = 137.0 + 10.0 / 60.0;
    const double arc0 = MeridianArcByIntegration(36.0 * Degree);
    for (double lat : {34.0, 35.2, 36.5, 37.9}) {
        double x = 0, y = 1;
        ASSERT_TRUE(Convert(lat, lon0, 7, x, y));
        EXPECT_NEAR(y, 0.0, 1e-9) << lat;
        EXPECT_NEAR(x, 0.9999 * (MeridianArcByIntegration(lat * Degree) - arc0), Millimetre) << lat;
    }
}

TEST(PlaneRectangular, ModelOriginLiesSouthWestAndEastWestIsSymmetric)
{
    double x = 0, y = 0;
    ASSERT_EQ(LatLonToPlane(0.6015207454613799, 2.379077502325886, 7, x, y), 1);
    EXPECT_LT(x, 0);
    EXPECT_LT(y, 0);
    // 1.5386 degrees of latitude south is about 170 km; 0.8556 degrees of longitude west at
    // 34.46 N about 78.6 km.
    EXPECT_NEAR(x, -170000, 500);
    EXPECT_NEAR(y, -78600, 500);

    const double lon0 = 137.0 + 10.0 / 60.0;
    double xe = 0, ye = 0, xw = 0, yw = 0;
    Convert(35.3, lon0 + 0.9, 7, xe, ye);
    Convert(35.3, lon0 - 0.9, 7, xw, yw);
    EXPECT_NEAR(xe, xw, 1e-6);
    EXPECT_NEAR(ye, -yw, 1e-6);
    EXPECT_GT(xe, 0.9999 * (MeridianArcByIntegration(35.3 * Degree) -
                            MeridianArcByIntegration(36.0 * Degree)));
}

// Cross-check with PROJ's transverse Mercator on the Bessel ellipsoid (its own algorithm), to
// the millimetre, over points up to about 1.3 degrees from the central meridian.
TEST(PlaneRectangular, AgreesWithProjTransverseMercator)
{
    if (::access("/usr/bin/cs2cs", X_OK) != 0)
        FAIL() << "cross-check tool missing (scripts/setup installs it): "
               << "/usr/bin/cs2cs (Debian package proj-bin) is not installed";
    struct Case {
        int zone;
        double latOrigin, lonOrigin; // degrees
        double lat, lon;             // degrees
    };
    const Case cases[] = {
        {7, 36.0, 137.0 + 10.0 / 60, 34.4646, 136.3111},
        {7, 36.0, 137.0 + 10.0 / 60, 35.1815, 136.9066}, // Nagoya
        {7, 36.0, 137.0 + 10.0 / 60, 37.2, 138.4},
        {9, 36.0, 139.0 + 50.0 / 60, 35.6895, 139.6917}, // Tokyo
        {1, 33.0, 129.5, 32.75, 129.87},
        {12, 44.0, 142.25, 43.06, 141.35},
        {15, 26.0, 127.5, 26.2124, 127.6809},
    };
    for (const Case& c : cases) {
        const std::string command = ProjCommand(c.latOrigin, c.lonOrigin, c.lat, c.lon);
        std::FILE* pipe = ::popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        double easting = 0, northing = 0;
        const int got = std::fscanf(pipe, "%lf %lf", &easting, &northing);
        ::pclose(pipe);
        ASSERT_EQ(got, 2) << command;
        double x = 0, y = 0;
        ASSERT_TRUE(Convert(c.lat, c.lon, c.zone, x, y));
        EXPECT_NEAR(x, northing, Millimetre) << c.lat << " " << c.lon;
        EXPECT_NEAR(y, easting, Millimetre) << c.lat << " " << c.lon;
    }
}
