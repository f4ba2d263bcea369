#include "exchange/VtiFile.h"

#include "exchange/Base64.h"
#include "exchange/ValueConversion.h"
#include "exchange/ValueRows.h"
#include "exchange/XmlTags.h"
#include "platform/BinaryFile.h"
#include "platform/TextFile.h"
#include "volume/Data3D.h"
#include "volume/VolumeFile.h"

#include <zlib.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <new>
#include <stdexcept>
#include <vector>

using platform::BinaryFile;
using platform::Format;

namespace {

constexpr std::size_t ChunkBytes = 64 * 1024;
// Uncompressed bytes per zlib block written; VTK and ParaView take any block size.
constexpr std::size_t WriteBlockBytes = 64 * 1024;
// Blocks read at once and inflated by the cores together: about 32 MiB of values, so that the
// cores meet rarely and the compressed bytes held stay bounded.
constexpr std::uint64_t InflateGroupBytes = 32u << 20;
constexpr std::uint64_t InflateGroupBlocks = 4096;
// A block that inflates to fewer bytes than the table says; no zlib return code.
constexpr int ShortBlock = 100;
// zlib level of written files: the fastest, since a model of 512^3 cells would otherwise take
// many seconds to write, and smooth velocity grids gain little from the slower levels.
constexpr int WriteLevel = 1;

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::string Problem(const std::string& path, const std::string& what)
{
    return Format("Cannot read \"%s\" as VTK ImageData: %s.", path.c_str(), what.c_str());
}

template <typename T> bool ParseList(const std::string& text, int n, T* out)
{
    const char* p = text.c_str();
    const char* e = p + text.size();
    for (int i = 0; i < n; ++i) {
        while (p < e && IsBlank(*p))
            ++p;
        auto r = std::from_chars(p, e, out[i]);
        if (r.ec != std::errc())
            return false;
        p = r.ptr;
    }
    while (p < e && IsBlank(*p))
        ++p;
    return p == e;
}

bool TypeFromName(const std::string& name, ElementType& type)
{
    struct Known {
        const char* name;
        ElementType type;
    };
    static const Known known[] = {
        {"Float32", ElementType::Float32}, {"Float64", ElementType::Float64},
        {"Int8", ElementType::Int8},       {"UInt8", ElementType::UInt8},
        {"Int16", ElementType::Int16},     {"UInt16", ElementType::UInt16},
        {"Int32", ElementType::Int32},     {"UInt32", ElementType::UInt32},
        {"Int64", ElementType::Int64},     {"UInt64", ElementType::UInt64},
    };
    for (const Known& k : known)
        if (name == k.name) {
            type = k.type;
            return true;
        }
    return false;
}

// What the XML says about the image and the array to read.
struct VtiLayout {
    bool BigEndian = false;
    int HeaderBytes = 4; // UInt32 or UInt64 block headers
    bool Compressed = false;
    std::int64_t Extent[6] = {};
    double Origin[3] = {0, 0, 0};
    double Spacing[3] = {1, 1, 1};
    bool Rotated = false;
    const XmlElement* Array = nullptr;
    std::string ArrayName;
    bool PointData = false;
    ElementType Type = ElementType::Float32;
    std::string Encoding; // "ascii", "binary" or "appended"
    std::int64_t Offset = 0;
    bool AppendedBase64 = false;
};

// The XML part of a file: everything up to the '_' that opens appended data, or the whole file.
struct XmlPart {
    std::string Text;
    std::int64_t DataStart = -1; // file offset just past '_'; -1 without appended data
};

std::string ReadXmlPart(BinaryFile& file, XmlPart& part)
{
    std::string& text = part.Text;
    std::size_t searchFrom = 0, tag = std::string::npos;
    const std::uint64_t limit = VolumeMemoryLimit();
    for (;;) {
        if (text.size() > limit)
            return "its XML part does not fit in memory";
        const std::size_t old = text.size();
        text.resize(old + ChunkBytes);
        const std::size_t got = file.Read(&text[old], ChunkBytes);
        text.resize(old + got);
        if (tag == std::string::npos) {
            tag = text.find("<AppendedData", searchFrom);
            if (tag == std::string::npos)
                searchFrom = text.size() > 16 ? text.size() - 16 : 0;
        }
        if (tag != std::string::npos) {
            std::size_t close = text.find('>', tag);
            std::size_t u = close == std::string::npos ? text.size() : close + 1;
            while (u < text.size() && IsBlank(text[u]))
                ++u;
            if (u < text.size()) {
                if (text[u] != '_')
                    return "the appended data does not start with '_'";
                part.DataStart = static_cast<std::int64_t>(u + 1);
                text.resize(close + 1);
                return {};
            }
        }
        if (got == 0)
            return tag == std::string::npos ? std::string() : "the file ends inside its header";
    }
}

const XmlElement* Child(const XmlDocument& doc, const XmlElement& parent, const std::string& name,
                        int* count = nullptr)
{
    const XmlElement* found = nullptr;
    int n = 0;
    for (std::size_t c : parent.Children)
        if (doc.Elements[c].Name == name) {
            if (!found)
                found = &doc.Elements[c];
            ++n;
        }
    if (count)
        *count = n;
    return found;
}

// Picks the array: by name, else the active scalars, else the first array; cell data first.
const XmlElement* ChooseArray(const XmlDocument& doc, const XmlElement& piece,
                              const std::string& wanted, bool& pointData)
{
    const XmlElement* groups[2] = {Child(doc, piece, "CellData"), Child(doc, piece, "PointData")};
    for (int g = 0; g < 2; ++g) {
        if (!groups[g])
            continue;
        pointData = g == 1;
        const std::string& scalars = groups[g]->Attribute("Scalars", "");
        const XmlElement* first = nullptr;
        for (std::size_t c : groups[g]->Children) {
            const XmlElement& e = doc.Elements[c];
            if (e.Name != "DataArray")
                continue;
            const std::string name = e.Attribute("Name", "");
            if (!wanted.empty()) {
                if (name == wanted)
                    return &e;
                continue;
            }
            if (!scalars.empty() && name == scalars)
                return &e;
            if (!first)
                first = &e;
        }
        if (wanted.empty() && first)
            return first;
    }
    return nullptr;
}

std::string DescribeImage(const XmlDocument& doc, const VtiReadOptions& options, VtiLayout& L)
{
    const XmlElement& root = doc.Elements[0];
    if (root.Name != "VTKFile")
        return "the root element is not VTKFile";
    if (root.Attribute("type", "") != "ImageData")
        return Format("the file holds %s, not ImageData", root.Attribute("type", "?").c_str());
    const std::string order = root.Attribute("byte_order", "LittleEndian");
    if (order != "LittleEndian" && order != "BigEndian")
        return Format("the byte order %s is not known", order.c_str());
    L.BigEndian = order == "BigEndian";
    const std::string header = root.Attribute("header_type", "UInt32");
    if (header != "UInt32" && header != "UInt64")
        return Format("the header type %s is not known", header.c_str());
    L.HeaderBytes = header == "UInt64" ? 8 : 4;
    const std::string compressor = root.Attribute("compressor", "");
    if (!compressor.empty() && compressor != "vtkZLibDataCompressor")
        return Format("the compressor %s is not read (zlib is)", compressor.c_str());
    L.Compressed = !compressor.empty();

    const XmlElement* image = Child(doc, root, "ImageData");
    if (!image)
        return "there is no ImageData element";
    int pieces = 0;
    const XmlElement* piece = Child(doc, *image, "Piece", &pieces);
    if (!piece || pieces != 1)
        return Format("the image has %d pieces; Kalder reads images of one piece", pieces);
    const std::string& extent =
        piece->Has("Extent") ? piece->Attribute("Extent", "") : image->Attribute("WholeExtent", "");
    if (!ParseList(extent, 6, L.Extent))
        return Format("the extent \"%s\" is not six integers", extent.c_str());
    for (int a = 0; a < 3; ++a)
        if (L.Extent[2 * a + 1] < L.Extent[2 * a])
            return Format("the extent \"%s\" ends before it starts", extent.c_str());
    if (image->Has("Origin") && !ParseList(image->Attribute("Origin", ""), 3, L.Origin))
        return "the origin is not three numbers";
    if (image->Has("Spacing") && !ParseList(image->Attribute("Spacing", ""), 3, L.Spacing))
        return "the spacing is not three numbers";
    if (image->Has("Direction")) {
        double d[9];
        if (!ParseList(image->Attribute("Direction", ""), 9, d))
            return "the direction is not nine numbers";
        for (int i = 0; i < 9; ++i)
            L.Rotated = L.Rotated || d[i] != (i % 4 == 0 ? 1.0 : 0.0);
    }

    L.Array = ChooseArray(doc, *piece, options.ArrayName, L.PointData);
    if (!L.Array)
        return options.ArrayName.empty()
                   ? std::string("the image holds no data array")
                   : Format("the image has no data array named \"%s\"", options.ArrayName.c_str());
    const XmlElement& a = *L.Array;
    L.ArrayName = a.Attribute("Name", "");
    if (!TypeFromName(a.Attribute("type", ""), L.Type))
        return Format("the array \"%s\" has the type %s, which is not read", L.ArrayName.c_str(),
                      a.Attribute("type", "?").c_str());
    int components = 1;
    if (a.Has("NumberOfComponents") &&
        !ParseList(a.Attribute("NumberOfComponents", ""), 1, &components))
        return "the number of components is not an integer";
    if (components != 1)
        return Format("the array \"%s\" has %d components; Kalder reads arrays of one",
                      L.ArrayName.c_str(), components);
    L.Encoding = a.Attribute("format", "ascii");
    if (L.Encoding != "ascii" && L.Encoding != "binary" && L.Encoding != "appended")
        return Format("the array format %s is not known", L.Encoding.c_str());
    if (L.Encoding == "appended") {
        if (!ParseList(a.Attribute("offset", ""), 1, &L.Offset) || L.Offset < 0)
            return Format("the array \"%s\" has no valid offset", L.ArrayName.c_str());
        if (doc.StopOffset == std::string::npos || doc.Elements.back().Name != "AppendedData")
            return "the array is appended, but the file has no appended data";
        const std::string& enc = doc.Elements.back().Attribute("encoding", "raw");
        if (enc != "raw" && enc != "base64")
            return Format("the appended data encoding %s is not known", enc.c_str());
        L.AppendedBase64 = enc == "base64";
    }
    return {};
}

// Where the bytes of an encoded array come from: the file, or base64 text.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::size_t Read(void* out, std::size_t n) = 0;
    // Bytes left at most.
    virtual std::uint64_t Available() = 0;
};

