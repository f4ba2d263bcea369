#pragma once
// The automatic colour range beside the described one (the data's minimum and maximum):
// percentiles of the volume's values, and the range made symmetric about zero; and the histogram
// of the values that the histogram window draws. Only finite values count (a NaN or an infinity
// is not a value of the model).

#include "render/PlotSettings.h"
#include "volume/Data3D.h"

#include <cstdint>
#include <vector>

struct PercentileRange {
    double low = 0;
    double high = 0;
    bool valid = false; // false when the volume has no finite value
};

// Percentiles lowPercent and highPercent (0..100) of the finite values of the volume, by NumPy's
// default rule: position p / 100 x (N - 1) in the sorted values, interpolated linearly. Exact
// unless sampled, which takes every k-th cell (k = cells / 10^6, so at least a million cells).
PercentileRange VolumePercentiles(const CData3D& volume, double lowPercent, double highPercent,
                                  bool sampled);
// Whether VolumePercentiles takes a sample of this volume when asked to (a small volume is
// always done exactly).
bool PercentilesSampled(const CData3D& volume, bool sampled);
// The same rule over count dense values (reordered in place).
PercentileRange Percentiles(std::vector<float>& values, double lowPercent, double highPercent);

// The automatic range the picture uses: DataMin..DataMax, or the clip percentiles; then, when
// symmetric, -m..m with m the larger magnitude. Cached in settings until the data range or the
// options change (or InvalidateAutoRange). Returns false when no range could be derived (the
// caller keeps DataMin..DataMax).
bool AutomaticRange(CPlotSettings& settings, const CData3D& volume, float& min, float& max);
// Whether the automatic range differs from DataMin..DataMax by an option.
bool RangeOptionsActive(const CDisplayOptions& options);

struct ValueHistogram {
    double min = 0, max = 0;          // the range the bins cover, equal widths
    std::vector<std::int64_t> counts; // finite values per bin; max falls in the last bin
    std::int64_t nonFinite = 0;       // NaN and infinite cells, in no bin
};
// Histogram of every cell of the volume over its finite minimum..maximum.
ValueHistogram VolumeHistogram(const CData3D& volume, int bins);
