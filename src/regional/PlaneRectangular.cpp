// Gauss-Krueger projection of the Bessel 1841 ellipsoid (a = 6377397.155 m, e'^2 =
// 0.006719218798677) in the series form used for the Japan Plane Rectangular Coordinate System
// (Geographical Survey Institute), scale factor m0 = 0.9999:
//
//   x = m0 { S(phi) - S(phi0) + N/2 sin cos dl^2 + N/24 sin cos^3 (5 - t^2 + 9 h + 4 h^2) dl^4
//          + N/720 sin cos^5 (61 - 58 t^2 + t^4 + 270 h - 330 t^2 h) dl^6
//          + N/40320 sin cos^7 (1385 - 3111 t^2 + 543 t^4 - t^6) dl^8 }
//   y = m0 { N cos dl + N/6 cos^3 (1 - t^2 + h) dl^3
//          + N/120 cos^5 (5 - 18 t^2 + t^4 + 14 h - 58 t^2 h) dl^5
//          + N/5040 cos^7 (61 - 479 t^2 + 179 t^4 - t^6) dl^7 }
//
// with t = tan phi, h = eta^2 = e'^2 cos^2 phi, N = a sqrt(1 + e'^2) / sqrt(1 + eta^2) (prime
// vertical radius) and dl = lambda - lambda0. S is the meridian arc from the equator:
//   S = a (1 - e^2) [A phi - B/2 sin 2phi + C/4 sin 4phi - D/6 sin 6phi + E/8 sin 8phi
//                    - F/10 sin 10phi].
// Everything is in double precision.

#include "regional/PlaneRectangular.h"

#include <cmath>

namespace regional {

namespace {

// Zone origins of the standard table, (degrees, minutes) of latitude north and longitude east.
struct ZoneOrigin {
    int latDeg, latMin, lonDeg, lonMin;
};
constexpr ZoneOrigin zoneOrigins[PlaneZoneCount] = {
    {33, 0, 129, 30}, // I
    {33, 0, 131, 0},  // II
    {36, 0, 132, 10}, // III
    {33, 0, 133, 30}, // IV
    {36, 0, 134, 20}, // V
    {36, 0, 136, 0},  // VI
    {36, 0, 137, 10}, // VII
    {36, 0, 138, 30}, // VIII
    {36, 0, 139, 50}, // IX
    {40, 0, 140, 50}, // X
    {44, 0, 140, 15}, // XI
    {44, 0, 142, 15}, // XII
    {44, 0, 144, 15}, // XIII
    {26, 0, 142, 0},  // XIV
    {26, 0, 127, 30}, // XV
    {26, 0, 124, 0},  // XVI
    {26, 0, 131, 0},  // XVII
    {20, 0, 136, 0},  // XVIII
    {26, 0, 154, 0},  // XIX
};

constexpr double RadiansPerSecond = 4.84813681109536e-6; // pi / 648000
constexpr double ScaleFactor = 0.9999;
constexpr double SecondEccentricitySq = 0.006719218798677; // e'^2 of Bessel 1841

// a (1 - e^2) in metres, and the series coefficients A, B/2, C/4, D/6, E/8, F/10 of the meridian
// arc for Bessel 1841.
constexpr double ArcScale = 6334832.0325206015;
constexpr double ArcA = 1.005037306048555;
constexpr double ArcB = 0.00252392462015;
constexpr double ArcC = 2.64094670775e-6;
constexpr double ArcD = 3.438887e-9;
constexpr double ArcE = 4.856625e-12;
constexpr double ArcF = 7e-15;

// Meridian arc S(phi) without the factor a (1 - e^2), phi in radians.
double MeridianArcSeries(double phi)
{
    return ArcA * phi - ArcB * std::sin(2 * phi) + ArcC * std::sin(4 * phi) -
           ArcD * std::sin(6 * phi) + ArcE * std::sin(8 * phi) - ArcF * std::sin(10 * phi);
}

} // namespace

bool PlaneZoneOrigin(int zone, double& latitudeSeconds, double& longitudeSeconds)
{
    if (zone < 1 || zone > PlaneZoneCount)
        return false;
    const ZoneOrigin& o = zoneOrigins[zone - 1];
    latitudeSeconds = o.latDeg * 3600.0 + o.latMin * 60.0;
    longitudeSeconds = o.lonDeg * 3600.0 + o.lonMin * 60.0;
    return true;
}

} // namespace regional

int LatLonToPlane(double latitude, double longitude, int zone, double& x, double& y)
{
    using namespace regional;
    double latSeconds = 0, lonSeconds = 0;
    if (!PlaneZoneOrigin(zone, latSeconds, lonSeconds))
        return 0;
    const double phi0 = latSeconds * RadiansPerSecond;
    const double lambda0 = lonSeconds * RadiansPerSecond;

    const double phi = latitude;
    const double dl = longitude - lambda0;
    const double s = std::sin(phi);
    const double c = std::cos(phi);
    const double t = std::tan(phi);
    const double t2 = t * t;
    const double t4 = t2 * t2;
    const double t6 = t4 * t2;
    const double h = SecondEccentricitySq * c * c; // eta^2
    const double n = 6377397.155 * std::sqrt(1.0 + SecondEccentricitySq) / std::sqrt(1.0 + h);
    const double dl2 = dl * dl;
    const double c2 = c * c;
    const double c3 = c2 * c;
    const double c5 = c3 * c2;
    const double c7 = c5 * c2;

    const double arc = ArcScale * (MeridianArcSeries(phi) - MeridianArcSeries(phi0));
    const double xs =
        arc + n / 2 * s * c * dl2 + n / 24 * s * c3 * (5 - t2 + 9 * h + 4 * h * h) * dl2 * dl2 -
        n / 720 * s * c5 * (-61 + 58 * t2 - t4 - 270 * h + 330 * t2 * h) * dl2 * dl2 * dl2 -
        n / 40320 * s * c7 * (-1385 + 3111 * t2 - 543 * t4 + t6) * dl2 * dl2 * dl2 * dl2;
    const double ys = n * c * dl - n / 6 * c3 * (-1 + t2 - h) * dl2 * dl -
                      n / 120 * c5 * (-5 + 18 * t2 - t4 - 14 * h + 58 * t2 * h) * dl2 * dl2 * dl -
                      n / 5040 * c7 * (-61 + 479 * t2 - 179 * t4 + t6) * dl2 * dl2 * dl2 * dl;
    x = ScaleFactor * xs;
    y = ScaleFactor * ys;
    return 1;
}
