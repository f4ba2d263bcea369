#include "exchange/NetcdfFile.h"

#include "platform/BinaryFile.h"
#include "platform/TextFile.h"
#include "volume/Data3D.h"

#include <netcdf.h>
#include <netcdf_mem.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <new>
#include <stdexcept>
#include <vector>

using platform::Format;

namespace {

// Closes the file on every path out.
struct NcFile {
    int id = -1;
    ~NcFile()
    {
        if (id >= 0)
            nc_close(id);
    }
};

std::string Problem(const std::string& path, const std::string& what)
{
    return Format("Cannot read \"%s\" as NetCDF: %s.", path.c_str(), what.c_str());
}

bool IsNumeric(nc_type t)
{
    switch (t) {
    case NC_BYTE:
    case NC_UBYTE:
    case NC_SHORT:
    case NC_USHORT:
    case NC_INT:
    case NC_UINT:
    case NC_INT64:
    case NC_UINT64:
    case NC_FLOAT:
    case NC_DOUBLE:
        return true;
    default:
        return false;
    }
}

std::string VariableName(int nc, int var)
{
    char name[NC_MAX_NAME + 1] = {};
    if (nc_inq_varname(nc, var, name) != NC_NOERR)
        return "?";
    return name;
}

// A text attribute, or nothing.
bool TextAttribute(int nc, int var, const char* name, std::string& out)
{
    nc_type type = 0;
    std::size_t len = 0;
    if (nc_inq_att(nc, var, name, &type, &len) != NC_NOERR || len > 65536)
        return false;
    if (type == NC_CHAR) {
        out.assign(len, '\0');
        if (len > 0 && nc_get_att_text(nc, var, name, out.data()) != NC_NOERR)
            return false;
        out.resize(std::strlen(out.c_str()));
        return true;
    }
    if (type == NC_STRING && len == 1) {
        char* s = nullptr;
        if (nc_get_att_string(nc, var, name, &s) != NC_NOERR)
            return false;
        out = s ? s : "";
        nc_free_string(1, &s);
        return true;
    }
    return false;
}

// A numeric attribute's first value, or nothing.
bool NumberAttribute(int nc, int var, const char* name, double& out)
{
    nc_type type = 0;
    std::size_t len = 0;
    if (nc_inq_att(nc, var, name, &type, &len) != NC_NOERR || len < 1 || !IsNumeric(type))
        return false;
    std::vector<double> v(std::min<std::size_t>(len, 1024));
    if (len > v.size() || nc_get_att_double(nc, var, name, v.data()) != NC_NOERR)
        return false;
    out = v[0];
    return true;
}

// The variable to read: by name, or the first 3D float or double variable.
std::string ChooseVariable(int nc, const NetcdfReadOptions& options, int& var)
{
    if (!options.VariableName.empty()) {
        if (nc_inq_varid(nc, options.VariableName.c_str(), &var) != NC_NOERR)
            return Format("there is no variable named \"%s\"", options.VariableName.c_str());
        return {};
    }
    int count = 0;
    if (nc_inq_nvars(nc, &count) != NC_NOERR)
        return "its variables cannot be listed";
    for (int v = 0; v < count; ++v) {
        int dims = 0;
        nc_type type = 0;
        if (nc_inq_varndims(nc, v, &dims) == NC_NOERR && dims == 3 &&
            nc_inq_vartype(nc, v, &type) == NC_NOERR && (type == NC_FLOAT || type == NC_DOUBLE)) {
            var = v;
            return {};
        }
    }
    return "it has no 3D float variable";
}

// Where each axis of the variable comes from and how its values are laid out.
struct NetcdfAxis {
    std::string Dimension;
    bool Reversed = false; // the coordinate decreases: the axis is read backward
};

// Start, cell size, title and unit of one dimension from its coordinate variable.
std::string ReadCoordinate(int nc, int dim, std::size_t length, int axis, ExchangeGrid& grid,
                           NetcdfAxis& out)
{
    char name[NC_MAX_NAME + 1] = {};
    if (nc_inq_dimname(nc, dim, name) != NC_NOERR)
        return "a dimension has no name";
    out.Dimension = name;
    grid.Title[axis] = std::string(name);
    grid.Unit[axis] = std::string();
    int var = -1, dims = 0, dimids[NC_MAX_VAR_DIMS] = {};
    nc_type type = 0;
    if (nc_inq_varid(nc, name, &var) != NC_NOERR || nc_inq_varndims(nc, var, &dims) != NC_NOERR ||
        dims != 1 || nc_inq_vardimid(nc, var, dimids) != NC_NOERR || dimids[0] != dim ||
        nc_inq_vartype(nc, var, &type) != NC_NOERR || !IsNumeric(type))
        return {}; // no coordinate variable: indices, cell size 1
    std::string text;
    if (TextAttribute(nc, var, "long_name", text) || TextAttribute(nc, var, "standard_name", text))
        grid.Title[axis] = text;
    if (TextAttribute(nc, var, "units", text))
        grid.Unit[axis] = text;

    std::vector<double> c(length);
    if (nc_get_var_double(nc, var, c.data()) != NC_NOERR)
        return Format("the coordinate \"%s\" cannot be read", name);
    for (double v : c)
        if (!std::isfinite(v))
            return Format("the coordinate \"%s\" holds a value that is not finite", name);
    grid.Start[axis] = static_cast<float>(c[0]);
    if (length < 2)
        return {};
    const double step = (c[length - 1] - c[0]) / static_cast<double>(length - 1);
    // Coordinates stored as float carry their own rounding; allow that, and a small fraction of
    // the cell size, and nothing more.
    double largest = 0;
    for (double v : c)
        largest = std::max(largest, std::fabs(v));
    const double tolerance = std::max(1e-5 * std::fabs(step), 4.0 * FLT_EPSILON * largest);
    for (std::size_t i = 0; i < length; ++i)
        if (!(std::fabs(c[i] - (c[0] + static_cast<double>(i) * step)) <= tolerance) || step == 0)
            return Format("the coordinate \"%s\" is not regular (value %zu is %g, a regular "
                          "grid would have %g); Kalder reads regular grids only",
                          name, i, c[i], c[0] + static_cast<double>(i) * step);
    out.Reversed = step < 0;
    grid.Step[axis] = static_cast<float>(std::fabs(step));
    grid.Start[axis] = static_cast<float>(out.Reversed ? c[length - 1] : c[0]);
    return {};
}

// Cells holding the fill value become NaN; packed values are unpacked (in double, stored as
// float).
struct ValueFixes {
    bool HasFill = false, HasMissing = false, HasScale = false, HasOffset = false;
    float Fill = 0, Missing = 0;
    double Scale = 1, Offset = 0;

