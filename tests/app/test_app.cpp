// Smoke tests of the Qt window under the offscreen platform.

#include "MainWindow.h"
#include "QtProfile.h"
#include "QtUi.h"
#include "SliceWidget.h"
#include "platform/Form.h"
#include "platform/Services.h"
#include "random_media/RandomModelDialog.h"
#include "shell/CommandIds.h"
#include "shell/CommandTable.h"
#include "shell/DemoVolume.h"
#include "shell/Dialogs.h"
#include "support/MenuExpectations.h"
#include "support/TestServices.h"
#include "support/VolumeBuilders.h"
#include "volume/Data3D.h"
#include "volume/StretchInfo.h"
#include "volume/VolumeDialogs.h"
#include "volume/VolumeFile.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPrinter>
#include <QProcess>
#include <QSet>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QUrl>
#include <QWheelEvent>

#include "support/OffscreenApp.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sstream>

namespace {

QApplication& App()
{
    return testing_support::OffscreenApplication<QApplication>();
}

// A window with its own profile file and working folder.
struct WindowFixture {
    WindowFixture()
        : profileEnv("KALDER_PROFILE", dir.File("profile.ini")), homeEnv("KALDER_HOME", dir.path)
    {
        App();
        services = std::make_unique<platform::ScopedServices>(
            platform::Services{.profile = &profile, .ui = &ui});
        CData3DEx& v = theVolume();
        v.Release();
        v.NX = v.NY = v.NZ = 0;
        v.PlaneIndex = 0;
        v.PlaneKind = PlaneZ;
        window = std::make_unique<MainWindow>();
    }
    ~WindowFixture()
    {
        window.reset();
        CData3DEx& v = theVolume();
        v.Release();
        v.NX = v.NY = v.NZ = 0;
    }
    testing_support::TempDir dir;
    testing_support::ScopedEnv profileEnv;
    testing_support::ScopedEnv homeEnv;
    QtProfile profile;
    platform::ScriptedUi ui;
    std::unique_ptr<platform::ScopedServices> services;
    std::unique_ptr<MainWindow> window;
};

} // namespace

namespace {

// The window's menus in the outline form of the written expectations (without the initial check
// marks, which the update rules replace at once, and without the menu bar's alignment).
void Outline(const QList<QAction*>& actions, const QString& indent, std::vector<std::string>& out)
{
    for (QAction* a : actions) {
        if (a->isSeparator()) {
            out.push_back((indent + "---").toStdString());
        } else if (a->menu()) {
            out.push_back((indent + "> " + a->menu()->title()).toStdString());
            Outline(a->menu()->actions(), indent + "  ", out);
        } else if (a->isVisible()) {
            QString text = QString::number(a->data().toInt()) + " " + a->text();
            if (!a->shortcut().isEmpty())
                text += "\t" + a->shortcut().toString();
            out.push_back((indent + text).toStdString());
        }
    }
}

} // namespace

TEST(MainWindow, MenusAreTheWrittenMenus)
{
    WindowFixture f;
    std::vector<std::string> shown;
    Outline(f.window->menuBar()->actions(), "", shown);
    std::vector<std::string> expected;
    for (std::string line : testing_support::ExpectedMenuOutline()) {
        for (const char* drop : {" [x]", " (right)"})
            if (auto at = line.find(drop); at != std::string::npos)
                line.erase(at);
        // Qt shows an accelerator beside a command whose text has no hint ("Axis setup").
        if (line.find('\t') == std::string::npos)
            for (const auto& [keys, id] : testing_support::ExpectedAccelerators())
                if (line.find(" " + std::to_string(id) + " ") != std::string::npos) {
                    line += "\t" + keys;
                    break;
                }
        expected.push_back(line);
    }
    ASSERT_EQ(shown.size(), expected.size());
    for (std::size_t i = 0; i < shown.size(); ++i)
        EXPECT_EQ(shown[i], expected[i]) << "line " << i;
}

