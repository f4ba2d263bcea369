#pragma once
// The scrolling view whose paint event hands a QPainter surface to the view's paint entry. The
// scrolling range is the page the picture needs, so scrolling stops at the picture's edge.

#include <QAbstractScrollArea>
#include <QRectF>
#include <functional>

class CKalderView;
class QPainter;

class SliceWidget : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit SliceWidget(CKalderView& view, QWidget* parent = nullptr);

    // Device pixels per millimetre of the screen.
    double DotsPerMmX() const;
    double DotsPerMmY() const;
    // The visible area in device pixels, offset by the scroll position.
    QRectF ClientDeviceRect() const;
    // Paints one page with the view's paint entry (screen, printer, preview or image).
    void PaintPage(QPainter& painter, double dotsPerMmX, double dotsPerMmY, QRectF client);
    // Describes the cell under the mouse again: the plane, the volume or the scale may have
    // changed under a mouse that did not move.
    void RefreshReadout();
    // Sets the scrolling range to the page the picture needs now.
    void UpdateScrollRange();
    // A device pixel of the viewport as a logical point (0.1 mm, y upward from the page top).
    QPointF ToLogical(QPointF devicePixel) const;

signals:
    // Status-bar readout under the mouse (empty outside the image).
    void Readout(const QString& text);
    // Ctrl + wheel: a command id to run (zoom in or out), as the toolbar's green arrows do.
    void CommandRequested(int id);
    // A double click on the page, at a logical point.
    void PointDoubleClicked(int x, int y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void wheelEvent(QWheelEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    // Runs a zoom command (ID_UP, ID_DOWN) keeping the page point under the mouse in place.
    void ZoomAbout(QPointF mousePixel, int id);
    CKalderView& view;
    QPointF mouse;            // last mouse position over the viewport, device pixels
    bool mouseInside = false; // whether the mouse is over the viewport
    QString lastReadout;
};
