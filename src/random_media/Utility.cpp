// Means and population variances:
//   mean = (1/N) sum v,   variance = (1/N) sum (mean - v)^2,
// with N the number of values; float sums except the 3D variance, which sums in double.

#include "random_media/Utility.h"

namespace {
constexpr float kNoCount = -10000000.0f;

long long CellCount(int nx, int ny, int nz)
{
    if (nx < 1 || ny < 1 || nz < 1)
        return 0;
    return static_cast<long long>(nx) * ny * nz;
}
} // namespace

CUtility::CUtility()
{
    file.Create("utility.txt");
}

float CUtility::Mean1D(int n, const float* values) const
{
    if (n < 1)
        return kNoCount;
    float sum = 0.0f;
    for (int i = 0; i < n; ++i)
        sum += values[i];
    return sum / static_cast<float>(n);
}

float CUtility::Variance1D(int n, const float* values) const
{
    if (n < 1)
        return kNoCount;
    const float mean = Mean1D(n, values);
    float sum = 0.0f;
    for (int i = 0; i < n; ++i) {
        const float d = mean - values[i];
        sum += d * d;
    }
    return sum / static_cast<float>(n);
}

float CUtility::Mean3D(int nx, int ny, int nz, float*** values) const
{
    const long long count = CellCount(nx, ny, nz);
    if (count < 1)
        return kNoCount;
    // one running float sum in storage order, so the result is the same on every machine
    float sum = 0.0f;
    for (int z = 0; z < nz; ++z)
        for (int y = 0; y < ny; ++y) {
            const float* row = values[z][y];
            for (int x = 0; x < nx; ++x)
                sum += row[x];
        }
    return sum / static_cast<float>(count);
}

float CUtility::Variance3D(int nx, int ny, int nz, float*** values) const
{
    const long long count = CellCount(nx, ny, nz);
    if (count < 1)
        return kNoCount;
    const float mean = Mean3D(nx, ny, nz, values);
    double sum = 0.0;
    for (int z = 0; z < nz; ++z)
        for (int y = 0; y < ny; ++y) {
            const float* row = values[z][y];
            for (int x = 0; x < nx; ++x) {
                const double d = static_cast<double>(mean) - row[x];
                sum += d * d;
            }
        }
    return static_cast<float>(sum / static_cast<double>(count));
}
