// A shared area on the heap, so that the client library can be tested
// without the memory device and without a renderer.
#pragma once

#include "gpu.h"

namespace test_support {

// Allocates a zeroed, 64-byte aligned gpuSharedArea, points the library's
// global `shared` at it and returns the buffer manager to its start state.
// The destructor sets `shared` back to null, resets the buffer manager again
// and frees the area. One instance at a time.
//
// The area starts all zero: both FIFO indexes 0 (empty), frame_count 0, no
// error. Tests may set any word of it directly to stage a situation.
class InProcessArea {
  public:
    InProcessArea();
    ~InProcessArea();
    InProcessArea(const InProcessArea&) = delete;
    InProcessArea& operator=(const InProcessArea&) = delete;

    gpuSharedArea* area() const { return area_; }

  private:
    void* allocation_;
    gpuSharedArea* area_;
};

} // namespace test_support