TEST(MainWindow, MenusFollowTheCommandTableAndTheUpdateRules)
{
    WindowFixture f;
    MainWindow& w = *f.window;
    for (int id : MenuCommandIds()) {
        QAction* a = w.Action(id);
        ASSERT_NE(a, nullptr) << id;
        QString text = QString::fromStdString(CommandText(id));
        EXPECT_EQ(a->text(), text.section('\t', 0, 0)) << id;
        if (!text.section('\t', 1).isEmpty()) {
            EXPECT_EQ(a->shortcut(), QKeySequence(text.section('\t', 1))) << id;
        }
        if (id != ID_FILE_MRU_FILE1 && id != ID_VIEW_TOOLBAR && id != ID_VIEW_STATUS_BAR) {
            EXPECT_EQ(a->isEnabled(), w.View().IsEnabled(id)) << id;
        }
    }
    // empty volume: the model builders are offered, the data commands are not
    EXPECT_TRUE(w.Action(ID_RANDOM_MODEL)->isEnabled());
    EXPECT_FALSE(w.Action(ID_PROPERTY)->isEnabled());
    EXPECT_FALSE(w.Action(ID_OPEN_JAPAN_MAP)->isEnabled());
    EXPECT_TRUE(w.Action(ID_KILOMETER)->isChecked());
    EXPECT_FALSE(w.Action(ID_MONOCHROME)->isChecked());
    EXPECT_TRUE(w.Action(ID_READ_STRETCH_INFO)->isChecked());
    EXPECT_TRUE(w.Action(ID_PLANE_Z)->isChecked());
    EXPECT_TRUE(w.Action(ID_EDIT_UNDO)->shortcuts().contains(QKeySequence("Alt+Backspace")));
    EXPECT_EQ(w.windowTitle(), "Kalder - Kalder");

    // a loaded volume, through the menu command itself
    w.RunCommand(ID_TEST_DATA);
    EXPECT_EQ(theVolume().NX, 100);
    EXPECT_FALSE(w.Action(ID_RANDOM_MODEL)->isEnabled());
    EXPECT_TRUE(w.Action(ID_PROPERTY)->isEnabled());
    EXPECT_TRUE(w.Action(ID_FORWARD_TRANSFORM)->isEnabled());
    EXPECT_FALSE(w.Action(ID_INVERSE_TRANSFORM)->isEnabled());
    w.RunCommand(ID_MONOCHROME);
    EXPECT_TRUE(w.Action(ID_MONOCHROME)->isChecked());
    w.RunCommand(ID_PLANE_Y);
    EXPECT_TRUE(w.Action(ID_PLANE_Y)->isChecked());
    EXPECT_FALSE(w.Action(ID_PLANE_Z)->isChecked());

    // Ctrl + wheel zooms like the green arrows
    float scale = w.Doc().PlotSettings->ScaleDenominator;
    QWidget* port = w.Slice()->viewport();
    QWheelEvent wheel(QPointF(50, 50), port->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(port, &wheel);
    EXPECT_FLOAT_EQ(w.Doc().PlotSettings->ScaleDenominator, scale / 1.5f);
}

TEST(MainWindow, FormDialogRefusesTextThatDoesNotParse)
{
    App();
    float value = 1.0f;
    int count = 3;
    platform::Form form("Scale setup");
    form.Float("Scale = 1/", value).Int("Count", count);
    FormDialog dlg(form);
    dlg.quietRefusals = true;
    auto* edit = qobject_cast<QLineEdit*>(dlg.Editor(0));
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->text(), "1");
    edit->setText("abc");
    dlg.accept();
    EXPECT_EQ(dlg.lastRefusal, "Enter a number.");
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(value, 1.0f);
    edit->setText("2.5");
    qobject_cast<QLineEdit*>(dlg.Editor(1))->setText("x1");
    dlg.accept();
    EXPECT_EQ(dlg.lastRefusal, "Enter an integer.");
    EXPECT_EQ(value, 1.0f); // nothing is stored while any field is refused
    qobject_cast<QLineEdit*>(dlg.Editor(1))->setText("7");
    dlg.accept();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(value, 2.5f);
    EXPECT_EQ(count, 7);

    EXPECT_EQ(QtUi::FilterFor("3d binary data(*.*)"), "3d binary data(*.*) (*)");
}

