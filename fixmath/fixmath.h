// 16.16 fixed-point arithmetic for the demo: products, square root,
// normalisation, projection, the sine/cosine table and matrix-vector products.
//
// A value is a signed 32-bit integer with 16 fractional bits (0x10000 = 1.0).
// Products are full signed 64-bit products shifted right arithmetically by 16
// and cut to 32 bits; nothing saturates, results wrap modulo 2^32. No floating
// point is used anywhere in this library.
#pragma once

#include <cstdint>

using fix16 = int32_t;

// A vector with its product value: xy must hold x * y >> 16 whenever the
// vector is passed to FixMat_x_Vec.
struct FixVec {
    fix16 x;
    fix16 y;
    fix16 z;
    fix16 xy;
};

// A 3x3 matrix, row-major: rot[3 * r + k] is element (r, k). prod[k] holds
// rot(0, k) * rot(1, k) >> 16 and must be recomputed whenever rot changes.
struct FixMat {
    fix16 rot[9];
    fix16 prod[3];
    fix16 trans[3];
};

static_assert(sizeof(FixVec) == 16);
static_assert(sizeof(FixMat) == 60);

// Number of entries of the cosine table: one and a quarter turns, so that the
// sine can read a quarter turn ahead without wrapping.
inline constexpr int fix_table_size = 81920;

// --- Scalar layer ---------------------------------------------------------

// Low 64 bits of the exact product a * b (a plain integer product).
int64_t Fix_mul64x64(int64_t a, int64_t b);

// floor(sqrt(x)) for x >= 0, 0 for x < 0. Applied to a 16.16 value the result
// has 8 fractional bits.
int32_t Fix_sqrt(int32_t x);

// Normalises the three values v[0..2] in place. Long vectors are first halved
// (and stored halved) until their squared length fits the square root; a
// vector shorter than 1/256 is left as it is after that. The length keeps
// only 8 fractional bits, so the result is a unit vector to within ~1/256.
void Fix_normalize(fix16* v);

// Perspective division of v[0..2] onto the plane at distance 1 in front of a
// viewer looking along -z; writes out[0] and out[1], scaled by 2^shift.
// Only the low five bits of shift are used; z == 0 writes (0, 0).
void Fix_proj(fix16* out, const fix16* v, int shift);

// --- Table and transforms -------------------------------------------------

// Fills the cosine table by an integer rotation recurrence.
void Fix_trig_init();

// Angles have 65536 units per turn; only the low 16 bits are used.
fix16 Fix_cos(int32_t angle);
// The entry a quarter turn past the cosine: cos(theta + pi/2) = -sin(theta).
fix16 Fix_sin(int32_t angle);

// Read-only view of the table (for tests and tools).
const fix16* Fix_table();

// dst[k] = column k of m . v (+ trans[k] when the low 8 bits of translate are
// non-zero), in the two-product form that uses m->prod and v->xy.
// dst must not overlap v.
void FixMat_x_Vec(fix16* dst, const FixMat* m, const FixVec* v, int translate);

// The inverse transform for an orthonormal rot: rows of rot applied to
// (v - trans), trans subtracted only when translate is on. Reads v[0..2].
// dst must not overlap v.
void FixMatT_x_Vec(fix16* dst, const FixMat* m, const fix16* v, int translate);
