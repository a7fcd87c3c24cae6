// A second pair of hands for the rows of a large facet, where the host has
// one (the PC simulator's fast runs give the renderer a thread for it).
//
// The renderer gives the host a facet's rows and a job that paints some of
// them; the host paints them on its threads and returns when all are done,
// before the renderer does anything else. Rows are independent (a row's
// pixels depend on its own row only), so the pictures are those of one
// thread, whoever paints which row. The core itself knows no threads.
#pragma once

#include <cstdint>

namespace renderer {

class RowShare {
  public:
    // Paints rows first to last - 1 of the facet context describes.
    using Job = void (*)(void* context, int32_t first, int32_t last);
    // Runs job over rows first to last - 1, in pieces on any threads, the
    // caller's among them; returns when every row is painted and its
    // pixels are visible to the caller.
    virtual void paint(Job job, void* context, int32_t first, int32_t last) = 0;

  protected:
    ~RowShare() = default;
};

} // namespace renderer
