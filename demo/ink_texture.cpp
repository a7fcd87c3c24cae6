// The procedural ink texture of the second scene: a soft drop, a wrapping
// map of eight drops at random places, and every frame two drifting windows
// onto the map whose summed values are cut into bands of two colours.
#include "demo_arith.h"
#include "lumenfall.h"
#include "random_stream.h"
#include "texel_loop.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

using namespace arith;

namespace {

constexpr uint32_t ink_colour = 0x6e978997;
constexpr uint32_t light_colour = 0x81b379b3;
constexpr int drops_per_map = 8;
// Squared distances up to this lie on the drop's flat top.
constexpr int plateau_d2 = 454;
// Ink where w + 80 <= sum < w + 170, w the frame's threshold shift.
constexpr int ink_band_lower = 80;
constexpr int ink_band_upper = 170;

// One offset of a frame: the phase is used, then advanced.
int32_t phase_offset(int32_t& phase, fix16 (*wave)(int32_t), int32_t factor, int32_t step) {
    const int32_t offset = low32(wide_mul(factor, wave(phase)) >> 16);
    phase = wrap_add(phase, step);
    return offset;
}

} // namespace

uint8_t ink_drop[ink_drop_size * ink_drop_size];
InkPhases ink_phases;

// The centre is entry (64, 64); past the plateau the value falls along
// almost half a turn of the cosine and is 0 beyond radius ~67.
void make_ink_drop() {
    for (int y = 0; y < ink_drop_size; ++y) {
        for (int x = 0; x < ink_drop_size; ++x) {
            const int d2 = (64 - x) * (64 - x) + (64 - y) * (64 - y);
            int value = 255;
            if (d2 > plateau_d2) {
                const int32_t s = Fix_sqrt(d2 - (plateau_d2 + 1));
                if (2 * s > 127) {
                    value = 0;
                } else {
                    value = (Fix_cos(512 * s) >> 9) + 128;
                    if (value < 0) value = 0;
                    if (value > 255) value = 255;
                }
            }
            ink_drop[y * ink_drop_size + x] = static_cast<uint8_t>(value);
        }
    }
}

// Drops that cross the right or bottom edge continue at the left or top;
// the sum is formed in full before the clamp, so a cell never wraps.
void add_ink_drop(uint8_t* ink_map, int row, int column) {
    for (int j = 0; j < ink_drop_size; ++j) {
        uint8_t* map_row = ink_map + ((row + j) & 255) * ink_map_size;
        for (int k = 0; k < ink_drop_size; ++k) {
            uint8_t& cell = map_row[(column + k) & 255];
            const int sum = cell + ink_drop[j * ink_drop_size + k];
            cell = static_cast<uint8_t>(sum > 255 ? 255 : sum);
        }
    }
}

void make_ink_map(uint8_t* ink_map) {
    std::memset(ink_map, 0, ink_map_bytes);
    for (int drop = 0; drop < drops_per_map; ++drop) {
        const int32_t r = next_random();
        add_ink_drop(ink_map, (r >> 16) & 255, (r >> 8) & 255);
    }
}

InkOffsets next_ink_offsets() {
    InkOffsets o;
    o.m = phase_offset(ink_phases.a1, Fix_sin, 41, 399);
    o.o = phase_offset(ink_phases.a2, Fix_cos, 18, 141);
    o.t = phase_offset(ink_phases.a3, Fix_sin, 21, 197);
    o.u = phase_offset(ink_phases.a4, Fix_cos, 28, 451);
    o.w = phase_offset(ink_phases.a5, Fix_sin, 70, 753);
    return o;
}

namespace {

// Texels [0, count) of one run of a row: the first window's samples run
// forwards from `first`, the second window's backwards from `second`, and
// neither wraps inside a run, so the loop indexes plainly and the compiler
// can vectorise it. The band test lower <= sum < lower + band is one unsigned
// comparison: a sum below lower wraps round to a value far above band.
DEMO_TEXEL_LOOP
void ink_run(const uint8_t* __restrict first, const uint8_t* __restrict second,
             uint32_t* __restrict texel, int count, uint32_t lower, uint32_t band) {
    for (int i = 0; i < count; ++i) {
        const uint32_t sum = static_cast<uint32_t>(first[i] + second[-i]);
        texel[i] = sum - lower < band ? ink_colour : light_colour;
    }
}

} // namespace

// The second window runs through the map backwards in both directions; ink
// shows where the two together hold a moderate amount, so both empty and
// saturated regions stay light.
void draw_ink_texture(const uint8_t* ink_map, gpuBuf* texture) {
    uint32_t* texel = gpu_buffer_words(gpuBuf_get_loc(texture));
    const InkOffsets o = next_ink_offsets();
    const uint32_t lower = static_cast<uint32_t>(o.w + ink_band_lower);
    const uint32_t band = ink_band_upper - ink_band_lower;
    for (int y = 0; y < ink_map_size; ++y, texel += ink_map_size) {
        const uint8_t* first_row = ink_map + ((o.u + y) & 255) * ink_map_size;
        const uint8_t* second_row = ink_map + ((o.o - y) & 255) * ink_map_size;
        // Along a row each window wraps at most once, at the map's edge, so
        // a row falls into at most three runs.
        for (int x = 0; x < ink_map_size;) {
            const int first_column = (o.t + x) & 255;
            const int second_column = (o.m - x) & 255;
            const int count =
                std::min({ink_map_size - x, ink_map_size - first_column, second_column + 1});
            ink_run(first_row + first_column, second_row + second_column, texel + x, count, lower,
                    band);
            x += count;
        }
    }
}

void reset_ink_texture() {
    ink_phases = InkPhases{};
    std::memset(ink_drop, 0, sizeof(ink_drop));
}
