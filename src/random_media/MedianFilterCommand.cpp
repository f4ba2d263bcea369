#include "random_media/MedianFilterCommand.h"

#include "random_media/Utility.h"
#include "spectral/MedianFilter.h"

bool CanMedianFilter(const CData3D& volume)
{
    return volume.NX >= 1 && volume.NY >= 1 && volume.NZ >= 1;
}

CommandResult MedianFilterCommand(CData3D& volume)
{
    CUtility utility;
    CommandResult outcome;
    if (!MedianFilter3D(volume))
        return outcome;
    outcome.Done = 1;
    outcome.Changed = true;
    outcome.Repick = true;
    outcome.Repaint = true;
    return outcome;
}
