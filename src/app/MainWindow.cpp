#include "MainWindow.h"

#include "SliceWidget.h"
#include "ViewerDocks.h"
#include "platform/Dialog.h"
#include "platform/Services.h"
#include "render/ValueRange.h"
#include "render_qt/RenderToFile.h"
#include "shell/CommandIds.h"
#include "shell/CommandTable.h"
#include "shell/Dialogs.h"
#include "shell/SliceProfile.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPainterPath>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QStyle>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

#include <filesystem>

namespace {

constexpr int MaxRecentFiles = 4;

// Toolbar pictures the program draws itself: arrows and the plane letters, 17 x 17 pixels.
// A filled arrow head pointing along (dx, dy) with a shaft behind it.
void DrawArrow(QPainter& p, QPointF tip, qreal dx, qreal dy, const QColor& c)
{
    QPainterPath path;
    QPointF n(-dy, dx);
    path.moveTo(tip);
    path.lineTo(tip - QPointF(dx, dy) * 6 + n * 6);
    path.lineTo(tip - QPointF(dx, dy) * 6 + n * 2.5);
    path.lineTo(tip - QPointF(dx, dy) * 12 + n * 2.5);
    path.lineTo(tip - QPointF(dx, dy) * 12 - n * 2.5);
    path.lineTo(tip - QPointF(dx, dy) * 6 - n * 2.5);
    path.lineTo(tip - QPointF(dx, dy) * 6 - n * 6);
    path.closeSubpath();
    p.fillPath(path, c);
}

void DrawHead(QPainter& p, QPointF tip, qreal dx, const QColor& c)
{
    QPainterPath path;
    path.moveTo(tip);
    path.lineTo(tip + QPointF(-dx * 7, -6));
    path.lineTo(tip + QPointF(-dx * 7, 6));
    path.closeSubpath();
    p.fillPath(path, c);
}

void DrawLetter(QPainter& p, const char* text)
{
    QFont f("Sans");
    f.setBold(true);
    f.setPixelSize(14);
    p.setFont(f);
    p.setPen(Qt::black);
    p.drawText(QRectF(0, 0, 17, 17), Qt::AlignCenter, text);
}

// Four corner brackets around a frame: the picture fills the window.
void DrawFitIcon(QPainter& p)
{
    QPen pen(QColor(40, 40, 40), 1.6);
    p.setPen(pen);
    p.drawRect(QRectF(4.5, 5.5, 8, 6));
    for (QPointF c : {QPointF(1, 2), QPointF(16, 2), QPointF(1, 15), QPointF(16, 15)}) {
        const qreal dx = c.x() < 8 ? 3 : -3, dy = c.y() < 8 ? 3 : -3;
        p.drawLine(c, c + QPointF(dx, 0));
        p.drawLine(c, c + QPointF(0, dy));
    }
}

QIcon DrawnIcon(int id)
{
    const int size = 17;
    const qreal ratio = 2.0; // drawn at twice the size so they stay crisp on dense screens
    QPixmap pm(static_cast<int>(size * ratio), static_cast<int>(size * ratio));
    pm.setDevicePixelRatio(ratio);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QColor red(210, 20, 20), green(20, 150, 40);
    auto arrow = [&p](QPointF tip, qreal dx, qreal dy, const QColor& c) {
        DrawArrow(p, tip, dx, dy, c);
    };
    auto head = [&p](QPointF tip, qreal dx, const QColor& c) { DrawHead(p, tip, dx, c); };
    auto letter = [&p](const char* text) { DrawLetter(p, text); };
    switch (id) {
    case ID_PREVIOUS:
        arrow({2, 8.5}, -1, 0, red);
        break;
    case ID_NEXT:
        arrow({15, 8.5}, 1, 0, red);
        break;
    case ID_FAST_BACK:
        head({2, 8.5}, -1, red);
        head({9, 8.5}, -1, red);
        break;
    case ID_FAST_FORWARD:
        head({8, 8.5}, 1, red);
        head({15, 8.5}, 1, red);
        break;
    case ID_UP:
        arrow({8.5, 2}, 0, -1, green);
        break;
    case ID_DOWN:
        arrow({8.5, 15}, 0, 1, green);
        break;
    case ID_PLANE_Z:
        letter("Z");
        break;
    case ID_PLANE_Y:
        letter("Y");
        break;
    case ID_PLANE_X:
        letter("X");
        break;
    case ID_FIT_TO_WINDOW:
        DrawFitIcon(p);
        break;
    default:
        break;
    }
    return QIcon(pm);
}

QIcon StandardIcon(int id, QStyle* style)
{
    switch (id) {
    case ID_FILE_NEW:
        return QIcon::fromTheme("document-new", style->standardIcon(QStyle::SP_FileIcon));
    case ID_FILE_OPEN:
        return QIcon::fromTheme("document-open", style->standardIcon(QStyle::SP_DialogOpenButton));
    case ID_FILE_SAVE:
        return QIcon::fromTheme("document-save", style->standardIcon(QStyle::SP_DialogSaveButton));
    case ID_FILE_PRINT:
        return QIcon::fromTheme("document-print",
                                style->standardIcon(QStyle::SP_FileDialogDetailedView));
    case ID_EDIT_UNDO:
        return QIcon::fromTheme("edit-undo", style->standardIcon(QStyle::SP_ArrowBack));
    case ID_EDIT_REDO:
        return QIcon::fromTheme("edit-redo", style->standardIcon(QStyle::SP_ArrowForward));
    default:
        return DrawnIcon(id);
    }
}

// Toolbar tips for buttons that have no menu text.
QString ToolTip(int id)
{
    switch (id) {
    case ID_PREVIOUS:
        return "Previous plane";
    case ID_NEXT:
        return "Next plane";
    case ID_FAST_BACK:
        return "Back 10 planes";
    case ID_FAST_FORWARD:
        return "Forward 10 planes";
    case ID_UP:
        return "Zoom in (scale / 1.5)";
    case ID_DOWN:
        return "Zoom out (scale x 1.5)";
    case ID_PLANE_Z:
        return "XY section (constant Z)";
    case ID_PLANE_Y:
        return "XZ section (constant Y)";
    case ID_PLANE_X:
        return "YZ section (constant X)";
    default: {
        QString t = QString::fromStdString(CommandText(id));
        t.remove('&');
        return t.section('\t', 0, 0);
    }
    }
}

// The user guide: an installed copy beside the program, the source tree the program was built
// from, else the copy built into the program.
QString GuidePath()
{
    const QString programFolder = QCoreApplication::applicationDirPath();
    const QStringList candidates = {
        programFolder + "/docs/guide.md", programFolder + "/../share/doc/kalder/guide.md",
        QStringLiteral(KALDER_DOCS_DIR "/guide.md"), QStringLiteral(":/docs/guide.md")};
    for (const QString& path : candidates)
        if (QFileInfo::exists(path))
            return path;
    return candidates.back();
}

// Shows the guide's figures no wider than width pixels (the window grabs are wider than the help
// window), keeping their proportions.
void FitFiguresToWidth(QTextBrowser& browser, int width)
{
    QTextDocument* doc = browser.document();
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next())
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            QTextImageFormat image = fragment.charFormat().toImageFormat();
            if (!image.isValid())
                continue;
            const QVariant data =
                browser.loadResource(QTextDocument::ImageResource, QUrl(image.name()));
            QImage picture = data.value<QImage>();
            if (picture.isNull())
                picture.loadFromData(data.toByteArray());
            if (picture.isNull() || picture.width() <= width)
                continue;
            image.setWidth(width);
            image.setHeight(static_cast<qreal>(width) * picture.height() / picture.width());
            QTextCursor cursor(doc);
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            cursor.setCharFormat(image);
        }
}

