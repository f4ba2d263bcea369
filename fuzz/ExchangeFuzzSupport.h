#pragma once
// What every exchange reader fuzzer checks after a read: a refused file leaves the volume as it
// was (here: empty), an accepted one has cells within its allocation, positive finite steps,
// and every value in use can be read.
#include "FuzzSupport.h"

#include "exchange/ExchangeVolume.h"
#include "volume/Data3D.h"

#include <cmath>
#include <cstdlib>

namespace fuzz {

inline void CheckAfterRead(const ExchangeResult& result, const CData3D& volume)
{
    if (!result.Ok()) {
        if (volume.NX != 0 || volume.NY != 0 || volume.NZ != 0 || volume.IsAllocated(1))
            std::abort(); // a refused file touched the volume
        return;
    }
    if (volume.NX < 1 || volume.NY < 1 || volume.NZ < 1 || !volume.ExtentsFitAllocation())
        std::abort();
    if (!(volume.StepX > 0) || !(volume.StepY > 0) || !(volume.StepZ > 0) ||
        !std::isfinite(volume.StepX) || !std::isfinite(volume.StepY) ||
        !std::isfinite(volume.StepZ))
        std::abort();
    float lo = 0, hi = 0;
    volume.GetMinMax(lo, hi); // reads every value in use: an extent past the block shows
}

} // namespace fuzz
