#include "shell/KalderDoc.h"

#include "platform/BinaryFile.h"
#include "platform/Services.h"
#include "plot/SettingsFolder.h"
#include "volume/Data3D.h"
#include "volume/VolumeFile.h"

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
}

void CKalderDoc::ApplyPathRules(const std::string& path)
{
    std::string::size_type slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    WorkingFolder = slash == std::string::npos ? std::string() : path.substr(0, slash);
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
    ApplyPathRules(path);
    ReadVolumeDocument(theVolume(), *file);
    file->Close();
    PathName = path;
    return true;
}

bool CKalderDoc::OnSaveDocument(const std::string& path)
{
    ApplyPathRules(path);
    if (!SaveVolumeFile(theVolume(), path))
        return false;
    PathName = path;
    return true;
}

std::string CKalderDoc::Title() const
{
    if (PathName.empty())
        return "Kalder";
    std::string::size_type slash = PathName.find_last_of('/');
    return slash == std::string::npos ? PathName : PathName.substr(slash + 1);
}

std::string CKalderDoc::WindowTitle() const
{
    return Title() + " - Kalder";
}
