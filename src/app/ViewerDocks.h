#pragma once
// The side windows of the viewer: the profiles through a double-clicked cell and the histogram
// of the volume's values, drawn with Qt Charts.

#include "render/ValueRange.h"
#include "shell/SliceProfile.h"

#include <QDockWidget>

class QChartView;
class QCheckBox;
class QLabel;

// Two charts, the values down the cell's column (depth profile) and along its row, the cell
// marked on both; Copy and Save write the two-column text of either.
class ProfileDock : public QDockWidget {
    Q_OBJECT
public:
    explicit ProfileDock(QWidget* parent = nullptr);
    void ShowProfiles(const CellProfiles& profiles);
    const CellProfiles& Profiles() const { return profiles; }

private:
    void CopyText(const ProfileSeries& series);
    void SaveText(const ProfileSeries& series);
    QChartView* vertical = nullptr;
    QChartView* horizontal = nullptr;
    QLabel* caption = nullptr;
    CellProfiles profiles;
};

// The histogram of every cell's value, linear or log counts, with the colour range in use
// marked.
class HistogramDock : public QDockWidget {
    Q_OBJECT
public:
    HistogramDock(int& logCounts, QWidget* parent = nullptr);
    // Draws a histogram and the colour range rangeMin..rangeMax.
    void ShowHistogram(const ValueHistogram& histogram, double rangeMin, double rangeMax);
    const ValueHistogram& Histogram() const { return histogram; }

signals:
    // The log-count choice changed (the owner remembers it).
    void LogCountsChanged();

private:
    void Redraw();
    QChartView* chart = nullptr;
    QCheckBox* logBox = nullptr;
    QLabel* caption = nullptr;
    int& logCounts;
    ValueHistogram histogram;
    double rangeMin = 0, rangeMax = 0;
};
