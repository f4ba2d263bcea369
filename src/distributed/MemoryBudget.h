#pragma once
// What one rank needs and what it may take: the estimate printed before anything is allocated,
// and the memory left to the ranks of one machine.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// Bytes one rank holds during the synthesis, for FFTW's local size allocLocal (complex values
// of one array, from fftwf_mpi_local_size_3d_transposed):
//   two arrays (noise and correlation), each allocLocal complex floats of 8 bytes,
//   FFTW's transpose buffers, taken as one more such array,
//   the table of the correlation sampling (CorrelationTableSlots) and the profile buffers
//   and the MPI runtime's own buffers (a fixed allowance).
struct RankMemory {
    std::uint64_t arrays = 0;   // the two complex arrays
    std::uint64_t fftwWork = 0; // FFTW's scratch space
    std::uint64_t tables = 0;   // correlation table and profile buffers
    std::uint64_t runtime = 0;  // MPI and the program itself
    std::uint64_t Total() const { return arrays + fftwWork + tables + runtime; }
};
RankMemory EstimateRankMemory(std::int64_t allocLocal, int nz, std::size_t tableSlots);

// MemAvailable of a /proc/meminfo text, in bytes; nothing when the line is missing.
std::optional<std::uint64_t> ParseMemAvailable(const std::string& meminfo);

// The memory a cgroup (v2) still allows: memory.max minus memory.current, in bytes; nothing when
// either file is missing or the limit is "max".
std::optional<std::uint64_t> CgroupMemoryLeft(const std::string& memoryMax,
                                              const std::string& memoryCurrent);

// The memory this process may still take, shared by localRanks ranks: MemAvailable of
// /proc/meminfo, or less when the process's cgroup (a batch job's limit) allows less, divided
// by localRanks. Nothing when it cannot be told.
std::optional<std::uint64_t> AvailablePerRank(int localRanks);

// "1.5 GiB", "203.4 MiB", "12.0 KiB" or "512 B".
std::string FormatBytes(std::uint64_t bytes);
