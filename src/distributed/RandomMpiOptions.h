#pragma once
// Command-line options of kalder-random-mpi: the fields of the random model dialog as long
// options in lower case, plus the grid extents and steps the dialog takes from the volume.

#include "random_media/RandomModelDialog.h"

#include <cstdint>
#include <string>
#include <vector>

struct RandomMpiOptions {
    RandomModelSettings model;        // type, ax/ay/az, e (fraction), h, angle, vp, vs, density
    int nx = 256, ny = 256, nz = 256; // cells per axis; the dialog's default size
    float stepX = 1, stepY = 1, stepZ = 1; // cell sizes in the unit of ax, ay, az (metres)
    std::uint32_t seed = 10;               // the generator's seed; FillUniformNoise's fixed seed
    bool clock = false;                    // seed from the calendar time (rank 0's, shared)
    std::string output;                    // the FD 3D model file
    std::string noiseDump;                 // debug: the uniform noise, float32 z, y, x, no header
    bool quiet = false;                    // no progress lines on standard output
    bool help = false;
};

// Reads argv[1..argc-1] into options (defaults are those of the model dialog). Returns an empty
// string, or one line saying what is wrong with which option.
std::string ParseRandomMpiOptions(const std::vector<std::string>& args, RandomMpiOptions& options);

// Refuses values no model can be made of: a non-positive extent or step, a correlation distance
// that is not positive, a number that is not finite, a missing output file, more ranks than Z
// planes. Returns an empty string or one line naming the option.
std::string CheckRandomMpiOptions(const RandomMpiOptions& options, int ranks);

// The --help text: every option with its unit and default.
std::string RandomMpiUsage();
