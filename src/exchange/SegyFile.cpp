#include "exchange/SegyFile.h"

#include "exchange/ValueConversion.h"
#include "exchange/ValueRows.h"
#include "platform/BinaryFile.h"
#include "platform/TextFile.h"
#include "volume/Data3D.h"

#include <segyio/segy.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <stdexcept>
#include <vector>

#if defined(__SSE2__)
#include <immintrin.h>
#endif
#ifdef _OPENMP
#include <omp.h>
#endif

using platform::BinaryFile;
using platform::Format;

namespace {

// Traces converted per block while reading (and per inline while writing): 4 MiB of samples.
constexpr std::size_t BlockBytes = 4u << 20;
// Samples per tile of the crossline-sorted scatter: rows of one tile stay in the cache.
constexpr int Tile = 16;
// Planes per block of an inline-sorted line's transpose, and the longest row piece gathered.
constexpr int RowBlock = 16;
constexpr int MaxRowChunk = 2048;

struct SegyHandle {
    segy_file* fp = nullptr;
    ~SegyHandle()
    {
        if (fp)
            segy_close(fp);
    }
};

std::string Problem(const std::string& path, const std::string& what)
{
    return Format("Cannot read \"%s\" as SEG-Y: %s.", path.c_str(), what.c_str());
}

const char* SegyError(int rc)
{
    switch (rc) {
    case SEGY_FSEEK_ERROR:
    case SEGY_FREAD_ERROR:
        return "the file ends early";
    case SEGY_INVALID_FIELD:
        return "a header byte position is not a field";
    case SEGY_TRACE_SIZE_MISMATCH:
        return "the file is not a whole number of traces";
    case SEGY_INVALID_ARGS:
        return "the headers describe no traces";
    default:
        return "segyio reports an error";
    }
}

// Bytes per sample of the formats read, 0 for the others.
int SampleBytes(int format)
{
    switch (format) {
    case SEGY_IBM_FLOAT_4_BYTE:
    case SEGY_SIGNED_INTEGER_4_BYTE:
    case SEGY_IEEE_FLOAT_4_BYTE:
        return 4;
    case SEGY_SIGNED_SHORT_2_BYTE:
        return 2;
    case SEGY_SIGNED_CHAR_1_BYTE:
        return 1;
    default:
        return 0;
    }
}

// What the headers say: sample layout, trace count and the inline/crossline lattice.
struct SegyLayout {
    int Format = 0;
    int Samples = 0;
    long Trace0 = 0;
    int TraceBytes = 0;
    int Traces = 0;
    int Fast = 0, Slow = 0;       // traces per line, lines
    bool CrosslineSorted = false; // the fast key is the inline number
};

std::string ReadBinaryHeader(segy_file* fp, SegyLayout& L)
{
    char bin[SEGY_BINARY_HEADER_SIZE] = {};
    if (segy_binheader(fp, bin) != SEGY_OK)
        return "the file is shorter than the SEG-Y headers";
    L.Format = segy_format(bin);
    if (SampleBytes(L.Format) == 0) {
        const int swapped = (L.Format & 0xFF) << 8 | (L.Format >> 8 & 0xFF);
        if (SampleBytes(swapped) != 0)
            return "the binary header is little-endian; Kalder reads big-endian SEG-Y";
        return Format("the sample format code %d is not read (1, 2, 3, 5 and 8 are)", L.Format);
    }
    segy_set_format(fp, L.Format);
    L.Samples = segy_samples(bin);
    L.Trace0 = segy_trace0(bin);
    if (L.Trace0 < SEGY_TEXT_HEADER_SIZE + SEGY_BINARY_HEADER_SIZE)
        return "the number of extended text headers is negative";
    if (L.Samples <= 0) {
        // Some writers leave the binary header's count 0; the first trace header has it.
        char header[SEGY_TRACE_HEADER_SIZE];
        std::int32_t n = 0;
        if (segy_traceheader(fp, 0, header, L.Trace0, 0) == SEGY_OK &&
            segy_get_field(header, SEGY_TR_SAMPLE_COUNT, &n) == SEGY_OK)
            L.Samples = n;
    }
    if (L.Samples <= 0)
        return Format("the traces have %d samples", L.Samples);
    L.TraceBytes = L.Samples * SampleBytes(L.Format);
    int rc = segy_traces(fp, &L.Traces, L.Trace0, L.TraceBytes);
    if (rc != SEGY_OK)
        return Format("%s (traces of %d samples after byte %ld)", SegyError(rc), L.Samples,
                      L.Trace0);
    if (L.Traces < 1)
        return "the file holds no traces";
    return {};
}

// Reads every trace's inline and crossline numbers and checks that they form a lattice: lines
// of equal length, the same fast numbers in every line, both strictly monotonic.
std::string ReadLattice(segy_file* fp, const SegyReadOptions& o, SegyLayout& L)
{
    std::vector<int> il(static_cast<std::size_t>(L.Traces)), xl(il.size());
    int rc = segy_field_forall(fp, o.InlineByte, 0, L.Traces, 1, il.data(), L.Trace0, L.TraceBytes);
    if (rc == SEGY_OK)
        rc = segy_field_forall(fp, o.CrosslineByte, 0, L.Traces, 1, xl.data(), L.Trace0,
                               L.TraceBytes);
    if (rc != SEGY_OK)
        return Format("the inline and crossline numbers (bytes %d and %d) cannot be read: %s",
                      o.InlineByte, o.CrosslineByte, SegyError(rc));
    const std::size_t n = il.size();
    // The fast key is the one that changes from the first trace to the second.
    L.CrosslineSorted = n > 1 && il[0] != il[1] && xl[0] == xl[1];
    if (n > 1 && il[0] != il[1] && xl[0] != xl[1])
        return Format("the traces are not sorted by inline and crossline (trace 1 has inline %d "
                      "crossline %d, trace 2 inline %d crossline %d)",
                      il[0], xl[0], il[1], xl[1]);
    const std::vector<int>& slow = L.CrosslineSorted ? xl : il;
    const std::vector<int>& fast = L.CrosslineSorted ? il : xl;
    std::size_t lineLength = 1;
    while (lineLength < n && slow[lineLength] == slow[0])
        ++lineLength;
    if (n % lineLength != 0)
        return Format("inconsistent trace count: %zu traces do not fill lines of %zu traces", n,
                      lineLength);
    L.Fast = static_cast<int>(lineLength);
    L.Slow = static_cast<int>(n / lineLength);
    // Every trace repeats its line's slow number and its column's fast number; line numbers
    // run strictly one way, and so do column numbers unless the line carries none.
    const bool fastNumbered = fast[0] != fast[lineLength - 1];
    auto oneWay = [](int a, int b, int first, int second) {
        return a != b && (b > a) == (second > first);
    };
    for (std::size_t t = 0; t < n; ++t) {
        const std::size_t s = t / lineLength, f = t % lineLength;
        bool ok = slow[t] == slow[s * lineLength] && fast[t] == fast[f];
        if (ok && f == 0 && s >= 2)
            ok = oneWay(slow[t - lineLength], slow[t], slow[0], slow[lineLength]);
        if (ok && s == 0 && f >= 2 && fastNumbered)
            ok = oneWay(fast[t - 1], fast[t], fast[0], fast[1]);
        if (ok && s == 0 && f == 1 && fastNumbered)
            ok = fast[1] != fast[0];
        if (!ok)
            return Format("inconsistent trace count or order: trace %zu (inline %d, crossline %d) "
                          "does not continue a grid of %d lines of %zu traces",
                          t + 1, il[t], xl[t], L.Slow, lineLength);
    }
    return {};
}

struct TracePosition {
    double X = 0, Y = 0;
};

bool TraceCoordinates(segy_file* fp, const SegyLayout& L, int trace, int xField, int yField,
                      TracePosition& p)
{
    char h[SEGY_TRACE_HEADER_SIZE];
    std::int32_t x = 0, y = 0, scalar = 0;
    if (segy_traceheader(fp, trace, h, L.Trace0, L.TraceBytes) != SEGY_OK ||
        segy_get_field(h, xField, &x) != SEGY_OK || segy_get_field(h, yField, &y) != SEGY_OK ||
        segy_get_field(h, SEGY_TR_SOURCE_GROUP_SCALAR, &scalar) != SEGY_OK)
        return false;
    const double factor = scalar > 0   ? scalar
                          : scalar < 0 ? 1.0 / -static_cast<double>(scalar)
                                       : 1.0;
    p.X = x * factor;
    p.Y = y * factor;
    return true;
}

// Cell sizes along X and Y and the starts from the coordinates of three traces: the first, its
// neighbour along X and its neighbour along Y.
void ReadSpacing(segy_file* fp, const SegyLayout& L, const SegyReadOptions& o, ExchangeGrid& g,
                 std::vector<std::string>& notes, const std::string& path)
{
    g.Step[0] = o.StepX, g.Step[1] = o.StepY;
    const int alongFast = L.Fast > 1 ? 1 : -1, alongSlow = L.Slow > 1 ? L.Fast : -1;
    const int alongX = L.CrosslineSorted ? alongSlow : alongFast;
    const int alongY = L.CrosslineSorted ? alongFast : alongSlow;
    const int fields[2][2] = {{SEGY_TR_CDP_X, SEGY_TR_CDP_Y}, {SEGY_TR_SOURCE_X, SEGY_TR_SOURCE_Y}};
    for (const auto& f : fields) {
        TracePosition p0, px = {}, py = {};
        if (!TraceCoordinates(fp, L, 0, f[0], f[1], p0) ||
            (alongX > 0 && !TraceCoordinates(fp, L, alongX, f[0], f[1], px)) ||
            (alongY > 0 && !TraceCoordinates(fp, L, alongY, f[0], f[1], py)))
            return;
        const bool none =
            p0.X == 0 && p0.Y == 0 && px.X == 0 && px.Y == 0 && py.X == 0 && py.Y == 0;
        if (none)
            continue;
        const double dx = alongX > 0 ? std::hypot(px.X - p0.X, px.Y - p0.Y) : 0;
        const double dy = alongY > 0 ? std::hypot(py.X - p0.X, py.Y - p0.Y) : 0;
        if (dx > 0)
            g.Step[0] = static_cast<float>(dx);
        if (dy > 0)
            g.Step[1] = static_cast<float>(dy);
        // Starts only when X runs along +x and Y along +y; a rotated survey keeps 0.
        const bool xAligned = alongX < 0 || (px.X > p0.X && px.Y == p0.Y);
        const bool yAligned = alongY < 0 || (py.Y > p0.Y && py.X == p0.X);
        if (xAligned && yAligned) {
            g.Start[0] = static_cast<float>(p0.X);
            g.Start[1] = static_cast<float>(p0.Y);
        } else {
            notes.push_back(Format("\"%s\": the survey's lines do not run along the x and y "
                                   "coordinates; the starts along X and Y were set to 0.",
                                   path.c_str()));
        }
        return;
    }
}

void ReadSampleAxis(segy_file* fp, const SegyLayout& L, const SegyReadOptions& o, ExchangeGrid& g)
{
    float dt = 0;
    if (segy_sample_interval(fp, 0.0f, &dt) == SEGY_OK && dt > 0)
        g.Step[2] = dt / 1000.0f;
    else
        g.Step[2] = o.StepZ;
    char h[SEGY_TRACE_HEADER_SIZE];
    std::int32_t delay = 0;
    if (segy_traceheader(fp, 0, h, L.Trace0, L.TraceBytes) == SEGY_OK &&
        segy_get_field(h, SEGY_TR_DELAY_REC_TIME, &delay) == SEGY_OK)
        g.Start[2] = static_cast<float>(delay);
}

// The element type of the integer sample formats.
ElementType IntegerSamples(int format)
{
    const int es = SampleBytes(format);
    return es == 4 ? ElementType::Int32 : es == 2 ? ElementType::Int16 : ElementType::Int8;
}

// Converts count traces of ns samples at raw (big-endian, as segyio delivers them) to floats:
// IBM and IEEE floats in place through segyio, integers into converted.
const float* ConvertTraces(const SegyLayout& L, int count, unsigned char* raw,
                           std::vector<float>& converted)
{
    const std::size_t n = static_cast<std::size_t>(count) * L.Samples;
    if (L.Format == SEGY_IBM_FLOAT_4_BYTE || L.Format == SEGY_IEEE_FLOAT_4_BYTE) {
        segy_to_native(L.Format, static_cast<long long>(n), raw);
        return reinterpret_cast<const float*>(raw);
    }
    converted.resize(n);
    ConvertToFloat(IntegerSamples(L.Format), true, raw, n, converted.data());
    return converted.data();
}

// Reads traces t0 .. t0+count-1 into raw; a trace that cannot be read is zeroed and counted.
void ReadTraceRun(segy_file* fp, const SegyLayout& L, int t0, int count, unsigned char* raw,
                  std::int64_t& bytes, std::int64_t& missing)
{
    for (int k = 0; k < count; ++k) {
        unsigned char* p = raw + static_cast<std::size_t>(k) * L.TraceBytes;
        if (segy_readtrace(fp, t0 + k, p, L.Trace0, L.TraceBytes) == SEGY_OK) {
            bytes += L.TraceBytes;
        } else {
            std::memset(p, 0, static_cast<std::size_t>(L.TraceBytes));
            missing += L.Samples;
        }
    }
}

// Copies n floats to dst with non-temporal stores: the volume is far larger than the caches,
// and plain stores would first fetch every destination line from memory. The caller fences.
void StreamRow(float* dst, const float* src, int n)
{
#if defined(__SSE2__)
    int i = 0;
    for (; i < n && (reinterpret_cast<std::uintptr_t>(dst + i) & 15) != 0; ++i)
        _mm_stream_si32(reinterpret_cast<int*>(dst + i), std::bit_cast<int>(src[i]));
    for (; i + 4 <= n; i += 4)
        _mm_stream_ps(dst + i, _mm_loadu_ps(src + i));
    for (; i < n; ++i)
        _mm_stream_si32(reinterpret_cast<int*>(dst + i), std::bit_cast<int>(src[i]));
#else
    std::memcpy(dst, src, static_cast<std::size_t>(n) * sizeof(float));
#endif
}

void FenceStreamedRows()
{
#if defined(__SSE2__)
    _mm_sfence();
#endif
}

inline float SampleAt(const unsigned char* p, bool swap)
{
    std::uint32_t u;
    std::memcpy(&u, p, 4);
    return std::bit_cast<float>(swap ? __builtin_bswap32(u) : u);
}

// Writes one line of an inline-sorted file (nx traces of ns samples, the first sample at raw,
// traces stride bytes apart) into row y of every plane; swap when the samples are still
// big-endian IEEE floats. Blocks of RowBlock planes are gathered into whole rows first, so every
// plane row is written once, in order, with streaming stores.
template <bool Swap>
void TransposeLine(const unsigned char* raw, std::size_t stride, int nx, int ns, int y, CData3D& v,
                   std::vector<float>& rows)
{
    const int chunk = std::min(nx, MaxRowChunk); // rows holds RowBlock rows of chunk values
    for (int x0 = 0; x0 < nx; x0 += chunk) {
        const int cols = std::min(chunk, nx - x0);
        for (int z0 = 0; z0 < ns; z0 += RowBlock) {
            const int depth = std::min(RowBlock, ns - z0);
            for (int j = 0; j < cols; ++j) {
                const unsigned char* s = raw + static_cast<std::size_t>(x0 + j) * stride + z0 * 4;
                for (int i = 0; i < depth; ++i)
                    rows[static_cast<std::size_t>(i) * chunk + j] = SampleAt(s + 4 * i, Swap);
            }
            for (int i = 0; i < depth; ++i)
                StreamRow(&v.Values[z0 + i][y][x0], &rows[static_cast<std::size_t>(i) * chunk],
                          cols);
        }
    }
}

// What one thread reads a line of an inline-sorted file into: the line as it lies (headers and
// samples), the samples of integer formats as floats, and RowBlock gathered plane rows.
// In the other files, runs of traces go through the first workspace's line and converted.
struct LineWorkspace {
    std::unique_ptr<platform::BinaryFile> file;
    std::vector<unsigned char> line;
    std::vector<float> converted, rows;
};

// Whole lines of an inline-sorted file are read at once; other files by runs of traces.
bool ReadsWholeLines(const SegyLayout& L)
{
    return !L.CrosslineSorted && static_cast<std::size_t>(L.Fast) * L.TraceBytes <= BlockBytes;
}

int TracesPerRun(const SegyLayout& L)
{
    return std::clamp<int>(static_cast<int>(BlockBytes / static_cast<std::size_t>(L.TraceBytes)), 1,
                           L.Traces);
}

// The workspaces of the threads that read, with their own handles on the file (segyio's handle
// keeps one position for every reader), made before anything is written to the volume: running
// out of memory here leaves it as it was. A handle that cannot be opened (the file gone
// meanwhile) leaves its lines missing.
std::vector<LineWorkspace> MakeWorkspaces(const SegyLayout& L, const std::string& path)
{
    const bool integers = L.Format != SEGY_IEEE_FLOAT_4_BYTE && L.Format != SEGY_IBM_FLOAT_4_BYTE;
    if (!ReadsWholeLines(L)) {
        std::vector<LineWorkspace> one(1);
        const std::size_t traces = static_cast<std::size_t>(TracesPerRun(L));
        one[0].line.resize(traces * static_cast<std::size_t>(L.TraceBytes));
        if (integers)
            one[0].converted.resize(traces * static_cast<std::size_t>(L.Samples));
        return one;
    }
    int threads = 1;
#ifdef _OPENMP
    threads = std::max(1, omp_get_max_threads());
#endif
    std::vector<LineWorkspace> all(static_cast<std::size_t>(threads));
    const std::size_t traces = static_cast<std::size_t>(L.Fast);
    for (LineWorkspace& w : all) {
        w.file = platform::OpenBinaryRead(path);
        w.line.resize(traces * (SEGY_TRACE_HEADER_SIZE + static_cast<std::size_t>(L.TraceBytes)));
        if (integers)
            w.converted.resize(traces * static_cast<std::size_t>(L.Samples));
        w.rows.resize(static_cast<std::size_t>(RowBlock) * std::min(L.Fast, MaxRowChunk));
    }
    return all;
}

// Reads line y of an inline-sorted file, headers and samples as they lie, into buf (sized for
// it); traces the file no longer holds in full are zeroed. Returns the samples missing.
std::int64_t ReadLine(platform::BinaryFile* file, const SegyLayout& L, int y,
                      std::vector<unsigned char>& buf, std::int64_t& bytes)
{
    const std::size_t traceBytes = buf.size() / static_cast<std::size_t>(L.Fast);
    const std::int64_t at = L.Trace0 + static_cast<std::int64_t>(y) * std::ssize(buf);
    std::size_t got = 0;
    if (file && file->Seek(at))
        got = file->Read(buf.data(), buf.size());
    const std::size_t whole = got / traceBytes;
    bytes += static_cast<std::int64_t>(whole * static_cast<std::size_t>(L.TraceBytes));
    if (whole == static_cast<std::size_t>(L.Fast))
        return 0;
    for (std::size_t k = whole; k < static_cast<std::size_t>(L.Fast); ++k)
        std::memset(buf.data() + k * traceBytes + SEGY_TRACE_HEADER_SIZE, 0,
                    static_cast<std::size_t>(L.TraceBytes));
    return static_cast<std::int64_t>(L.Fast - whole) * L.Samples;
}

// Reads every line of an inline-sorted file into place. The lines are independent and are
// shared between the cores, one workspace each; the result does not depend on how they are
// shared.
std::int64_t ReadLines(const SegyLayout& L, std::vector<LineWorkspace>& workspaces, CData3D& v,
                       std::int64_t& bytes)
{
    const int ns = L.Samples;
    const std::size_t stride = SEGY_TRACE_HEADER_SIZE + static_cast<std::size_t>(L.TraceBytes);
    std::int64_t read = 0, lost = 0;
#pragma omp parallel num_threads(static_cast <int>(workspaces.size())) reduction(+ : read, lost)
    {
        int thread = 0;
#ifdef _OPENMP
        thread = omp_get_thread_num();
#endif
        LineWorkspace& w = workspaces[static_cast<std::size_t>(thread)];
#pragma omp for schedule(static)
        for (int y = 0; y < L.Slow; ++y) {
            lost += ReadLine(w.file.get(), L, y, w.line, read);
            unsigned char* first = w.line.data() + SEGY_TRACE_HEADER_SIZE;
            // IEEE samples are swapped on the way; IBM floats are converted in place first,
            // integers into a block of floats.
            if (L.Format == SEGY_IEEE_FLOAT_4_BYTE) {
                TransposeLine<true>(first, stride, L.Fast, ns, y, v, w.rows);
            } else if (L.Format == SEGY_IBM_FLOAT_4_BYTE) {
                for (int k = 0; k < L.Fast; ++k)
                    segy_to_native(L.Format, ns, first + static_cast<std::size_t>(k) * stride);
                TransposeLine<false>(first, stride, L.Fast, ns, y, v, w.rows);
            } else {
                for (int k = 0; k < L.Fast; ++k)
                    ConvertToFloat(IntegerSamples(L.Format), true,
                                   first + static_cast<std::size_t>(k) * stride,
                                   static_cast<std::size_t>(ns),
                                   w.converted.data() + static_cast<std::size_t>(k) * ns);
                TransposeLine<false>(reinterpret_cast<const unsigned char*>(w.converted.data()),
                                     static_cast<std::size_t>(ns) * sizeof(float), L.Fast, ns, y, v,
                                     w.rows);
            }
        }
        FenceStreamedRows();
    }
    bytes += read;
    return lost;
}

// Reads all traces and places sample z of the trace at (y, x) into Values[z][y][x], through the
// workspaces MakeWorkspaces made.
std::int64_t ReadTraces(segy_file* fp, const SegyLayout& L, std::vector<LineWorkspace>& workspaces,
                        CData3D& v, std::int64_t& missing)
{
    const int ns = L.Samples;
    std::int64_t bytes = 0, lost = 0;
    if (ReadsWholeLines(L)) {
        missing += ReadLines(L, workspaces, v, bytes);
        return bytes;
    }
    // Crossline-sorted files, and lines too long for one block: runs of traces, each placed by
    // its own (y, x).
    const int perBlock = TracesPerRun(L);
    std::vector<unsigned char>& raw = workspaces[0].line;
    std::vector<float>& converted = workspaces[0].converted;
    for (int t0 = 0; t0 < L.Traces; t0 += perBlock) {
        const int count = std::min(perBlock, L.Traces - t0);
        ReadTraceRun(fp, L, t0, count, raw.data(), bytes, lost);
        const float* f = ConvertTraces(L, count, raw.data(), converted);
        for (int z0 = 0; z0 < ns; z0 += Tile)
            for (int k0 = 0; k0 < count; k0 += Tile) {
                const int k1 = std::min(count, k0 + Tile), z1 = std::min(ns, z0 + Tile);
                for (int k = k0; k < k1; ++k) {
                    const int t = t0 + k, s = t / L.Fast, q = t % L.Fast;
                    const int y = L.CrosslineSorted ? q : s, x = L.CrosslineSorted ? s : q;
                    const float* trace = f + static_cast<std::size_t>(k) * ns;
                    for (int z = z0; z < z1; ++z)
                        v.Values[z][y][x] = trace[z];
                }
            }
    }
    missing += lost;
    return bytes;
}

// ASCII to EBCDIC (code page 037) for the printable characters 0x20..0x7E.
const unsigned char Ebcdic[95] = {
    0x40, 0x5A, 0x7F, 0x7B, 0x5B, 0x6C, 0x50, 0x7D, 0x4D, 0x5D, 0x5C, 0x4E, 0x6B, 0x60, 0x4B, 0x61,
    0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9, 0x7A, 0x5E, 0x4C, 0x7E, 0x6E, 0x6F,
    0x7C, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6,
    0xD7, 0xD8, 0xD9, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7, 0xE8, 0xE9, 0xBA, 0xE0, 0xBB, 0xB0, 0x6D,
    0x79, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x91, 0x92, 0x93, 0x94, 0x95, 0x96,
    0x97, 0x98, 0x99, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9, 0xC0, 0x4F, 0xD0, 0xA1,
};

std::vector<unsigned char> TextHeader(const CData3D& v, const SegyWriteOptions& o, int interval,
                                      int divisor)
{
    std::vector<std::string> lines = {
        "SEG-Y REV 1 WRITTEN BY KALDER",
        Format("NX %d CROSSLINES, NY %d INLINES, NZ %d SAMPLES PER TRACE", v.NX, v.NY, v.NZ),
        Format("STEP X %s Y %s Z %s", FloatText(v.StepX).c_str(), FloatText(v.StepY).c_str(),
               FloatText(v.StepZ).c_str()),
        Format("START X %s Y %s Z %s", FloatText(v.StartX).c_str(), FloatText(v.StartY).c_str(),
               FloatText(v.StartZ).c_str()),
        Format("INLINE BYTES 189 AND 9 FROM %d, CROSSLINE BYTES 193 AND 21 FROM %d", o.FirstInline,
               o.FirstCrossline),
        Format("CDP X Y BYTES 181 185, SOURCE X Y BYTES 73 77, SCALAR BYTE 71 = %d",
               divisor == 1 ? 1 : -divisor),
        Format("SAMPLE INTERVAL %d, SAMPLES 4-BYTE IEEE FLOAT BIG-ENDIAN", interval),
    };
    std::vector<unsigned char> out(SEGY_TEXT_HEADER_SIZE, Ebcdic[0]);
    for (int row = 0; row < 40; ++row) {
        std::string text = Format("C%2d ", row + 1);
        if (row < static_cast<int>(lines.size()))
            text += lines[static_cast<std::size_t>(row)];
        else if (row == 38)
            text += "SEG Y REV1";
        else if (row == 39)
            text += "END TEXTUAL HEADER";
        text.resize(80, ' ');
        for (int c = 0; c < 80; ++c) {
            unsigned char ch = static_cast<unsigned char>(text[static_cast<std::size_t>(c)]);
            out[static_cast<std::size_t>(row * 80 + c)] =
                ch >= 0x20 && ch <= 0x7E ? Ebcdic[ch - 0x20] : Ebcdic[0];
        }
    }
    return out;
}

// The decimal scalar for coordinates: the coarsest divisor (1, 10, ..., 10000) that holds every
// coordinate exactly, else the finest that keeps them inside 32 bits. Returns 0 when even
// whole units overflow.
int CoordinateDivisor(const CData3D& v)
{
    std::vector<double> coords;
    for (int x = 0; x < v.NX; ++x)
        coords.push_back(static_cast<double>(v.StartX) + x * static_cast<double>(v.StepX));
    for (int y = 0; y < v.NY; ++y)
        coords.push_back(static_cast<double>(v.StartY) + y * static_cast<double>(v.StepY));
    double largest = 0;
    for (double c : coords)
        largest = std::max(largest, std::fabs(c));
    int finest = 0;
    for (int d : {1, 10, 100, 1000, 10000}) {
        if (largest * d > 2147483647.0)
            break;
        finest = d;
        bool exact = true;
        for (double c : coords)
            exact = exact && c * d == std::nearbyint(c * d);
        if (exact)
            return d;
    }
    return finest;
}

// The header fields a cube is written with, checked against what the fields can hold.
struct CubeFields {
    int Interval = 0; // sample interval, thousandths of StepZ's unit
    int Divisor = 1;  // coordinates are stored multiplied by it
    int Delay = 0;    // StartZ, rounded and clamped to the field
};

std::string PlanCube(const CData3D& v, const std::string& path, CubeFields& c,
                     std::vector<std::string>& notes)
{
    if (v.NZ > 32767)
        return Format("a SEG-Y trace holds at most 32767 samples, the volume has NZ = %d", v.NZ);
    const double wanted = static_cast<double>(v.StepZ) * 1000.0;
    if (!(wanted >= 0.5 && wanted < 32767.5))
        return Format("the sample interval StepZ = %g does not fit the header's 1 to 32767 "
                      "thousandths",
                      static_cast<double>(v.StepZ));
    c.Interval = static_cast<int>(std::lround(wanted));
    if (c.Interval != wanted)
        notes.push_back(Format("\"%s\": StepZ = %s was written as the sample interval %d "
                               "(thousandths).",
                               path.c_str(), FloatText(v.StepZ).c_str(), c.Interval));
    c.Divisor = CoordinateDivisor(v);
    if (c.Divisor == 0)
        return "the coordinates do not fit the header's 32-bit fields";
    const double delay = std::nearbyint(v.StartZ);
    c.Delay = static_cast<int>(std::clamp(delay, -32767.0, 32767.0));
    if (delay != v.StartZ || std::fabs(delay) > 32767)
        notes.push_back(Format("\"%s\": StartZ = %s was written as the delay %d.", path.c_str(),
                               FloatText(v.StartZ).c_str(), c.Delay));
    return {};
}

bool WriteFileHeaders(const CData3D& v, const SegyWriteOptions& o, const CubeFields& c,
                      BinaryFile& file)
{
    std::vector<unsigned char> text = TextHeader(v, o, c.Interval, c.Divisor);
    char bin[SEGY_BINARY_HEADER_SIZE] = {};
    segy_set_bfield(bin, SEGY_BIN_JOB_ID, 1);
    segy_set_bfield(bin, SEGY_BIN_TRACES, std::min(v.NX, 32767));
    segy_set_bfield(bin, SEGY_BIN_INTERVAL, c.Interval);
    segy_set_bfield(bin, SEGY_BIN_SAMPLES, v.NZ);
    segy_set_bfield(bin, SEGY_BIN_FORMAT, SEGY_IEEE_FLOAT_4_BYTE);
    segy_set_bfield(bin, SEGY_BIN_SORTING_CODE, 4); // horizontally stacked
    const int units = v.UnitX == "m" ? 1 : v.UnitX == "ft" ? 2 : 0;
    segy_set_bfield(bin, SEGY_BIN_MEASUREMENT_SYSTEM, units);
    segy_set_bfield(bin, SEGY_BIN_SEGY_REVISION, 0x0100);
    segy_set_bfield(bin, SEGY_BIN_TRACE_FLAG, 1);
    segy_set_bfield(bin, SEGY_BIN_EXT_HEADERS, 0);
    return file.Write(text.data(), text.size()) && file.Write(bin, sizeof bin);
}

// The 240-byte header of the trace at crossline x of inline y.
void SetTraceHeader(char* h, const CData3D& v, const SegyWriteOptions& o, const CubeFields& c,
                    int x, int y)
{
    const auto coordinate = [&](float start, float step, int i) {
        return static_cast<std::int32_t>(
            std::lround((static_cast<double>(start) + i * static_cast<double>(step)) * c.Divisor));
    };
    const std::int32_t xCoord = coordinate(v.StartX, v.StepX, x);
    const std::int32_t yCoord = coordinate(v.StartY, v.StepY, y);
    const int trace = y * v.NX + x + 1;
    std::memset(h, 0, 240);
    segy_set_field(h, SEGY_TR_SEQ_LINE, trace);
    segy_set_field(h, SEGY_TR_SEQ_FILE, trace);
    segy_set_field(h, SEGY_TR_FIELD_RECORD, o.FirstInline + y);
    segy_set_field(h, SEGY_TR_ENSEMBLE, o.FirstCrossline + x);
    segy_set_field(h, SEGY_TR_NUM_IN_ENSEMBLE, 1);
    segy_set_field(h, SEGY_TR_TRACE_ID, 1);
    segy_set_field(h, SEGY_TR_ELEV_SCALAR, 1);
    segy_set_field(h, SEGY_TR_SOURCE_GROUP_SCALAR, c.Divisor == 1 ? 1 : -c.Divisor);
    segy_set_field(h, SEGY_TR_SOURCE_X, xCoord);
    segy_set_field(h, SEGY_TR_SOURCE_Y, yCoord);
    segy_set_field(h, SEGY_TR_GROUP_X, xCoord);
    segy_set_field(h, SEGY_TR_GROUP_Y, yCoord);
    segy_set_field(h, SEGY_TR_COORD_UNITS, 1);
    segy_set_field(h, SEGY_TR_DELAY_REC_TIME, c.Delay);
    segy_set_field(h, SEGY_TR_SAMPLE_COUNT, v.NZ);
    segy_set_field(h, SEGY_TR_SAMPLE_INTER, c.Interval);
    segy_set_field(h, SEGY_TR_CDP_X, xCoord);
    segy_set_field(h, SEGY_TR_CDP_Y, yCoord);
    segy_set_field(h, SEGY_TR_INLINE, o.FirstInline + y);
    segy_set_field(h, SEGY_TR_CROSSLINE, o.FirstCrossline + x);
}

std::string WriteCube(const CData3D& v, const SegyWriteOptions& o, BinaryFile& file,
                      std::int64_t& bytes, std::vector<std::string>& notes)
{
    CubeFields c;
    std::string error = PlanCube(v, file.Path(), c, notes);
    if (!error.empty())
        return error;
    if (!WriteFileHeaders(v, o, c, file))
        return "a write failed (disk full?)";

    // One inline at a time: NX traces of header and samples, gathered and written as one block.
    const std::size_t nz = static_cast<std::size_t>(v.NZ), traceBytes = 240 + nz * 4;
    std::vector<unsigned char> line(static_cast<std::size_t>(v.NX) * traceBytes);
    std::vector<float> samples(static_cast<std::size_t>(v.NX) * nz);
    for (int y = 0; y < v.NY; ++y) {
        for (int z0 = 0; z0 < v.NZ; z0 += Tile) {
            const int z1 = std::min(v.NZ, z0 + Tile);
            for (int x = 0; x < v.NX; ++x)
                for (int z = z0; z < z1; ++z)
                    samples[static_cast<std::size_t>(x) * nz + static_cast<std::size_t>(z)] =
                        v.Values[z][y][x];
        }
        segy_from_native(SEGY_IEEE_FLOAT_4_BYTE, static_cast<long long>(samples.size()),
                         samples.data());
        for (int x = 0; x < v.NX; ++x) {
            char* h =
                reinterpret_cast<char*>(line.data() + static_cast<std::size_t>(x) * traceBytes);
            SetTraceHeader(h, v, o, c, x, y);
            std::memcpy(h + 240, samples.data() + static_cast<std::size_t>(x) * nz, nz * 4);
        }
        if (!file.Write(line.data(), line.size()))
            return "a write failed (disk full?)";
        bytes += static_cast<std::int64_t>(samples.size() * 4);
    }
    return {};
}

} // namespace

