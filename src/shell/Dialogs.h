#pragma once
// The view's dialogs as form records: each lists its fields, with the captions and labels the
// user sees, in a platform::Form.

#include <string>

namespace platform {
class Form;
}

// "Scale setup": the map scale 1/S and the vertical exaggeration.
struct CDlgScale {
    float Scale = 0;
    float VHRatio = 0;
    void Describe(platform::Form& form);
};

// "Manual contour setup": value range and interval of the colour bands.
struct CDlgContour {
    float Minimum = 0;
    float Maximum = 0;
    float Interval = 0;
    void Describe(platform::Form& form);
};

// "Axis setup": one row per volume axis (X, Y, Z).
struct CDlgManualAxis {
    float Minimum[3] = {};
    float Maximum[3] = {};
    float Interval[3] = {};
    float Shift[3] = {};
    std::string Title[3];
    void Describe(platform::Form& form);
};

// "Property": axis titles, units, starts and steps, and the data type.
struct CDlgDataProperty {
    std::string Title[3];
    std::string Unit[3];
    double StartX = 0; // shown with 15 significant digits
    float StartY = 0;
    float StartZ = 0;
    float Step[3] = {};
    int DataType = 0; // 0 "Default", 1 vs. distance, 2 vs. datetime
    void Describe(platform::Form& form);
};

// "Cell number": the indices of one cell.
struct CDlgCellNumber {
    int X = 0;
    int Y = 0;
    int Z = 0;
    void Describe(platform::Form& form);
};

// "Float data": a read-only prompt and one real value.
struct CDlgGetFloat {
    std::string Prompt;
    float Value = 0;
    void Describe(platform::Form& form);
};

// "Clip to percentiles": whether the automatic colour range runs between two percentiles of the
// values, which ones, and whether they are estimated from a sample.
struct CDlgClipPercentiles {
    int Clip = 1;
    float Lower = 1.0f;
    float Upper = 99.0f;
    int Sampled = 1;
    void Describe(platform::Form& form);
};

// "Export picture": the width of a PNG picture in pixels (its height keeps the page's shape).
struct CDlgPictureSize {
    int Width = 2000;
    void Describe(platform::Form& form);
};
