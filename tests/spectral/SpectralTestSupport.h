#pragma once
// Shared helpers for the spectral tests: seeded random data, a scratch folder, NumPy as the
// independent reference (Debian's python, data exchanged as raw little-endian files), and the
// tolerances in one place.

#include "numeric/Allocation.h"
#include "platform/ScriptedUi.h"
#include "platform/Services.h"
#include "support/TestServices.h"
#include "support/Tolerances.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace spectral_test {

using testing_support::kFloatRoundingTolerance;
using testing_support::kRelNormTolerance;

using ScratchDir = testing_support::TempDir;

template <typename T> void WriteRaw(const std::string& file, const std::vector<T>& v)
{
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(v.data()),
              static_cast<std::streamsize>(v.size() * sizeof(T)));
}

template <typename T> std::vector<T> ReadRaw(const std::string& file, std::size_t count)
{
    std::vector<T> v(count);
    std::ifstream in(file, std::ios::binary);
    in.read(reinterpret_cast<char*>(v.data()), static_cast<std::streamsize>(count * sizeof(T)));
    if (!in)
        v.clear();
    return v;
}

// Runs a python script (text) with Debian's python; true when it exits with 0.
inline bool RunPython(const ScratchDir& dir, const std::string& script,
                      const std::string& args = "")
{
    const std::string file = dir.File("script.py");
    {
        std::ofstream out(file);
        out << script;
    }
    const std::string cmd = std::string(KALDER_SYSTEM_PYTHON) + " " + file + " " + args;
    return std::system(cmd.c_str()) == 0;
}

// Relative 2-norm error of a against the reference b.
inline double RelNormError(const std::vector<double>& a, const std::vector<double>& b)
{
    double num = 0, den = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        num += (a[i] - b[i]) * (a[i] - b[i]);
        den += b[i] * b[i];
    }
    return den > 0 ? std::sqrt(num / den) : std::sqrt(num);
}

// Tensor [0..nz][0..ny][0..nx] with its extents, freed with the object.
struct Tensor {
    Tensor(int nx, int ny, int nz, int padX = 0)
        : nx(nx), ny(ny), nz(nz), ax(nx + padX), t(f3tensor(0, nz, 0, ny, 0, nx + padX))
    {
    }
    ~Tensor() { FreeTensor3(t, 0, nz, 0, ny, 0, ax); }
    Tensor(const Tensor&) = delete;
    Tensor& operator=(const Tensor&) = delete;
    // Cells in use as a flat vector, x fastest.
    std::vector<float> Flat() const
    {
        std::vector<float> v;
        v.reserve(static_cast<std::size_t>(nx) * ny * nz);
        for (int z = 0; z < nz; ++z)
            for (int y = 0; y < ny; ++y)
                for (int x = 0; x < nx; ++x)
                    v.push_back(t[z][y][x]);
        return v;
    }
    void Fill(std::mt19937& rng)
    {
        std::uniform_real_distribution<float> u(-1.0f, 1.0f);
        for (int z = 0; z < nz; ++z)
            for (int y = 0; y < ny; ++y)
                for (int x = 0; x < nx; ++x)
                    t[z][y][x] = u(rng);
    }
    int nx, ny, nz, ax;
    float*** t;
};

// Installs a scripted Ui for the scope, so message boxes are logged instead of shown.
struct ScriptedScope {
    ScriptedScope() : scoped(Make(ui)) {}
    static platform::Services Make(platform::ScriptedUi& u)
    {
        platform::Services s;
        s.ui = &u;
        return s;
    }
    platform::ScriptedUi ui;
    platform::ScopedServices scoped;
};

} // namespace spectral_test