    bool Any() const { return HasFill || HasMissing || HasScale || HasOffset; }
    void Apply(float* v, std::size_t n) const
    {
        const float nan = std::numeric_limits<float>::quiet_NaN();
        for (std::size_t i = 0; i < n; ++i) {
            float x = v[i];
            if ((HasFill && x == Fill) || (HasMissing && x == Missing)) {
                v[i] = nan;
                continue;
            }
            if (HasScale || HasOffset)
                v[i] = static_cast<float>(static_cast<double>(x) * Scale + Offset);
        }
    }
};

ValueFixes ReadValueFixes(int nc, int var)
{
    ValueFixes f;
    double d = 0;
    if (NumberAttribute(nc, var, "_FillValue", d) && !std::isnan(d))
        f.HasFill = true, f.Fill = static_cast<float>(d);
    if (NumberAttribute(nc, var, "missing_value", d) && !std::isnan(d))
        f.HasMissing = true, f.Missing = static_cast<float>(d);
    if (NumberAttribute(nc, var, "scale_factor", d))
        f.HasScale = true, f.Scale = d;
    if (NumberAttribute(nc, var, "add_offset", d))
        f.HasOffset = true, f.Offset = d;
    return f;
}

// Reverses the order of the cells along one axis (0 X, 1 Y, 2 Z) in place.
void ReverseAxis(CData3D& v, int axis)
{
    if (axis == 2) {
        for (int z = 0; z < v.NZ / 2; ++z)
            for (int y = 0; y < v.NY; ++y) {
                float* a = v.Values[z][y];
                float* b = v.Values[v.NZ - 1 - z][y];
                std::swap_ranges(a, a + v.NX, b);
            }
        return;
    }
    for (int z = 0; z < v.NZ; ++z) {
        if (axis == 1) {
            for (int y = 0; y < v.NY / 2; ++y)
                std::swap_ranges(v.Values[z][y], v.Values[z][y] + v.NX, v.Values[z][v.NY - 1 - y]);
        } else {
            for (int y = 0; y < v.NY; ++y)
                std::reverse(v.Values[z][y], v.Values[z][y] + v.NX);
        }
    }
}

// Classic (CDF-1, CDF-2, CDF-5) headers are walked before the library sees them: the library
// sizes its tables from the header's counts, so a hostile count of a few bytes would make it
// allocate gigabytes, and it reads a file that was cut short without an error, filling what is
// missing. The walk checks every count against the bytes left in the file and notes where each
// variable's values end, so that the file's length can be checked against them.
class ClassicHeader {
public:
    explicit ClassicHeader(platform::BinaryFile& f) : file(f) {}

