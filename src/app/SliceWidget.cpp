#include "SliceWidget.h"

#include "platform/qt/QtSurface.h"
#include "shell/CommandIds.h"
#include "shell/KalderView.h"
#include "volume/Data3D.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <cmath>

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

QPointF SliceWidget::ToLogical(QPointF p) const
{
    const QRectF client = ClientDeviceRect();
    return {(p.x() + client.left()) / DotsPerMmX() * 10.0,
            -(p.y() + client.top()) / DotsPerMmY() * 10.0};
}

void SliceWidget::UpdateScrollRange()
{
    // Logical units of 0.1 mm to device pixels.
    const platform::Point page = view.PageExtent();
    int w = static_cast<int>(page.x / 10.0 * DotsPerMmX());
    int h = static_cast<int>(page.y / 10.0 * DotsPerMmY());
    // A fitted picture fits the window: no scrolling.
    if (view.Doc.PlotSettings && view.Doc.PlotSettings->Display.FitToWindow)
        w = h = 0;
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
        // device pixel to logical unit: 10 units per mm, y upward from the page's top edge
        const QPointF at = ToLogical(mouse);
        text = QString::fromStdString(
            view.DescribePoint(static_cast<int>(at.x()), static_cast<int>(at.y())));
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
            ZoomAbout(event->position(), steps > 0 ? ID_UP : ID_DOWN);
        event->accept();
        return;
    }
    QAbstractScrollArea::wheelEvent(event);
}

void SliceWidget::ZoomAbout(QPointF mousePixel, int id)
{
    const CPlotSettings* s = view.Doc.PlotSettings.get();
    const double before = s ? s->ScaleInUse : 0;
    const QPointF at = ToLogical(mousePixel);
    emit CommandRequested(id);
    s = view.Doc.PlotSettings.get();
    if (!s || !(before > 0) || !(s->ScaleDenominator > 0) || theVolume().FixedScale != 1)
        return;
    // The page point under the mouse moves away from the picture's origin by the zoom; scroll
    // so that it is under the mouse again.
    const double ratio = before / s->ScaleDenominator;
    const QPointF origin(s->OriginX, s->OriginY);
    const QPointF moved = origin + (at - origin) * ratio;
    UpdateScrollRange();
    horizontalScrollBar()->setValue(
        static_cast<int>(std::lround(moved.x() / 10.0 * DotsPerMmX() - mousePixel.x())));
    verticalScrollBar()->setValue(
        static_cast<int>(std::lround(-moved.y() / 10.0 * DotsPerMmY() - mousePixel.y())));
    viewport()->update();
}

void SliceWidget::mouseDoubleClickEvent(QMouseEvent* event)
{
    const QPointF at = ToLogical(event->position());
    emit PointDoubleClicked(static_cast<int>(at.x()), static_cast<int>(at.y()));
    event->accept();
}
