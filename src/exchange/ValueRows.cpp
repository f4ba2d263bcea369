#include "exchange/ValueRows.h"

#include "platform/BinaryFile.h"
#include "platform/TextFile.h"
#include "volume/Data3D.h"

#include <algorithm>
#include <cstring>
#include <vector>

using platform::BinaryFile;
using platform::Format;

namespace {

constexpr std::size_t BlockBytes = 256 * 1024;

// Reads up to want bytes; the part the file does not supply is zeroed. Returns bytes read.
std::size_t ReadBlock(BinaryFile& file, unsigned char* buf, std::size_t want, bool& ended)
{
    std::size_t got = ended ? 0 : file.Read(buf, want);
    ended = ended || got < want;
    if (got < want)
        std::memset(buf + got, 0, want - got);
    return got;
}

} // namespace

RowReadResult ReadRowsInto(BinaryFile& file, ElementType type, bool bigEndian, CData3D& v)
{
    RowReadResult r;
    const std::size_t es = ElementBytes(type);
    const std::int64_t nx = v.NX, rows = static_cast<std::int64_t>(v.NY) * v.NZ;
    const std::int64_t total = rows * nx;
    const std::int64_t perBlock = static_cast<std::int64_t>(BlockBytes / es);
    std::vector<unsigned char> buf(static_cast<std::size_t>(std::min(perBlock, total)) * es);
    bool ended = false;
    for (std::int64_t pos = 0; pos < total;) {
        const std::int64_t m = std::min(perBlock, total - pos);
        const std::size_t want = static_cast<std::size_t>(m) * es;
        const std::size_t got = ReadBlock(file, buf.data(), want, ended);
        r.Bytes += static_cast<std::int64_t>(got);
        r.Missing += m - static_cast<std::int64_t>(got / es);
        // Hand the block out in row pieces.
        for (std::int64_t done = 0; done < m;) {
            const std::int64_t row = (pos + done) / nx, x = (pos + done) % nx;
            const std::int64_t piece = std::min(nx - x, m - done);
            const int z = static_cast<int>(row / v.NY), y = static_cast<int>(row % v.NY);
            ConvertToFloat(type, bigEndian, buf.data() + done * es, static_cast<std::size_t>(piece),
                           &v.Values[z][y][x]);
            done += piece;
        }
        pos += m;
    }
    return r;
}

RowReadResult ReadColumnsInto(BinaryFile& file, ElementType type, bool bigEndian, CData3D& v)
{
    RowReadResult r;
    const std::size_t es = ElementBytes(type);
    const std::int64_t total = static_cast<std::int64_t>(v.NX) * v.NY * v.NZ;
    const std::int64_t perBlock = static_cast<std::int64_t>(BlockBytes / es);
    std::vector<unsigned char> buf(static_cast<std::size_t>(std::min(perBlock, total)) * es);
    std::vector<float> values(static_cast<std::size_t>(std::min(perBlock, total)));
    bool ended = false;
    int x = 0, y = 0, z = 0; // running position, z fastest
    for (std::int64_t pos = 0; pos < total;) {
        const std::int64_t m = std::min(perBlock, total - pos);
        const std::size_t want = static_cast<std::size_t>(m) * es;
        const std::size_t got = ReadBlock(file, buf.data(), want, ended);
        r.Bytes += static_cast<std::int64_t>(got);
        r.Missing += m - static_cast<std::int64_t>(got / es);
        ConvertToFloat(type, bigEndian, buf.data(), static_cast<std::size_t>(m), values.data());
        for (std::int64_t i = 0; i < m; ++i) {
            v.Values[z][y][x] = values[static_cast<std::size_t>(i)];
            if (++z == v.NZ) {
                z = 0;
                if (++y == v.NY) {
                    y = 0;
                    ++x;
                }
            }
        }
        pos += m;
    }
    return r;
}

void ConvertRowsInto(const unsigned char* data, ElementType type, bool bigEndian, CData3D& v)
{
    const std::size_t rowBytes = static_cast<std::size_t>(v.NX) * ElementBytes(type);
    for (int z = 0; z < v.NZ; ++z)
        for (int y = 0; y < v.NY; ++y, data += rowBytes)
            ConvertToFloat(type, bigEndian, data, static_cast<std::size_t>(v.NX), v.Values[z][y]);
}

bool WriteRowsFrom(const CData3D& v, BinaryFile& file, std::int64_t& bytes)
{
    // Rows gathered into blocks, so that a large volume takes few write requests.
    const std::size_t blockFloats = BlockBytes / 4, row = static_cast<std::size_t>(v.NX);
    std::vector<float> block;
    block.reserve(blockFloats);
    bool ok = true;
    auto flush = [&] {
        ok = ok && file.Write(block.data(), block.size() * 4);
        if (ok)
            bytes += static_cast<std::int64_t>(block.size() * 4);
        block.clear();
    };
    for (int z = 0; ok && z < v.NZ; ++z)
        for (int y = 0; ok && y < v.NY; ++y) {
            const float* p = v.Values[z][y];
            if (row > blockFloats) {
                flush();
                ok = ok && file.Write(p, row * 4);
                if (ok)
                    bytes += static_cast<std::int64_t>(row * 4);
                continue;
            }
            if (block.size() + row > blockFloats)
                flush();
            block.insert(block.end(), p, p + row);
        }
    flush();
    return ok;
}

std::string MissingValuesText(const std::string& path, std::int64_t missing, std::int64_t total)
{
    return Format("\"%s\" ends early: %lld of %lld values are missing and were set to 0.",
                  path.c_str(), static_cast<long long>(missing), static_cast<long long>(total));
}

ExchangeResult WriteThroughTemporary(const std::string& path,
                                     const std::function<ExchangeResult(BinaryFile&)>& write)
{
    ExchangeResult result;
    std::string error;
    auto file = platform::AtomicFile::Create(path, &error);
    if (!file) {
        result.Error = Format("Cannot write \"%s\": %s.", path.c_str(), error.c_str());
        return result;
    }
    result = write(*file);
    if (!result.Ok()) {
        file->Close();
        return result;
    }
    if (!file->Commit(&error))
        result.Error = Format("Cannot write \"%s\": %s. The file was not changed.", path.c_str(),
                              error.c_str());
    return result;
}
