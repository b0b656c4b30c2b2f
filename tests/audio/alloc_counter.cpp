#include "alloc_counter.h"

#include <cstdlib>
#include <new>

namespace {
thread_local bool tCounting = false;
thread_local long tCount = 0;
}  // namespace

void* operator new(std::size_t size) {
    if (tCounting) ++tCount;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (tCounting) ++tCount;
    return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace alloc_counter {
void Begin() {
    tCount = 0;
    tCounting = true;
}
long End() {
    tCounting = false;
    return tCount;
}
}  // namespace alloc_counter