class FileSource : public ByteSource {
public:
    explicit FileSource(BinaryFile& f) : file(f) {}
    std::size_t Read(void* out, std::size_t n) override { return file.Read(out, n); }
    std::uint64_t Available() override
    {
        std::int64_t left = file.Length() - file.Tell();
        return left > 0 ? static_cast<std::uint64_t>(left) : 0;
    }

private:
    BinaryFile& file;
};

class TextSource : public ByteSource {
public:
    TextSource(const char* begin, const char* end) : reader(begin, end) {}
    std::size_t Read(void* out, std::size_t n) override
    {
        return reader.Read(static_cast<unsigned char*>(out), n);
    }
    std::uint64_t Available() override { return reader.RemainingBound(); }

private:
    Base64Reader reader;
};

bool ReadHeaderWord(ByteSource& src, const VtiLayout& L, std::uint64_t& v)
{
    unsigned char b[8];
    const std::size_t n = static_cast<std::size_t>(L.HeaderBytes);
    if (src.Read(b, n) != n)
        return false;
    v = 0;
    for (std::size_t i = 0; i < n; ++i) {
        std::size_t k = L.BigEndian ? i : n - 1 - i;
        v = v << 8 | b[k];
    }
    return true;
}

// The uncompressed header: the byte count of the values.
std::string CheckCount(ByteSource& src, const VtiLayout& L, std::uint64_t expected)
{
    std::uint64_t count = 0;
    if (!ReadHeaderWord(src, L, count))
        return "the file ends inside the array header";
    if (count != expected)
        return Format("the array \"%s\" holds %llu bytes, its extent needs %llu",
                      L.ArrayName.c_str(), static_cast<unsigned long long>(count),
                      static_cast<unsigned long long>(expected));
    if (src.Available() < expected)
        return Format("the file ends inside the array \"%s\"", L.ArrayName.c_str());
    return {};
}

