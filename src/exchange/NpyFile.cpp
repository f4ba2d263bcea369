#include "exchange/NpyFile.h"

#include "exchange/NpySidecar.h"
#include "exchange/ValueRows.h"
#include "platform/BinaryFile.h"
#include "platform/TextFile.h"
#include "volume/Data3D.h"

#include <cstring>

using platform::BinaryFile;
using platform::Format;

namespace {

// Real headers are a few hundred bytes; this bounds what a hostile length makes us read.
constexpr std::uint32_t MaxHeaderBytes = 1u << 20;

// A reader of the header's Python dict literal: string keys; string, True/False and tuple of
// integers values.
class DictReader {
public:
    explicit DictReader(const std::string& text) : s(text) {}

    void Blank()
    {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\n' || s[i] == '\r'))
            ++i;
    }
    bool Take(char c)
    {
        Blank();
        if (i < s.size() && s[i] == c) {
            ++i;
            return true;
        }
        return false;
    }
    bool Peek(char c)
    {
        Blank();
        return i < s.size() && s[i] == c;
    }
    bool String(std::string& out)
    {
        Blank();
        if (i >= s.size() || (s[i] != '\'' && s[i] != '"'))
            return false;
        const char quote = s[i++];
        std::string::size_type end = s.find(quote, i);
        if (end == std::string::npos)
            return false;
        out = s.substr(i, end - i);
        i = end + 1;
        return true;
    }
    bool Word(const char* w)
    {
        Blank();
        std::size_t n = std::strlen(w);
        if (s.compare(i, n, w) == 0) {
            i += n;
            return true;
        }
        return false;
    }
    // A non-negative integer (Python 2 files may append 'L').
    bool Integer(std::int64_t& out)
    {
        Blank();
        std::size_t j = i;
        out = 0;
        while (j < s.size() && s[j] >= '0' && s[j] <= '9') {
            if (__builtin_mul_overflow(out, 10, &out) ||
                __builtin_add_overflow(out, s[j] - '0', &out))
                return false;
            ++j;
        }
        if (j == i)
            return false;
        if (j < s.size() && (s[j] == 'L' || s[j] == 'l'))
            ++j;
        i = j;
        return true;
    }
    bool Tuple(std::vector<std::int64_t>& out)
    {
        out.clear();
        if (!Take('('))
            return false;
        while (!Take(')')) {
            std::int64_t v = 0;
            if (out.size() >= 32 || !Integer(v))
                return false;
            out.push_back(v);
            if (!Take(',') && !Peek(')'))
                return false;
        }
        return true;
    }

private:
    const std::string& s;
    std::size_t i = 0;
};

// descr such as "<f4", ">i2", "|u1": byte order, kind and size.
bool ParseDescr(const std::string& d, ElementType& type, bool& bigEndian)
{
    if (d.size() < 3)
        return false;
    const char order = d[0];
    if (order != '<' && order != '>' && order != '|' && order != '=')
        return false;
    bigEndian = order == '>';
    const std::string code = d.substr(1);
    struct Known {
        const char* code;
        ElementType type;
    };
    static const Known known[] = {
        {"f4", ElementType::Float32}, {"f8", ElementType::Float64}, {"i1", ElementType::Int8},
        {"u1", ElementType::UInt8},   {"i2", ElementType::Int16},   {"u2", ElementType::UInt16},
        {"i4", ElementType::Int32},   {"u4", ElementType::UInt32},  {"i8", ElementType::Int64},
        {"u8", ElementType::UInt64},
    };
    for (const Known& k : known)
        if (code == k.code) {
            type = k.type;
            // '|' (no byte order) is only meaningful for one-byte elements.
            return order != '|' || ElementBytes(type) == 1;
        }
    return false;
}

std::string HeaderError(const std::string& path, const std::string& what)
{
    return Format("Cannot read \"%s\" as a NumPy file: %s.", path.c_str(), what.c_str());
}

// The header dict text for a float32 array of shape (nz, ny, nx), padded so that the data
// starts at a multiple of 64 bytes (10 bytes of preamble in version 1.0).
std::string HeaderText(int nx, int ny, int nz)
{
    std::string dict =
        Format("{'descr': '<f4', 'fortran_order': False, 'shape': (%d, %d, %d), }", nz, ny, nx);
    std::size_t total = 10 + dict.size() + 1;
    std::size_t padded = (total + 63) / 64 * 64;
    dict.append(padded - total, ' ');
    return dict + "\n";
}

} // namespace

