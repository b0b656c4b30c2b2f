#pragma once
// The filter bank's logarithmic energy scale: K units per doubling, so that
// a peak envelope of 2^23 reads 5000. The table is module-wide; exercises
// that analyse speech call InitLogScale when they are built. User-interface
// thread only.

#include <cstdint>

inline constexpr int32_t kLogFloor = INT32_MIN;  // energies below 256

// (Re)builds the 256-entry table for k units per doubling (default 600).
void InitLogScale(int32_t k = 600);

// Bit scan plus table lookup; kLogFloor for e < 256.
int32_t LogEnergy(uint32_t e);
