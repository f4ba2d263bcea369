// The volume file, the headerless value file and the FD 3D model file.
//
// Every reader parses and checks a file's header before it touches the volume: a refused file is
// reported through the Ui (naming the file and what is wrong) and leaves extents, values, steps,
// stretch, starts and data type as they were. Values a short file does not supply are set to 0.
#include "volume/VolumeFile.h"

#include "platform/BinaryFile.h"
#include "platform/Services.h"
#include "platform/TextFile.h"
#include "volume/Data3D.h"
#include "volume/ReaderKit.h"
#include "volume/VolumeDialogs.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <unistd.h>
#include <vector>

using platform::BinaryFile;
using platform::Format;

namespace {

std::uint64_t memoryLimitOverride = 0;

void Message(const std::string& text)
{
    ReportToUser(text);
}

// Smallest and largest of the values actually read; NaN is ignored.
struct ValueRange {
    float min = 0;
    float max = 0;
    bool any = false;

    void Add(const float* v, std::int64_t n)
    {
        for (std::int64_t i = 0; i < n; ++i) {
            float x = v[i];
            if (x != x)
                continue;
            if (!any) {
                min = max = x;
                any = true;
            } else {
                min = x < min ? x : min;
                max = x > max ? x : max;
            }
        }
    }
};

// Where a reader stands in its file: bytes read, values the file did not supply, and whether
// the end was reached (after which no further read is requested).
struct ReadState {
    std::int64_t bytes = 0;
    std::int64_t missing = 0;
    bool ended = false;
    std::vector<float> buffer; // grows to one block at most
    ValueRange* range = nullptr;

    // Reads count floats into block (zeros past the end of the file), counting the bytes, the
    // values that were missing, and the range of those read.
    void ReadBlock(BinaryFile& file, float* block, std::int64_t count)
    {
        const std::int64_t got = ReadBlockZeroFilled(file, block, count, ended);
        bytes += got;
        const std::int64_t full = got / 4;
        missing += count - full;
        if (range)
            range->Add(block, full);
    }
};

// Reads rows * n floats (rows of n floats, in file order) in blocks and hands each row piece to
// store(row, x, data, count). Values the file does not supply arrive as 0 and are counted as
// missing. The caller bounds rows * n by an allocation it made, so the work is bounded too.
template <typename Store>
void StreamRows(BinaryFile& file, std::int64_t rows, std::int64_t n, ReadState& st, Store&& store)
{
    const std::int64_t total = rows * n;
    if (static_cast<std::int64_t>(st.buffer.size()) < std::min(BlockFloats, total))
        st.buffer.resize(static_cast<std::size_t>(std::min(BlockFloats, total)));
    float* buf = st.buffer.data();
    for (std::int64_t pos = 0; pos < total;) {
        std::int64_t m = std::min(BlockFloats, total - pos);
        st.ReadBlock(file, buf, m);
        for (std::int64_t done = 0; done < m;) {
            std::int64_t row = (pos + done) / n, x = (pos + done) % n;
            std::int64_t piece = std::min(n - x, m - done);
            store(row, x, buf + done, piece);
            done += piece;
        }
        pos += m;
    }
}

// Reads rows of n floats of one plane straight into place: row r goes to base + r * stride, where
// stride (the allocation's row length) exceeds n. Each chunk of rows is read as one contiguous
// run at its first row and then spread backward to its rows inside the cache, so the values are
// copied once from the file. Columns of the chunk's rows outside [0, n) from base are
// overwritten; the caller fills them afterwards or does not use them.
void ReadRowsInPlace(BinaryFile& file, float* base, std::int64_t stride, std::int64_t rows,
                     std::int64_t n, ReadState& st)
{
    if (rows <= 0 || n <= 0)
        return;
    const std::int64_t k = std::max<std::int64_t>(1, BlockFloats / n);
    for (std::int64_t r0 = 0; r0 < rows; r0 += k) {
        const std::int64_t m = std::min(k, rows - r0), count = m * n;
        float* chunk = base + r0 * stride;
        st.ReadBlock(file, chunk, count);
        // Row r sits at chunk + r * n and moves up to chunk + r * stride; going backward, no row
        // is overwritten before it has moved.
        for (std::int64_t r = m - 1; r >= 1; --r)
            std::memmove(chunk + r * stride, chunk + r * n, static_cast<std::size_t>(n) * 4);
    }
}

// Moves the file position forward by count * unit bytes (64-bit, overflow checked). A target
// beyond the end of the file ends the reading: everything after it is missing.
void SkipBytes(BinaryFile& file, std::int64_t count, std::int64_t unit, ReadState& st)
{
    std::int64_t n = 0;
    if (st.ended || count <= 0 || unit <= 0)
        return;
    std::int64_t here = file.Tell(), length = file.Length(), target = 0;
    if (__builtin_mul_overflow(count, unit, &n) || here < 0 ||
        __builtin_add_overflow(here, n, &target) || (length >= 0 && target > length) ||
        !file.Seek(n, platform::SeekFrom::Current))
        st.ended = true;
}

std::string MissingText(const std::string& path, std::int64_t missing, std::int64_t total)
{
    return Format("\"%s\" ends early: %lld of %lld values are missing and were set to 0.",
                  path.c_str(), static_cast<long long>(missing), static_cast<long long>(total));
}

bool StepIsValid(float s)
{
    return s > 0 && std::isfinite(s);
}

// A non-positive (or non-finite) cell size would break every plane geometry: show the three
// steps as read, then use 1.0 for each bad one.
void FixSteps(float steps[3])
{
    if (StepIsValid(steps[0]) && StepIsValid(steps[1]) && StepIsValid(steps[2]))
        return;
    Message(Format("%f %f %f", static_cast<double>(steps[0]), static_cast<double>(steps[1]),
                   static_cast<double>(steps[2])));
    for (int i = 0; i < 3; ++i)
        if (!StepIsValid(steps[i]))
            steps[i] = 1.0f;
}

// Sets every float of the allocation (spare elements included) to 0; the block is contiguous
// from Values[0][0][0].
void ZeroAllocation(CData3D& v)
{
    std::size_t n = static_cast<std::size_t>(v.AllocatedNX() + 1) *
                    static_cast<std::size_t>(v.AllocatedNY() + 1) *
                    static_cast<std::size_t>(v.AllocatedNZ() + 1);
    std::memset(v.Values[0][0], 0, n * sizeof(float));
}

} // namespace