TEST(MainWindow, PrintsThePaintEntryToPdf)
{
    WindowFixture f;
    f.window->RunCommand(ID_TEST_DATA);
    f.window->resize(900, 700);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    std::string pdf = f.dir.File("print.pdf");
    printer.setOutputFileName(QString::fromStdString(pdf));
    f.window->PrintTo(printer);
    ASSERT_TRUE(std::filesystem::exists(pdf));
    EXPECT_GT(std::filesystem::file_size(pdf), 2000u);
}

TEST(MainWindow, ProfileKeepsGeneralAtTheTopLevelAndRecentFiles)
{
    WindowFixture f;
    f.profile.WriteInt("General", "NX", 64);
    f.profile.WriteString("General", "Stretch0", "2.500000");
    f.profile.WriteString("Recent File List", "File1", "/data/model.dat");
    f.profile.Sync();
    QtProfile again;
    EXPECT_EQ(again.GetInt("General", "NX", 0), 64);
    EXPECT_EQ(again.GetString("General", "Stretch0", ""), "2.500000");
    EXPECT_EQ(again.GetString("Recent File List", "File1", ""), "/data/model.dat");
    EXPECT_EQ(again.GetInt("General", "Missing", 11), 11);
    EXPECT_EQ(again.GetInt("General", "Stretch0", 11), 0); // not an integer
    QFile ini(again.FileName());
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    QString text = ini.readAll();
    EXPECT_TRUE(text.contains("[General]"));
    EXPECT_TRUE(text.contains("[Recent%20File%20List]") || text.contains("[Recent File List]"));
}

TEST(MainWindow, VonKarmanRandomModelPaintsThroughTheWindow)
{
    WindowFixture f;
    testing_support::TempDir cwd;
    auto inCwd = std::make_unique<testing_support::ScopedCwd>(cwd.path); // scratch files go here
    // a Von Karman medium with 2 km correlation distances on 128^3 cells of 1 m (the default)
    f.ui.AnswerForm({true,
                     {{"Auto correlation function", "3"},
                      {"ax : correlation distance (m)", "8"},
                      {"ay : correlation distance (m)", "8"},
                      {"az : correlation distance (m)", "4"},
                      {"e : standard deviation (%)", "5"},
                      {"h : Hurst constant", "0.3"},
                      {"Model size", "0"}}});
    f.window->RunCommand(ID_VONKARMAN_RANDOM);
    inCwd.reset();
    CData3DEx& v = theVolume();
    ASSERT_EQ(v.NX, 128);
    EXPECT_FALSE(f.window->Action(ID_VONKARMAN_RANDOM)->isEnabled());
    EXPECT_FALSE(f.ui.progress.empty());
    // 1 m cells: at 1/1500 the 128-cell section is 85 mm wide
    f.window->Doc().PlotSettings->ScaleDenominator = 1500;
    f.window->resize(1000, 760);
    QImage shot = f.window->grab().toImage();
    EXPECT_GT(shot.width(), 500);
    // the picture holds many distinct colours (a random field), not a single band
    QSet<QRgb> colours;
    for (int y = 200; y < 400; y += 3)
        for (int x = 150; x < 350; x += 3)
            colours.insert(shot.pixel(x, y));
    EXPECT_GT(colours.size(), 10);
    if (const char* dir = std::getenv("KALDER_LOOK_DIR"))
        shot.save(QString(dir) + "/vonkarman.png");
}

TEST(MainWindow, EveryDialogRecordDrawsAsAForm)
{
    App();
    CDlgManualAxis axis;
    CDlgDataProperty property;
    CDlgStretch stretch;
    CDataSize size;
    CDlgRandomModel3D model;
    CDlgGetFloat getFloat;
    getFloat.Prompt = "Minimum value to pcik = ";
    struct Entry {
        const char* name;
        std::function<void(platform::Form&)> describe;
    };
    const Entry entries[] = {
        {"axis", [&](platform::Form& f) { axis.Describe(f); }},
        {"property", [&](platform::Form& f) { property.Describe(f); }},
        {"stretch", [&](platform::Form& f) { stretch.Describe(f); }},
        {"datasize", [&](platform::Form& f) { size.Describe(f); }},
        {"model", [&](platform::Form& f) { model.Describe(f); }},
        {"getfloat", [&](platform::Form& f) { getFloat.Describe(f); }},
    };
    for (const Entry& e : entries) {
        platform::Form form("Dialog");
        e.describe(form);
        FormDialog dlg(form);
        for (std::size_t i = 0; i < form.fields.size(); ++i)
            EXPECT_NE(dlg.Editor(i), nullptr) << e.name << " field " << i;
        // OK with the values as shown stores them back unchanged
        dlg.quietRefusals = true;
        dlg.accept();
        EXPECT_EQ(dlg.result(), QDialog::Accepted)
            << e.name << ": " << dlg.lastRefusal.toStdString();
        if (const char* dir = std::getenv("KALDER_LOOK_DIR"))
            dlg.grab().save(QString(dir) + "/dialog_" + e.name + ".png");
    }
}

