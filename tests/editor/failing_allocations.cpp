#include "tests/editor/failing_allocations.h"

#include <cstdlib>
#include <new>

namespace {

thread_local std::int64_t countdown = -1;
thread_local bool failed = false;

void* Allocate(std::size_t size) {
    if (countdown >= 0 && countdown-- == 0) {
        failed = true;
        throw std::bad_alloc();
    }
    if (void* p = std::malloc(size != 0 ? size : 1))
        return p;
    throw std::bad_alloc();
}

} // namespace

void FailAllocationAfter(std::int64_t n) {
    countdown = n;
    failed = false;
}

bool AllocationFailed() {
    return failed;
}

// Plain and array forms are replaced together with their deletes, so every block is
// released by the allocator that made it.
void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
// Callers that ask without throwing have their own fallback; they are left out of the count.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return std::malloc(size != 0 ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return std::malloc(size != 0 ? size : 1);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