std::uint64_t VolumeAllocationBytes(std::int64_t nx, std::int64_t ny, std::int64_t nz)
{
    if (nx < 0 || ny < 0 || nz < 0)
        return 0;
    // f3tensor(0, nz, 0, ny, 0, nx): (nz+1)(ny+1)(nx+1) floats plus one spare, (nz+1)(ny+1) row
    // pointers plus one, nz+1 plane pointers plus one.
    std::uint64_t a = static_cast<std::uint64_t>(nx) + 1, b = static_cast<std::uint64_t>(ny) + 1,
                  c = static_cast<std::uint64_t>(nz) + 1;
    std::uint64_t rows = 0, cells = 0, data = 0, pointers = 0, total = 0;
    if (__builtin_mul_overflow(b, c, &rows) || __builtin_mul_overflow(rows, a, &cells) ||
        __builtin_mul_overflow(cells + 1, sizeof(float), &data) ||
        __builtin_mul_overflow(rows + c + 2, sizeof(float*), &pointers) ||
        __builtin_add_overflow(data, pointers, &total))
        return 0;
    return total;
}

std::uint64_t VolumeMemoryLimit()
{
    if (memoryLimitOverride)
        return memoryLimitOverride;
    long pages = ::sysconf(_SC_PHYS_PAGES), size = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || size <= 0)
        return UINT64_MAX;
    return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(size);
}

void SetVolumeMemoryLimit(std::uint64_t bytes)
{
    memoryLimitOverride = bytes;
}

std::string CheckVolumeExtents(const std::string& path, std::int64_t nx, std::int64_t ny,
                               std::int64_t nz)
{
    if (nx < 0 || ny < 0 || nz < 0 || nx > INT_MAX || ny > INT_MAX || nz > INT_MAX)
        return Format("\"%s\": the extents NX = %lld, NY = %lld, NZ = %lld are not valid.",
                      path.c_str(), static_cast<long long>(nx), static_cast<long long>(ny),
                      static_cast<long long>(nz));
    std::uint64_t bytes = VolumeAllocationBytes(nx, ny, nz), limit = VolumeMemoryLimit();
    if (bytes == 0 || bytes > limit)
        return Format("\"%s\": a volume of NX = %lld, NY = %lld, NZ = %lld does not fit in the "
                      "memory of this machine (%.0f MiB).",
                      path.c_str(), static_cast<long long>(nx), static_cast<long long>(ny),
                      static_cast<long long>(nz), static_cast<double>(limit) / 1048576.0);
    return {};
}

