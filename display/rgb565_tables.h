// The tables the display program converts pixel words with: results, not
// terms, so that the main core neither multiplies nor clamps per pixel.
// The line converters (portable and ARM) read them through one base
// address; the layout below is fixed for the ARM code.
#pragma once

#include <cstddef>
#include <cstdint>

namespace display {

// What a chroma byte fixes: a row of 256 results indexed by Y, and the
// chroma's part of the place in the green table.
struct ChromaEntry {
    const uint8_t* row;   // red (by V) or blue (by U) 5-bit channel, by Y
    uintptr_t green_part; // U: the green table's address plus its term; V: its term
};

struct Rgb565Tables {
    uint32_t green_y[256];         // Y's term of the place in the green table
    ChromaEntry chroma_u[256];     // blue rows, green U terms
    ChromaEntry chroma_v[256];     // red rows, green V terms
};

// The ARM code addresses the parts from the start of the tables.
static_assert(sizeof(void*) != 4 || offsetof(Rgb565Tables, chroma_u) == 1024);
static_assert(sizeof(void*) != 4 || offsetof(Rgb565Tables, chroma_v) == 3072);
static_assert(sizeof(void*) != 4 || sizeof(ChromaEntry) == 8);

extern const Rgb565Tables rgb565_tables;

// The bits of a pixel word besides Y that its colour depends on: U and V
// (the second Y byte is the renderer's own and never shown).
inline constexpr uint32_t chroma_bits = 0xFF00FF00u;

} // namespace display
