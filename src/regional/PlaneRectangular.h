#pragma once
// Japan Plane Rectangular Coordinate System: a Gauss-Krueger (transverse Mercator) projection of
// the Bessel 1841 ellipsoid, scale factor 0.9999 on the central meridian of each zone, with x the
// northing and y the easting from the zone origin.

namespace regional {

// Zones of the standard's table of origins, numbered from 1 (zone I).
constexpr int PlaneZoneCount = 19;

// Origin of a zone in seconds of arc (latitude, longitude); false for a zone outside 1..19.
bool PlaneZoneOrigin(int zone, double& latitudeSeconds, double& longitudeSeconds);

} // namespace regional

// Converts latitude and longitude (radians) to the plane coordinates of zone (1..19): x northing
// and y easting in metres from the zone origin. Returns 1; returns 0 for an unknown zone and
// leaves x and y unchanged.
int LatLonToPlane(double latitude, double longitude, int zone, double& x, double& y);