bool FrameworkCheckable(int id)
{
    return id == ID_VIEW_TOOLBAR || id == ID_VIEW_STATUS_BAR;
}

} // namespace

MainWindow::MainWindow()
    : doc(std::make_unique<CKalderDoc>()), view(std::make_unique<CKalderView>(*doc))
{
    slice = new SliceWidget(*view, this);
    setCentralWidget(slice);
    BuildMenus();
    BuildToolbar();
    BuildStatusBar();
    connect(slice, &SliceWidget::CommandRequested, this, &MainWindow::RunCommand);
    connect(slice, &SliceWidget::PointDoubleClicked, this,
            [this](int x, int y) { ShowProfilesAt(x, y); });
    profileDock = new ProfileDock(this);
    addDockWidget(Qt::RightDockWidgetArea, profileDock);
    profileDock->hide();
    if (doc->PlotSettings) {
        histogramDock = new HistogramDock(doc->PlotSettings->Display.HistogramLog, this);
        addDockWidget(Qt::RightDockWidgetArea, histogramDock);
        histogramDock->hide();
        connect(histogramDock, &HistogramDock::LogCountsChanged, this,
                [this]() { view->SaveDisplayOptions(); });
        connect(histogramDock, &QDockWidget::visibilityChanged, this, [this](bool shown) {
            if (shown)
                RefreshHistogram();
        });
    }
    setAcceptDrops(true);
    connect(slice, &SliceWidget::Readout, this,
            [this](const QString& text) { messagePane->setText(text.isEmpty() ? "Ready" : text); });
    UpdateRecentFiles();
    UpdateActions();
    UpdateTitle();
    resize(1100, 780);
}

