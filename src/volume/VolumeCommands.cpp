#include "volume/VolumeCommands.h"

#include "platform/BinaryFile.h"
#include "platform/Services.h"
#include "platform/TextFile.h"
#include "volume/Data3D.h"
#include "volume/ReaderKit.h"
#include "volume/VolumeDialogs.h"
#include "volume/VolumeFile.h"

#include <string>

CommandResult OnOpenBinaryNoHeader(CData3D& volume, ViewLoadMemory& memory)
{
    platform::Ui& ui = platform::GetUi();
    CDataSize size{memory.RememberedNX, memory.RememberedNY, memory.RememberedNZ};
    if (!RunDataSize(size))
        return {};
    memory.RememberedNX = size.NX;
    memory.RememberedNY = size.NY;
    memory.RememberedNZ = size.NZ;

    std::vector<std::string> paths = ui.OpenFiles("3d binary data(*.*)", false);
    if (paths.empty())
        return {};
    const std::string& path = paths.front();
    // Extents are checked and the file opened before the volume is touched, so a refusal or an
    // unreadable file leaves it as it was.
    std::string refusal = CheckVolumeExtents(path, size.NX, size.NY, size.NZ);
    if (!refusal.empty()) {
        ui.MessageBox(refusal);
        return {};
    }
    auto file = OpenOrReport(path);
    if (!file)
        return {};

    volume.NX = size.NX;
    volume.NY = size.NY;
    volume.NZ = size.NZ;
    AllocateFor(volume, size.NX, size.NY, size.NZ);
    std::int64_t bytes = ReadRawValuesFrom(volume, *file);
    file->Close();

    long long expected = static_cast<long long>(size.NZ) * size.NY * size.NX * 4;
    if (bytes == expected)
        ui.MessageBox(platform::Format("%lld bytes have been read", static_cast<long long>(bytes)));
    else
        ui.MessageBox("Data size was not correct ! Ideal=" + std::to_string(expected) +
                      " Real=" + std::to_string(bytes));
    return {.Done = 1, .Changed = true, .Repaint = true, .Bytes = bytes};
}

std::int64_t LoadFDModelStep(CData3D& volume, const std::string& path, int interactive,
                             int fileCount, ViewLoadMemory& memory)
{
    int xOffset = 0;
    if (volume.NX >= 1) {
        CDlgAppend append;
        append.Append = 1;
        if (interactive == 1) {
            RunAppend(append); // Cancel keeps the preset choice
            xOffset = append.Append == 1 ? volume.NX : 0;
        } else {
            xOffset = volume.NX;
        }
    }
    if (interactive == 1) {
        CDlgComponent choice{memory.Component};
        if (!RunComponent(choice))
            return 0;
        memory.Component = choice.Component;
    }
    return volume.ReadFDModel(path, memory.Component, xOffset, fileCount);
}

CommandResult OnVelocityModelWithHeader(CData3D& volume, ViewLoadMemory& memory)
{
    std::vector<std::string> paths =
        platform::GetUi().OpenFiles("FD 3D velocity model(*.*)", false);
    if (paths.empty())
        return {};
    std::int64_t bytes = LoadFDModelStep(volume, paths.front(), 1, 1, memory);
    return {.Done = bytes > 0 ? 1 : 0, .Changed = bytes > 0, .Repaint = true, .Bytes = bytes};
}