// Reads an encoded array's values (header, then raw or zlib blocks) into out, exactly expected
// bytes. Everything that sizes an allocation is checked against what the source still holds.
std::string ReadArrayBytes(ByteSource& src, const VtiLayout& L, std::uint64_t expected,
                           std::vector<unsigned char>& out)
{
    if (!L.Compressed) {
        std::string error = CheckCount(src, L, expected);
        if (!error.empty())
            return error;
        out.resize(expected);
        if (src.Read(out.data(), expected) != expected)
            return Format("the array \"%s\" ends early", L.ArrayName.c_str());
        return {};
    }
    std::uint64_t blocks = 0, blockSize = 0, last = 0;
    if (!ReadHeaderWord(src, L, blocks) || !ReadHeaderWord(src, L, blockSize) ||
        !ReadHeaderWord(src, L, last))
        return "the file ends inside the compression header";
    const std::uint64_t lastSize = last == 0 ? blockSize : last;
    std::uint64_t total = 0;
    if (blocks == 0 || blockSize == 0 || lastSize > blockSize ||
        __builtin_mul_overflow(blocks - 1, blockSize, &total) ||
        __builtin_add_overflow(total, lastSize, &total) || total != expected)
        return Format("the compressed blocks of \"%s\" do not hold the %llu bytes its extent "
                      "needs",
                      L.ArrayName.c_str(), static_cast<unsigned long long>(expected));
    if (blocks > src.Available() / static_cast<std::uint64_t>(L.HeaderBytes))
        return "the block table exceeds the file";
    std::vector<std::uint64_t> sizes(static_cast<std::size_t>(blocks));
    std::uint64_t sum = 0;
    for (std::uint64_t& s : sizes) {
        if (!ReadHeaderWord(src, L, s))
            return "the file ends inside the block table";
        // Sizes that wrap the sum around would pass the check below.
        if (__builtin_add_overflow(sum, s, &sum))
            return Format("the compressed blocks of \"%s\" exceed the file", L.ArrayName.c_str());
    }
    if (sum > src.Available())
        return Format("the compressed blocks of \"%s\" exceed the file", L.ArrayName.c_str());
    out.resize(expected);
    // Groups of blocks are read in turn and inflated in parallel: the blocks are independent
    // zlib streams, and inflating is what takes the time.
    std::vector<unsigned char> packed;
    std::vector<std::size_t> offsets;
    const std::uint64_t group =
        std::clamp<std::uint64_t>(InflateGroupBytes / blockSize, 1, InflateGroupBlocks);
    for (std::uint64_t g = 0; g < blocks; g += group) {
        const std::uint64_t end = std::min(blocks, g + group);
        offsets.assign(1, 0);
        for (std::uint64_t k = g; k < end; ++k)
            offsets.push_back(offsets.back() + static_cast<std::size_t>(sizes[k]));
        packed.resize(offsets.back());
        const std::size_t got = src.Read(packed.data(), packed.size());
        if (got != packed.size()) {
            std::uint64_t k = g;
            while (offsets[k - g + 1] <= got)
                ++k;
            return Format("the file ends inside block %llu of \"%s\"",
                          static_cast<unsigned long long>(k), L.ArrayName.c_str());
        }
        const int count = static_cast<int>(end - g);
        int firstBad = count, badRc = Z_OK;
#pragma omp parallel for schedule(dynamic, 1) if (count > 1)
        for (int i = 0; i < count; ++i) {
            const std::uint64_t k = g + static_cast<std::uint64_t>(i);
            const std::uint64_t want = k + 1 == blocks ? lastSize : blockSize;
            uLongf inflated = static_cast<uLongf>(want);
            int rc = ::uncompress(out.data() + k * blockSize, &inflated, packed.data() + offsets[i],
                                  static_cast<uLong>(offsets[i + 1] - offsets[i]));
            if (rc == Z_OK && inflated != want)
                rc = ShortBlock;
            if (rc != Z_OK) {
#pragma omp critical(vti_inflate)
                if (i < firstBad)
                    firstBad = i, badRc = rc;
            }
        }
        if (firstBad < count)
            return Format("block %llu of \"%s\" does not decompress (zlib: %s)",
                          static_cast<unsigned long long>(g + firstBad), L.ArrayName.c_str(),
                          badRc == ShortBlock ? "short block" : zError(badRc));
    }
    return {};
}

