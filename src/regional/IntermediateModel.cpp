#include "regional/IntermediateModel.h"

#include "platform/TextFile.h"

#include <algorithm>

void CIntermediateData::CopyFrom(const CIntermediateData& other)
{
    X = other.X;
    Y = other.Y;
    Latitude = other.Latitude;
    Longitude = other.Longitude;
    std::copy(other.top, other.top + MaxLayers, top);
    std::copy(other.Vp, other.Vp + MaxLayers, Vp);
    std::copy(other.Vs, other.Vs + MaxLayers, Vs);
    std::copy(other.density, other.density + MaxLayers, density);
}

std::unique_ptr<CIntermediateData> CIntermediateModel::NewRecord() const
{
    return std::make_unique<CIntermediateData>();
}

void CIntermediateModel::InitGrid(int nx, int ny, const std::string& fileName)
{
    NX = std::max(nx, 0);
    NY = std::max(ny, 0);
    FileName = fileName;
    records.clear();
    records.reserve(static_cast<std::size_t>(NX) * static_cast<std::size_t>(NY));
    for (int n = 0; n < NX * NY; ++n)
        records.push_back(NewRecord());
}

int CIntermediateModel::ReadModelFile()
{
    if (NX < 1 || NY < 1)
        return 0;
    platform::TextFile file;
    if (!file.Open(FileName))
        return 0;
    int count = 0;
    for (int i = 0; i < NX; ++i)
        for (int j = 0; j < NY; ++j)
            if (Record(i, j).ReadRecord(file.Stream()))
                ++count;
    return count;
}

int CIntermediateModel::GetLayerCount() const
{
    if (NX < 1 || NY < 1)
        return 0;
    return Record(0, 0).GetLayerCount();
}

int CIntermediateModel::QueryLogged(float x, float y, CIntermediateData& out, std::FILE* log) const
{
    const int L = NX - 1;
    const int M = NY - 1;
    auto X = [this](int i, int j) { return Record(i, j).X; };
    auto Y = [this](int i, int j) { return Record(i, j).Y; };
    auto clampTo = [&](int i, int j) {
        out.CopyFrom(Record(i, j));
        out.X = x;
        out.Y = y;
        return 1;
    };
    // Cells in scan order, i outer; the first cell whose test holds settles the point, so a point
    // on a shared edge belongs to the lower i, then the lower j.
    for (int i = 0; i + 1 < NX; ++i) {
        for (int j = 0; j + 1 < NY; ++j) {
            const bool inRows = X(i, j) <= x && x <= X(i + 1, j);
            const bool inColumns = Y(i, j) <= y && y <= Y(i, j + 1);
            if (inRows && inColumns) {
                InterpolateColumns(Record(i, j), Record(i, j + 1), Record(i + 1, j),
                                   Record(i + 1, j + 1), x, y, out);
                out.X = x;
                out.Y = y;
                if (log)
                    WriteColumnLine(out, log);
                return 1;
            }
            if (x >= X(L, j) && inColumns)
                return clampTo(L, j);
            if (x <= X(0, j) && inColumns)
                return clampTo(0, j);
            if (inRows && y >= Y(i, M))
                return clampTo(i, M);
            if (inRows && y <= Y(i, 0))
                return clampTo(i, 0);
            if (x <= X(0, 0) && y <= Y(0, 0))
                return clampTo(0, 0);
            if (x <= X(0, M) && y >= Y(0, M))
                return clampTo(0, M);
            if (x >= X(L, M) && y >= Y(L, M))
                return clampTo(L, M);
            if (x >= X(L, 0) && y <= Y(L, 0))
                return clampTo(L, 0);
        }
    }
    return 0;
}

int CIntermediateModel::Query(float x, float y, CIntermediateData& out) const
{
    // A log that cannot be created only loses the log line; the query still answers.
    platform::TextFile log;
    log.Create("test.txt");
    return QueryLogged(x, y, out, log.Stream());
}

void InterpolateColumns(const CIntermediateData& c00, const CIntermediateData& c01,
                        const CIntermediateData& c10, const CIntermediateData& c11, float x,
                        float y, CIntermediateData& out)
{
    // Fractions across the cell in double precision; a degenerate side takes the far corner.
    const double ty = c01.Y == c00.Y ? 1.0 : (double(y) - c00.Y) / (double(c01.Y) - c00.Y);
    const double tx = c10.X == c00.X ? 1.0 : (double(x) - c00.X) / (double(c10.X) - c00.X);
    const double w00 = (1 - tx) * (1 - ty);
    const double w01 = (1 - tx) * ty;
    const double w11 = tx * ty;
    const double w10 = tx * (1 - ty);
    auto blend = [&](const float* a00, const float* a01, const float* a10, const float* a11,
                     float* dst) {
        for (int k = 0; k < CIntermediateData::MaxLayers; ++k)
            dst[k] = static_cast<float>(w00 * a00[k] + w01 * a01[k] + w11 * a11[k] + w10 * a10[k]);
    };
    blend(c00.top, c01.top, c10.top, c11.top, out.top);
    blend(c00.Vp, c01.Vp, c10.Vp, c11.Vp, out.Vp);
    blend(c00.Vs, c01.Vs, c10.Vs, c11.Vs, out.Vs);
    blend(c00.density, c01.density, c10.density, c11.density, out.density);
}

void WriteColumnLine(const CIntermediateData& record, std::FILE* stream)
{
    if (!stream)
        return;
    const int layers = std::clamp(record.LayerCount, 0, CIntermediateData::MaxLayers);
    std::fprintf(stream, "%d %f %f %f %f ", record.LayerCount, record.Latitude, record.Longitude,
                 record.X, record.Y);
    for (int k = 0; k < layers; ++k)
        std::fprintf(stream, " %f %f %f ", record.top[k], record.Vp[k], record.Vs[k]);
    std::fprintf(stream, "\n");
}