std::int64_t CData3DEx::ReadVolumeFile(const std::string& path, int readTrailer)
{
    auto file = OpenOrReport(path);
    if (!file)
        return 0;
    std::int64_t bytes = ReadVolume(*file, readTrailer, nullptr);
    file->Close();
    return bytes;
}

namespace {

// The header fields of a volume file, read into locals so that a refused file leaves the volume
// untouched.
struct VolumeHeader {
    std::int32_t Version = 0, Dimensions = 0, SizeOffset = 0, DataOffset = 0;
    std::int32_t NX = 0, NY = 0, NZ = 0;
    float Steps[3] = {};
};

// Both header forms: a first int32 > 0 is NX (legacy), otherwise the version follows, then (from
// version 2) the three offset words, then NX.
bool ReadVolumeHeader(BinaryFile& file, VolumeHeader& h)
{
    std::int32_t first = 0;
    bool ok = file.ReadInt32(first);
    if (ok && first > 0) {
        h.NX = first;
    } else if (ok) {
        ok = file.ReadInt32(h.Version);
        if (ok && h.Version >= 2)
            ok = file.ReadInt32(h.Dimensions) && file.ReadInt32(h.SizeOffset) &&
                 file.ReadInt32(h.DataOffset);
        ok = ok && file.ReadInt32(h.NX);
    }
    ok = ok && file.ReadInt32(h.NY) && file.ReadInt32(h.NZ) && file.ReadFloat(h.Steps[0]) &&
         file.ReadFloat(h.Steps[1]) && file.ReadFloat(h.Steps[2]);
    if (!ok)
        Message(Format("Cannot read \"%s\": the file ends inside the volume header.",
                       file.Path().c_str()));
    return ok;
}

// The append source counts only when it holds data; its rows z < nz, y < ny are copied, so it
// must have at least the file's NY and NZ. Returns the source to use (or null) and whether the
// file may be read at all (a message said why not).
bool AcceptAppend(const std::string& path, const VolumeHeader& h, const CData3D* appendSource,
                  const CData3D*& source)
{
    source = nullptr;
    if (appendSource && appendSource->NX >= 1 && appendSource->NY >= 1 && appendSource->NZ >= 1 &&
        appendSource->ExtentsFitAllocation())
        source = appendSource;
    const std::int64_t sourceNX = source ? source->NX : 0;
    if (source && (source->NY < h.NY || source->NZ < h.NZ)) {
        Message(Format("Cannot append \"%s\": the file has NY = %d and NZ = %d, the volume only "
                       "NY = %d and NZ = %d.",
                       path.c_str(), h.NY, h.NZ, source->NY, source->NZ));
        return false;
    }
    std::string refusal = CheckVolumeExtents(path, sourceNX + h.NX, h.NY, h.NZ);
    if (refusal.empty() && h.NX < 0)
        refusal = CheckVolumeExtents(path, h.NX, h.NY, h.NZ);
    if (!refusal.empty()) {
        Message(refusal);
        return false;
    }
    return true;
}

// Values: rows of nx floats; with a source, its columns come first and the file's follow.
ReadState ReadVolumeValues(CData3D& v, BinaryFile& file, const VolumeHeader& h,
                           const CData3D* source)
{
    ReadState st;
    const int x0 = source ? source->NX : 0;
    for (int z = 0; z < h.NZ; ++z) {
        ReadRowsInPlace(file, &v.Values[z][0][x0], v.AllocatedNX() + 1, h.NY, h.NX, st);
        if (source)
            for (int y = 0; y < h.NY; ++y)
                std::memcpy(v.Values[z][y], source->Values[z][y],
                            static_cast<std::size_t>(x0) * sizeof(float));
    }
    if (st.missing > 0)
        Message(
            MissingText(file.Path(), st.missing,
                        static_cast<std::int64_t>(h.NX) * h.NY * static_cast<std::int64_t>(h.NZ)));
    return st;
}

// The trailer: stretch block and reserved words only when asked; starts from version 1, data
// type from version 3. What follows an unusable stretch block cannot be located: the user is
// told what is lost.
void ReadVolumeTrailer(CData3D& v, BinaryFile& file, int readTrailer, bool fileEnded)
{
    bool ok = true;
    if (readTrailer == 1) {
        ok = v.Stretch->ReadStretchBlock(file) == 1;
        if (!ok && !fileEnded)
            Message(Format("\"%s\": the Z-stretch block after the values cannot be used; %s "
                           "stored after it were ignored.",
                           file.Path().c_str(),
                           v.HeaderVersion >= 3 ? "the stretch settings, reserved words, starts "
                                                  "and data type"
                           : v.HeaderVersion >= 1
                               ? "the stretch settings, reserved words and starts"
                               : "the stretch settings and reserved words"));
        for (int i = 0; ok && i < 3; ++i) {
            std::int32_t w = 0;
            ok = file.ReadInt32(w);
            if (ok)
                v.ReservedWords[i] = w;
        }
    }
    if (ok && v.HeaderVersion >= 1) {
        float s[3];
        ok = file.ReadFloat(s[0]) && file.ReadFloat(s[1]) && file.ReadFloat(s[2]);
        if (ok)
            v.StartX = s[0], v.StartY = s[1], v.StartZ = s[2];
    }
    if (ok && v.HeaderVersion >= 3) {
        std::int32_t t = 0;
        if (file.ReadInt32(t))
            v.DataType = t;
    }
}

// "Data size": the user may narrow the extents in use, never widen them past what was read.
void AskDataSize(CData3D& v, const std::string& path)
{
    CDataSize size{v.NX, v.NY, v.NZ};
    if (!RunDataSize(size))
        return;
    int rx = std::clamp(size.NX, 0, v.NX), ry = std::clamp(size.NY, 0, v.NY),
        rz = std::clamp(size.NZ, 0, v.NZ);
    if (rx != size.NX || ry != size.NY || rz != size.NZ)
        Message(Format("The data size must lie between 0 and the NX = %d, NY = %d, NZ = %d read "
                       "from \"%s\"; NX = %d, NY = %d, NZ = %d are used.",
                       v.NX, v.NY, v.NZ, path.c_str(), rx, ry, rz));
    v.NX = rx;
    v.NY = ry;
    v.NZ = rz;
    v.Stretch->TruncateAreas(v.NZ);
}

} // namespace

