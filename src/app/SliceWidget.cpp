#include "SliceWidget.h"

#include "platform/qt/QtSurface.h"
#include "shell/CommandIds.h"
#include "shell/KalderView.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

namespace {
constexpr double PageMm = 1000.0; // the scroll range: 10000 logical units of 0.1 mm
}

SliceWidget::SliceWidget(CKalderView& v, QWidget* parent) : QAbstractScrollArea(parent), view(v)
{
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(true);
    QPalette pal = viewport()->palette();
    pal.setColor(QPalette::Window, Qt::white);
    viewport()->setPalette(pal);
    horizontalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setSingleStep(20);
    UpdateScrollRange();
}

double SliceWidget::DotsPerMmX() const
{
    return logicalDpiX() / 25.4;
}
double SliceWidget::DotsPerMmY() const
{
    return logicalDpiY() / 25.4;
}

QRectF SliceWidget::ClientDeviceRect() const
{
    return QRectF(horizontalScrollBar()->value(), verticalScrollBar()->value(), viewport()->width(),
                  viewport()->height());
}

void SliceWidget::UpdateScrollRange()
{
    int w = static_cast<int>(PageMm * DotsPerMmX());
    int h = static_cast<int>(PageMm * DotsPerMmY());
    horizontalScrollBar()->setRange(0, std::max(0, w - viewport()->width()));
    verticalScrollBar()->setRange(0, std::max(0, h - viewport()->height()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    verticalScrollBar()->setPageStep(viewport()->height());
}

void SliceWidget::PaintPage(QPainter& painter, double dpmmX, double dpmmY, QRectF client)
{
    painter.save();
    painter.translate(-client.left(), -client.top());
    platform::QtSurface surface(painter, dpmmX, dpmmY, client);
    view.OnDraw(surface);
    painter.restore();
}

void SliceWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), Qt::white);
    PaintPage(painter, DotsPerMmX(), DotsPerMmY(), ClientDeviceRect());
    // The paint has the newest layout: the readout follows whatever changed under the mouse.
    RefreshReadout();
}

void SliceWidget::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollRange();
}

void SliceWidget::scrollContentsBy(int, int)
{
    viewport()->update();
}

void SliceWidget::mouseMoveEvent(QMouseEvent* event)
{
    mouse = event->position();
    mouseInside = true;
    RefreshReadout();
}

void SliceWidget::leaveEvent(QEvent* event)
{
    mouseInside = false;
    QAbstractScrollArea::leaveEvent(event);
}

void SliceWidget::RefreshReadout()
{
    QString text;
    if (mouseInside) {
        QRectF client = ClientDeviceRect();
        // device pixel to logical unit: 10 units per mm, y upward from the page's top edge
        int x = static_cast<int>((mouse.x() + client.left()) / DotsPerMmX() * 10.0);
        int y = static_cast<int>(-(mouse.y() + client.top()) / DotsPerMmY() * 10.0);
        text = QString::fromStdString(view.DescribePoint(x, y));
    }
    if (text == lastReadout)
        return;
    lastReadout = text;
    emit Readout(text);
}

void SliceWidget::wheelEvent(QWheelEvent* event)
{
    if (event->modifiers() & Qt::ControlModifier) {
        int steps = event->angleDelta().y();
        if (steps != 0)
            emit CommandRequested(steps > 0 ? ID_UP : ID_DOWN);
        event->accept();
        return;
    }
    QAbstractScrollArea::wheelEvent(event);
}