MainWindow::~MainWindow() = default;

QMenu* MainWindow::BuildMenu(const MenuEntry& entry, QWidget* parent)
{
    auto* menu = new QMenu(QString::fromStdString(entry.text), parent);
    connect(menu, &QMenu::aboutToShow, this, &MainWindow::UpdateActions);
    for (const MenuEntry& e : entry.entries) {
        switch (e.kind) {
        case MenuEntryKind::Separator:
            menu->addSeparator();
            break;
        case MenuEntryKind::Submenu:
            menu->addMenu(BuildMenu(e, menu));
            break;
        case MenuEntryKind::Command: {
            QString text = QString::fromStdString(e.text);
            QString label = text.section('\t', 0, 0);
            QString hint = text.section('\t', 1);
            auto* action = new QAction(label, this);
            if (!hint.isEmpty())
                action->setShortcut(QKeySequence(hint));
            action->setData(e.id);
            action->setStatusTip(QString::fromStdString(CommandHelp(e.id)));
            bool checkable = CKalderView::IsCheckable(e.id) || FrameworkCheckable(e.id);
            action->setCheckable(checkable);
            action->setChecked(e.initiallyChecked);
            connect(action, &QAction::triggered, this, [this, id = e.id]() { RunCommand(id); });
            menu->addAction(action);
            actions.insert(e.id, action);
            if (e.id == ID_FILE_MRU_FILE1) {
                recentMenuParent = menu;
                recentPlaceholder = action;
            }
            break;
        }
        }
    }
    return menu;
}

void MainWindow::BuildMenus()
{
    for (const MenuEntry& top : MainMenu()) {
        QMenu* menu = BuildMenu(top, menuBar());
        menuBar()->addMenu(menu);
    }
    // Accelerators beyond the "\t" hints of the menu texts.
    for (const Accelerator& a : Accelerators()) {
        QAction* target = actions.value(a.id, nullptr);
        QKeySequence key(QString::fromStdString(a.keys));
        if (target) {
            QList<QKeySequence> keys = target->shortcuts();
            if (!keys.contains(key)) {
                keys.append(key);
                target->setShortcuts(keys);
            }
        } else {
            auto* extra = new QAction(this);
            extra->setShortcut(key);
            connect(extra, &QAction::triggered, this, [this, id = a.id]() { RunCommand(id); });
            addAction(extra);
        }
    }
}

void MainWindow::BuildToolbar()
{
    toolbar = addToolBar("Toolbar");
    toolbar->setObjectName("Toolbar");
    toolbar->setIconSize(QSize(17, 17));
    toolbar->setMovable(true);
    for (int id : ToolbarCommands()) {
        QAction* action = actions.value(id, nullptr);
        if (!action) {
            action = new QAction(this);
            action->setData(id);
            action->setCheckable(CKalderView::IsCheckable(id));
            connect(action, &QAction::triggered, this, [this, id]() { RunCommand(id); });
            actions.insert(id, action);
        }
        action->setIcon(StandardIcon(id, style()));
        action->setStatusTip(QString::fromStdString(CommandHelp(id)));
        action->setToolTip(ToolTip(id));
        toolbar->addAction(action);
    }
    // The viewer's additions stand after the described buttons.
    toolbar->addSeparator();
    if (QAction* fit = actions.value(ID_FIT_TO_WINDOW, nullptr)) {
        fit->setIcon(DrawnIcon(ID_FIT_TO_WINDOW));
        fit->setToolTip("Fit to window (Ctrl+F)");
        toolbar->addAction(fit);
    }
    BuildPlaneStepper();
}