namespace {

std::string SaveModel(const testing_support::TempDir& dir, const std::string& name, int nx,
                      float offset)
{
    CData3DEx model;
    testing_support::FillCoded(model, nx, 4, 3, offset);
    std::string path = dir.File(name);
    EXPECT_TRUE(SaveVolumeFile(model, path));
    return path;
}

} // namespace

// The first level-1 heading of a rendered document.
QString FirstHeading(const QTextDocument& doc)
{
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        if (b.blockFormat().headingLevel() == 1)
            return b.text();
    return {};
}

TEST(MainWindow, HelpTopicsOpensTheGuideWithItsFiguresAndCommandsExplainThemselves)
{
    WindowFixture f;
    MainWindow& w = *f.window;
    const std::string guide =
        testing_support::ReadWholeFile(KALDER_TEST_SOURCE_DIR "/../docs/guide.md");
    ASSERT_EQ(guide.rfind("# ", 0), 0u);
    const QString title = QString::fromStdString(guide.substr(2, guide.find('\n') - 2));

    w.RunCommand(ID_HELP_FINDER);
    QList<QTextBrowser*> browsers = w.findChildren<QTextBrowser*>();
    ASSERT_EQ(browsers.size(), 1);
    QTextBrowser* browser = browsers.front();
    EXPECT_TRUE(browser->isVisible());
    EXPECT_EQ(FirstHeading(*browser->document()), title);
    // all of it: every chapter heading and the last paragraph (a stray "<word>" in the text is
    // taken for an HTML tag and hides what follows)
    const QString shown = browser->toPlainText();
    std::istringstream lines(guide);
    std::string line, last;
    while (std::getline(lines, line)) {
        if (line.rfind("## ", 0) == 0)
            EXPECT_TRUE(shown.contains(QString::fromStdString(line.substr(3)))) << line;
        if (!line.empty())
            last = line;
    }
    EXPECT_TRUE(shown.contains(QString::fromStdString(last).simplified())) << last;
    // the guide's figures resolve beside it, scaled down to the window's width
    const QVariant figure =
        browser->loadResource(QTextDocument::ImageResource, QUrl("figures/job1-xz-section.png"));
    EXPECT_FALSE(figure.isNull());
    int figures = 0;
    for (QTextBlock b = browser->document()->begin(); b.isValid(); b = b.next())
        for (QTextBlock::iterator it = b.begin(); !it.atEnd(); ++it) {
            QTextImageFormat image = it.fragment().charFormat().toImageFormat();
            if (!image.isValid())
                continue;
            ++figures;
            // a figure narrower than the window keeps its own size (no width set)
            const QVariant data =
                browser->loadResource(QTextDocument::ImageResource, QUrl(image.name()));
            QImage own = data.value<QImage>();
            if (own.isNull())
                own.loadFromData(data.toByteArray());
            const double shownWidth = image.width() > 0 ? image.width() : own.width();
            EXPECT_GT(shownWidth, 100) << image.name().toStdString();
            EXPECT_LE(shownWidth, browser->width()) << image.name().toStdString();
        }
    EXPECT_GE(figures, 7); // at least one for each job
    // the window stays one window, however often it is asked for; F1 reaches it too
    w.RunCommand(ID_HELP);
    EXPECT_EQ(w.findChildren<QTextBrowser*>().size(), 1);

    // the copy built into the program, for a program away from its source tree
    QFile builtIn(":/docs/guide.md");
    ASSERT_TRUE(builtIn.open(QIODevice::ReadOnly));
    QTextDocument doc;
    doc.setMarkdown(QString::fromUtf8(builtIn.readAll()));
    EXPECT_EQ(FirstHeading(doc), title);

    // the status bar's help of menu items and toolbar buttons is the command table's
    for (int id : {ID_MEDIAN_FILTER, ID_VONKARMAN_RANDOM_FD3D, ID_NEXT, ID_PLANE_Y}) {
        ASSERT_NE(w.Action(id), nullptr);
        EXPECT_EQ(w.Action(id)->statusTip().toStdString(), CommandHelp(id)) << id;
        EXPECT_FALSE(w.Action(id)->statusTip().isEmpty()) << id;
    }
}

