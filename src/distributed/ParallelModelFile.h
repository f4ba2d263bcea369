#pragma once
// A file written by all ranks with MPI-IO that replaces its target only when complete: the
// ranks write a temporary file beside the target ("<target>.part-<pid of rank 0>"), and rank 0
// renames it over the target after every write, the sync and the collective close succeeded.
// Any failure removes the temporary file and leaves the target as it was.
//
// Every operation is collective (all ranks call it, in the same order) and returns the same
// answer on every rank, so a failure on one rank never leaves the others waiting.

#include <mpi.h>

#include <cstdint>
#include <string>

class CParallelModelFile {
public:
    explicit CParallelModelFile(MPI_Comm comm);
    ~CParallelModelFile(); // a file still open here is closed and discarded by each rank alone
    CParallelModelFile(const CParallelModelFile&) = delete;
    CParallelModelFile& operator=(const CParallelModelFile&) = delete;

    // Creates the temporary file for target.
    bool Open(const std::string& target);
    // Rank 0 writes count bytes at offset; the other ranks pass nothing.
    bool WriteRoot(std::int64_t offset, const void* bytes, int count);
    // Each rank writes count floats at its own byte offset, in collective calls of at most
    // 2^26 floats so that no count overflows MPI's int.
    bool WriteAll(std::int64_t offset, const float* values, std::int64_t count);
    // Flushes to disk, closes and renames over the target.
    bool Commit();
    // Closes (when open) and removes the temporary file.
    void Discard();

    // The first failure, for rank 0 to print (on other ranks it may be empty).
    const std::string& Error() const { return error; }
    const std::string& Target() const { return target; }

private:
    // True on every rank when ok is true on every rank; otherwise rank 0 learns the text of the
    // lowest failing rank.
    bool Agree(bool ok, const std::string& what);
    MPI_Comm comm;
    int rank = 0;
    MPI_File file = MPI_FILE_NULL;
    std::string target, temporary, error;
};

// The text of an MPI error code.
std::string MpiErrorText(int code);