void MainWindow::BuildPlaneStepper()
{
    toolbar->addSeparator();
    toolbar->addWidget(new QLabel(" Plane "));
    planeSlider = new QSlider(Qt::Horizontal);
    planeSlider->setMinimumWidth(160);
    planeSlider->setToolTip("Plane index");
    toolbar->addWidget(planeSlider);
    planeSpin = new QSpinBox;
    planeSpin->setToolTip("Plane index");
    toolbar->addWidget(planeSpin);
    planeLabel = new QLabel;
    planeLabel->setMinimumWidth(140);
    toolbar->addWidget(planeLabel);
    auto go = [this](int index) {
        if (index == theVolume().PlaneIndex)
            return;
        view->GoToPlane(index);
        UpdateActions();
        slice->RefreshReadout();
    };
    connect(planeSlider, &QSlider::valueChanged, this, go);
    connect(planeSpin, qOverload<int>(&QSpinBox::valueChanged), this, go);
}

void MainWindow::UpdatePlaneStepper()
{
    if (!planeSlider)
        return;
    const CData3DEx& v = theVolume();
    const int last = std::max(view->PlaneCount() - 1, 0);
    const QSignalBlocker a(planeSlider), b(planeSpin);
    planeSlider->setRange(0, last);
    planeSpin->setRange(0, last);
    planeSlider->setValue(v.PlaneIndex);
    planeSpin->setValue(v.PlaneIndex);
    const bool any = view->PlaneCount() > 0;
    planeSlider->setEnabled(any);
    planeSpin->setEnabled(any);
    static const char* axis[3] = {"Z", "Y", "X"};
    const int kind = std::clamp(v.PlaneKind, 0, 2);
    const std::string& unit = kind == PlaneZ ? v.UnitZ : kind == PlaneY ? v.UnitY : v.UnitX;
    planeLabel->setText(
        any ? QString(" %1 = %2 %3")
                  .arg(axis[kind])
                  .arg(static_cast<double>(view->PlaneCoordinate(v.PlaneIndex)), 0, 'g', 7)
                  .arg(QString::fromStdString(unit))
            : QString());
}

void MainWindow::BuildStatusBar()
{
    messagePane = new QLabel("Ready");
    statusBar()->addWidget(messagePane, 1);
    for (const char* indicator : {"CAP", "NUM", "SCRL"}) {
        auto* l = new QLabel(indicator);
        l->setEnabled(false);
        statusBar()->addPermanentWidget(l);
    }
}

void MainWindow::UpdateActions()
{
    for (auto it = actions.begin(); it != actions.end(); ++it) {
        int id = it.key();
        QAction* a = it.value();
        if (id == ID_VIEW_TOOLBAR) {
            a->setChecked(toolbar && toolbar->isVisible());
            continue;
        }
        if (id == ID_VIEW_STATUS_BAR) {
            a->setChecked(statusBar()->isVisible());
            continue;
        }
        if (id == ID_FILE_MRU_FILE1) {
            a->setEnabled(false);
            continue;
        }
        a->setEnabled(view->IsEnabled(id));
        if (CKalderView::IsCheckable(id))
            a->setChecked(view->IsChecked(id));
    }
    UpdatePlaneStepper();
}

QString MainWindow::StatusText() const
{
    return messagePane->text();
}

void MainWindow::UpdateTitle()
{
    setWindowTitle(QString::fromStdString(doc->WindowTitle()));
}

void MainWindow::RequestRepaint()
{
    slice->UpdateScrollRange();
    slice->viewport()->update();
}

