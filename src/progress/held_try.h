#pragma once
// When the marks of a held sound make a new try: the exercise that shows
// them and the progress records that store them must agree. Header only.

#include <chrono>

namespace progress {

// A held sound's marks further apart than this belong to two tries.
inline constexpr std::chrono::milliseconds kHeldPause{1000};

}  // namespace progress
