#pragma once
// The main frame: menu bar, toolbar and status bar built from the shell's command table, the
// slice view, and the framework's file, print and help commands. The update rules run before
// every menu opens and after every command, so enabling and check marks are always right.

#include "platform/System.h"
#include "shell/KalderDoc.h"
#include "shell/KalderView.h"

#include <QMainWindow>
#include <QMap>
#include <QPrinter>

#include <memory>

class QAction;
class QDialog;
class QLabel;
class QSlider;
class QSpinBox;
class ProfileDock;
class HistogramDock;
class QMenu;
class QtProfile;
class SliceWidget;
struct MenuEntry;

class MainWindow : public QMainWindow, public platform::RepaintTarget {
    Q_OBJECT
public:
    MainWindow();
    ~MainWindow() override;

    // Opens a volume file as the document, after the question about unsaved changes unless the
    // caller asked it already; false when nothing was read (cancelled, refused, not found).
    bool OpenDocument(const QString& path, bool saveQuestionAsked = false);
    // Runs a command by id, as the menu, toolbar or an accelerator would.
    void OnFileOpen();
    void OnPrintPreview();
    void RunCommand(int id);
    // Applies the update rules to every action.
    void UpdateActions();

    void RequestRepaint() override;

    QAction* Action(int id) const { return actions.value(id, nullptr); }
    CKalderView& View() { return *view; }
    CKalderDoc& Doc() { return *doc; }
    SliceWidget* Slice() const { return slice; }
    // The status bar's message pane ("Ready" or the readout under the mouse).
    QString StatusText() const;
    // Prints through the paint entry onto printer (also used for PDF output).
    void PrintTo(QPrinter& printer);
    // Writes the picture to path (PNG, PDF or SVG by extension; PNG widthPixels wide), as the
    // window shows it: the window's page when fitted, else the whole picture. The file appears
    // only when complete. False when nothing could be written.
    bool ExportPicture(const QString& path, int widthPixels);
    // The profiles through the cell under a logical point, shown in the profile window; false
    // when no cell is there.
    bool ShowProfilesAt(int x, int y);
    // Shows the histogram window and brings it up to date.
    void ShowHistogram();
    ProfileDock* Profiles() const { return profileDock; }
    HistogramDock* Histogram() const { return histogramDock; }
    QSlider* PlaneSlider() const { return planeSlider; }
    QSpinBox* PlaneSpin() const { return planeSpin; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildMenus();
    QMenu* BuildMenu(const MenuEntry& entry, QWidget* parent);
    void BuildToolbar();
    void BuildStatusBar();
    void UpdateTitle();
    void UpdateRecentFiles();
    void AddRecentFile(const QString& path);
    bool SaveDocument(bool askName);
    void ShowHelp();
    void ShowAbout();
    void BuildPlaneStepper();
    void UpdatePlaneStepper();
    void OnExportPicture();
    // Recomputes the histogram when the window is shown and the values or range changed.
    void RefreshHistogram(bool force = false);

    std::unique_ptr<CKalderDoc> doc;
    std::unique_ptr<CKalderView> view;
    SliceWidget* slice = nullptr;
    QMap<int, QAction*> actions;
    QMenu* recentMenuParent = nullptr;
    QAction* recentPlaceholder = nullptr;
    QList<QAction*> recentActions;
    QToolBar* toolbar = nullptr;
    QLabel* messagePane = nullptr;
    QDialog* helpWindow = nullptr; // Help Topics: the user guide, made on first use
    QPrinter printer;
    QSlider* planeSlider = nullptr;
    QSpinBox* planeSpin = nullptr;
    QLabel* planeLabel = nullptr;
    ProfileDock* profileDock = nullptr;
    HistogramDock* histogramDock = nullptr;
    // What the histogram shows was computed for: the values' version and storage, the range.
    long long histogramVersion = -1;
    const void* histogramValues = nullptr;
    int histogramExtents[3] = {-1, -1, -1};
};
