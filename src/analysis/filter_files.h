#pragma once
// Readers and the diagnostic writer of the filter bank's installation files:
// the coefficient file ("coef.dat"), the calibration file ("calib.txt") and
// the analysis window. All are whitespace-separated words. User-interface
// thread only (they are read when a processor is built).

#include <cstdint>
#include <string>

class vHMFilterArray_c;

inline constexpr int kWindowSize = 224;

// Replaces the filters and gains of bank by those of the file. A file that
// cannot be opened throws vException_c (no text); a malformed one throws
// vPrintException_c naming the file and what is wrong. On failure the bank
// is left with zero filters and unit gains.
void ReadCoefficientFile(const char* path, vHMFilterArray_c& bank);

// Writes bank in the layout ReadCoefficientFile reads, whole or not at all.
void WriteCoefficientFile(const char* path, const vHMFilterArray_c& bank);

// Multiplies the gains by the file's calibration values (hexadecimal, 100 =
// 1.0). A missing file is skipped; a wrong header, a missing or unreadable
// value throws "File does not seem to be an equlazation file!".
void ReadCalibrationFile(const char* path, int32_t eqGain[22]);

// Fills window[224] in units of 1/1024: all 1024 for an empty name,
// otherwise from the file (224, 1, then 224 reals). Throws on any problem;
// callers fall back to no window.
void ReadWindowFile(const std::string& path, int32_t window[kWindowSize]);

// sample[k] = sample[k] * window[k mod 224] / 1024 for k = 0..n-1.
void ApplyWindow(int16_t* samples, int n, const int32_t window[kWindowSize]);
