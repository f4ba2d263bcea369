#pragma once
// The scrolling view: 10000 x 10000 logical units (1 m x 1 m at 0.1 mm per unit) whose paint
// event hands a QPainter surface to the view's paint entry.

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

signals:
    // Status-bar readout under the mouse (empty outside the image).
    void Readout(const QString& text);
    // Ctrl + wheel: a command id to run (zoom in or out), as the toolbar's green arrows do.
    void CommandRequested(int id);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void UpdateScrollRange();
    CKalderView& view;
    QPointF mouse;            // last mouse position over the viewport, device pixels
    bool mouseInside = false; // whether the mouse is over the viewport
    QString lastReadout;
};
