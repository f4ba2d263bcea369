#include "ViewerDocks.h"

#include "platform/BinaryFile.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <QtCharts/QLogValueAxis>
#include <QtCharts/QScatterSeries>
#include <QtCharts/QValueAxis>

#include <algorithm>
#include <cmath>

namespace {

QChartView* MakeChartView()
{
    auto* view = new QChartView(new QChart);
    view->setRenderHint(QPainter::Antialiasing);
    view->chart()->legend()->hide();
    view->setMinimumSize(380, 250);
    return view;
}

// A vertical line at x across ymin..ymax, in a colour of its own.
QLineSeries* MarkLine(double x, double ymin, double ymax, QColor colour)
{
    auto* line = new QLineSeries;
    line->append(x, ymin);
    line->append(x, ymax);
    line->setColor(colour);
    return line;
}

void AttachAxes(QChart* chart, QAbstractAxis* x, QAbstractAxis* y)
{
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    for (QAbstractSeries* s : chart->series()) {
        s->attachAxis(x);
        s->attachAxis(y);
    }
}

// One profile: values against coordinates, the chosen cell as a red dot.
void DrawProfile(QChartView* view, const ProfileSeries& s, const QString& title)
{
    QChart* chart = view->chart();
    chart->removeAllSeries();
    for (QAbstractAxis* a : chart->axes())
        chart->removeAxis(a);
    chart->setTitle(title);
    auto* line = new QLineSeries;
    double lo = 0, hi = 0;
    bool any = false;
    for (std::size_t i = 0; i < s.values.size(); ++i) {
        const double v = s.values[i];
        if (!std::isfinite(v))
            continue;
        line->append(s.coordinates[i], v);
        lo = any ? std::min(lo, v) : v;
        hi = any ? std::max(hi, v) : v;
        any = true;
    }
    chart->addSeries(line);
    auto* dot = new QScatterSeries;
    dot->setColor(Qt::red);
    dot->setMarkerSize(9);
    if (s.marked >= 0 && static_cast<std::size_t>(s.marked) < s.values.size())
        dot->append(s.coordinates[static_cast<std::size_t>(s.marked)],
                    s.values[static_cast<std::size_t>(s.marked)]);
    chart->addSeries(dot);
    auto* x = new QValueAxis;
    x->setTitleText(QString::fromStdString(s.axisTitle));
    x->setTickCount(5);
    x->setLabelFormat("%g");
    if (!s.coordinates.empty())
        x->setRange(std::min(s.coordinates.front(), s.coordinates.back()),
                    std::max(s.coordinates.front(), s.coordinates.back()) +
                        (s.coordinates.size() == 1));
    auto* y = new QValueAxis;
    y->setTitleText("Value");
    y->setLabelFormat("%g");
    const double pad = hi > lo ? 0.05 * (hi - lo) : 1.0;
    y->setRange(lo - pad, hi + pad);
    AttachAxes(chart, x, y);
}

} // namespace

ProfileDock::ProfileDock(QWidget* parent) : QDockWidget("Profiles", parent)
{
    setObjectName("ProfileDock");
    auto* body = new QWidget;
    auto* layout = new QVBoxLayout(body);
    caption = new QLabel("Double-click a cell of the picture.");
    caption->setWordWrap(true);
    layout->addWidget(caption);
    vertical = MakeChartView();
    horizontal = MakeChartView();
    auto buttons = [this](const ProfileSeries CellProfiles::*which) {
        auto* row = new QHBoxLayout;
        auto* copy = new QPushButton("Copy");
        auto* save = new QPushButton("Save...");
        connect(copy, &QPushButton::clicked, this, [this, which]() { CopyText(profiles.*which); });
        connect(save, &QPushButton::clicked, this, [this, which]() { SaveText(profiles.*which); });
        row->addStretch(1);
        row->addWidget(copy);
        row->addWidget(save);
        return row;
    };
    layout->addWidget(vertical, 1);
    layout->addLayout(buttons(&CellProfiles::vertical));
    layout->addWidget(horizontal, 1);
    layout->addLayout(buttons(&CellProfiles::horizontal));
    setWidget(body);
}

void ProfileDock::ShowProfiles(const CellProfiles& p)
{
    profiles = p;
    caption->setText(QString("Cell column %1, row %2: value %3")
                         .arg(p.column)
                         .arg(p.row)
                         .arg(static_cast<double>(p.value), 0, 'g', 7));
    DrawProfile(vertical, p.vertical, "Down the column (depth profile)");
    DrawProfile(horizontal, p.horizontal, "Along the row");
}

