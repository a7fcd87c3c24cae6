#include "in_process_area.h"

#include "gpu_testing.h"

#include <cstdint>
#include <cstdlib>
#include <new>

namespace test_support {
namespace {

constexpr size_t area_alignment = 64;

} // namespace

// calloc of a block this large takes fresh pages from the system, which are
// zero already, so a new area per test is cheap. It is over-allocated and the
// area placed at the first aligned address inside.
InProcessArea::InProcessArea()
    : allocation_(std::calloc(sizeof(gpuSharedArea) + area_alignment - 1, 1)) {
    if (allocation_ == nullptr) throw std::bad_alloc();
    const uintptr_t start = reinterpret_cast<uintptr_t>(allocation_);
    const uintptr_t aligned = (start + area_alignment - 1) & ~uintptr_t{area_alignment - 1};
    area_ = reinterpret_cast<gpuSharedArea*>(static_cast<char*>(allocation_) + (aligned - start));
    shared = area_;
    gpu_mm_reset();
}

InProcessArea::~InProcessArea() {
    shared = nullptr;
    gpu_mm_reset();
    std::free(allocation_);
}

} // namespace test_support
