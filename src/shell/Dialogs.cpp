#include "shell/Dialogs.h"

#include "platform/Form.h"

void CDlgScale::Describe(platform::Form& form)
{
    form.caption = "Scale setup";
    form.Float("Scale = 1/", Scale).Float("V/H ratio", VHRatio);
}

void CDlgContour::Describe(platform::Form& form)
{
    form.caption = "Manual contour setup";
    form.Float("Minimum", Minimum).Float("Maximum", Maximum).Float("Interval", Interval);
}

void CDlgManualAxis::Describe(platform::Form& form)
{
    static const char* rows[3] = {"X-axis", "Y-axis", "Z-axis"};
    form.caption = "Axis setup";
    form.BeginGrid({"X-axis", "Y-axis", "Z-axis"},
                   {"Minimum", "Maximum", "Interval", "Shift", "Title"});
    for (int i = 0; i < 3; ++i) {
        std::string row = rows[i];
        form.Float(row + " Minimum", Minimum[i])
            .Float(row + " Maximum", Maximum[i])
            .Float(row + " Interval", Interval[i])
            .Float(row + " Shift", Shift[i])
            .Text(row + " Title", Title[i]);
    }
}

void CDlgDataProperty::Describe(platform::Form& form)
{
    static const char* rows[3] = {"X", "Y", "Z"};
    form.caption = "Property";
    // the title column has no heading
    form.BeginGrid({"X", "Y", "Z"}, {"", "Unit", "Start", "Step"});
    for (int i = 0; i < 3; ++i) {
        std::string row = rows[i];
        form.Text(row + " title", Title[i]).Text(row + " Unit", Unit[i]);
        if (i == 0)
            form.Double("X Start", StartX);
        else
            form.Float(row + " Start", i == 1 ? StartY : StartZ);
        form.Float(row + " Step", Step[i]);
    }
    form.Radio(
        "Data type", DataType,
        {"Default", "Phase velocity images Vs. distance", "Phase velocity images Vs. datetime"});
}

void CDlgCellNumber::Describe(platform::Form& form)
{
    form.caption = "Cell number";
    form.Int("X=", X).Int("Y=", Y).Int("Z=", Z);
}

void CDlgGetFloat::Describe(platform::Form& form)
{
    form.caption = "Float data";
    form.Prompt(Prompt).Float("Value", Value);
}

void CDlgClipPercentiles::Describe(platform::Form& form)
{
    form.caption = "Clip to percentiles";
    form.Check("Clip to percentiles", Clip)
        .Float("Lower percentile (%)", Lower)
        .Float("Upper percentile (%)", Upper)
        .Check("Estimate from a sample of one million cells", Sampled);
}

void CDlgPictureSize::Describe(platform::Form& form)
{
    form.caption = "Export picture";
    form.Int("Width (pixels)", Width);
}
