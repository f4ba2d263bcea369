#include "shell/SliceProfile.h"

#include "platform/TextFile.h"

CellCoordinates CellCoordinatesOf(const CData3D& v, int kind, int column, int row)
{
    CellCoordinates c;
    switch (kind) {
    case PlaneZ:
        c.horizontal = v.StartY + double(column) * v.StepY;
        c.vertical = v.StartX + double(v.NX - 1 - row) * v.StepX;
        c.horizontalTitle = v.TitleY, c.horizontalUnit = v.UnitY;
        c.verticalTitle = v.TitleX, c.verticalUnit = v.UnitX;
        break;
    case PlaneY:
        c.horizontal = v.StartX + double(column) * v.StepX;
        c.vertical = v.StartZ + double(row) * v.StepZ;
        c.horizontalTitle = v.TitleX, c.horizontalUnit = v.UnitX;
        c.verticalTitle = v.TitleZ, c.verticalUnit = v.UnitZ;
        break;
    default:
        c.horizontal = v.StartY + double(column) * v.StepY;
        c.vertical = v.StartZ + double(row) * v.StepZ;
        c.horizontalTitle = v.TitleY, c.horizontalUnit = v.UnitY;
        c.verticalTitle = v.TitleZ, c.verticalUnit = v.UnitZ;
        break;
    }
    return c;
}

CellProfiles ProfilesAt(const CData3D& v, int kind, int index, int column, int row)
{
    CellProfiles p;
    p.column = column, p.row = row;
    p.value = v.GetPlaneValue(kind, index, column, row);
    int columns = 0, rows = 0;
    float hstep = 0, vstep = 0;
    v.GetPlaneGeometry(kind, columns, rows, hstep, vstep);
    const CellCoordinates at = CellCoordinatesOf(v, kind, column, row);
    p.vertical.axisTitle = at.verticalTitle + " (" + at.verticalUnit + ")";
    p.vertical.marked = row;
    for (int j = 0; j < rows; ++j) {
        p.vertical.coordinates.push_back(CellCoordinatesOf(v, kind, column, j).vertical);
        p.vertical.values.push_back(v.GetPlaneValue(kind, index, column, j));
    }
    p.horizontal.axisTitle = at.horizontalTitle + " (" + at.horizontalUnit + ")";
    p.horizontal.marked = column;
    for (int i = 0; i < columns; ++i) {
        p.horizontal.coordinates.push_back(CellCoordinatesOf(v, kind, i, row).horizontal);
        p.horizontal.values.push_back(v.GetPlaneValue(kind, index, i, row));
    }
    return p;
}

std::string ProfileText(const ProfileSeries& s)
{
    std::string text = "# " + s.axisTitle + " value\n";
    for (std::size_t i = 0; i < s.values.size() && i < s.coordinates.size(); ++i)
        text += platform::Format("%.9g %.9g\n", s.coordinates[i], double(s.values[i]));
    return text;
}
