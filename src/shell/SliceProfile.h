#pragma once
// Values along the two axes of the section through one cell (the profile window), and the
// coordinates of a cell of a plane as the picture labels them.

#include "volume/Data3D.h"

#include <string>
#include <vector>

// The coordinates of the column and row axes at a cell of plane kind kind, axis units; an XY
// plane has the largest X in row 0.
struct CellCoordinates {
    double horizontal = 0;
    double vertical = 0;
    std::string horizontalTitle, verticalTitle;
    std::string horizontalUnit, verticalUnit;
};
CellCoordinates CellCoordinatesOf(const CData3D& volume, int kind, int column, int row);

struct ProfileSeries {
    std::string axisTitle;           // "Z (m)": the axis the values run along
    std::vector<double> coordinates; // of each cell along the axis
    std::vector<float> values;       // GetPlaneValue along the line
    int marked = 0;                  // index of the cell that was chosen
};

struct CellProfiles {
    int column = 0, row = 0;
    float value = 0;
    ProfileSeries vertical;   // down the cell's column: all rows
    ProfileSeries horizontal; // along the cell's row: all columns
};

// The profiles of plane kind/index through column and row. The caller checks that the plane and
// the cell exist.
CellProfiles ProfilesAt(const CData3D& volume, int kind, int index, int column, int row);

// Two columns, coordinate and value, one line per cell ("%.9g %.9g"), with a first comment
// line naming them.
std::string ProfileText(const ProfileSeries& series);