std::string ReadNpyHeader(BinaryFile& file, NpyHeader& h)
{
    const std::string& path = file.Path();
    unsigned char pre[8];
    if (file.Read(pre, 8) != 8 || std::memcmp(pre, "\x93NUMPY", 6) != 0)
        return HeaderError(path, "the file does not start with the NumPy signature");
    h.Major = pre[6];
    h.Minor = pre[7];
    if (h.Major < 1 || h.Major > 3)
        return HeaderError(path, Format("format version %d.%d is not known", h.Major, h.Minor));
    std::uint32_t length = 0;
    std::int64_t preamble = 0;
    if (h.Major == 1) {
        unsigned char b[2];
        if (file.Read(b, 2) != 2)
            return HeaderError(path, "the file ends inside the header");
        length = static_cast<std::uint32_t>(b[0] | b[1] << 8);
        preamble = 10;
    } else {
        unsigned char b[4];
        if (file.Read(b, 4) != 4)
            return HeaderError(path, "the file ends inside the header");
        length = static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
                 static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
        preamble = 12;
    }
    const std::int64_t fileLength = file.Length();
    if (length > MaxHeaderBytes || (fileLength >= 0 && preamble + length > fileLength))
        return HeaderError(path, Format("the header length %u exceeds the file", length));
    std::string text(length, '\0');
    if (file.Read(text.data(), length) != length)
        return HeaderError(path, "the file ends inside the header");

    DictReader r(text);
    bool haveDescr = false, haveOrder = false, haveShape = false;
    if (!r.Take('{'))
        return HeaderError(path, "the header is not a dictionary");
    while (!r.Take('}')) {
        std::string key;
        if (!r.String(key) || !r.Take(':'))
            return HeaderError(path, "the header dictionary is malformed");
        if (key == "descr") {
            std::string descr;
            if (!r.String(descr))
                return HeaderError(path, "the element type is not a simple type (structured "
                                         "arrays are not read)");
            if (!ParseDescr(descr, h.Type, h.BigEndian))
                return HeaderError(path, Format("the element type '%s' is not read (float32, "
                                                "float64 and integers are)",
                                                descr.c_str()));
            haveDescr = true;
        } else if (key == "fortran_order") {
            if (r.Word("True"))
                h.FortranOrder = true;
            else if (r.Word("False"))
                h.FortranOrder = false;
            else
                return HeaderError(path, "fortran_order is neither True nor False");
            haveOrder = true;
        } else if (key == "shape") {
            if (!r.Tuple(h.Shape))
                return HeaderError(path, "the shape is not a tuple of sizes");
            haveShape = true;
        } else {
            return HeaderError(path, Format("the header has an unknown key '%s'", key.c_str()));
        }
        if (!r.Take(',') && !r.Peek('}'))
            return HeaderError(path, "the header dictionary is malformed");
    }
    if (!haveDescr || !haveOrder || !haveShape)
        return HeaderError(path, "the header lacks descr, fortran_order or shape");
    h.DataOffset = preamble + length;
    return {};
}