bool MainWindow::OpenDocument(const QString& path, bool saveQuestionAsked)
{
    if (!saveQuestionAsked && !doc->SaveModified())
        return false;
    if (!doc->OnOpenDocument(path.toStdString())) {
        UpdateTitle();
        RequestRepaint();
        return false;
    }
    AddRecentFile(QFileInfo(path).absoluteFilePath());
    UpdateTitle();
    RequestRepaint();
    UpdateActions();
    RefreshHistogram();
    return true;
}

bool MainWindow::SaveDocument(bool askName)
{
    bool saved = doc->Save(askName);
    if (saved)
        AddRecentFile(QFileInfo(QString::fromStdString(doc->PathName)).absoluteFilePath());
    UpdateTitle();
    return saved;
}

void MainWindow::PrintTo(QPrinter& target)
{
    QPainter painter(&target);
    if (!painter.isActive())
        return;
    double dpmmX = target.logicalDpiX() / 25.4, dpmmY = target.logicalDpiY() / 25.4;
    // The view's own client rectangle, in the printer's pixels: a fitted picture prints at the
    // size it has on screen.
    QRectF screen = slice->ClientDeviceRect();
    QRectF client(0, 0, screen.width() / slice->DotsPerMmX() * dpmmX,
                  screen.height() / slice->DotsPerMmY() * dpmmY);
    slice->PaintPage(painter, dpmmX, dpmmY, client);
}

void MainWindow::OnFileOpen()
{
    // The save question comes before the file is chosen, as in every document program.
    if (!doc->SaveModified())
        return;
    QString path = QFileDialog::getOpenFileName(this, "Open", QString(), "All Files (*)");
    if (!path.isEmpty())
        OpenDocument(path, true);
}

void MainWindow::OnPrintPreview()
{
    QPrintPreviewDialog dlg(&printer, this);
    connect(&dlg, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* p) { PrintTo(*p); });
    // The preview remembers whether it showed one page or two, as the framework does.
    platform::Profile& profile = platform::GetProfile();
    auto* preview = dlg.findChild<QPrintPreviewWidget*>();
    if (preview && profile.GetInt("Settings", "PreviewPages", 1) == 2)
        preview->setViewMode(QPrintPreviewWidget::FacingPagesView);
    dlg.exec();
    if (preview)
        profile.WriteInt("Settings", "PreviewPages",
                         preview->viewMode() == QPrintPreviewWidget::FacingPagesView ? 2 : 1);
}

void MainWindow::RunCommand(int id)
{
    switch (id) {
    case ID_FILE_NEW:
        if (doc->SaveModified())
            doc->OnNewDocument();
        UpdateTitle();
        break;
    case ID_FILE_OPEN:
        OnFileOpen();
        break;
    case ID_FILE_SAVE:
        SaveDocument(false);
        break;
    case ID_FILE_SAVE_AS:
        SaveDocument(true);
        break;
    case ID_FILE_PRINT: {
        QPrintDialog dlg(&printer, this);
        if (dlg.exec() == QDialog::Accepted)
            PrintTo(printer);
        break;
    }
    case ID_FILE_PRINT_PREVIEW:
        OnPrintPreview();
        break;
    case ID_FILE_PRINT_SETUP: {
        QPageSetupDialog dlg(&printer, this);
        dlg.exec();
        break;
    }
    case ID_APP_EXIT:
        close();
        break;
    case ID_EXPORT_PICTURE:
        OnExportPicture();
        break;
    case ID_HISTOGRAM:
        ShowHistogram();
        break;
    case ID_VIEW_TOOLBAR:
        toolbar->setVisible(!toolbar->isVisible());
        break;
    case ID_VIEW_STATUS_BAR:
        statusBar()->setVisible(!statusBar()->isVisible());
        break;
    case ID_HELP_FINDER:
    case ID_HELP:
    case ID_CONTEXT_HELP:
        ShowHelp();
        break;
    case ID_APP_ABOUT:
        ShowAbout();
        break;
    case ID_NEXT_PANE:
    case ID_PREV_PANE:
        slice->setFocus();
        break;
    case ID_EDIT_COPY:
    case ID_EDIT_CUT:
    case ID_EDIT_PASTE:
        break; // no handler: nothing happens
    default:
        if (!view->IsEnabled(id))
            break; // an accelerator may reach a command the rules disable
        view->OnCommand(id);
        break;
    }
    UpdateActions();
    UpdateTitle();
    slice->UpdateScrollRange();
    slice->RefreshReadout();
    RefreshHistogram();
}

