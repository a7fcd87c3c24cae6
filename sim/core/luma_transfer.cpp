// The one table of the luma transfer, filled once at start-up.
#include "luma_transfer.h"

namespace sim {

namespace {

std::array<uint32_t, luma_steps_per_octave> octave_fractions() {
    std::array<uint32_t, luma_steps_per_octave> table{};
    for (int i = 0; i < luma_steps_per_octave; ++i)
        table[i] = static_cast<uint32_t>(
            std::lround(std::exp2(31.0 - static_cast<double>(i) / luma_steps_per_octave)));
    return table;
}

} // namespace

const std::array<uint32_t, luma_steps_per_octave> luma_octave_fraction = octave_fractions();

} // namespace sim