TEST(MainWindow, CancelledAppendThenSaveLeavesTheFileUntouched)
{
    WindowFixture f;
    FillDemoVolume(theVolume());
    std::string path = SaveModel(f.dir, "other.vol", 5, 0.5f);
    const std::string bytes = testing_support::ReadWholeFile(path);
    f.ui.CancelForm(); // "Append data?"
    EXPECT_FALSE(f.window->OpenDocument(QString::fromStdString(path)));
    EXPECT_EQ(f.window->windowTitle(), "Kalder - Kalder");
    EXPECT_EQ(f.profile.GetString("Recent File List", "File1", ""), "");
    // File Save of the unnamed document asks for a name (cancelled here): the file is untouched
    f.window->RunCommand(ID_FILE_SAVE);
    EXPECT_EQ(f.ui.saveNames, std::vector<std::string>{"Kalder"});
    EXPECT_EQ(testing_support::ReadWholeFile(path), bytes);
}

TEST(MainWindow, SecondFileAfterTheDemoShowsItsOwnRange)
{
    WindowFixture f;
    FillDemoVolume(theVolume());
    f.window->resize(1000, 760);
    f.window->grab();
    EXPECT_GT(f.window->Doc().PlotSettings->DataMax, 2000.0f);
    std::string path = SaveModel(f.dir, "small.vol", 6, -4.6f);
    f.ui.AnswerForm({true, {}}).AnswerForm({true, {}}); // "New", "Data size"
    ASSERT_TRUE(f.window->OpenDocument(QString::fromStdString(path)));
    f.window->grab();
    float mn = 0, mx = 0;
    theVolume().GetMinMax(mn, mx);
    EXPECT_EQ(f.window->Doc().PlotSettings->DataMin, mn);
    EXPECT_EQ(f.window->Doc().PlotSettings->DataMax, mx);
    EXPECT_EQ(f.window->windowTitle(), "small.vol - Kalder");
}

TEST(MainWindow, ReadoutFollowsThePlaneAndUnsavedChangesKeepTheWindowOpen)
{
    WindowFixture f;
    f.window->RunCommand(ID_TEST_DATA); // 100^3, values differ from plane to plane
    theVolume().PlaneKind = PlaneY;
    theVolume().FixedScale = 0; // fitted: the picture fills the window
    f.window->resize(1000, 760);
    f.window->show();
    QApplication::processEvents();
    QWidget* port = f.window->Slice()->viewport();
    QPointF at(port->width() * 0.4, port->height() * 0.5);
    QMouseEvent move(QEvent::MouseMove, at, port->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(port, &move);
    const QString before = f.window->StatusText();
    ASSERT_TRUE(before.startsWith("Column")) << before.toStdString();
    f.window->RunCommand(ID_FAST_FORWARD);
    const QString after = f.window->StatusText();
    EXPECT_NE(after, before);
    EXPECT_EQ(after.section("Value", 0, 0), before.section("Value", 0, 0)); // same cell

    // the test volume is an unsaved change: Cancel at the question keeps the window open
    EXPECT_EQ(f.window->windowTitle(), "Kalder* - Kalder");
    f.ui.AnswerMessage(platform::Answer::Cancel);
    EXPECT_FALSE(f.window->close());
    EXPECT_TRUE(f.window->isVisible());
    EXPECT_EQ(f.ui.messages.back().text, "Save changes to Kalder?");
    f.ui.AnswerMessage(platform::Answer::No);
    EXPECT_TRUE(f.window->close());
}

#ifdef KALDER_BINARY
namespace {

// Runs the kalder program with the environment given; returns its exit status.
int RunKalder(const QStringList& arguments, const QProcessEnvironment& env, QString* output,
              int timeoutMs = 30000)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(KALDER_BINARY, arguments);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return -1;
    }
    if (output)
        *output = QString::fromLocal8Bit(p.readAll());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
}

} // namespace

