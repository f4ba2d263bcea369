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

// Values are moved in blocks of this many floats (256 KiB): one read request per block keeps
// the system calls few and the staging buffer in the L2 cache.
constexpr std::int64_t BlockFloats = 65536;

std::uint64_t memoryLimitOverride = 0;

void Message(const std::string& text)
{
    platform::GetUi().MessageBox(text);
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
        std::size_t want = static_cast<std::size_t>(m) * 4;
        std::size_t got = 0;
        if (!st.ended) {
            got = file.Read(buf, want);
            st.ended = got < want;
        }
        st.bytes += static_cast<std::int64_t>(got);
        std::int64_t full = static_cast<std::int64_t>(got / 4); // a partial float counts as missing
        if (full < m) {
            std::memset(buf + full, 0, static_cast<std::size_t>(m - full) * 4);
            st.missing += m - full;
        }
        if (st.range)
            st.range->Add(buf, full);
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
        std::size_t want = static_cast<std::size_t>(count) * 4, got = 0;
        if (!st.ended) {
            got = file.Read(chunk, want);
            st.ended = got < want;
        }
        st.bytes += static_cast<std::int64_t>(got);
        std::int64_t full = static_cast<std::int64_t>(got / 4);
        if (full < count) {
            std::memset(chunk + full, 0, static_cast<std::size_t>(count - full) * 4);
            st.missing += count - full;
        }
        if (st.range)
            st.range->Add(chunk, full);
        // Row r sits at chunk + r * n and moves up to chunk + r * stride; going backward, no row
        // is overwritten before it has moved.
        for (std::int64_t r = m - 1; r >= 1; --r)
            std::memmove(chunk + r * stride, chunk + r * n, static_cast<std::size_t>(n) * 4);
    }
}