bool MainWindow::ExportPicture(const QString& path, int widthPixels)
{
    if (!doc->PlotSettings)
        return false;
    const std::string target = path.toStdString();
    const PageFormat format = PageFormatFromPath(target);
    // The page of the window when fitted (the picture as on screen), else the whole picture.
    const QRectF screen = slice->ClientDeviceRect();
    PageSetup page;
    page.widthMm = screen.width() / slice->DotsPerMmX();
    page.heightMm = screen.height() / slice->DotsPerMmY();
    if (!doc->PlotSettings->Display.FitToWindow) {
        const platform::Point extent = view->PageExtent();
        page.widthMm = std::max(page.widthMm, extent.x / 10.0);
        page.heightMm = std::max(page.heightMm, extent.y / 10.0);
    }
    page.dotsPerMm = widthPixels / page.widthMm;
    SliceViewState state;
    state.pickedCount = view->PickedCount;
    state.pickedPoints = view->PickedPoints.empty() ? nullptr : view->PickedPoints.data();
    state.colourMode = view->ColourMode;
    state.kiloMeter = view->bKiloMeter;
    state.pickDisplay = view->PickMode;
    // Written beside the target and renamed over it when complete.
    const std::string temp = target + ".kalder-part";
    const bool ok = RenderPlaneToFile(temp, format, page, *doc->PlotSettings, doc->WorkingFolder,
                                      *doc->DrawingParameter, theVolume(), state);
    std::error_code error;
    if (ok)
        std::filesystem::rename(temp, target, error);
    if (!ok || error) {
        std::filesystem::remove(temp, error);
        return false;
    }
    return true;
}

void MainWindow::OnExportPicture()
{
    QString path = QFileDialog::getSaveFileName(this, "Export picture", "kalder.png",
                                                "PNG picture (*.png);;PDF document (*.pdf);;"
                                                "SVG drawing (*.svg)");
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += ".png";
    CDlgPictureSize size;
    size.Width = static_cast<int>(slice->viewport()->width() * 2);
    if (PageFormatFromPath(path.toStdString()) == PageFormat::Png) {
        if (!platform::RunDialog(size))
            return;
        if (size.Width < 16 || size.Width > 20000) {
            platform::GetUi().MessageBox("The width must lie between 16 and 20000 pixels.");
            return;
        }
    }
    if (!ExportPicture(path, size.Width))
        platform::GetUi().MessageBox("Cannot write the picture to " + path.toStdString() + ".");
}

bool MainWindow::ShowProfilesAt(int x, int y)
{
    const std::optional<SliceCell> cell = view->CellAtPoint(x, y);
    if (!cell)
        return false;
    const CData3DEx& v = theVolume();
    profileDock->ShowProfiles(ProfilesAt(v, v.PlaneKind, v.PlaneIndex, cell->column, cell->row));
    profileDock->show();
    profileDock->raise();
    return true;
}

void MainWindow::ShowHistogram()
{
    if (!histogramDock)
        return;
    histogramDock->show();
    histogramDock->raise();
    RefreshHistogram(true);
}

void MainWindow::RefreshHistogram(bool force)
{
    if (!histogramDock || !histogramDock->isVisible() || !doc->PlotSettings)
        return;
    const CData3DEx& v = theVolume();
    const CPlotSettings& s = *doc->PlotSettings;
    const bool same = histogramVersion == view->ValuesVersion && histogramValues == v.Values &&
                      histogramExtents[0] == v.NX && histogramExtents[1] == v.NY &&
                      histogramExtents[2] == v.NZ;
    if (same && !force) {
        // The values are as they were; the colour range may have moved.
        histogramDock->ShowHistogram(histogramDock->Histogram(), s.ContourMin, s.ContourMax);
        return;
    }
    histogramVersion = view->ValuesVersion;
    histogramValues = v.Values;
    histogramExtents[0] = v.NX, histogramExtents[1] = v.NY, histogramExtents[2] = v.NZ;
    histogramDock->ShowHistogram(VolumeHistogram(v, 100), s.ContourMin, s.ContourMax);
}