void ProfileDock::CopyText(const ProfileSeries& series)
{
    QApplication::clipboard()->setText(QString::fromStdString(ProfileText(series)));
}

void ProfileDock::SaveText(const ProfileSeries& series)
{
    if (series.values.empty())
        return;
    const QString path = QFileDialog::getSaveFileName(this, "Save profile", "profile.txt",
                                                      "Text files (*.txt);;All Files (*)");
    if (path.isEmpty())
        return;
    const std::string text = ProfileText(series);
    // A failed write leaves any earlier file as it was.
    std::unique_ptr<platform::AtomicFile> file = platform::AtomicFile::Create(path.toStdString());
    if (!file || !file->Write(text.data(), text.size()) || !file->Commit())
        QMessageBox::warning(this, "Kalder", "Cannot write the profile to " + path + ".");
}

HistogramDock::HistogramDock(int& log, QWidget* parent)
    : QDockWidget("Histogram", parent), logCounts(log)
{
    setObjectName("HistogramDock");
    auto* body = new QWidget;
    auto* layout = new QVBoxLayout(body);
    caption = new QLabel;
    caption->setWordWrap(true);
    layout->addWidget(caption);
    chart = MakeChartView();
    layout->addWidget(chart, 1);
    logBox = new QCheckBox("Log counts");
    logBox->setChecked(logCounts != 0);
    connect(logBox, &QCheckBox::toggled, this, [this](bool on) {
        logCounts = on ? 1 : 0;
        Redraw();
        emit LogCountsChanged();
    });
    layout->addWidget(logBox);
    setWidget(body);
}

void HistogramDock::ShowHistogram(const ValueHistogram& h, double lo, double hi)
{
    histogram = h;
    rangeMin = lo, rangeMax = hi;
    Redraw();
}

void HistogramDock::Redraw()
{
    QChart* c = chart->chart();
    c->removeAllSeries();
    for (QAbstractAxis* a : c->axes())
        c->removeAxis(a);
    const ValueHistogram& h = histogram;
    std::int64_t total = h.nonFinite, peak = 1;
    for (std::int64_t n : h.counts) {
        total += n;
        peak = std::max(peak, n);
    }
    caption->setText(
        QString("%1 cells; colour range %2 to %3%4")
            .arg(total)
            .arg(rangeMin, 0, 'g', 6)
            .arg(rangeMax, 0, 'g', 6)
            .arg(h.nonFinite ? QString("; %1 not finite").arg(h.nonFinite) : QString()));
    if (h.counts.empty())
        return;
    const bool log = logCounts != 0;
    const double floor = log ? 0.5 : 0.0; // empty bins on a log axis sit just below 1
    auto* bars = new QLineSeries;
    const double width =
        h.max > h.min ? (h.max - h.min) / static_cast<double>(h.counts.size()) : 1.0;
    for (std::size_t i = 0; i < h.counts.size(); ++i) {
        const double x0 = h.min + width * static_cast<double>(i);
        const double y = std::max(static_cast<double>(h.counts[i]), floor);
        bars->append(x0, floor);
        bars->append(x0, y);
        bars->append(x0 + width, y);
        bars->append(x0 + width, floor);
    }
    c->addSeries(bars);
    const double top = static_cast<double>(peak) * (log ? 2.0 : 1.05);
    c->addSeries(MarkLine(rangeMin, floor, top, Qt::red));
    c->addSeries(MarkLine(rangeMax, floor, top, Qt::red));
    auto* x = new QValueAxis;
    x->setTitleText("Value");
    x->setTickCount(5);
    x->setLabelFormat("%g");
    x->setRange(std::min(h.min, rangeMin), std::max(h.min + width * h.counts.size(), rangeMax));
    QAbstractAxis* y = nullptr;
    if (log) {
        auto* ly = new QLogValueAxis;
        ly->setRange(floor, top);
        ly->setLabelFormat("%g");
        y = ly;
    } else {
        auto* vy = new QValueAxis;
        vy->setRange(0, top);
        vy->setLabelFormat("%.0f");
        y = vy;
    }
    y->setTitleText("Cells");
    AttachAxes(c, x, y);
}
