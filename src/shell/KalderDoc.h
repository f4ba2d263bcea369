#pragma once
// The document: loads theVolume from and saves it to the volume file, and owns the plot
// settings, the page margins and the working folder the view and renderer use. It knows when the
// volume differs from its file, so that no change is lost without the user's word.

#include "plot/DrawingParameter.h"
#include "render/PlotSettings.h"

#include <memory>
#include <string>

class CKalderDoc {
public:
    // Creates the plot settings and margins and makes the working folder.
    CKalderDoc();

    // File New: the volume on screen is kept; only the document's name is reset. The caller
    // asks SaveModified first.
    void OnNewDocument();
    // File Open (and recent files, and the command line). True only when the file was read:
    // then the path, title, working folder and name rules follow it and the data range is
    // rescanned. A file that could not be opened or was refused (a message says why) and a
    // Cancel at "Append data?" return false and change nothing, the volume included.
    bool OnOpenDocument(const std::string& path);
    // File Save / Save As to path. Returns false when the file could not be written (a message
    // says so; an existing file, the working folder and the titles are left as they were).
    bool OnSaveDocument(const std::string& path);
    // File Save (askName false; a new document asks its name all the same) and Save As (askName
    // true) through the Ui's file-save dialog. False when cancelled or not written.
    bool Save(bool askName);
    // Before New, Open, a recent file and Exit: "Save changes to <name>?" when the volume holds
    // unsaved changes. Yes saves (false when that fails or is cancelled), No goes on, Cancel
    // returns false: the caller then stops and everything stays as it was.
    bool SaveModified();

    // Any command that changes what Save would write marks the document; Open and Save clear it.
    void SetModifiedFlag(bool modified = true) { Modified = modified; }
    bool IsModified() const { return Modified; }

    // "<name> - Kalder", with "*" after the name while there are unsaved changes.
    std::string WindowTitle() const;
    // The file name without folder, or "Kalder" for a new document.
    std::string Title() const;

    std::unique_ptr<CPlotSettings> PlotSettings;
    std::unique_ptr<CDrawingParameter> DrawingParameter;
    std::string WorkingFolder; // folder of the last file loaded or saved; no trailing '/'
    std::string PathName;      // the document's file, empty for a new document

private:
    // Working folder of path.
    void ApplyFolderRule(const std::string& path);
    // The "pvis" name rule: phase-velocity-vs-distance titles before the file is read.
    void ApplyNameRule(const std::string& path);

    bool Modified = false;
};