// Allocates Values for the extents unless an allocation of exactly these extents exists: a
// reload of the same size then skips the page faults of a fresh block, which cost more than
// reading the file from the page cache.
void AllocateFor(CData3D& v, int nx, int ny, int nz)
{
    if (!(v.IsAllocated(1) && v.AllocatedNX() == nx && v.AllocatedNY() == ny &&
          v.AllocatedNZ() == nz))
        v.Allocate(nx, ny, nz);
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

std::string OpenFailure(const std::string& path, const std::string& error)
{
    return Format("Cannot open \"%s\": %s.", path.c_str(), error.c_str());
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
    std::string error;
    auto file = platform::OpenBinaryRead(path, &error);
    if (!file) {
        Message(OpenFailure(path, error));
        return 0;
    }
    std::int64_t bytes = ReadVolume(*file, readTrailer, nullptr);
    file->Close();
    return bytes;
}

std::int64_t CData3D::ReadVolume(BinaryFile& file, int readTrailer, const CData3D* appendSource,
                                 bool* refused)
{
    const std::string& path = file.Path();
    if (refused)
        *refused = true; // until the header has been accepted

    // Header into locals first, so that a refused file leaves the volume untouched.
    std::int32_t first = 0, version = 0, dims = 0, sizeOffset = 0, dataOffset = 0;
    std::int32_t nx = 0, ny = 0, nz = 0;
    float steps[3] = {};
    bool ok = file.ReadInt32(first);
    if (ok && first > 0) {
        nx = first; // legacy header: no marker, NX first
    } else if (ok) {
        ok = file.ReadInt32(version);
        if (ok && version >= 2)
            ok = file.ReadInt32(dims) && file.ReadInt32(sizeOffset) && file.ReadInt32(dataOffset);
        ok = ok && file.ReadInt32(nx);
    }
    ok = ok && file.ReadInt32(ny) && file.ReadInt32(nz) && file.ReadFloat(steps[0]) &&
         file.ReadFloat(steps[1]) && file.ReadFloat(steps[2]);
    if (!ok) {
        Message(
            Format("Cannot read \"%s\": the file ends inside the volume header.", path.c_str()));
        return 0;
    }

    // The append source counts only when it holds data; its rows z < nz, y < ny are copied, so
    // it must have at least the file's NY and NZ.
    const CData3D* source = nullptr;
    if (appendSource && appendSource->NX >= 1 && appendSource->NY >= 1 && appendSource->NZ >= 1 &&
        appendSource->ExtentsFitAllocation())
        source = appendSource;
    std::int64_t sourceNX = source ? source->NX : 0;
    if (source && (source->NY < ny || source->NZ < nz)) {
        Message(Format("Cannot append \"%s\": the file has NY = %d and NZ = %d, the volume only "
                       "NY = %d and NZ = %d.",
                       path.c_str(), ny, nz, source->NY, source->NZ));
        return 0;
    }
    std::string refusal = CheckVolumeExtents(path, sourceNX + nx, ny, nz);
    if (refusal.empty() && nx < 0)
        refusal = CheckVolumeExtents(path, nx, ny, nz);
    if (!refusal.empty()) {
        Message(refusal);
        return 0;
    }

    FixSteps(steps);
    if (refused)
        *refused = false;

    // Allocate releases Values, so a volume appended to itself is read from a copy.
    std::unique_ptr<CData3DEx> ownCopy;
    if (source == this) {
        ownCopy = std::make_unique<CData3DEx>();
        ownCopy->CopyFrom(*this);
        source = ownCopy.get();
    }

    HeaderVersion = version;
    if (version >= 2) {
        Dimensions = dims;
        SizeOffset = sizeOffset;
        DataOffset = dataOffset;
    }
    StepX = steps[0];
    StepY = steps[1];
    StepZ = steps[2];
    NX = static_cast<int>(sourceNX + nx);
    NY = ny;
    NZ = nz;
    AllocateFor(*this, NX, NY, NZ);

    // Values: rows of nx floats; with a source, its columns come first and the file's follow.
    ReadState st;
    const int x0 = static_cast<int>(sourceNX);
    for (int z = 0; z < nz; ++z) {
        ReadRowsInPlace(file, &Values[z][0][x0], AllocatedNX() + 1, ny, nx, st);
        if (source)
            for (int y = 0; y < ny; ++y)
                std::memcpy(Values[z][y], source->Values[z][y],
                            static_cast<std::size_t>(sourceNX) * sizeof(float));
    }
    if (st.missing > 0)
        Message(MissingText(path, st.missing,
                            static_cast<std::int64_t>(nx) * ny * static_cast<std::int64_t>(nz)));

    // Trailer: stretch block and reserved words only when asked; starts from version 1, data
    // type from version 3.
    bool trailerOk = true;
    if (readTrailer == 1) {
        trailerOk = Stretch->ReadStretchBlock(file) == 1;
        // What follows an unusable stretch block cannot be located: say what is lost.
        if (!trailerOk && st.missing == 0)
            Message(Format("\"%s\": the Z-stretch block after the values cannot be used; %s "
                           "stored after it were ignored.",
                           path.c_str(),
                           HeaderVersion >= 3   ? "the stretch settings, reserved words, starts "
                                                  "and data type"
                           : HeaderVersion >= 1 ? "the stretch settings, reserved words and starts"
                                                : "the stretch settings and reserved words"));
        for (int i = 0; trailerOk && i < 3; ++i) {
            std::int32_t w = 0;
            trailerOk = file.ReadInt32(w);
            if (trailerOk)
                ReservedWords[i] = w;
        }
    }
    if (trailerOk && HeaderVersion >= 1) {
        float s[3];
        trailerOk = file.ReadFloat(s[0]) && file.ReadFloat(s[1]) && file.ReadFloat(s[2]);
        if (trailerOk)
            StartX = s[0], StartY = s[1], StartZ = s[2];
    }
    if (trailerOk && HeaderVersion >= 3) {
        std::int32_t t = 0;
        if (file.ReadInt32(t))
            DataType = t;
    }

    // The user may narrow the extents in use, never widen them past what was read.
    CDataSize size{NX, NY, NZ};
    if (RunDataSize(size)) {
        int rx = std::clamp(size.NX, 0, NX), ry = std::clamp(size.NY, 0, NY),
            rz = std::clamp(size.NZ, 0, NZ);
        if (rx != size.NX || ry != size.NY || rz != size.NZ)
            Message(Format("The data size must lie between 0 and the NX = %d, NY = %d, NZ = %d "
                           "read from \"%s\"; NX = %d, NY = %d, NZ = %d are used.",
                           NX, NY, NZ, path.c_str(), rx, ry, rz));
        NX = rx;
        NY = ry;
        NZ = rz;
        Stretch->TruncateAreas(NZ);
    }
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
    std::string error;
    auto file = platform::OpenBinaryRead(path, &error);
    if (!file) {
        Message(OpenFailure(path, error));
        return 0;
    }
    std::int64_t bytes = ReadRawValuesFrom(*this, *file);
    file->Close();
    return bytes;
}

std::int64_t CData3D::ReadFDModel(const std::string& path, int component, int xOffset,
                                  int fileCount)
{
    std::string error;
    auto file = platform::OpenBinaryRead(path, &error);
    if (!file) {
        Message(OpenFailure(path, error));
        return 0;
    }
    std::int64_t bytes = ReadFDModelFrom(*this, *file, component, xOffset, fileCount);
    file->Close();
    return bytes;
}

std::int64_t ReadFDModelFrom(CData3D& v, BinaryFile& file, int component, int xOffset,
                             int fileCount)
{
    const std::string& path = file.Path();
    std::int32_t size[3] = {};
    float steps[3] = {};
    if (file.Read(size, 12) != 12 || file.Read(steps, 12) != 12) {
        Message(
            Format("Cannot read \"%s\": the file ends inside the FD model header.", path.c_str()));
        return 0;
    }
    const std::int32_t fileNX = size[0], fileNY = size[1], fileNZ = size[2];
    if (fileNX < 0 || fileNY < 0 || fileNZ < 0) {
        Message(CheckVolumeExtents(path, fileNX, fileNY, fileNZ));
        return 0;
    }
    if (component < 0 || component > 4) {
        Message(Format("Cannot read component %d of \"%s\": an FD model has components 0 to 4.",
                       component, path.c_str()));
        return 0;
    }
    if (xOffset < 0 || (xOffset > 0 && (!v.IsAllocated(1) || xOffset >= v.AllocatedNX()))) {
        Message(Format("Cannot append \"%s\": the volume has no room for columns from X = %d "
                       "(it holds %d columns).",
                       path.c_str(), xOffset, v.IsAllocated(1) ? v.AllocatedNX() : 0));
        return 0;
    }
    FixSteps(steps);

    // The thickness block goes to a copy of the stretch record, kept only if the file is read.
    StretchInfo stretch = *v.Stretch;
    if (v.bReadStretchInfo == 1 && stretch.ReadLayerThickness(file, fileNZ, steps[0]) == 1)
        stretch.StretchOn = 1;

    int layers = 0;
    if (xOffset == 0) {
        // The allocation is made for the whole series: fileCount strips side by side along X.
        std::int64_t proposed =
            static_cast<std::int64_t>(std::max(fileCount, 1)) * static_cast<std::int64_t>(fileNX);
        CDataSize dlg{static_cast<int>(std::min<std::int64_t>(proposed, INT_MAX)), fileNY, fileNZ};
        if (!RunDataSize(dlg))
            return 0;
        std::string refusal = CheckVolumeExtents(path, dlg.NX, dlg.NY, dlg.NZ);
        if (!refusal.empty()) {
            Message(refusal);
            return 0;
        }
        AllocateFor(v, dlg.NX, dlg.NY, dlg.NZ);
        ZeroAllocation(v);
        layers = dlg.NZ;
    } else {
        // Appended strips fill the layer range of the first file.
        layers = std::clamp(v.NZ, 0, v.AllocatedNZ());
    }

    // What fits the allocation is stored; the rest of the file is skipped.
    const int nzRead = std::min(layers, fileNZ);
    const int nyStore = std::min(fileNY, v.AllocatedNY());
    const int nxStore = std::min(fileNX, v.AllocatedNX() - xOffset);

    ReadState st;
    ValueRange range;
    st.range = &range;
    // component * NZ * NY * NX * 4 bytes passes 2^31 for models of a few hundred cells a side.
    std::int64_t componentValues = 0;
    if (__builtin_mul_overflow(static_cast<std::int64_t>(component) * fileNZ,
                               static_cast<std::int64_t>(fileNY) * fileNX, &componentValues))
        st.ended = true;
    SkipBytes(file, componentValues, 4, st);

    const std::int64_t rowBytes = static_cast<std::int64_t>(fileNX) * 4;
    for (int z = 0; z < nzRead; ++z) {
        auto store = [&](std::int64_t y, std::int64_t x, const float* p, std::int64_t n) {
            std::memcpy(&v.Values[z][y][xOffset + x], p, static_cast<std::size_t>(n) * 4);
        };
        if (nxStore == fileNX && xOffset == 0) {
            ReadRowsInPlace(file, &v.Values[z][0][0], v.AllocatedNX() + 1, nyStore, fileNX, st);
        } else if (nxStore == fileNX) {
            StreamRows(file, nyStore, fileNX, st, store);
        } else {
            for (int y = 0; y < nyStore; ++y) {
                StreamRows(file, 1, nxStore, st,
                           [&](std::int64_t, std::int64_t x, const float* p, std::int64_t n) {
                               store(y, x, p, n);
                           });
                SkipBytes(file, fileNX - nxStore, 4, st);
            }
        }
        SkipBytes(file, fileNY - nyStore, rowBytes, st);
    }

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
