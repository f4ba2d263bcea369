#pragma once
// Page margins of the plot, in logical units of 0.1 mm.

class CDrawingParameter {
public:
    // kind is accepted for the document's construction call and not used.
    explicit CDrawingParameter(int kind = 0) {}
    virtual ~CDrawingParameter() = default;

    int LeftMargin = 150;   // page's left edge to the image's left edge
    int RightMargin = 100;  // page's right edge to the usable area (fit-to-window mode)
    int TopMargin = 150;    // page's top edge to the image's top edge
    int BottomMargin = 100; // page's bottom edge to the usable area (fit-to-window mode)
};
