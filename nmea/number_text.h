// Number conversions for NMEA field text. They give what atoi and atof give
// for every number that fits, never depend on the process locale, and never
// run into undefined behaviour on hostile text.
#pragma once

#include <cstdint>

// Truncates toward zero; values beyond the int32 range saturate and NaN gives 0.
int32_t TruncateToInt32(double value);

// Clamps a wide intermediate result to the int32 range.
int32_t SaturateToInt32(int64_t value);

// atoi over the first `length` bytes of text (the text ends there even without
// a NUL): leading white space, an optional sign, decimal digits. A value beyond
// the int32 range clamps to the nearest end; no digits give 0.
int32_t ParseIntText(const char* text, int32_t length);

// atof over the first `length` bytes of text, then rounded to single
// precision. Beyond the single range gives infinity of the same sign.
float ParseFloatText(const char* text, int32_t length);

// Rounds a double to single precision the way the FPU does, without the
// out-of-range conversion that C++ leaves undefined.
float NarrowToFloat(double value);
