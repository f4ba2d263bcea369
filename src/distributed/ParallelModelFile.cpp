#include "distributed/ParallelModelFile.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <unistd.h>
#include <vector>

namespace {
constexpr std::int64_t kChunkFloats = std::int64_t{1} << 26; // 256 MiB per call
}

std::string MpiErrorText(int code)
{
    char text[MPI_MAX_ERROR_STRING];
    int length = 0;
    if (MPI_Error_string(code, text, &length) != MPI_SUCCESS)
        return "MPI error " + std::to_string(code);
    return std::string(text, static_cast<std::size_t>(length));
}

CParallelModelFile::CParallelModelFile(MPI_Comm comm) : comm(comm)
{
    MPI_Comm_rank(comm, &rank);
}

CParallelModelFile::~CParallelModelFile()
{
    if (file != MPI_FILE_NULL) {
        // not collective any more: each rank lets go of its handle, rank 0 removes the file
        MPI_File_close(&file);
        if (rank == 0)
            std::remove(temporary.c_str());
    }
}

bool CParallelModelFile::Agree(bool ok, const std::string& what)
{
    int size = 1;
    MPI_Comm_size(comm, &size);
    int mine = ok ? INT_MAX : rank, first = INT_MAX;
    MPI_Allreduce(&mine, &first, 1, MPI_INT, MPI_MIN, comm);
    if (first == INT_MAX)
        return true;
    if (first != 0) { // the failing rank tells rank 0 why
        if (rank == first) {
            const std::string text = error.empty() ? what : error;
            MPI_Send(text.data(), static_cast<int>(text.size()), MPI_CHAR, 0, 0, comm);
        } else if (rank == 0) {
            MPI_Status status;
            MPI_Probe(first, 0, comm, &status);
            int length = 0;
            MPI_Get_count(&status, MPI_CHAR, &length);
            std::vector<char> text(static_cast<std::size_t>(std::max(length, 0)));
            MPI_Recv(text.data(), length, MPI_CHAR, first, 0, comm, MPI_STATUS_IGNORE);
            error = "rank " + std::to_string(first) + ": " + std::string(text.begin(), text.end());
        }
    } else if (error.empty()) {
        error = what;
    }
    return false;
}

bool CParallelModelFile::Open(const std::string& path)
{
    target = path;
    // one name for all ranks: rank 0's process id makes it unique on a shared disk
    long pid = rank == 0 ? static_cast<long>(::getpid()) : 0;
    MPI_Bcast(&pid, 1, MPI_LONG, 0, comm);
    temporary = target + ".part-" + std::to_string(pid);
    const int code = MPI_File_open(comm, temporary.c_str(), MPI_MODE_WRONLY | MPI_MODE_CREATE,
                                   MPI_INFO_NULL, &file);
    if (code != MPI_SUCCESS) {
        error = "cannot create \"" + temporary + "\": " + MpiErrorText(code);
        file = MPI_FILE_NULL;
    } else {
        // a file of that name left by an earlier run would keep its tail otherwise
        const int sized = MPI_File_set_size(file, 0);
        if (sized != MPI_SUCCESS)
            error = "cannot create \"" + temporary + "\": " + MpiErrorText(sized);
    }
    if (!Agree(error.empty(), "cannot create the file")) {
        Discard();
        return false;
    }
    return true;
}

bool CParallelModelFile::WriteRoot(std::int64_t offset, const void* bytes, int count)
{
    bool ok = true;
    if (rank == 0) {
        MPI_Status status;
        const int code = MPI_File_write_at(file, offset, bytes, count, MPI_BYTE, &status);
        int written = 0;
        MPI_Get_count(&status, MPI_BYTE, &written);
        if (code != MPI_SUCCESS || written != count) {
            ok = false;
            error = "cannot write \"" + temporary + "\": " +
                    (code != MPI_SUCCESS ? MpiErrorText(code) : "a short write (disk full?)");
        }
    }
    return Agree(ok, "a write failed");
}

bool CParallelModelFile::WriteAll(std::int64_t offset, const float* values, std::int64_t count)
{
    // every rank makes as many collective calls as the rank with the most data
    std::int64_t calls = (count + kChunkFloats - 1) / kChunkFloats, most = 0;
    MPI_Allreduce(&calls, &most, 1, MPI_INT64_T, MPI_MAX, comm);
    bool ok = true;
    for (std::int64_t call = 0; call < most; ++call) {
        const std::int64_t done = std::min(call * kChunkFloats, count);
        const int n = static_cast<int>(std::min(kChunkFloats, count - done));
        MPI_Status status;
        // after a failure this rank still takes part, with nothing to write
        const int code = MPI_File_write_at_all(file, offset + 4 * done, values + done, ok ? n : 0,
                                               MPI_FLOAT, &status);
        int written = 0;
        MPI_Get_count(&status, MPI_FLOAT, &written);
        if (ok && (code != MPI_SUCCESS || written != n)) {
            ok = false;
            error = "cannot write \"" + temporary + "\": " +
                    (code != MPI_SUCCESS ? MpiErrorText(code) : "a short write (disk full?)");
        }
    }
    return Agree(ok, "a write failed");
}

bool CParallelModelFile::Commit()
{
    int code = MPI_File_sync(file);
    if (code != MPI_SUCCESS)
        error = "cannot write \"" + temporary + "\": " + MpiErrorText(code);
    if (!Agree(code == MPI_SUCCESS, "the sync failed")) {
        Discard();
        return false;
    }
    code = MPI_File_close(&file);
    file = MPI_FILE_NULL;
    if (code != MPI_SUCCESS)
        error = "cannot close \"" + temporary + "\": " + MpiErrorText(code);
    if (!Agree(code == MPI_SUCCESS, "the close failed")) {
        Discard();
        return false;
    }
    bool renamed = true;
    if (rank == 0 && std::rename(temporary.c_str(), target.c_str()) != 0) {
        renamed = false;
        error =
            "cannot rename \"" + temporary + "\" to \"" + target + "\": " + std::strerror(errno);
    }
    if (!Agree(renamed, "the rename failed")) {
        Discard();
        return false;
    }
    return true;
}

void CParallelModelFile::Discard()
{
    if (file != MPI_FILE_NULL) {
        MPI_File_close(&file);
        file = MPI_FILE_NULL;
    }
    if (rank == 0 && !temporary.empty())
        std::remove(temporary.c_str());
    MPI_Barrier(comm);
}
