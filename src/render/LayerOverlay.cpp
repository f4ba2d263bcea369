#include "render/LayerOverlay.h"

#include "render/PlotSettings.h"

#include <algorithm>
#include <vector>

void DrawLayerOverlay(CRegionalModelHolder& holder, platform::Surface& surface, int orientation,
                      float c, float hs, float vs, int originX, int originY, int count,
                      float spacing)
{
    if ((orientation != 1 && orientation != 2) || !holder.model || !holder.probe)
        return;
    // The probe holds six layers whatever a model reports.
    const int layers = std::clamp(holder.model->GetLayerCount(), 0, CIntermediateData::MaxLayers);
    if (count < 1 || layers < 1)
        return;
    std::vector<std::vector<platform::Point>> lines(
        static_cast<std::size_t>(layers),
        std::vector<platform::Point>(static_cast<std::size_t>(count)));
    CIntermediateData& probe = *holder.probe;
    for (int n = 0; n < count; ++n) {
        const float a = static_cast<float>(n) * spacing; // metres from coordinate 0
        const float x = orientation == 1 ? a : c;
        const float y = orientation == 1 ? c : a;
        holder.model->Query(x - holder.XOffset, y - holder.YOffset, probe);
        const int px = TruncToInt(a * hs + static_cast<float>(originX));
        for (int k = 0; k < layers; ++k) {
            const float depth = (probe.top[0] - probe.top[k]) * vs; // single precision
            lines[k][n] = {px, TruncToInt(double(originY) - double(depth))};
        }
    }
    for (const auto& line : lines)
        surface.Polyline(line);
}