// Ascii values: numbers separated by blanks, exactly count of them.
std::string ParseAscii(const char* p, const char* e, std::int64_t count, const VtiLayout& L,
                       StagedValues& staged)
{
    std::int64_t n = 0;
    float* out = staged.Values.data();
    for (;;) {
        while (p < e && IsBlank(*p))
            ++p;
        if (p == e)
            break;
        double v = 0;
        auto r = std::from_chars(p, e, v);
        if (r.ec == std::errc::result_out_of_range) {
            // Beyond double: the sign decides the infinity.
            v = *p == '-' ? -HUGE_VAL : HUGE_VAL;
        } else if (r.ec != std::errc()) {
            return Format("the array \"%s\" holds text that is not a number after %lld values",
                          L.ArrayName.c_str(), static_cast<long long>(n));
        }
        if (n == count)
            return Format("the array \"%s\" holds more values than its extent of %lld",
                          L.ArrayName.c_str(), static_cast<long long>(count));
        out[n++] = static_cast<float>(v);
        p = r.ptr;
    }
    if (n != count)
        return Format("the array \"%s\" holds %lld values, its extent needs %lld",
                      L.ArrayName.c_str(), static_cast<long long>(n),
                      static_cast<long long>(count));
    return {};
}

void AddNotes(const VtiLayout& L, const std::string& path, ExchangeResult& result)
{
    if (L.Rotated)
        result.Notes.push_back(Format("\"%s\": the image's direction is not the identity; the "
                                      "values were read on unrotated axes.",
                                      path.c_str()));
}

