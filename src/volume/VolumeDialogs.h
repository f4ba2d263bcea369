#pragma once
// The dialogs of the volume loads, as form records: each lists its fields in a platform::Form.

#include <string>

namespace platform {
class Form;
}

// "Data size": the extents of a volume, in cells along X, Y, Z.
struct CDataSize {
    int NX = 0;
    int NY = 0;
    int NZ = 0;

    void Describe(platform::Form& form);
};

// "Append data?": 0 = "New" (replace the volume), 1 = "Append" (add the columns along X).
struct CDlgAppend {
    int Append = 0;

    void Describe(platform::Form& form);
};

// "Component selection": which of the five components of an FD model file to read.
struct CDlgComponent {
    int Component = 0; // 0 P-velocity, 1 S-velocity, 2 density, 3 Qp, 4 Qs

    void Describe(platform::Form& form);
};

// "Get integer": a read-only prompt and one integer.
struct CDlgGetInteger {
    std::string Prompt;
    int Value = 0;
    void Describe(platform::Form& form);
};

// Runs the dialog on the installed Ui; true on OK.
bool RunDataSize(CDataSize& dlg);
bool RunAppend(CDlgAppend& dlg);
bool RunComponent(CDlgComponent& dlg);
