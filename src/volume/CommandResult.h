#pragma once
// What a command of the program tells its caller (the window or the command-line tool) once it
// returns. The commands work on the volume and report through the Ui; the caller owns the
// document state, the plot settings and the repaint, and applies this in one place.

#include <cstdint>

struct CommandResult {
    int Done = 0;           // 1 when the command did what it was asked, 0 when it did nothing
    bool Changed = false;   // the volume's values or extents changed: the document holds unsaved
                            // changes and the data range must be scanned again
    bool Repaint = false;   // invalidate the whole client area
    bool Repick = false;    // repeat the current picking when pick mode is on
    std::int64_t Bytes = 0; // bytes read by a load
};