// VTK keeps origin and spacing in double: 17 digits give it the float's exact value, so that
// its origin is Kalder's start itself, not the nearest double to a shortened text.
std::string Exact(float value)
{
    return Format("%.17g", static_cast<double>(value));
}

std::string HeaderText(const CData3D& v, const VtiWriteOptions& o)
{
    const std::string extent = Format("0 %d 0 %d 0 %d", v.NX, v.NY, v.NZ);
    std::string name;
    for (char c : o.ArrayName.empty() ? std::string("values") : o.ArrayName)
        name += (c == '"' || c == '<' || c == '&' || c == '>') ? '_' : c;
    std::string s = "<?xml version=\"1.0\"?>\n";
    s += Format("<VTKFile type=\"ImageData\" version=\"1.0\" byte_order=\"LittleEndian\" "
                "header_type=\"UInt64\"%s>\n",
                o.Compress ? " compressor=\"vtkZLibDataCompressor\"" : "");
    s += Format("  <ImageData WholeExtent=\"%s\" Origin=\"%s %s %s\" Spacing=\"%s %s %s\" "
                "Direction=\"1 0 0 0 1 0 0 0 1\">\n",
                extent.c_str(), Exact(v.StartX).c_str(), Exact(v.StartY).c_str(),
                Exact(v.StartZ).c_str(), Exact(v.StepX).c_str(), Exact(v.StepY).c_str(),
                Exact(v.StepZ).c_str());
    s += Format("    <Piece Extent=\"%s\">\n", extent.c_str());
    s += "      <PointData>\n      </PointData>\n";
    s += Format("      <CellData Scalars=\"%s\">\n", name.c_str());
    s += Format("        <DataArray type=\"Float32\" Name=\"%s\" format=\"appended\" "
                "offset=\"0\"/>\n",
                name.c_str());
    s += "      </CellData>\n    </Piece>\n  </ImageData>\n";
    s += "  <AppendedData encoding=\"raw\">\n   _";
    return s;
}

