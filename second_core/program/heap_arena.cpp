// TEMPORARY: a fixed heap for the renderer core, which still keeps its
// queues and scratch lists in standard containers. The C library's malloc
// takes its memory from this arena; nothing grows past it. Goes away with
// the heap-free renderer core, and with it the build's allowance for malloc
// (LUMENFALL_IMAGE_HEAP in CMakeLists.txt).
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

extern "C" [[noreturn]] void second_core_halt();

namespace {

constexpr size_t arena_bytes = 256 * 1024;
alignas(8) unsigned char arena[arena_bytes];
size_t arena_used = 0;

} // namespace

extern "C" void* _sbrk(ptrdiff_t increment) {
    if (increment < 0 || static_cast<size_t>(increment) > arena_bytes - arena_used) {
        errno = ENOMEM;
        return reinterpret_cast<void*>(-1);
    }
    void* start = arena + arena_used;
    arena_used += static_cast<size_t>(increment);
    return start;
}

// Allocation failures stop the core instead of throwing: the program is
// built without exceptions.
void* operator new(size_t bytes) {
    void* p = std::malloc(bytes);
    if (p == nullptr) second_core_halt();
    return p;
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, size_t) noexcept {
    std::free(p);
}
