// Builds without hand-written code for their processor take the portable
// line converters.
#include "rgb565_lines.h"

uint32_t rgb565_line_runs(const uint32_t* src, display::FrameWord* out, uint32_t groups,
                          const display::Rgb565Tables* tables) {
    return rgb565_line_runs_portable(src, out, groups, tables);
}

void rgb565_line_straight(const uint32_t* src, display::FrameWord* out, uint32_t groups,
                          const display::Rgb565Tables* tables) {
    rgb565_line_straight_portable(src, out, groups, tables);
}