bool WriteUInt64(BinaryFile& file, std::uint64_t v)
{
    return file.Write(&v, 8); // little-endian machine, little-endian file
}

// The values as zlib blocks of WriteBlockBytes: a block table written first with zeros, the
// blocks, then the table again with the compressed sizes.
bool WriteCompressed(const CData3D& v, BinaryFile& file, std::int64_t& bytes)
{
    const std::uint64_t total = static_cast<std::uint64_t>(v.NX) *
                                static_cast<std::uint64_t>(v.NY) *
                                static_cast<std::uint64_t>(v.NZ) * 4;
    const std::uint64_t blocks = (total + WriteBlockBytes - 1) / WriteBlockBytes;
    const std::uint64_t last = total % WriteBlockBytes;
    std::vector<std::uint64_t> table(static_cast<std::size_t>(3 + blocks), 0);
    table[0] = blocks;
    table[1] = WriteBlockBytes;
    table[2] = last;
    const std::int64_t tablePos = file.Tell();
    if (tablePos < 0 || !file.Write(table.data(), table.size() * 8))
        return false;

    std::vector<unsigned char> block(WriteBlockBytes);
    std::vector<unsigned char> packed(compressBound(WriteBlockBytes));
    std::size_t filled = 0, k = 0;
    auto flush = [&]() {
        uLongf size = static_cast<uLongf>(packed.size());
        if (compress2(packed.data(), &size, block.data(), static_cast<uLong>(filled), WriteLevel) !=
                Z_OK ||
            !file.Write(packed.data(), size))
            return false;
        table[3 + k++] = size;
        bytes += static_cast<std::int64_t>(size);
        filled = 0;
        return true;
    };
    const std::size_t rowBytes = static_cast<std::size_t>(v.NX) * 4;
    for (int z = 0; z < v.NZ; ++z)
        for (int y = 0; y < v.NY; ++y) {
            const auto* p = reinterpret_cast<const unsigned char*>(v.Values[z][y]);
            for (std::size_t done = 0; done < rowBytes;) {
                std::size_t piece = std::min(rowBytes - done, WriteBlockBytes - filled);
                std::memcpy(block.data() + filled, p + done, piece);
                filled += piece;
                done += piece;
                if (filled == WriteBlockBytes && !flush())
                    return false;
            }
        }
    if (filled > 0 && !flush())
        return false;
    const std::int64_t end = file.Tell();
    return end >= 0 && file.Seek(tablePos, platform::SeekFrom::Begin) &&
           file.Write(table.data(), table.size() * 8) && file.Seek(end, platform::SeekFrom::Begin);
}

} // namespace