    // Walks the header from the start of the file; the message when it is damaged.
    std::string Walk(std::map<std::string, std::int64_t>& ends)
    {
        unsigned char magic[4];
        if (!Bytes(magic, 4) || std::memcmp(magic, "CDF", 3) != 0)
            return "the file does not start with a NetCDF signature";
        const int version = magic[3];
        if (version != 1 && version != 2 && version != 5)
            return Format("the classic format version %d is not known", version);
        wide = version == 5;
        beginWide = version != 1;
        std::uint64_t numrecs = 0;
        if (!Count(numrecs))
            return "the header is cut short";
        const bool streaming = numrecs == (wide ? UINT64_MAX : 0xFFFFFFFFu);

        // Dimensions: lengths, 0 for the record dimension.
        std::vector<std::uint64_t> dims;
        std::uint64_t n = 0;
        if (!List(n, 8))
            return "the dimension list is damaged";
        for (std::uint64_t i = 0; i < n; ++i) {
            std::uint64_t len = 0;
            if (!SkipName() || !Count(len))
                return "the dimension list is damaged";
            dims.push_back(len);
        }
        if (!SkipAttributes())
            return "the global attributes are damaged";
        if (!List(n, 24))
            return "the variable list is damaged";
        struct Var {
            std::string name;
            bool record = false;
            std::uint64_t vsize = 0, begin = 0, bytes = 0;
        };
        std::vector<Var> vars;
        for (std::uint64_t i = 0; i < n; ++i) {
            Var v;
            std::uint64_t ndims = 0;
            if (!Name(v.name) || !Count(ndims) || !Plausible(ndims, wide ? 8 : 4))
                return "the variable list is damaged";
            std::uint64_t cells = 1;
            bool overflow = false;
            for (std::uint64_t d = 0; d < ndims; ++d) {
                std::uint64_t id = 0;
                if (!Count(id) || id >= dims.size())
                    return "a variable names a dimension that does not exist";
                if (d == 0 && dims[id] == 0)
                    v.record = true;
                else
                    overflow = overflow || __builtin_mul_overflow(cells, dims[id], &cells);
            }
            std::uint32_t type = 0;
            if (!SkipAttributes() || !Tag(type) || !Count(v.vsize) || !Begin(v.begin))
                return "the variable list is damaged";
            const std::uint64_t size = TypeSize(type);
            if (size == 0)
                return Format("the variable \"%s\" has an unknown type", v.name.c_str());
            if (overflow || __builtin_mul_overflow(cells, size, &v.bytes))
                v.bytes = UINT64_MAX;
            vars.push_back(std::move(v));
        }
        // One record holds every record variable's slab (a lone record variable unpadded).
        std::uint64_t recordSize = 0, records = 0;
        for (const Var& v : vars)
            if (v.record) {
                recordSize += v.vsize;
                ++records;
            }
        for (const Var& v : vars) {
            std::uint64_t end = v.begin, span = 0;
            bool overflow = v.bytes == UINT64_MAX;
            if (v.record && streaming) {
                continue; // the record count is not in the header
            } else if (v.record && numrecs == 0) {
                end = v.begin;
            } else {
                if (v.record) {
                    const std::uint64_t step = records == 1 ? v.bytes : recordSize;
                    overflow = overflow || __builtin_mul_overflow(numrecs - 1, step, &span) ||
                               __builtin_add_overflow(end, span, &end);
                }
                overflow = overflow || __builtin_add_overflow(end, v.bytes, &end);
            }
            ends[v.name] = overflow || end > static_cast<std::uint64_t>(INT64_MAX)
                               ? INT64_MAX
                               : static_cast<std::int64_t>(end);
        }
        return {};
    }

private:
    static std::uint64_t TypeSize(std::uint32_t t)
    {
        switch (t) {
        case NC_BYTE:
        case NC_CHAR:
        case NC_UBYTE:
            return 1;
        case NC_SHORT:
        case NC_USHORT:
            return 2;
        case NC_INT:
        case NC_UINT:
        case NC_FLOAT:
            return 4;
        case NC_DOUBLE:
        case NC_INT64:
        case NC_UINT64:
            return 8;
        default:
            return 0;
        }
    }
    bool Bytes(void* p, std::size_t n) { return file.Read(p, n) == n; }
    bool BigEndian(std::uint64_t& v, int n)
    {
        unsigned char b[8];
        if (!Bytes(b, static_cast<std::size_t>(n)))
            return false;
        v = 0;
        for (int i = 0; i < n; ++i)
            v = v << 8 | b[i];
        return true;
    }
    bool Tag(std::uint32_t& t)
    {
        std::uint64_t v = 0;
        if (!BigEndian(v, 4))
            return false;
        t = static_cast<std::uint32_t>(v);
        return true;
    }
    bool Count(std::uint64_t& v) { return BigEndian(v, wide ? 8 : 4); }
    std::uint64_t Left()
    {
        const std::int64_t here = file.Tell(), length = file.Length();
        return here < 0 || length < here ? 0 : static_cast<std::uint64_t>(length - here);
    }
    // A count of n items of at least minBytes each fits in what is left of the file.
    bool Plausible(std::uint64_t n, std::uint64_t minBytes) { return n <= Left() / minBytes; }
    // A list header: the tag (or ABSENT's zero) and the count.
    bool List(std::uint64_t& n, std::uint64_t minBytes)
    {
        std::uint32_t tag = 0;
        return Tag(tag) && Count(n) && Plausible(n, minBytes);
    }
    bool Begin(std::uint64_t& v) { return BigEndian(v, beginWide ? 8 : 4); }
    bool Skip(std::uint64_t n)
    {
        return n <= Left() && file.Seek(static_cast<std::int64_t>(n), platform::SeekFrom::Current);
    }
    bool Name(std::string& out)
    {
        std::uint64_t n = 0;
        if (!Count(n) || n > NC_MAX_NAME * 4u)
            return false;
        out.assign(static_cast<std::size_t>(n), '\0');
        return Bytes(out.data(), out.size()) && Skip((4 - n % 4) % 4);
    }
    bool SkipName()
    {
        std::string ignored;
        return Name(ignored);
    }
    bool SkipAttributes()
    {
        std::uint64_t n = 0;
        if (!List(n, 12))
            return false;
        for (std::uint64_t i = 0; i < n; ++i) {
            std::uint32_t type = 0;
            std::uint64_t count = 0, bytes = 0;
            if (!SkipName() || !Tag(type) || !Count(count) || TypeSize(type) == 0 ||
                __builtin_mul_overflow(count, TypeSize(type), &bytes) ||
                !Skip(bytes + (4 - bytes % 4) % 4))
                return false;
        }
        return true;
    }

