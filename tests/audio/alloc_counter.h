#pragma once
// Counts operator new calls made by the calling thread between Begin and End
// (the test binary replaces the global operator new).
namespace alloc_counter {
void Begin();
long End();
}  // namespace alloc_counter
