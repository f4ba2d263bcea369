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
};
