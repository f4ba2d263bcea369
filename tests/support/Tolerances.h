#pragma once
// Every tolerance the tests compare numbers with, in one table, each with what it allows for.

namespace testing_support {

// Relative error in the 2-norm allowed against NumPy (double reference, float storage).
inline constexpr double kRelNormTolerance = 1e-6;
// Absolute tolerance for values that should be exactly 0 or a small integer after float storage.
inline constexpr double kFloatRoundingTolerance = 1e-4;
// Relative difference allowed between two single-precision syntheses that differ only in the
// rounding of their transforms.
inline constexpr double kTransformRoundingTolerance = 1e-5;
// Plane coordinates against PROJ: one millimetre, in metres.
inline constexpr double kMillimetre = 1e-3;

} // namespace testing_support
