#pragma once
// SEG-Y files through segyio: a 3D post-stack cube (or a 2D line) in, SEG-Y rev 1 out.
//
// A cube is a set of traces, one per (inline, crossline) position, each NZ samples along Z. The
// volume's X is the crossline, Y the inline, Z the sample: Values[z][y][x] holds sample z of the
// trace at inline index y and crossline index x. Files sorted by inline (crossline fastest) and
// by crossline are read; every trace's inline and crossline numbers are checked against the
// lattice before anything is allocated. A line (one inline, or headers without numbers) is read
// as one XZ plane (NY = 1).
//
// StepZ is the sample interval in the header's microseconds / 1000 (milliseconds for time data,
// metres when a depth model stores millimetres, the common practice); StartZ the delay
// recording time. StepX and StepY are the distances between neighbouring traces' CDP
// coordinates (bytes 181, 185, with the scalar at byte 71; source coordinates at 73, 77 when
// the CDP ones are 0), or the options' values when the headers carry none. Starts are the first
// trace's coordinates when the grid's axes run along x and y, else 0.
//
// Samples: IBM and IEEE floats, and 4-, 2- and 1-byte integers, big-endian. Written: rev 1, IEEE
// floats, inline numbers from FirstInline (bytes 189 and 9), crossline numbers from
// FirstCrossline (bytes 193 and 21), CDP and source coordinates Start + i Step with a decimal
// scalar chosen to hold them.

#include "exchange/ExchangeVolume.h"

#include <string>

class CData3D;

struct SegyReadOptions {
    int InlineByte = 189;    // header byte (1-based) of the inline number
    int CrosslineByte = 193; // header byte of the crossline number
    float StepX = 1.0f;      // trace spacing when the headers carry no coordinates
    float StepY = 1.0f;
    float StepZ = 1.0f; // when the sample interval is 0
};

struct SegyWriteOptions {
    int FirstInline = 1;
    int FirstCrossline = 1;
};

ExchangeResult ReadSegyFile(const std::string& path, CData3D& volume,
                            const SegyReadOptions& options = {});

// Writes through a temporary file renamed over path.
ExchangeResult WriteSegyFile(const CData3D& volume, const std::string& path,
                             const SegyWriteOptions& options = {});