    platform::BinaryFile& file;
    bool wide = false, beginWide = false;
};

// Where the values of a classic file's variables end, and the file's length.
struct ClassicExtent {
    std::map<std::string, std::int64_t> Ends;
    std::int64_t Length = 0;
};

// The chosen variable and the lengths of its three dimensions, slowest first.
struct VariableShape {
    int Var = -1;
    std::string Name;
    int DimIds[3] = {};
    std::size_t Len[3] = {};
};

std::string InquireVariable(int nc, const NetcdfReadOptions& options, VariableShape& v)
{
    std::string error = ChooseVariable(nc, options, v.Var);
    if (!error.empty())
        return error;
    v.Name = VariableName(nc, v.Var);
    const char* name = v.Name.c_str();
    int dims = 0;
    nc_type type = 0;
    if (nc_inq_varndims(nc, v.Var, &dims) != NC_NOERR ||
        nc_inq_vartype(nc, v.Var, &type) != NC_NOERR)
        return Format("the variable \"%s\" cannot be inquired", name);
    if (dims != 3)
        return Format("the variable \"%s\" has %d dimensions; Kalder reads variables of 3", name,
                      dims);
    if (!IsNumeric(type))
        return Format("the variable \"%s\" does not hold numbers", name);
    if (nc_inq_vardimid(nc, v.Var, v.DimIds) != NC_NOERR)
        return Format("the dimensions of \"%s\" cannot be inquired", name);
    for (int d = 0; d < 3; ++d)
        if (nc_inq_dimlen(nc, v.DimIds[d], &v.Len[d]) != NC_NOERR ||
            v.Len[d] > static_cast<std::size_t>(INT32_MAX))
            return Format("a dimension of \"%s\" cannot be inquired", name);
    return {};
}

// The values, one Z plane per request. Staged values (chunked storage) enter the volume only
// when all were read; contiguous ones go straight into the rows, a plane that fails to read
// becoming zeros that failedPlanes counts.
std::string ReadPlanes(int nc, const VariableShape& v, const ExchangeGrid& grid, bool staged,
                       CData3D& volume, std::int64_t& failedPlanes)
{
    const ValueFixes fixes = ReadValueFixes(nc, v.Var);
    const std::size_t nx = v.Len[2], ny = v.Len[1], nz = v.Len[0], plane = nx * ny;
    StagedValues values;
    std::vector<float> buffer;
    if (staged ? !values.Reserve(grid) : (buffer.resize(plane), false))
        return "there is not enough memory for its values";
    for (std::size_t z = 0; z < nz; ++z) {
        float* p = staged ? values.Values.data() + z * plane : buffer.data();
        const std::size_t start[3] = {z, 0, 0}, count[3] = {1, ny, nx};
        int rc = nc_get_vara_float(nc, v.Var, start, count, p);
        if (rc != NC_NOERR && rc != NC_ERANGE) {
            if (staged)
                return Format("the values of \"%s\" cannot be read (%s)", v.Name.c_str(),
                              nc_strerror(rc));
            std::fill(p, p + plane, 0.0f);
            ++failedPlanes;
        }
        if (fixes.Any())
            fixes.Apply(p, plane);
        if (!staged) {
            if (z == 0)
                PrepareVolume(volume, grid);
            for (std::size_t y = 0; y < ny; ++y)
                std::memcpy(volume.Values[z][y], p + y * nx, nx * sizeof(float));
        }
    }
    if (staged)
        CommitStaged(volume, grid, values);
    else
        ApplyGrid(volume, grid);
    return {};
}

std::string ReadVariable(int nc, const std::string& path, const ClassicExtent* classic,
                         CData3D& volume, const NetcdfReadOptions& options, ExchangeResult& result)
{
    VariableShape v;
    std::string error = InquireVariable(nc, options, v);
    if (!error.empty())
        return error;
    const std::string& name = v.Name;
    if (classic) {
        auto end = classic->Ends.find(name);
        if (end != classic->Ends.end() && end->second > classic->Length)
            return Format("the file ends before the values of \"%s\" (it holds %lld bytes, the "
                          "values reach byte %lld)",
                          name.c_str(), static_cast<long long>(classic->Length),
                          static_cast<long long>(end->second));
    }

    // The grid: dimension 0 is Z, 1 is Y, 2 is X; storage decides whether values are staged.
    ExchangeGrid grid;
    for (int d = 0; d < 3; ++d)
        grid.N[2 - d] = static_cast<std::int64_t>(v.Len[d]);
    int storage = NC_CONTIGUOUS;
    std::size_t chunks[3] = {};
    if (nc_inq_var_chunking(nc, v.Var, &storage, chunks) != NC_NOERR)
        storage = NC_CHUNKED;
    const bool staged = storage != NC_CONTIGUOUS;
    error = CheckGrid(
        path, grid,
        staged ? static_cast<std::uint64_t>(std::max<std::int64_t>(grid.Cells(), 0)) * 4 : 0);
    if (!error.empty()) {
        result.Error = error;
        return {};
    }
    NetcdfAxis axes[3];
    for (int d = 0; d < 3; ++d) {
        error = ReadCoordinate(nc, v.DimIds[d], v.Len[d], 2 - d, grid, axes[2 - d]);
        if (!error.empty())
            return error;
    }
    error = CheckGeometry(path, grid);
    if (!error.empty()) {
        result.Error = error;
        return {};
    }
    std::int64_t failedPlanes = 0;
    error = ReadPlanes(nc, v, grid, staged, volume, failedPlanes);
    if (!error.empty())
        return error;
    for (int a = 0; a < 3; ++a)
        if (axes[a].Reversed)
            ReverseAxis(volume, a);
    result.Bytes = static_cast<std::int64_t>(grid.Cells()) * 4;
    if (failedPlanes > 0)
        result.Notes.push_back(Format("\"%s\": %lld planes of \"%s\" could not be read and were "
                                      "set to 0.",
                                      path.c_str(), static_cast<long long>(failedPlanes),
                                      name.c_str()));
    return {};
}

ExchangeResult ReadOpen(int nc, const std::string& path, const ClassicExtent* classic,
                        CData3D& volume, const NetcdfReadOptions& options)
{
    ExchangeResult result;
    try {
        std::string error = ReadVariable(nc, path, classic, volume, options, result);
        if (!error.empty())
            result.Error = Problem(path, error);
    } catch (const std::length_error&) {
        // A size taken from the file beyond what any block can hold: as good as no memory.
        result.Error = Problem(path, "there is not enough memory to read it");
    } catch (const std::bad_alloc&) {
        result.Error = Problem(path, "there is not enough memory to read it");
    }
    return result;
}

// Writes the definitions of the CF file; values follow in WriteValues.
std::string DefineFile(int nc, const CData3D& v, const NetcdfWriteOptions& o, int coordVars[3],
                       int& dataVar)
{
    const char* names[3] = {"x", "y", "z"};
    const char* axisNames[3] = {"X", "Y", "Z"};
    const int sizes[3] = {v.NX, v.NY, v.NZ};
    const std::string* titles[3] = {&v.TitleX, &v.TitleY, &v.TitleZ};
    const std::string* units[3] = {&v.UnitX, &v.UnitY, &v.UnitZ};
    int dims[3] = {};
    int rc = NC_NOERR;
    auto put = [&](int var, const char* att, const std::string& text) {
        if (rc == NC_NOERR)
            rc = nc_put_att_text(nc, var, att, text.size(), text.c_str());
    };
    for (int a = 0; a < 3 && rc == NC_NOERR; ++a)
        rc = nc_def_dim(nc, names[a], static_cast<std::size_t>(sizes[a]), &dims[a]);
    for (int a = 0; a < 3 && rc == NC_NOERR; ++a) {
        rc = nc_def_var(nc, names[a], NC_DOUBLE, 1, &dims[a], &coordVars[a]);
        put(coordVars[a], "units", *units[a]);
        put(coordVars[a], "long_name", *titles[a]);
        put(coordVars[a], "axis", axisNames[a]);
        if (a == 2)
            put(coordVars[a], "positive", v.ZAxisDown ? "down" : "up");
    }
    const int dataDims[3] = {dims[2], dims[1], dims[0]}; // (z, y, x), x fastest
    if (rc == NC_NOERR)
        rc = nc_def_var(nc, o.VariableName.c_str(), NC_FLOAT, 3, dataDims, &dataVar);
    if (rc == NC_NOERR) {
        if (o.DeflateLevel > 0) {
            // One chunk per Z plane (fewer rows when a plane passes 4 MiB).
            const std::size_t rows =
                std::clamp<std::size_t>((4u << 20) / (static_cast<std::size_t>(v.NX) * 4), 1,
                                        static_cast<std::size_t>(v.NY));
            const std::size_t chunk[3] = {1, rows, static_cast<std::size_t>(v.NX)};
            rc = nc_def_var_chunking(nc, dataVar, NC_CHUNKED, chunk);
            if (rc == NC_NOERR)
                rc = nc_def_var_deflate(nc, dataVar, 1, 1, std::clamp(o.DeflateLevel, 1, 9));
        } else {
            rc = nc_def_var_chunking(nc, dataVar, NC_CONTIGUOUS, nullptr);
        }
    }
    const float nan = std::numeric_limits<float>::quiet_NaN();
    if (rc == NC_NOERR)
        rc = nc_def_var_fill(nc, dataVar, 0, &nan);
    put(dataVar, "units", o.Units);
    put(dataVar, "long_name", o.LongName);
    put(NC_GLOBAL, "Conventions", "CF-1.8");
    put(NC_GLOBAL, "source", "Kalder");
    if (rc == NC_NOERR)
        rc = nc_enddef(nc);
    return rc == NC_NOERR ? std::string() : nc_strerror(rc);
}

std::string WriteValues(int nc, const CData3D& v, const int coordVars[3], int dataVar,
                        std::int64_t& bytes)
{
    const float steps[3] = {v.StepX, v.StepY, v.StepZ};
    const float starts[3] = {v.StartX, v.StartY, v.StartZ};
    const int sizes[3] = {v.NX, v.NY, v.NZ};
    int rc = NC_NOERR;
    for (int a = 0; a < 3 && rc == NC_NOERR; ++a) {
        // Start + i Step in double: exact for the float start and step, so a reader finds the
        // same start and step again.
        std::vector<double> c(static_cast<std::size_t>(sizes[a]));
        for (std::size_t i = 0; i < c.size(); ++i)
            c[i] = static_cast<double>(starts[a]) +
                   static_cast<double>(i) * static_cast<double>(steps[a]);
        rc = nc_put_var_double(nc, coordVars[a], c.data());
    }
    const std::size_t nx = static_cast<std::size_t>(v.NX), ny = static_cast<std::size_t>(v.NY);
    std::vector<float> plane(nx * ny);
    for (int z = 0; z < v.NZ && rc == NC_NOERR; ++z) {
        for (std::size_t y = 0; y < ny; ++y)
            std::memcpy(plane.data() + y * nx, v.Values[z][y], nx * sizeof(float));
        const std::size_t start[3] = {static_cast<std::size_t>(z), 0, 0}, count[3] = {1, ny, nx};
        rc = nc_put_vara_float(nc, dataVar, start, count, plane.data());
        if (rc == NC_NOERR)
            bytes += static_cast<std::int64_t>(plane.size() * 4);
    }
    return rc == NC_NOERR ? std::string() : nc_strerror(rc);
}

// Walks a classic header before the library opens the file; other files pass unchecked (HDF5
// checks its own structure against the file's end). Empty when the library may open it.
std::string CheckClassic(platform::BinaryFile& file, ClassicExtent& classic, bool& isClassic)
{
    unsigned char magic[3] = {};
    isClassic = file.Read(magic, 3) == 3 && std::memcmp(magic, "CDF", 3) == 0;
    if (!isClassic || !file.Seek(0, platform::SeekFrom::Begin))
        return {};
    classic.Length = file.Length();
    return ClassicHeader(file).Walk(classic.Ends);
}

ExchangeResult Refused(const std::string& path, const std::string& what)
{
    ExchangeResult result;
    result.Error = Problem(path, what);
    return result;
}

} // namespace

