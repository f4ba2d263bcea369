#pragma once
// A regional layered model: a rectilinear horizontal grid of layer columns, X growing with the
// first index i and Y with the second index j, queried point by point with bilinear
// interpolation between the four corner columns of a cell and clamping beyond the grid edge.

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

// One layer column: at most six layers below one grid node.
class CIntermediateData {
public:
    static constexpr int MaxLayers = 6;

    CIntermediateData() = default;
    virtual ~CIntermediateData() = default;
    CIntermediateData(const CIntermediateData&) = default;
    CIntermediateData& operator=(const CIntermediateData&) = delete;

    // Reads the record's values from an open text stream in the line format of the derived
    // record type; returns 1 when read. The plain record has no file format and reads nothing.
    virtual int ReadRecord(std::FILE* stream) { return 0; }
    virtual int GetLayerCount() const { return LayerCount; }

    // Copies position and all six entries of every array; the layer count stays this record's.
    void CopyFrom(const CIntermediateData& other);

    int LayerCount = MaxLayers; // layers in use, 1..6
    float X = 0;                // metres along the model's first grid axis
    float Y = 0;                // metres along the model's second grid axis
    float Latitude = 0;         // degrees
    float Longitude = 0;        // degrees
    float top[MaxLayers] = {};  // elevation of each layer top, metres, positive upward
    float Vp[MaxLayers] = {};   // km/s
    float Vs[MaxLayers] = {0.5f, 0.5f, 0.7f, 1.4f, 2.4f, 2.9f}; // km/s
    float density[MaxLayers] = {};                              // g/cm^3
};

// The grid of layer columns. A fresh model has no grid and answers every query with 0.
class CIntermediateModel {
public:
    CIntermediateModel() = default;
    virtual ~CIntermediateModel() = default;
    CIntermediateModel(const CIntermediateModel&) = delete;
    CIntermediateModel& operator=(const CIntermediateModel&) = delete;

    // Sets the grid size and model file name and creates nx x ny records (NewRecord).
    virtual void InitGrid(int nx, int ny, const std::string& fileName);
    // Reads every record, i outer and j inner, from the model file; returns the records read.
    virtual int ReadModelFile();
    // Entry point of the selection command.
    virtual int Load() { return ReadModelFile(); }
    // Finds the layer column at (x, y) (metres, model coordinates) and writes it into out;
    // returns 1 when out was filled, 0 when no cell or edge rule matched (out unchanged).
    // Interpolated columns are logged to log with WriteColumnLine when log is open.
    virtual int QueryLogged(float x, float y, CIntermediateData& out, std::FILE* log) const;
    // QueryLogged with "test.txt" in the current directory, truncated by every call, as the log.
    virtual int Query(float x, float y, CIntermediateData& out) const;
    // 0 without a grid, else the layer count of record (0, 0).
    virtual int GetLayerCount() const;

    // Record (i, j): i along X (0..NX-1), j along Y (0..NY-1).
    CIntermediateData& Record(int i, int j) { return *records[Index(i, j)]; }
    const CIntermediateData& Record(int i, int j) const { return *records[Index(i, j)]; }

    int NX = 0;
    int NY = 0;
    std::string FileName; // relative to the current directory

protected:
    // The record type of the model; derived models return their own.
    virtual std::unique_ptr<CIntermediateData> NewRecord() const;

private:
    std::size_t Index(int i, int j) const
    {
        return static_cast<std::size_t>(i) * static_cast<std::size_t>(NY) +
               static_cast<std::size_t>(j);
    }
    std::vector<std::unique_ptr<CIntermediateData>> records; // row i holds NY records j
};

// Bilinear interpolation of the four corner columns of one cell into out: c00 = (i, j),
// c01 = (i, j+1), c10 = (i+1, j), c11 = (i+1, j+1). Writes top, Vp, Vs and density (all six
// entries, double precision, stored as float) and nothing else.
void InterpolateColumns(const CIntermediateData& c00, const CIntermediateData& c01,
                        const CIntermediateData& c10, const CIntermediateData& c11, float x,
                        float y, CIntermediateData& out);

// One column as a text line: count, latitude, longitude, X, Y, then top, Vp, Vs per layer in use.
void WriteColumnLine(const CIntermediateData& record, std::FILE* stream);