std::int64_t CData3D::ReadVolume(BinaryFile& file, int readTrailer, const CData3D* appendSource,
                                 bool* refused)
{
    const std::string& path = file.Path();
    if (refused)
        *refused = true; // until the header has been accepted
    VolumeHeader h;
    const CData3D* source = nullptr;
    if (!ReadVolumeHeader(file, h) || !AcceptAppend(path, h, appendSource, source))
        return 0;
    FixSteps(h.Steps);
    if (refused)
        *refused = false;

    // Allocate releases Values, so a volume appended to itself is read from a copy.
    std::unique_ptr<CData3DEx> ownCopy;
    if (source == this) {
        ownCopy = std::make_unique<CData3DEx>();
        ownCopy->CopyFrom(*this);
        source = ownCopy.get();
    }
    HeaderVersion = h.Version;
    if (h.Version >= 2) {
        Dimensions = h.Dimensions;
        SizeOffset = h.SizeOffset;
        DataOffset = h.DataOffset;
    }
    StepX = h.Steps[0];
    StepY = h.Steps[1];
    StepZ = h.Steps[2];
    NX = (source ? source->NX : 0) + h.NX;
    NY = h.NY;
    NZ = h.NZ;
    AllocateFor(*this, NX, NY, NZ);

    const ReadState st = ReadVolumeValues(*this, file, h, source);
    ReadVolumeTrailer(*this, file, readTrailer, st.missing > 0);
    AskDataSize(*this, path);
    return st.bytes;
}

bool CData3D::WriteVolume(BinaryFile& file) const
{
    if (!ExtentsFitAllocation())
        return false;
    bool ok = file.WriteInt32(-1) && file.WriteInt32(3) && file.WriteInt32(Dimensions) &&
              file.WriteInt32(20) && file.WriteInt32(44) && file.WriteInt32(NX) &&
              file.WriteInt32(NY) && file.WriteInt32(NZ) && file.WriteFloat(StepX) &&
              file.WriteFloat(StepY) && file.WriteFloat(StepZ);

    // Rows of NX floats gathered into blocks, so a large volume takes few write requests.
    std::vector<float> block;
    block.reserve(BlockFloats);
    auto flush = [&] {
        ok = ok && file.Write(block.data(), block.size() * sizeof(float));
        block.clear();
    };
    const std::size_t rowFloats = NX > 0 ? static_cast<std::size_t>(NX) : 0;
    for (int z = 0; ok && z < NZ; ++z)
        for (int y = 0; ok && y < NY && rowFloats > 0; ++y) {
            const float* row = Values[z][y];
            if (rowFloats > static_cast<std::size_t>(BlockFloats)) {
                flush();
                ok = ok && file.Write(row, rowFloats * sizeof(float));
                continue;
            }
            if (block.size() + rowFloats > static_cast<std::size_t>(BlockFloats))
                flush();
            block.insert(block.end(), row, row + rowFloats);
        }
    flush();

    ok = ok && Stretch->WriteStretchBlock(file);
    for (int i = 0; i < 3; ++i)
        ok = ok && file.WriteInt32(ReservedWords[i]);
    ok = ok && file.WriteFloat(StartX) && file.WriteFloat(StartY) && file.WriteFloat(StartZ) &&
         file.WriteInt32(DataType);
    return ok;
}