ExchangeResult ReadNetcdfFile(const std::string& path, CData3D& volume,
                              const NetcdfReadOptions& options)
{
    ClassicExtent classic;
    bool isClassic = false;
    std::string error;
    auto raw = platform::OpenBinaryRead(path, &error);
    if (!raw)
        return Refused(path, error);
    error = CheckClassic(*raw, classic, isClassic);
    raw.reset();
    if (!error.empty())
        return Refused(path, error);
    NcFile f;
    int rc = nc_open(path.c_str(), NC_NOWRITE, &f.id);
    if (rc != NC_NOERR) {
        f.id = -1;
        return Refused(path, nc_strerror(rc));
    }
    return ReadOpen(f.id, path, isClassic ? &classic : nullptr, volume, options);
}

ExchangeResult ReadNetcdfMemory(const std::string& name, const void* data, std::size_t size,
                                CData3D& volume, const NetcdfReadOptions& options)
{
    ClassicExtent classic;
    bool isClassic = false;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    platform::MemoryFile raw(std::vector<std::uint8_t>(bytes, bytes + size));
    std::string error = CheckClassic(raw, classic, isClassic);
    if (!error.empty())
        return Refused(name, error);
    NcFile f;
    // The library does not write through NC_NOWRITE; it only takes a non-const pointer.
    int rc = nc_open_mem(name.c_str(), NC_NOWRITE, size, const_cast<void*>(data), &f.id);
    if (rc != NC_NOERR) {
        f.id = -1;
        return Refused(name, nc_strerror(rc));
    }
    return ReadOpen(f.id, name, isClassic ? &classic : nullptr, volume, options);
}

