#include "rgb565_tables.h"

#include <array>

namespace display {
namespace {

// The usual 8-bit fixed-point form of the BT.601 studio-range matrix, as in
// the simulator's window: each 8-bit channel is clamp((298 (Y - 16) + k +
// 128) >> 8) with k = 409 (V - 128) for red, -100 (U - 128) - 208 (V - 128)
// for green and 516 (U - 128) for blue. Cut to 5 bits, clamp(s >> 8) >> 3
// is clamp(s >> 11, 0, 31), and cut to 6 bits clamp(s >> 10, 0, 63).
constexpr int32_t clamp_to(int32_t value, int32_t top) {
    return value < 0 ? 0 : value > top ? top : value;
}

constexpr int32_t luma_term(int32_t y) {
    return 298 * (y - 16) + 128;
}

// Red depends on Y and V only, blue on Y and U only: a row per chroma byte.
using ChannelRows = std::array<std::array<uint8_t, 256>, 256>;
constexpr ChannelRows red_rows = [] {
    ChannelRows t{};
    for (int32_t v = 0; v < 256; ++v)
        for (int32_t y = 0; y < 256; ++y)
            t[v][y] = static_cast<uint8_t>(clamp_to((luma_term(y) + 409 * (v - 128)) >> 11, 31));
    return t;
}();
constexpr ChannelRows blue_rows = [] {
    ChannelRows t{};
    for (int32_t u = 0; u < 256; ++u)
        for (int32_t y = 0; y < 256; ++y)
            t[u][y] = static_cast<uint8_t>(clamp_to((luma_term(y) + 516 * (u - 128)) >> 11, 31));
    return t;
}();

// Green depends on all three. Every weight is even, so half the sum,
// s' = 149 (Y - 16) + 64 - 50 (U - 128) - 104 (V - 128), names it exactly;
// s' runs from -21,878 to 55,387, and one byte per value of s' holds the
// 6-bit channel. Each term is biased to be at least 0, so that the chroma
// terms alone already point into the table and Y's term indexes from there.
constexpr int32_t green_u_bias = 50 * 127;
constexpr int32_t green_v_bias = 104 * 127;
constexpr int32_t green_low = 149 * (0 - 16) + 64 - green_u_bias - green_v_bias;
constexpr int32_t green_high = 149 * (255 - 16) + 64 + 50 * 128 + 104 * 128;
constexpr std::array<uint8_t, green_high - green_low + 1> green_by_sum = [] {
    std::array<uint8_t, green_high - green_low + 1> t{};
    for (int32_t s = green_low; s <= green_high; ++s)
        t[static_cast<size_t>(s - green_low)] = static_cast<uint8_t>(clamp_to(s >> 9, 63));
    return t;
}();
constexpr uint32_t green_y_term(int32_t y) {
    return static_cast<uint32_t>(149 * (y - 16) + 64 - green_u_bias - green_v_bias - green_low);
}
constexpr uint32_t green_u_term(int32_t u) {
    return static_cast<uint32_t>(-50 * (u - 128) + green_u_bias);
}
constexpr uint32_t green_v_term(int32_t v) {
    return static_cast<uint32_t>(-104 * (v - 128) + green_v_bias);
}
static_assert(green_y_term(0) == 0 && green_u_term(255) == 0 && green_v_term(255) == 0);
static_assert(green_y_term(255) + green_u_term(0) + green_v_term(0) == green_high - green_low);

} // namespace

// The U entries carry the green table's address in their green part: one
// addition of the V term then points at green for Y = 0. Kept as integers,
// so the sum never forms a pointer outside the table.
const Rgb565Tables rgb565_tables = [] {
    Rgb565Tables t{};
    for (int32_t i = 0; i < 256; ++i) {
        t.green_y[i] = green_y_term(i);
        t.chroma_u[i] = {blue_rows[static_cast<size_t>(i)].data(),
                         reinterpret_cast<uintptr_t>(green_by_sum.data()) + green_u_term(i)};
        t.chroma_v[i] = {red_rows[static_cast<size_t>(i)].data(), green_v_term(i)};
    }
    return t;
}();

} // namespace display
