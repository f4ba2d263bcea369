#include "random_media/MedianFilterCommand.h"

#include "random_media/Utility.h"
#include "spectral/MedianFilter.h"

bool CanMedianFilter(const CData3D& volume)
{
    return volume.NX >= 1 && volume.NY >= 1 && volume.NZ >= 1;
}

CommandOutcome MedianFilterCommand(CData3D& volume)
{
    CUtility utility;
    CommandOutcome outcome;
    if (!MedianFilter3D(volume))
        return outcome;
    outcome.done = 1;
    outcome.repick = true;
    outcome.repaint = true;
    return outcome;
}
