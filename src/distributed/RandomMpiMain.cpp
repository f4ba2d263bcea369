#include "distributed/RandomMpiRun.h"

#include <mpi.h>

#include <csignal>

int main(int argc, char** argv)
{
    // A file-size limit (ulimit -f, a batch system's) then fails the write with EFBIG, which is
    // reported and cleaned up, instead of killing the rank half-way through the file.
    std::signal(SIGXFSZ, SIG_IGN);
    MPI_Init(&argc, &argv);
    const std::vector<std::string> args(argv + 1, argv + argc);
    const int status = RunRandomMpi(args);
    MPI_Finalize();
    return status;
}