void MainWindow::AddRecentFile(const QString& path)
{
    platform::Profile& profile = platform::GetProfile();
    QStringList files;
    files << path;
    for (int i = 1; i <= MaxRecentFiles; ++i) {
        QString f = QString::fromStdString(
            profile.GetString("Recent File List", "File" + std::to_string(i), ""));
        if (!f.isEmpty() && f != path && files.size() < MaxRecentFiles)
            files << f;
    }
    for (int i = 1; i <= MaxRecentFiles; ++i)
        profile.WriteString("Recent File List", "File" + std::to_string(i),
                            i <= files.size() ? files[i - 1].toStdString() : std::string());
    UpdateRecentFiles();
}

void MainWindow::UpdateRecentFiles()
{
    if (!recentMenuParent || !recentPlaceholder)
        return;
    for (QAction* a : recentActions) {
        recentMenuParent->removeAction(a);
        a->deleteLater();
    }
    recentActions.clear();
    platform::Profile& profile = platform::GetProfile();
    for (int i = 1; i <= MaxRecentFiles; ++i) {
        QString f = QString::fromStdString(
            profile.GetString("Recent File List", "File" + std::to_string(i), ""));
        if (f.isEmpty())
            continue;
        auto* a = new QAction(QString("&%1 %2").arg(recentActions.size() + 1).arg(f), this);
        connect(a, &QAction::triggered, this, [this, f]() {
            OpenDocument(f);
            UpdateActions();
        });
        recentMenuParent->insertAction(recentPlaceholder, a);
        recentActions << a;
    }
    // The placeholder "Recent File" shows only while the list is empty, as the framework does.
    recentPlaceholder->setVisible(recentActions.isEmpty());
}

void MainWindow::ShowHelp()
{
    // One window, not modal: the guide stays open beside the work it explains.
    if (!helpWindow) {
        QString path = GuidePath();
        QFile file(path);
        QString text = file.open(QIODevice::ReadOnly | QIODevice::Text)
                           ? QString::fromUtf8(file.readAll())
                           : QString("# Kalder user guide\n\nThe guide (guide.md) was not found.");
        helpWindow = new QDialog(this);
        helpWindow->setWindowTitle("Kalder Help");
        auto* layout = new QVBoxLayout(helpWindow);
        auto* browser = new QTextBrowser;
        browser->setOpenExternalLinks(true);
        // Figures and links are relative to the guide's folder (a file or the built-in copy).
        QString folder = QFileInfo(path).absolutePath();
        browser->setSearchPaths({folder});
        browser->document()->setBaseUrl(path.startsWith(":") ? QUrl("qrc" + folder + "/")
                                                             : QUrl::fromLocalFile(folder + "/"));
        browser->document()->setMarkdown(text);
        FitFiguresToWidth(*browser, 860);
        layout->addWidget(browser);
        auto* bb = new QDialogButtonBox(QDialogButtonBox::Close);
        connect(bb, &QDialogButtonBox::rejected, helpWindow, &QDialog::hide);
        layout->addWidget(bb);
        helpWindow->resize(960, 820);
    }
    helpWindow->show();
    helpWindow->raise();
    helpWindow->activateWindow();
}

void MainWindow::ShowAbout()
{
    QMessageBox::about(this, "About Kalder",
                       "<b>Kalder Version " KALDER_VERSION
                       "</b><p>Viewer and model builder for 3D gridded "
                       "earth models.</p>");
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls() && event->mimeData()->urls().first().isLocalFile())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event)
{
    // A volume file dropped on the window opens as the document, like File Open.
    QString path = event->mimeData()->urls().first().toLocalFile();
    event->acceptProposedAction();
    OpenDocument(path);
    UpdateActions();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // Exit and closing the window ask about unsaved changes; Cancel keeps the window open.
    if (!doc->SaveModified()) {
        UpdateTitle();
        event->ignore();
        return;
    }
    view->OnDestroy();
    event->accept();
}
