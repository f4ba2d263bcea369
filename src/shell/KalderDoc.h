#pragma once
// The document: loads theVolume from and saves it to the volume file, and owns the plot
// settings, the page margins and the working folder the view and renderer use.

#include "plot/DrawingParameter.h"
#include "render/PlotSettings.h"

#include <memory>
#include <string>

class CKalderDoc {
public:
    // Creates the plot settings and margins and makes the working folder.
    CKalderDoc();

    // File New: the volume on screen is kept; only the document's name is reset.
    void OnNewDocument();
    // File Open (and recent files, and the command line). Returns false when the file could not
    // be opened (a message names it); true otherwise, also when "Append data?" was cancelled.
    bool OnOpenDocument(const std::string& path);
    // File Save / Save As. Returns false when the file could not be written (a message says so;
    // an existing file is left as it was).
    bool OnSaveDocument(const std::string& path);

    // "<name> - Kalder" for the main window's title bar.
    std::string WindowTitle() const;
    // The file name without folder, or "Kalder" for a new document.
    std::string Title() const;

    std::unique_ptr<CPlotSettings> PlotSettings;
    std::unique_ptr<CDrawingParameter> DrawingParameter;
    std::string WorkingFolder; // folder of the last file loaded or saved; no trailing '/'
    std::string PathName;      // the document's file, empty for a new document

private:
    // Working folder and the "pvis" name rule, run before every load and save.
    void ApplyPathRules(const std::string& path);
};