namespace {

// The grid of the image: extents, spacing and origin, checked before anything is allocated.
// expected is the byte count of the stored values.
std::string CheckVtiGrid(const std::string& path, const VtiLayout& L, bool direct,
                         ExchangeGrid& grid, std::uint64_t& expected)
{
    for (int a = 0; a < 3; ++a) {
        const std::int64_t e0 = L.Extent[2 * a], e1 = L.Extent[2 * a + 1];
        std::int64_t span = 0;
        if (__builtin_sub_overflow(e1, e0, &span) || span >= INT32_MAX)
            return Problem(path, "the extent is too large");
        grid.N[a] = L.PointData ? span + 1 : std::max<std::int64_t>(1, span);
        grid.Step[a] = static_cast<float>(L.Spacing[a]);
        grid.Start[a] = static_cast<float>(L.Origin[a] + static_cast<double>(e0) * L.Spacing[a]);
    }
    std::string error = CheckGrid(path, grid);
    if (error.empty())
        error = CheckGeometry(path, grid);
    if (!error.empty())
        return error;
    const std::uint64_t cells = static_cast<std::uint64_t>(grid.Cells());
    expected = cells * ElementBytes(L.Type);
    if (!direct)
        error = CheckGrid(path, grid, L.Encoding == "ascii" ? cells * 4 : expected);
    return error;
}

ExchangeResult ReadAsciiValues(const XmlPart& part, const VtiLayout& L, const ExchangeGrid& grid,
                               const std::string& path, CData3D& volume)
{
    ExchangeResult result;
    StagedValues staged;
    if (!staged.Reserve(grid)) {
        result.Error = Problem(path, "there is not enough memory for its values");
        return result;
    }
    const std::string error =
        ParseAscii(part.Text.data() + L.Array->TextBegin, part.Text.data() + L.Array->TextEnd,
                   grid.Cells(), L, staged);
    if (!error.empty()) {
        result.Error = Problem(path, error);
        return result;
    }
    CommitStaged(volume, grid, staged);
    result.Bytes = grid.Cells() * 4;
    AddNotes(L, path, result);
    return result;
}

// The appended text from '_' to the end of the file; offsets count its characters.
std::string ReadAppendedBase64(BinaryFile& file, const XmlPart& part, const VtiLayout& L,
                               std::uint64_t expected, std::vector<unsigned char>& bytes)
{
    const std::int64_t length = file.Length();
    if (length < part.DataStart || !file.Seek(part.DataStart, platform::SeekFrom::Begin))
        return "the file ends before its appended data";
    if (static_cast<std::uint64_t>(length - part.DataStart) > VolumeMemoryLimit())
        return "its appended data does not fit in memory";
    std::string tail(static_cast<std::size_t>(length - part.DataStart), '\0');
    tail.resize(file.Read(tail.data(), tail.size()));
    if (L.Offset > static_cast<std::int64_t>(tail.size()))
        return Format("the offset of \"%s\" lies beyond the file", L.ArrayName.c_str());
    TextSource src(tail.data() + L.Offset, tail.data() + tail.size());
    return ReadArrayBytes(src, L, expected, bytes);
}

// Raw appended values whose length was checked go straight into the volume's rows.
ExchangeResult ReadDirect(BinaryFile& file, const VtiLayout& L, const ExchangeGrid& grid,
                          CData3D& volume)
{
    ExchangeResult result;
    PrepareVolume(volume, grid);
    RowReadResult read = ReadRowsInto(file, L.Type, L.BigEndian, volume);
    ApplyGrid(volume, grid);
    result.Bytes = read.Bytes;
    if (read.Missing > 0)
        result.Notes.push_back(MissingValuesText(file.Path(), read.Missing, grid.Cells()));
    AddNotes(L, file.Path(), result);
    return result;
}

} // namespace

