#include "render/ValueRange.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Bins of the selection histogram: the order statistics are then sorted out of a few bins only.
constexpr int SelectionBins = 1 << 16;
constexpr std::int64_t SampleTarget = 1000000;

bool Readable(const CData3D& v)
{
    return v.NX > 0 && v.NY > 0 && v.NZ > 0 && v.IsAllocated(1) && v.ExtentsFitAllocation();
}

struct FiniteRange {
    double min = 0, max = 0;
    std::int64_t count = 0;
};

FiniteRange ScanFinite(const CData3D& v)
{
    float lo = std::numeric_limits<float>::infinity();
    float hi = -std::numeric_limits<float>::infinity();
    std::int64_t count = 0;
    const int nx = v.NX, ny = v.NY, nz = v.NZ;
    float*** values = v.Values;
#pragma omp parallel for reduction(min : lo) reduction(max : hi) reduction(+ : count)
    for (int z = 0; z < nz; ++z)
        for (int y = 0; y < ny; ++y) {
            const float* row = values[z][y];
            for (int x = 0; x < nx; ++x)
                if (std::isfinite(row[x])) {
                    lo = std::min(lo, row[x]);
                    hi = std::max(hi, row[x]);
                    ++count;
                }
        }
    return {lo, hi, count};
}

// The bin of a finite value over [min, max]; monotonic in the value.
struct Binning {
    double min = 0, scale = 0;
    int bins = 1;
    int operator()(float v) const
    {
        return std::min(static_cast<int>((static_cast<double>(v) - min) * scale), bins - 1);
    }
};

std::vector<std::int64_t> Histogram(const CData3D& v, const Binning& bin)
{
    std::vector<std::int64_t> counts(static_cast<std::size_t>(bin.bins), 0);
    const int nx = v.NX, ny = v.NY, nz = v.NZ;
#pragma omp parallel
    {
        std::vector<std::int64_t> mine(counts.size(), 0);
#pragma omp for nowait
        for (int z = 0; z < nz; ++z)
            for (int y = 0; y < ny; ++y) {
                const float* row = v.Values[z][y];
                for (int x = 0; x < nx; ++x)
                    if (std::isfinite(row[x]))
                        ++mine[static_cast<std::size_t>(bin(row[x]))];
            }
#pragma omp critical
        for (std::size_t i = 0; i < counts.size(); ++i)
            counts[i] += mine[i];
    }
    return counts;
}

// The value of rank r (0-based) among the finite values, the histogram having placed it.
struct RankQuery {
    std::int64_t rank = 0;
    int bin = 0;
    std::int64_t within = 0; // rank among the values of its bin
    double value = 0;
};

// NumPy's linear rule between the values of ranks k and k + 1.
double Interpolate(double a, double b, double fraction)
{
    return a + (b - a) * fraction;
}

void PercentPosition(double percent, std::int64_t n, std::int64_t& k, double& fraction)
{
    const double pos = std::clamp(percent, 0.0, 100.0) / 100.0 * static_cast<double>(n - 1);
    k = std::min(static_cast<std::int64_t>(std::floor(pos)), n - 1);
    fraction = pos - static_cast<double>(k);
}

PercentileRange ExactPercentiles(const CData3D& v, double lowPercent, double highPercent)
{
    PercentileRange r;
    const FiniteRange f = ScanFinite(v);
    if (f.count == 0)
        return r;
    r.valid = true;
    if (f.min == f.max) {
        r.low = r.high = f.min;
        return r;
    }
    const Binning bin{f.min, SelectionBins / (f.max - f.min), SelectionBins};
    const std::vector<std::int64_t> counts = Histogram(v, bin);

    std::int64_t k[2];
    double fraction[2];
    PercentPosition(lowPercent, f.count, k[0], fraction[0]);
    PercentPosition(highPercent, f.count, k[1], fraction[1]);
    std::vector<RankQuery> queries;
    for (int i = 0; i < 2; ++i)
        for (std::int64_t rank : {k[i], std::min(k[i] + 1, f.count - 1)})
            queries.push_back({rank});
    // The few bins holding the wanted ranks, and their values.
    std::vector<int> bins;
    for (RankQuery& q : queries) {
        std::int64_t below = 0;
        int b = 0;
        while (below + counts[static_cast<std::size_t>(b)] <= q.rank)
            below += counts[static_cast<std::size_t>(b++)];
        q.bin = b;
        q.within = q.rank - below;
        if (std::find(bins.begin(), bins.end(), b) == bins.end())
            bins.push_back(b);
    }
    std::vector<std::vector<float>> held(bins.size());
    const int lowest = *std::min_element(bins.begin(), bins.end());
    const int highest = *std::max_element(bins.begin(), bins.end());
    for (int z = 0; z < v.NZ; ++z)
        for (int y = 0; y < v.NY; ++y) {
            const float* row = v.Values[z][y];
            for (int x = 0; x < v.NX; ++x) {
                if (!std::isfinite(row[x]))
                    continue;
                const int b = bin(row[x]);
                if (b < lowest || b > highest)
                    continue;
                for (std::size_t k = 0; k < bins.size(); ++k)
                    if (bins[k] == b)
                        held[k].push_back(row[x]);
            }
        }
    for (RankQuery& q : queries) {
        const std::size_t k =
            static_cast<std::size_t>(std::find(bins.begin(), bins.end(), q.bin) - bins.begin());
        std::vector<float>& values = held[k];
        std::nth_element(values.begin(), values.begin() + q.within, values.end());
        q.value = values[static_cast<std::size_t>(q.within)];
    }
    r.low = Interpolate(queries[0].value, queries[1].value, fraction[0]);
    r.high = Interpolate(queries[2].value, queries[3].value, fraction[1]);
    return r;
}

} // namespace

