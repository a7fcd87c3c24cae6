// The ARM line converters against the portable ones, on lines made at
// random: words that repeat, words that keep their chroma under a new Y,
// words new in every byte, and the extremes of each byte. Run under
// qemu-arm; exit status 0 when every output word and every count agree.
#include "rgb565_lines.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

constexpr uint32_t max_groups = 80; // a whole screen line

uint32_t state = 20260101;
uint32_t next_random() {
    state = state * 1664525u + 1013904223u;
    return state;
}

// A line of the kind numbered `kind`, the way the renderer's pictures and
// the worst cases look.
void make_line(uint32_t* words, uint32_t count, uint32_t kind) {
    static const uint32_t extremes[] = {0x00000000u, 0xFFFFFFFFu, 0x80108010u, 0x80EB80EBu,
                                        0xFF00FF00u, 0x00FF00FFu, 0x00FFFF00u, 0xFF0000FFu};
    uint32_t word = next_random();
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t r = next_random();
        switch (kind % 4) {
        case 0: // noise
            word = r;
            break;
        case 1: // runs of one word
            if ((r & 7) == 0) word = next_random();
            break;
        case 2: // shading: the chroma stays, Y (and the second Y) moves
            if ((r & 3) == 0) word = next_random();
            else if ((r & 3) != 1) word = (word & 0xFF00FF00u) | ((r >> 8) & 0x00FF00FFu);
            break;
        default: // the extremes, mixed with repeats
            if ((r & 1) == 0) word = extremes[(r >> 1) % 8];
            break;
        }
        words[i] = word;
    }
}

} // namespace

int main() {
    static uint32_t src[4 * max_groups];
    static display::FrameWord fast[2 * max_groups + 1];
    static display::FrameWord portable[2 * max_groups + 1];
    const display::Rgb565Tables* tables = &display::rgb565_tables;
    uint32_t lines = 0;
    for (uint32_t trial = 0; trial < 4000; ++trial) {
        const uint32_t groups = 1 + trial % max_groups;
        make_line(src, 4 * groups, trial / 7);
        for (int straight = 0; straight < 2; ++straight) {
            // A guard word after the line: neither converter writes past it.
            std::memset(fast, 0xA5, sizeof fast);
            std::memset(portable, 0xA5, sizeof portable);
            uint32_t fast_count = 0;
            uint32_t portable_count = 0;
            if (straight) {
                rgb565_line_straight(src, fast, groups, tables);
                rgb565_line_straight_portable(src, portable, groups, tables);
            } else {
                fast_count = rgb565_line_runs(src, fast, groups, tables);
                portable_count = rgb565_line_runs_portable(src, portable, groups, tables);
            }
            if (fast_count != portable_count) {
                std::printf("trial %lu: %lu chroma changes, the portable code %lu\n",
                            static_cast<unsigned long>(trial),
                            static_cast<unsigned long>(fast_count),
                            static_cast<unsigned long>(portable_count));
                return 1;
            }
            for (uint32_t i = 0; i < 2 * groups + 1; ++i) {
                if (fast[i] != portable[i]) {
                    std::printf("trial %lu (%s, %lu groups): word %lu is 0x%08lx, the portable "
                                "code 0x%08lx\n",
                                static_cast<unsigned long>(trial), straight ? "straight" : "runs",
                                static_cast<unsigned long>(groups), static_cast<unsigned long>(i),
                                static_cast<unsigned long>(fast[i]),
                                static_cast<unsigned long>(portable[i]));
                    return 1;
                }
            }
            ++lines;
        }
    }
    std::printf("rgb565 lines: the ARM code matches the portable code on %lu lines\n",
                static_cast<unsigned long>(lines));
    return 0;
}
