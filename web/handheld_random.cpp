#include "handheld_random.h"

namespace web {

// Schrage's method keeps 16807 * word mod (2^31 - 1) inside 32 bits.
void HandheldRandom::seed(uint32_t value) {
    int32_t word = value == 0 ? 1 : static_cast<int32_t>(value);
    uint32_t start[ring_size];
    start[0] = static_cast<uint32_t>(word);
    for (int i = 1; i < 31; ++i) {
        const int32_t hi = word / 127773;
        const int32_t lo = word % 127773;
        word = 16807 * lo - 2836 * hi;
        if (word < 0) word += 2147483647;
        start[i] = static_cast<uint32_t>(word);
    }
    for (int i = 31; i < ring_size; ++i)
        start[i] = start[i - 31];
    for (int i = 0; i < ring_size; ++i)
        ring_[i] = start[i];
    position_ = 0;
    // The first 310 sums are thrown away, so that nearby seeds part ways.
    for (int i = 0; i < 310; ++i)
        step();
}

uint32_t HandheldRandom::step() {
    // ring_[position_] is the sum 34 places back; the ones 31 and 3 places
    // back sit 3 and 31 slots further on.
    const uint32_t sum = ring_[(position_ + 3) % ring_size] + ring_[(position_ + 31) % ring_size];
    ring_[position_] = sum;
    position_ = (position_ + 1) % ring_size;
    return sum;
}

int32_t HandheldRandom::next() {
    return static_cast<int32_t>(step() >> 1);
}

} // namespace web
