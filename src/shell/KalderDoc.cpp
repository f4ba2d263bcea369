#include "shell/KalderDoc.h"

#include "platform/BinaryFile.h"
#include "platform/Services.h"
#include "plot/SettingsFolder.h"
#include "volume/Data3D.h"
#include "volume/VolumeFile.h"

namespace {

std::string FileName(const std::string& path)
{
    std::string::size_type slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// What the "pvis" name rule and a data type of 2 change before or after a load, kept so that a
// load that reads nothing can put it back.
struct AxisPresentation {
    int DataType, FixedScale, ZAxisDown, DrawColourScale;
    std::string TitleX, UnitX, TitleY, UnitY, TitleZ, UnitZ;

    explicit AxisPresentation(const CData3D& v)
        : DataType(v.DataType), FixedScale(v.FixedScale), ZAxisDown(v.ZAxisDown),
          DrawColourScale(v.DrawColourScale), TitleX(v.TitleX), UnitX(v.UnitX), TitleY(v.TitleY),
          UnitY(v.UnitY), TitleZ(v.TitleZ), UnitZ(v.UnitZ)
    {
    }
    void RestoreTo(CData3D& v) const
    {
        v.DataType = DataType, v.FixedScale = FixedScale, v.ZAxisDown = ZAxisDown;
        v.DrawColourScale = DrawColourScale;
        v.TitleX = TitleX, v.UnitX = UnitX, v.TitleY = TitleY, v.UnitY = UnitY;
        v.TitleZ = TitleZ, v.UnitZ = UnitZ;
    }
};

} // namespace

CKalderDoc::CKalderDoc()
    : PlotSettings(std::make_unique<CPlotSettings>()),
      DrawingParameter(std::make_unique<CDrawingParameter>(0))
{
    DrawingParameter->LeftMargin = 250;
    DrawingParameter->TopMargin = 200;
    DrawingParameter->BottomMargin = 150;
    WorkingFolder = GetSettingsFolder("Quillet");
}

void CKalderDoc::OnNewDocument()
{
    PathName.clear();
    Modified = false;
}

void CKalderDoc::ApplyFolderRule(const std::string& path)
{
    std::string::size_type slash = path.find_last_of('/');
    WorkingFolder = slash == std::string::npos ? std::string() : path.substr(0, slash);
}

void CKalderDoc::ApplyNameRule(const std::string& path)
{
    std::string name = FileName(path);
    std::string::size_type dot = name.find_last_of('.');
    std::string extension = dot == std::string::npos ? name : name.substr(dot + 1);
    CData3DEx& volume = theVolume();
    if (extension.find("pvis") != std::string::npos && volume.DataType == 0)
        volume.SetPhaseVelocityVsDistance();
}

bool CKalderDoc::OnOpenDocument(const std::string& path)
{
    std::string error;
    auto file = platform::OpenBinaryRead(path, &error);
    if (!file) {
        platform::GetUi().MessageBox("Cannot open " + path + ": " + error + ".");
        return false;
    }
    CData3DEx& volume = theVolume();
    const AxisPresentation before(volume);
    ApplyNameRule(path); // before the read: a version-3 file's data type has the last word
    std::int64_t bytes = ReadVolumeDocument(volume, *file);
    file->Close();
    if (bytes < 0) {
        before.RestoreTo(volume);
        return false;
    }
    ApplyFolderRule(path);
    PathName = path;
    Modified = false;
    // New values: the header's range and the colour levels follow them.
    if (PlotSettings)
        PlotSettings->DataRangeValid = 0;
    return true;
}

bool CKalderDoc::OnSaveDocument(const std::string& path)
{
    // The rules follow a file that was written, never one that failed.
    if (!SaveVolumeFile(theVolume(), path))
        return false;
    ApplyFolderRule(path);
    ApplyNameRule(path);
    PathName = path;
    Modified = false;
    return true;
}

bool CKalderDoc::Save(bool askName)
{
    std::string path = PathName;
    if (askName || path.empty()) {
        std::optional<std::string> chosen = platform::GetUi().SaveFile(Title(), "All Files", "*");
        if (!chosen || chosen->empty())
            return false;
        path = *chosen;
    }
    return OnSaveDocument(path);
}

bool CKalderDoc::SaveModified()
{
    if (!Modified)
        return true;
    switch (platform::GetUi().MessageBox("Save changes to " + Title() + "?",
                                         platform::Buttons::YesNoCancel)) {
    case platform::Answer::Yes:
        return Save(false);
    case platform::Answer::No:
        return true;
    default:
        return false;
    }
}

std::string CKalderDoc::Title() const
{
    return PathName.empty() ? "Kalder" : FileName(PathName);
}

std::string CKalderDoc::WindowTitle() const
{
    return Title() + (Modified ? "*" : "") + " - Kalder";
}