std::int64_t ReadRawValuesFrom(CData3D& volume, BinaryFile& file)
{
    if (volume.NX < 1 || volume.NY < 1 || volume.NZ < 1 || !volume.ExtentsFitAllocation())
        return 0;
    ReadState st;
    for (int z = 0; z < volume.NZ; ++z)
        ReadRowsInPlace(file, &volume.Values[z][0][0], volume.AllocatedNX() + 1, volume.NY,
                        volume.NX, st);
    return st.bytes;
}

std::int64_t CData3D::ReadRawValues(const std::string& path)
{
    auto file = OpenOrReport(path);
    if (!file)
        return 0;
    std::int64_t bytes = ReadRawValuesFrom(*this, *file);
    file->Close();
    return bytes;
}

std::int64_t CData3D::ReadFDModel(const std::string& path, int component, int xOffset,
                                  int fileCount)
{
    auto file = OpenOrReport(path);
    if (!file)
        return 0;
    std::int64_t bytes = ReadFDModelFrom(*this, *file, component, xOffset, fileCount);
    file->Close();
    return bytes;
}

namespace {

// The component and column range asked for must exist before anything is read.
bool AcceptFDModelRequest(const CData3D& v, const std::string& path, int component, int xOffset)
{
    if (component < 0 || component > 4) {
        Message(Format("Cannot read component %d of \"%s\": an FD model has components 0 to 4.",
                       component, path.c_str()));
        return false;
    }
    if (xOffset < 0 || (xOffset > 0 && (!v.IsAllocated(1) || xOffset >= v.AllocatedNX()))) {
        Message(Format("Cannot append \"%s\": the volume has no room for columns from X = %d "
                       "(it holds %d columns).",
                       path.c_str(), xOffset, v.IsAllocated(1) ? v.AllocatedNX() : 0));
        return false;
    }
    return true;
}

// The layers to read: for the first strip the "Data size" question, whose answer is allocated
// (for the whole series: fileCount strips side by side along X); appended strips fill the layer
// range of the first. Returns -1 when cancelled or refused.
int AllocateForFDModel(CData3D& v, const std::string& path, const FDModelHeader& h, int xOffset,
                       int fileCount)
{
    if (xOffset != 0)
        return std::clamp(v.NZ, 0, v.AllocatedNZ());
    std::int64_t proposed =
        static_cast<std::int64_t>(std::max(fileCount, 1)) * static_cast<std::int64_t>(h.NX);
    CDataSize dlg{static_cast<int>(std::min<std::int64_t>(proposed, INT_MAX)), h.NY, h.NZ};
    if (!RunDataSize(dlg))
        return -1;
    std::string refusal = CheckVolumeExtents(path, dlg.NX, dlg.NY, dlg.NZ);
    if (!refusal.empty()) {
        Message(refusal);
        return -1;
    }
    AllocateFor(v, dlg.NX, dlg.NY, dlg.NZ);
    ZeroAllocation(v);
    return dlg.NZ;
}

// Skips the components before the one asked for, then reads nzRead layers of it: what fits the
// allocation (nyStore rows of nxStore columns from xOffset) is stored, the rest skipped.
void ReadFDModelComponent(CData3D& v, BinaryFile& file, const FDModelHeader& h, int component,
                          int xOffset, int nzRead, int nyStore, int nxStore, ReadState& st)
{
    // component * NZ * NY * NX * 4 bytes passes 2^31 for models of a few hundred cells a side.
    std::int64_t componentValues = 0;
    if (__builtin_mul_overflow(static_cast<std::int64_t>(component) * h.NZ,
                               static_cast<std::int64_t>(h.NY) * h.NX, &componentValues))
        st.ended = true;
    SkipBytes(file, componentValues, 4, st);

    const std::int64_t rowBytes = static_cast<std::int64_t>(h.NX) * 4;
    for (int z = 0; z < nzRead; ++z) {
        auto store = [&](std::int64_t y, std::int64_t x, const float* p, std::int64_t n) {
            std::memcpy(&v.Values[z][y][xOffset + x], p, static_cast<std::size_t>(n) * 4);
        };
        if (nxStore == h.NX && xOffset == 0) {
            ReadRowsInPlace(file, &v.Values[z][0][0], v.AllocatedNX() + 1, nyStore, h.NX, st);
        } else if (nxStore == h.NX) {
            StreamRows(file, nyStore, h.NX, st, store);
        } else {
            for (int y = 0; y < nyStore; ++y) {
                StreamRows(file, 1, nxStore, st,
                           [&](std::int64_t, std::int64_t x, const float* p, std::int64_t n) {
                               store(y, x, p, n);
                           });
                SkipBytes(file, h.NX - nxStore, 4, st);
            }
        }
        SkipBytes(file, h.NY - nyStore, rowBytes, st);
    }
}

} // namespace

