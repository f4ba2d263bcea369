#pragma once
// One-dimensional layered models at seismic stations, cut from a three-dimensional
// finite-difference model: the grid column nearest to each station is read from the binary
// model file and written as a text file named after the station.

#include "volume/VolumeCommands.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {
class BinaryFile;
}

// A station in plane coordinates of zone VII, metres: X northing, Y easting.
struct CStation {
    std::string Name;
    double X = 0;
    double Y = 0;
};

// Longest station name accepted, in bytes.
constexpr std::size_t MaxStationNameLength = 159;
// Stations read from one list at most.
constexpr int MaxStations = 1000;

struct StationList {
    std::vector<CStation> Stations;
    bool Opened = false;
    std::string OpenError; // system error text when the file could not be opened
    // Why reading stopped before the end of the file (a line that is not a station, a name that
    // cannot be used, stations beyond the limit); empty when the whole file was read.
    std::string Note;
};

// Reads a station list: one station per line, "number name Y X" separated by white space (the
// number is not used; Y easting and X northing in metres, read as float32). Blank lines are
// skipped; reading stops at the first other line that is not a station and after MaxStations
// stations. A name longer than MaxStationNameLength, containing '/' or control characters, or
// "." or "..", stops reading too, since it names the station's output file.
StationList ReadStationFile(const std::string& path);

// A regular grid of nodes, horizontally square cells of CellSize and vertical cells whose
// thickness changes by depth zone. Node (ix, iy): ix along x (northing), iy along y (easting).
class CFiniteDifferenceModel {
public:
    static constexpr int ZoneSlots = 4;

    virtual ~CFiniteDifferenceModel() = default;
    // 1 when the model's data file is open.
    virtual int OpenModelFile() = 0;
    // 1 when the station's 1D model was written; ix and iy are the station's node either way.
    virtual int ExtractColumn(const CStation& station, int& ix, int& iy) = 0;

    // NZ = sum of the zone counts; thickness and depth (bottom of each cell, running sum) from
    // the zones, top down.
    void SetupDepthZones();
    // Nearest node of a station: (x - origin x) as float32 / CellSize, + 0.5 in double, rounded
    // down; values beyond the int range are clamped to it.
    void FindNode(const CStation& station, int& ix, int& iy) const;
    bool IsInside(int ix, int iy) const { return ix >= 0 && ix < NX && iy >= 0 && iy < NY; }

    int NX = 0;
    int NY = 0;
    int NZ = 0;
    double OriginLatitude = 0;  // degrees, node (0, 0)
    double OriginLongitude = 0; // degrees
    double OriginX = 0;         // metres, plane coordinates of node (0, 0), zone VII
    double OriginY = 0;
    float CellSize = 0;                  // metres between nodes
    float ZoneThickness[ZoneSlots] = {}; // metres per cell in each depth zone
    int ZoneCount[ZoneSlots] = {};       // cells in each depth zone
    std::vector<float> Thickness;        // metres, cell k from the top
    std::vector<float> Depth;            // metres, bottom of cell k
};

// The Halvo model: 931 x 899 nodes of 125 m from 34.4646 N, 136.3111 E, 97 depth cells (20 of
// 125 m, 2 of 250 m, 75 of 500 m) read from "HalvoBinary.dat": column (ix, iy) at byte offset
// (ix NY + iy) NZ 16, four float32 arrays of NZ values (lambda, mu, rho, Q) from the top down.
class CHalvoModel : public CFiniteDifferenceModel {
public:
    // folder holds "HalvoBinary.dat" and receives the station files; empty means the current
    // directory.
    explicit CHalvoModel(std::string folder = "");
    ~CHalvoModel() override;

    // Opens "HalvoBinary.dat" and checks that its length is NX NY NZ 16 bytes. Shows "Error in
    // opening a model file" when it cannot be opened, or a message with both sizes when the
    // length differs; then the model records that its file is not open.
    int OpenModelFile() override;
    // Finds the station's node; outside the grid shows "Station is outside of the model !".
    // Inside, with the file open, reads the column and writes "<name>.dat". Returns 1 when the
    // file was written.
    int ExtractColumn(const CStation& station, int& ix, int& iy) override;

    int FileOpen = 0; // 1 when OpenModelFile succeeded
    std::unique_ptr<platform::BinaryFile> file;

private:
    std::string folder;
};

// "Extract 1D model": the station list from a file-open dialog "Station file(*.*)", "%d stations
// have been read !", the model, one "<name>.dat" per station inside the model, "FindStation.txt"
// (station number from 1, ix, iy per station) and "Station search has been completed !". folder
// as for CHalvoModel. Asks for no repaint.
CommandResult OnExtract1DModel(const std::string& folder = "");
