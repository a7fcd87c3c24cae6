// The shown buffers waiting for display, oldest first: a fixed ring of
// max_pending_shows selections, so the renderer needs no heap for it.
#pragma once

#include "config.h"
#include "render_state.h"

#include <cstddef>

namespace renderer {

class ShowQueue {
  public:
    bool empty() const { return count_ == 0; }
    bool full() const { return count_ == max_pending_shows; }
    std::size_t size() const { return count_; }

    // The caller checks full() first; a push onto a full ring is dropped.
    void push(const BufferSel& shown) {
        if (full()) return;
        std::size_t slot = head_ + count_;
        if (slot >= max_pending_shows) slot -= max_pending_shows;
        slots_[slot] = shown;
        ++count_;
    }

    // The oldest entry; only meaningful while !empty().
    const BufferSel& front() const { return slots_[head_]; }

    void pop() {
        if (empty()) return;
        head_ = head_ + 1 == max_pending_shows ? 0 : head_ + 1;
        --count_;
    }

    void clear() {
        head_ = 0;
        count_ = 0;
    }

  private:
    BufferSel slots_[max_pending_shows];
    std::size_t head_ = 0;
    std::size_t count_ = 0;
};

} // namespace renderer