ExchangeResult ReadSegyFile(const std::string& path, CData3D& volume,
                            const SegyReadOptions& options)
{
    ExchangeResult result;
    try {
        SegyHandle h;
        h.fp = segy_open(path.c_str(), "rb");
        if (!h.fp) {
            result.Error = Format("Cannot open \"%s\".", path.c_str());
            return result;
        }
        // The headers of every trace are read through a memory map when one can be made (a
        // seek and a read per trace otherwise); the samples of whole lines by plain reads.
        SegyLayout L;
        segy_mmap(h.fp);
        std::string error = ReadBinaryHeader(h.fp, L);
        if (error.empty())
            error = ReadLattice(h.fp, options, L);
        if (!error.empty()) {
            result.Error = Problem(path, error);
            return result;
        }
        ExchangeGrid grid;
        grid.N[0] = L.CrosslineSorted ? L.Slow : L.Fast;
        grid.N[1] = L.CrosslineSorted ? L.Fast : L.Slow;
        grid.N[2] = L.Samples;
        result.Error = CheckGrid(path, grid);
        if (!result.Ok())
            return result;
        ReadSpacing(h.fp, L, options, grid, result.Notes, path);
        ReadSampleAxis(h.fp, L, options, grid);
        result.Error = CheckGeometry(path, grid);
        if (!result.Ok())
            return result;

        std::vector<LineWorkspace> workspaces = MakeWorkspaces(L, path);
        PrepareVolume(volume, grid);
        std::int64_t missing = 0;
        result.Bytes = ReadTraces(h.fp, L, workspaces, volume, missing);
        ApplyGrid(volume, grid);
        if (missing > 0)
            result.Notes.push_back(MissingValuesText(path, missing, grid.Cells()));
    } catch (const std::length_error&) {
        // A size taken from the file beyond what any block can hold: as good as no memory.
        result.Error = Problem(path, "there is not enough memory to read its headers");
    } catch (const std::bad_alloc&) {
        result.Error = Problem(path, "there is not enough memory to read its headers");
    }
    return result;
}

ExchangeResult WriteSegyFile(const CData3D& volume, const std::string& path,
                             const SegyWriteOptions& options)
{
    ExchangeResult result;
    result.Error = CheckWritable(volume, path);
    if (!result.Ok())
        return result;
    std::vector<std::string> notes;
    result = WriteThroughTemporary(path, [&](BinaryFile& file) {
        ExchangeResult r;
        std::string error = WriteCube(volume, options, file, r.Bytes, notes);
        if (!error.empty())
            r.Error = Format("Cannot write \"%s\" as SEG-Y: %s.", path.c_str(), error.c_str());
        return r;
    });
    if (result.Ok())
        result.Notes = notes;
    return result;
}
