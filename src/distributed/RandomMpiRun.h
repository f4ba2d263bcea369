#pragma once
// kalder-random-mpi: the random FD 3D model made by all ranks of MPI_COMM_WORLD together.

#include <string>
#include <vector>

// Runs the program between MPI_Init and MPI_Finalize with the arguments after the program name.
// Returns the exit status: 0 done, 1 the model could not be made or written, 2 bad options.
// Every rank returns the same status; only rank 0 prints.
int RunRandomMpi(const std::vector<std::string>& args);
