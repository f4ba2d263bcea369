#pragma once
// Matrices and tensors with inclusive index ranges that need not start at 0, each in one
// contiguous block: m[r][c] for r in nrl..nrh, c in ncl..nch; t[i][j][k] for i in nrl..nrh,
// j in ncl..nch, k in ndl..ndh, with k fastest, then j, then i.
//
// Every pointer array and data block carries one spare leading entry, and lower bounds above
// that are met with leading slack rather than by pointing before the block, so no pointer is
// ever formed outside its allocation. The free routines find the blocks from the lower bounds.

#include <string>

// Ends the process with exit status 10 after writing text to standard error; used when memory
// for a tensor or integer matrix is exhausted.
[[noreturn]] void AllocFailure(const std::string& text);

// float32 matrix, zero-filled; returns nullptr when memory is exhausted or the ranges are empty.
float** AllocMatrix(int nrl, int nrh, int ncl, int nch);
void FreeMatrix(float** m, int nrl, int nrh, int ncl, int nch);

// int32 matrix, zero-filled; exhausted memory ends the process through AllocFailure.
int** AllocIntMatrix(int nrl, int nrh, int ncl, int nch);
void FreeIntMatrix(int** m, int nrl, int nrh, int ncl, int nch);

// float32 tensor, not initialised; exhausted memory ends the process through AllocFailure.
float*** f3tensor(int nrl, int nrh, int ncl, int nch, int ndl, int ndh);
void FreeTensor3(float*** t, int nrl, int nrh, int ncl, int nch, int ndl, int ndh);

// Bytes f3tensor would request for its data block, or 0 when the ranges are empty or the size
// does not fit in 64 bits; readers use it to refuse a file before allocating.
unsigned long long TensorDataBytes(int nrl, int nrh, int ncl, int nch, int ndl, int ndh);