PercentileRange Percentiles(std::vector<float>& values, double lowPercent, double highPercent)
{
    PercentileRange r;
    values.erase(
        std::remove_if(values.begin(), values.end(), [](float x) { return !std::isfinite(x); }),
        values.end());
    const std::int64_t n = static_cast<std::int64_t>(values.size());
    if (n == 0)
        return r;
    auto rankValue = [&values](std::int64_t rank) {
        std::nth_element(values.begin(), values.begin() + rank, values.end());
        return static_cast<double>(values[static_cast<std::size_t>(rank)]);
    };
    double results[2];
    const double percents[2] = {lowPercent, highPercent};
    for (int i = 0; i < 2; ++i) {
        std::int64_t k = 0;
        double fraction = 0;
        PercentPosition(percents[i], n, k, fraction);
        const double a = rankValue(k);
        const double b = rankValue(std::min(k + 1, n - 1));
        results[i] = Interpolate(a, b, fraction);
    }
    r.low = results[0];
    r.high = results[1];
    r.valid = true;
    return r;
}

bool PercentilesSampled(const CData3D& volume, bool sampled)
{
    const std::int64_t cells = static_cast<std::int64_t>(volume.NX) * volume.NY * volume.NZ;
    return sampled && cells > 2 * SampleTarget;
}

PercentileRange VolumePercentiles(const CData3D& volume, double lowPercent, double highPercent,
                                  bool sampled)
{
    if (!Readable(volume))
        return {};
    const std::int64_t cells = static_cast<std::int64_t>(volume.NX) * volume.NY * volume.NZ;
    if (!PercentilesSampled(volume, sampled))
        return ExactPercentiles(volume, lowPercent, highPercent);
    // Every k-th cell in storage order, k = cells / 10^6 (at least 10^6 cells).
    const std::int64_t stride = cells / SampleTarget;
    std::vector<float> sample;
    sample.reserve(static_cast<std::size_t>(cells / stride + 1));
    const std::int64_t nx = volume.NX, plane = nx * volume.NY;
    for (std::int64_t i = 0; i < cells; i += stride)
        sample.push_back(volume.Values[i / plane][(i % plane) / nx][i % nx]);
    return Percentiles(sample, lowPercent, highPercent);
}

bool RangeOptionsActive(const CDisplayOptions& o)
{
    return o.ClipToPercentiles != 0 || o.SymmetricAboutZero != 0;
}

namespace {

bool SameRangeOptions(const CDisplayOptions& a, const CDisplayOptions& b)
{
    return a.ClipToPercentiles == b.ClipToPercentiles && a.ClipLowPercent == b.ClipLowPercent &&
           a.ClipHighPercent == b.ClipHighPercent && a.ClipSampled == b.ClipSampled &&
           a.SymmetricAboutZero == b.SymmetricAboutZero;
}

} // namespace

bool AutomaticRange(CPlotSettings& s, const CData3D& volume, float& min, float& max)
{
    const CDisplayOptions& o = s.Display;
    if (s.AutoRangeValid && SameRangeOptions(o, s.AutoRangeOptions) &&
        s.AutoRangeDataMin == s.DataMin && s.AutoRangeDataMax == s.DataMax) {
        min = s.AutoRangeMin, max = s.AutoRangeMax;
        return true;
    }
    double lo = s.DataMin, hi = s.DataMax;
    if (o.ClipToPercentiles) {
        const PercentileRange p =
            VolumePercentiles(volume, o.ClipLowPercent, o.ClipHighPercent, o.ClipSampled != 0);
        if (!p.valid)
            return false;
        lo = std::min(p.low, p.high);
        hi = std::max(p.low, p.high);
    }
    if (o.SymmetricAboutZero) {
        const double m = std::max(std::fabs(lo), std::fabs(hi));
        lo = -m, hi = m;
    }
    s.AutoRangeMin = min = static_cast<float>(lo);
    s.AutoRangeMax = max = static_cast<float>(hi);
    s.AutoRangeValid = 1;
    s.AutoRangeOptions = o;
    s.AutoRangeDataMin = s.DataMin;
    s.AutoRangeDataMax = s.DataMax;
    return true;
}

ValueHistogram VolumeHistogram(const CData3D& volume, int bins)
{
    ValueHistogram h;
    if (!Readable(volume) || bins < 1)
        return h;
    const FiniteRange f = ScanFinite(volume);
    const std::int64_t cells = static_cast<std::int64_t>(volume.NX) * volume.NY * volume.NZ;
    h.nonFinite = cells - f.count;
    h.counts.assign(static_cast<std::size_t>(bins), 0);
    if (f.count == 0)
        return h;
    h.min = f.min, h.max = f.max;
    const Binning bin{f.min, f.max > f.min ? bins / (f.max - f.min) : 0.0, bins};
    h.counts = Histogram(volume, bin);
    return h;
}
