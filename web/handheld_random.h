// The random generator of the handheld's C library (the additive feedback
// generator behind its rand), written out so that a build on another C
// library draws the same numbers for the same seed. The ink pattern of the
// second scene comes from it, so the page matches a native run frame for
// frame only with this sequence.
#pragma once

#include <cstdint>

namespace web {

class HandheldRandom {
  public:
    HandheldRandom() { seed(1); }
    void seed(uint32_t value);
    // The next number, 0 to 2^31 - 1.
    int32_t next();

  private:
    // A ring of the last 34 sums: each new sum needs the ones 3 and 31
    // places back.
    static constexpr int ring_size = 34;
    uint32_t ring_[ring_size] = {};
    int position_ = 0;
    uint32_t step();
};

} // namespace web
