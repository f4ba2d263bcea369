#include "distributed/ModelReport.h"

#include "distributed/ModelLayout.h"
#include "platform/TextFile.h"
#include "random_media/Utility.h"

#include <cmath>

void WriteModelReport(platform::TextFile& report, const ModelStatistics& stats, int nz,
                      const std::vector<float>& vsProfile, const std::vector<float>& uProfile,
                      const CUtility& utility)
{
    const double variance = stats.sumSquares / static_cast<double>(stats.count);
    // the first line is the variance rounded to float, as Variance3D returns it
    report.Printf("SD for all model = %f \n", std::sqrt(static_cast<float>(variance)));
    report.Printf("Average for all model = %f \n", stats.mean);
    for (int z = 0; z < nz; ++z) {
        report.Printf("%d", z);
        for (int line = 0; line < ProfileLines::Count; ++line) {
            const std::size_t at = static_cast<std::size_t>(line) * nz + z;
            report.Printf(" %f %f", vsProfile[at], uProfile[at]);
        }
        report.Printf(" \n");
    }
    report.Printf("Number of data=%lld \n", static_cast<long long>(stats.count));
    report.Printf("Variance=%f \n", variance);
    report.Printf("SD=%f \n", static_cast<float>(std::sqrt(variance)));
    for (int line = 0; line < ProfileLines::Count; ++line)
        report.Printf("SD(VS)=%f\n",
                      std::sqrt(utility.Variance1D(nz, vsProfile.data() +
                                                           static_cast<std::size_t>(line) * nz)));
    for (int line = 0; line < ProfileLines::Count; ++line)
        report.Printf("SD(SD)=%f\n",
                      std::sqrt(utility.Variance1D(nz, uProfile.data() +
                                                           static_cast<std::size_t>(line) * nz)));
}