ExchangeResult ReadNpy(BinaryFile& file, CData3D& volume, const ExchangeGrid& geometry)
{
    ExchangeResult result;
    const std::string& path = file.Path();
    NpyHeader h;
    result.Error = ReadNpyHeader(file, h);
    if (!result.Ok())
        return result;

    // Shape (NZ, NY, NX), or (NY, NX) for one plane.
    ExchangeGrid grid = geometry;
    if (h.Shape.size() == 3) {
        grid.N[0] = h.Shape[2], grid.N[1] = h.Shape[1], grid.N[2] = h.Shape[0];
    } else if (h.Shape.size() == 2) {
        grid.N[0] = h.Shape[1], grid.N[1] = h.Shape[0], grid.N[2] = 1;
    } else {
        result.Error = Format("Cannot read \"%s\": the array has %zu dimensions; Kalder reads "
                              "3 (NZ, NY, NX) or 2 (NY, NX).",
                              path.c_str(), h.Shape.size());
        return result;
    }
    result.Error = CheckGrid(path, grid);
    if (result.Ok())
        result.Error = CheckGeometry(path, grid);
    if (!result.Ok())
        return result;
    // The element count fits 63 bits (CheckGrid bounds it by memory), the bytes may not.
    std::int64_t need = 0;
    const std::int64_t fileLength = file.Length();
    if (__builtin_mul_overflow(grid.Cells(), static_cast<std::int64_t>(ElementBytes(h.Type)),
                               &need) ||
        (fileLength >= 0 && need > fileLength - h.DataOffset)) {
        result.Error =
            Format("Cannot read \"%s\": the shape needs %lld bytes of values, the file "
                   "holds %lld.",
                   path.c_str(), static_cast<long long>(need),
                   static_cast<long long>(std::max<std::int64_t>(0, fileLength - h.DataOffset)));
        return result;
    }

    PrepareVolume(volume, grid);
    RowReadResult read = h.FortranOrder ? ReadColumnsInto(file, h.Type, h.BigEndian, volume)
                                        : ReadRowsInto(file, h.Type, h.BigEndian, volume);
    ApplyGrid(volume, grid);
    result.Bytes = read.Bytes;
    if (read.Missing > 0)
        result.Notes.push_back(MissingValuesText(path, read.Missing, grid.Cells()));
    return result;
}

ExchangeResult ReadNpyFile(const std::string& path, CData3D& volume, const NpyReadOptions& options)
{
    ExchangeResult result;
    ExchangeGrid geometry;
    for (int a = 0; a < 3; ++a) {
        geometry.Step[a] = options.Step[a];
        geometry.Start[a] = options.Start[a];
    }
    if (options.UseSidecar) {
        std::string error;
        ReadNpySidecar(path, geometry, error);
        if (!error.empty()) {
            result.Error = error;
            return result;
        }
    }
    std::string error;
    auto file = platform::OpenBinaryRead(path, &error);
    if (!file) {
        result.Error = Format("Cannot open \"%s\": %s.", path.c_str(), error.c_str());
        return result;
    }
    return ReadNpy(*file, volume, geometry);
}

ExchangeResult WriteNpy(const CData3D& volume, BinaryFile& file)
{
    ExchangeResult result;
    result.Error = CheckWritable(volume, file.Path());
    if (!result.Ok())
        return result;
    const std::string header = HeaderText(volume.NX, volume.NY, volume.NZ);
    unsigned char pre[10] = {0x93,
                             'N',
                             'U',
                             'M',
                             'P',
                             'Y',
                             1,
                             0,
                             static_cast<unsigned char>(header.size() & 0xFF),
                             static_cast<unsigned char>(header.size() >> 8)};
    bool ok = file.Write(pre, sizeof pre) && file.Write(header.data(), header.size());
    ok = ok && WriteRowsFrom(volume, file, result.Bytes);
    if (!ok)
        result.Error =
            Format("Cannot write \"%s\": a write failed (disk full?).", file.Path().c_str());
    return result;
}

ExchangeResult WriteNpyFile(const CData3D& volume, const std::string& path)
{
    ExchangeResult result;
    result.Error = CheckWritable(volume, path);
    if (!result.Ok())
        return result;
    result = WriteThroughTemporary(path, [&](BinaryFile& file) { return WriteNpy(volume, file); });
    if (!result.Ok())
        return result;
    const std::string sidecar = SidecarPath(path);
    const std::string text = NpySidecarText(volume);
    ExchangeResult side = WriteThroughTemporary(sidecar, [&](BinaryFile& file) {
        ExchangeResult r;
        if (!file.Write(text.data(), text.size()))
            r.Error = Format("Cannot write \"%s\": a write failed (disk full?).", sidecar.c_str());
        return r;
    });
    if (!side.Ok())
        result.Error =
            side.Error + Format(" \"%s\" was written without its steps and starts.", path.c_str());
    return result;
}