ExchangeResult ReadVti(BinaryFile& file, CData3D& volume, const VtiReadOptions& options)
{
    ExchangeResult result;
    const std::string& path = file.Path();

    // The XML part, parsed up to the appended data.
    XmlPart part;
    std::string error = ReadXmlPart(file, part);
    XmlDocument doc;
    if (error.empty())
        error = ParseXml(part.Text, part.DataStart >= 0 ? "AppendedData" : "", doc);
    VtiLayout L;
    if (error.empty())
        error = DescribeImage(doc, options, L);
    if (!error.empty()) {
        result.Error = Problem(path, error);
        return result;
    }
    const bool direct = L.Encoding == "appended" && !L.AppendedBase64 && !L.Compressed;
    ExchangeGrid grid;
    std::uint64_t expected = 0;
    result.Error = CheckVtiGrid(path, L, direct, grid, expected);
    if (!result.Ok())
        return result;
    if (L.Encoding == "ascii")
        return ReadAsciiValues(part, L, grid, path, volume);

    std::vector<unsigned char> bytes;
    if (L.Encoding == "binary") {
        TextSource src(part.Text.data() + L.Array->TextBegin, part.Text.data() + L.Array->TextEnd);
        error = ReadArrayBytes(src, L, expected, bytes);
    } else if (L.AppendedBase64) {
        error = ReadAppendedBase64(file, part, L, expected, bytes);
    } else {
        std::int64_t at = 0, length = file.Length();
        if (__builtin_add_overflow(part.DataStart, L.Offset, &at) || (length >= 0 && at > length) ||
            !file.Seek(at, platform::SeekFrom::Begin)) {
            error = Format("the offset of \"%s\" lies beyond the file", L.ArrayName.c_str());
        } else {
            FileSource src(file);
            error = direct ? CheckCount(src, L, expected) : ReadArrayBytes(src, L, expected, bytes);
            if (direct && error.empty())
                return ReadDirect(file, L, grid, volume);
        }
    }
    if (!error.empty()) {
        result.Error = Problem(path, error);
        return result;
    }
    PrepareVolume(volume, grid);
    ConvertRowsInto(bytes.data(), L.Type, L.BigEndian, volume);
    ApplyGrid(volume, grid);
    result.Bytes = static_cast<std::int64_t>(expected);
    AddNotes(L, path, result);
    return result;
}

ExchangeResult ReadVtiFile(const std::string& path, CData3D& volume, const VtiReadOptions& options)
{
    ExchangeResult result;
    std::string error;
    auto file = platform::OpenBinaryRead(path, &error);
    if (!file) {
        result.Error = Format("Cannot open \"%s\": %s.", path.c_str(), error.c_str());
        return result;
    }
    try {
        return ReadVti(*file, volume, options);
    } catch (const std::length_error&) {
        // A size taken from the file beyond what any block can hold: as good as no memory.
        result.Error = Problem(path, "there is not enough memory to read it");
        return result;
    } catch (const std::bad_alloc&) {
        result.Error = Problem(path, "there is not enough memory to read it");
        return result;
    }
}

ExchangeResult WriteVti(const CData3D& volume, BinaryFile& file, const VtiWriteOptions& options)
{
    ExchangeResult result;
    result.Error = CheckWritable(volume, file.Path());
    if (!result.Ok())
        return result;
    const std::string header = HeaderText(volume, options);
    bool ok = file.Write(header.data(), header.size());
    if (options.Compress) {
        ok = ok && WriteCompressed(volume, file, result.Bytes);
    } else {
        const std::uint64_t count = static_cast<std::uint64_t>(volume.NX) *
                                    static_cast<std::uint64_t>(volume.NY) *
                                    static_cast<std::uint64_t>(volume.NZ) * 4;
        ok = ok && WriteUInt64(file, count) && WriteRowsFrom(volume, file, result.Bytes);
    }
    const char footer[] = "\n  </AppendedData>\n</VTKFile>\n";
    ok = ok && file.Write(footer, sizeof footer - 1);
    if (!ok)
        result.Error =
            Format("Cannot write \"%s\": a write failed (disk full?).", file.Path().c_str());
    return result;
}

ExchangeResult WriteVtiFile(const CData3D& volume, const std::string& path,
                            const VtiWriteOptions& options)
{
    ExchangeResult result;
    result.Error = CheckWritable(volume, path);
    if (!result.Ok())
        return result;
    return WriteThroughTemporary(path,
                                 [&](BinaryFile& file) { return WriteVti(volume, file, options); });
}
