#pragma once
// The main menu, toolbar and accelerators exactly as the program must show them, written out by
// hand (not taken from the command table), so that a changed text, id, separator, check mark or
// key fails a test. One line per item: "<id> <text>" for a command ("[x]" when initially
// checked), "---" for a separator, "> <text>" opening a submenu, indented two blanks per level.

#include <string>
#include <utility>
#include <vector>

namespace testing_support {

inline const std::vector<std::string>& ExpectedMenuOutline()
{
    static const std::vector<std::string> outline = {
        "> &File",
        "  57600 &New\tCtrl+N",
        "  57601 &Open...\tCtrl+O",
        "  57603 &Save\tCtrl+S",
        "  57604 Save &As...",
        "  ---",
        "  32782 Open binary file(no header)",
        "  32799 Open raytracing model",
        "  > 3D Tomography",
        "    32781 Open aft file",
        "  > 3D FD",
        "    32783 Velocity model (binary file, with header)",
        "    32784 Append all files",
        "    ---",
        "    32792 Extract 2D slice",
        "    32814 Read stretch information [x]",
        "  32900 &Import...",
        "  32901 Ex&port...",
        "  32924 Export picture...",
        "  ---",
        "  57607 &Print...\tCtrl+P",
        "  57609 Print Pre&view",
        "  57606 P&rint Setup...",
        "  ---",
        "  57616 Recent File",
        "  ---",
        "  57665 E&xit",
        "> &Edit",
        "  57643 &Undo\tCtrl+Z",
        "  57644 &Redo",
        "  ---",
        "  32829 Medien filter",
        "  ---",
        "  32925 Clear volume",
        "> &View",
        "  59392 &Toolbar",
        "  59393 &Status Bar",
        "  ---",
        "  32785 Stretch Z direction [x]",
        "  32786 Setup stretch",
        "  32788 Scale",
        "  32787 Contour setup",
        "  32793 Axis setup",
        "  32796 Monochrome [x]",
        "  32797 km [x]",
        "  ---",
        "  32789 Setup origin location",
        "  ---",
        "  32910 Fit to window\tCtrl+F",
        "  > Colour map",
        "    32911 Classic",
        "    32912 Monochrome",
        "    32913 viridis",
        "    32914 cividis",
        "    32915 magma",
        "    32916 Blue-white-red",
        "    32917 turbo",
        "  32918 Continuous shading",
        "  32919 Clip to percentiles...",
        "  32920 Symmetric about zero",
        "  ---",
        "  32923 Histogram",
        "> Processing",
        "  32820 Pick data along horizontal axis",
        "  32824 Set min. value to pick",
        "  ---",
        "  32822 Save picked data",
        "> Model",
        "  32815 Property",
        "  ---",
        "  > Create model",
        "    32811 VonKarman auto-correlation model",
        "    32812 VonKarman random model",
        "    ---",
        "    32813 VonKarman random model for FD3D",
        "    ---",
        "    32802 Random velocity model",
        "    32803 Impluse velocity model",
        "    ---",
        "    32780 Test data",
        "  ---",
        "  32791 Get data",
        "  32798 Calculating AVS",
        "> Finite-difference model",
        "  32790 Extract 1D model",
        "  ---",
        "  32794 Open velocity model file",
        "  32795 Open Japan map",
        "> Fourier analysis",
        "  32805 Forward transform",
        "  32807 Inverse transform",
        "  ---",
        "  32809 Auto correlation",
        "> &Help (right)",
        "  57667 &Help Topics",
        "  ---",
        "  57664 &About Kalder...",
    };
    return outline;
}

// The 15 toolbar buttons, left to right.
inline const std::vector<int>& ExpectedToolbar()
{
    static const std::vector<int> ids = {57600, 57601, 57603, 57607, 57643, 57644, 32771, 32772,
                                         32775, 32776, 32773, 32774, 32777, 32779, 32778};
    return ids;
}

// Every accelerator key with its command.
// The described keys, then the viewer's stepping keys: next, previous, first and last plane.
inline const std::vector<std::pair<std::string, int>>& ExpectedAccelerators()
{
    static const std::vector<std::pair<std::string, int>> keys = {
        {"Ctrl+N", 57600}, {"Ctrl+O", 57601},        {"Ctrl+S", 57603}, {"Ctrl+P", 57607},
        {"Ctrl+Z", 57643}, {"Alt+Backspace", 57643}, {"Ctrl+C", 57634}, {"Ctrl+Insert", 57634},
        {"Ctrl+X", 57635}, {"Shift+Delete", 57635},  {"Ctrl+V", 57637}, {"Shift+Insert", 57637},
        {"F6", 57680},     {"Shift+F6", 57681},      {"F1", 57670},     {"Shift+F1", 57669},
        {"Ctrl+A", 32793}, {"PgDown", 32772},        {"PgUp", 32771},   {"Home", 32921},
        {"End", 32922}};
    return keys;
}

} // namespace testing_support
