#pragma once
// Model auto-correlation functions of the random media and their sampling on a grid.
//
//   exponential  C(r) = e^2 exp(-r)
//   Von Karman   C(r) = e^2 2^(1-h) / Gamma(h) r^h K_h(r)
//
// r is the distance normalised by the correlation distances, e the standard deviation as a
// fraction, h the Hurst number and K_h the modified Bessel function of the second kind.

// Correlation types, numbered like the radio buttons of the model dialog.
enum CorrelationTypeValue : int {
    CorrelationHomogeneous = 0,
    CorrelationReadModel = 1,
    CorrelationRandomNoise = 2,
    CorrelationVonKarman = 3,
    CorrelationExponential = 4,
};

// Correlation value at normalised distance r. Only the Von Karman and exponential types have a
// correlation function; every other type gives 0. Von Karman: e^2 for r <= 0, 0 beyond r = 400.
float CorrelationValue(int type, float r, float e, float h);

// Samples the model auto-correlation on nx x ny x nz cells of values [z][y][x] (x fastest).
// Cell (x, y, z) lies at (x StepX, y StepY, z StepZ) and the peak r = 0 at the grid centre
// (nx StepX / 2, ny StepY / 2, nz StepZ / 2); offsets in the X-Z plane are rotated by angle
// (degrees) before they are divided by ax and az. Writes "VonKarmanFunction3D.txt" in the current
// directory. Between its stages it asks the Ui whether the user cancelled. Returns 1; 0 with
// values untouched when ax, ay or az is 0; 0 with values partly written when cancelled.
int VonKarmanFunction3D(int type, int nx, int ny, int nz, float*** values, float stepX, float stepY,
                        float stepZ, float ax, float ay, float az, float e, float h, float angle);