std::vector<std::string> ListNetcdfVariables(const std::string& path)
{
    std::vector<std::string> names;
    ClassicExtent classic;
    bool isClassic = false;
    auto raw = platform::OpenBinaryRead(path);
    if (!raw || !CheckClassic(*raw, classic, isClassic).empty())
        return names;
    raw.reset();
    NcFile f;
    if (nc_open(path.c_str(), NC_NOWRITE, &f.id) != NC_NOERR) {
        f.id = -1;
        return names;
    }
    int count = 0;
    if (nc_inq_nvars(f.id, &count) != NC_NOERR)
        return names;
    for (int v = 0; v < count; ++v) {
        int dims = 0;
        nc_type type = 0;
        if (nc_inq_varndims(f.id, v, &dims) == NC_NOERR && dims == 3 &&
            nc_inq_vartype(f.id, v, &type) == NC_NOERR && IsNumeric(type))
            names.push_back(VariableName(f.id, v));
    }
    return names;
}

ExchangeResult WriteNetcdfFile(const CData3D& volume, const std::string& path,
                               const NetcdfWriteOptions& options)
{
    ExchangeResult result;
    result.Error = CheckWritable(volume, path);
    if (!result.Ok())
        return result;
    auto fail = [&](const std::string& what) {
        result.Error = Format("Cannot write \"%s\": %s.", path.c_str(), what.c_str());
        return result;
    };
    if (options.VariableName.empty() || options.VariableName == "x" ||
        options.VariableName == "y" || options.VariableName == "z")
        return fail("the variable needs a name other than x, y and z");
    ScratchBeside scratch(path);
    if (!scratch.Made())
        return fail(scratch.Error());
    NcFile f;
    int rc = nc_create(scratch.Path().c_str(), NC_CLOBBER | NC_NETCDF4, &f.id);
    if (rc != NC_NOERR) {
        f.id = -1;
        return fail(nc_strerror(rc));
    }
    int coordVars[3] = {}, dataVar = 0;
    std::string error = DefineFile(f.id, volume, options, coordVars, dataVar);
    if (error.empty())
        error = WriteValues(f.id, volume, coordVars, dataVar, result.Bytes);
    rc = nc_close(f.id);
    f.id = -1;
    if (error.empty() && rc != NC_NOERR)
        error = nc_strerror(rc);
    if (!error.empty())
        return fail(error);
    if (!scratch.Commit())
        return fail(scratch.Error() + "; the file was not changed");
    return result;
}