std::int64_t ReadFDModelFrom(CData3D& v, BinaryFile& file, int component, int xOffset,
                             int fileCount)
{
    const std::string& path = file.Path();
    FDModelHeader h;
    if (!ReadFDModelHeader(file, h) || !AcceptFDModelRequest(v, path, component, xOffset))
        return 0;
    float steps[3] = {h.StepX, h.StepY, h.StepZ};
    FixSteps(steps);

    // The thickness block goes to a copy of the stretch record, kept only if the file is read.
    StretchInfo stretch = *v.Stretch;
    if (v.bReadStretchInfo == 1 && stretch.ReadLayerThickness(file, h.NZ, steps[0]) == 1)
        stretch.StretchOn = 1;

    const int layers = AllocateForFDModel(v, path, h, xOffset, fileCount);
    if (layers < 0)
        return 0;
    const int nzRead = std::min(layers, h.NZ);
    const int nyStore = std::min(h.NY, v.AllocatedNY());
    const int nxStore = std::min(h.NX, v.AllocatedNX() - xOffset);

    ReadState st;
    ValueRange range;
    st.range = &range;
    ReadFDModelComponent(v, file, h, component, xOffset, nzRead, nyStore, nxStore, st);

    v.StepX = steps[0];
    v.StepY = steps[1];
    v.StepZ = steps[2];
    *v.Stretch = stretch;
    v.NX = xOffset + nxStore;
    v.NY = nyStore;
    v.NZ = nzRead;

    if (st.missing > 0)
        Message(
            MissingText(path, st.missing, static_cast<std::int64_t>(nzRead) * nyStore * nxStore));
    if (range.any)
        Message(Format("Min. = %f Max. = %f", static_cast<double>(range.min),
                       static_cast<double>(range.max)));
    return st.bytes;
}

bool SaveVolumeFile(const CData3D& volume, const std::string& path)
{
    std::string error;
    auto file = platform::AtomicFile::Create(path, &error);
    if (!file) {
        Message(Format("Cannot save \"%s\": %s.", path.c_str(), error.c_str()));
        return false;
    }
    if (!volume.WriteVolume(*file)) {
        file->Close();
        Message(Format("Cannot save \"%s\": a write failed (disk full?). The file was not changed.",
                       path.c_str()));
        return false;
    }
    if (!file->Commit(&error)) {
        Message(Format("Cannot save \"%s\": %s. The file was not changed.", path.c_str(),
                       error.c_str()));
        return false;
    }
    return true;
}

std::int64_t ReadVolumeDocument(CData3D& volume, BinaryFile& file)
{
    std::unique_ptr<CData3DEx> source;
    if (volume.NX > 0 || volume.NY > 0 || volume.NZ > 0) {
        CDlgAppend dlg; // "New" preselected
        if (!RunAppend(dlg))
            return DocumentLoadCancelled;
        if (dlg.Append == 1 && volume.NX >= 1 && volume.NY >= 1 && volume.NZ >= 1) {
            source = std::make_unique<CData3DEx>();
            source->CopyFrom(volume);
        }
    }
    bool refused = false;
    std::int64_t bytes = volume.ReadVolume(file, 1, source.get(), &refused);
    if (refused)
        return DocumentLoadRefused;
    if (volume.DataType == 2)
        volume.SetPhaseVelocityVsDatetime();
    return bytes;
}