TEST(KalderProgram, SnapshotsWithoutDialogsOrProfileWritesAndHelpWithoutDisplay)
{
    testing_support::TempDir dir;
    std::string model = SaveModel(dir, "model.vol", 16, 0);
    const QString profile = QString::fromStdString(dir.File("user.ini"));
    {
        QFile ini(profile);
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[General]\nNX=7\n");
    }
    const std::string profileBefore = testing_support::ReadWholeFile(profile.toStdString());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("KALDER_PROFILE", profile);
    env.insert("KALDER_HOME", QString::fromStdString(dir.path));
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");

    // --help needs no display at all
    QProcessEnvironment bare = env;
    bare.remove("QT_QPA_PLATFORM");
    QString out;
    EXPECT_EQ(RunKalder({"--help"}, bare, &out), 0) << out.toStdString();
    EXPECT_TRUE(out.contains("--snapshot")) << out.toStdString();

    // a volume file to SVG, PDF and PNG: "Data size" takes its preset, the profile is unchanged
    for (const char* name : {"out.svg", "out.pdf", "out.png"}) {
        SCOPED_TRACE(name);
        const QString target = QString::fromStdString(dir.File(name));
        QElapsedTimer clock;
        clock.start();
        EXPECT_EQ(RunKalder({QString::fromStdString(model), "--snapshot", target}, bare, &out), 0)
            << out.toStdString();
        EXPECT_LT(clock.elapsed(), 10000);
        ASSERT_TRUE(std::filesystem::exists(target.toStdString()));
        const std::string head = testing_support::ReadWholeFile(target.toStdString()).substr(0, 8);
        if (QString(name).endsWith("svg"))
            EXPECT_NE(testing_support::ReadWholeFile(target.toStdString()).find("<svg"),
                      std::string::npos);
        else if (QString(name).endsWith("pdf"))
            EXPECT_EQ(head.substr(0, 5), "%PDF-");
        else
            EXPECT_EQ(head.substr(1, 3), "PNG");
    }
    EXPECT_EQ(testing_support::ReadWholeFile(profile.toStdString()), profileBefore);

    // a file that is refused ends the run with a failure status and its message
    std::string broken = dir.File("broken.vol");
    std::filesystem::copy_file(model, broken);
    std::filesystem::resize_file(broken, 12);
    EXPECT_EQ(RunKalder({QString::fromStdString(broken), "--snapshot",
                         QString::fromStdString(dir.File("never.png"))},
                        bare, &out),
              1);
    EXPECT_TRUE(out.contains("broken.vol")) << out.toStdString();
    EXPECT_FALSE(std::filesystem::exists(dir.File("never.png")));
}

TEST(KalderProgram, IndexOptionChoosesThePlaneShownFirst)
{
    testing_support::TempDir dir;
    std::string model = SaveModel(dir, "model.vol", 16, 0); // NY = 4
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("KALDER_PROFILE", QString::fromStdString(dir.File("user.ini")));
    env.insert("KALDER_HOME", QString::fromStdString(dir.path));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    QString out;
    // the title line of the page names the plane: index 2, and an index past the end clamped
    for (auto [index, shown] : {std::pair{"2", ": N = 2 "}, std::pair{"99", ": N = 3 "}}) {
        const std::string svg = dir.File(std::string("plane") + index + ".svg");
        EXPECT_EQ(RunKalder({QString::fromStdString(model), "--plane", "y", "--index", index,
                             "--snapshot", QString::fromStdString(svg)},
                            env, &out),
                  0)
            << out.toStdString();
        EXPECT_NE(testing_support::ReadWholeFile(svg).find(shown), std::string::npos) << index;
    }
    EXPECT_EQ(RunKalder({QString::fromStdString(model), "--index", "-1", "--snapshot",
                         QString::fromStdString(dir.File("never.svg"))},
                        env, &out),
              2);
    EXPECT_TRUE(out.contains("--index")) << out.toStdString();
    EXPECT_FALSE(std::filesystem::exists(dir.File("never.svg")));
}
#endif
