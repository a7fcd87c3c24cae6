#include "texture_digest_cache.h"

#include "texture_hash.h"

#include <cstring>

namespace renderer {
namespace {

// Multipliers of the well-known 64-bit xxHash design. Each lane takes the
// next 8 bytes by xor, then multiplies (a bijection that carries every bit
// upwards) and rotates (bringing high bits back down). Eight lanes run in
// parallel, so the multiplier's latency is hidden and the loop reads about
// 8 bytes a cycle. Since every step is a bijection of the lane, a change of
// any single word always changes the result.
constexpr uint64_t prime1 = 0x9E3779B185EBCA87ull;
constexpr uint64_t prime2 = 0xC2B2AE3D27D4EB4Full;
constexpr uint64_t prime3 = 0x165667B19E3779F9ull;
constexpr int lanes = 8;

constexpr uint64_t rotate_left(uint64_t v, int bits) {
    return (v << bits) | (v >> (64 - bits));
}

// Two words as one 64-bit value in host order: the check value is only ever
// compared within one process, so byte order does not matter.
uint64_t pair(const uint32_t* w) {
    uint64_t v;
    std::memcpy(&v, w, sizeof v);
    return v;
}

// A selection's place and shape; a valid one fits in these bits (address
// below 2^23, log2_width at most 12, height below 2^23).
uint64_t selection_key(const BufferSel& texture) {
    return static_cast<uint64_t>(texture.address) << 40 |
           static_cast<uint64_t>(texture.log2_width) << 32 | texture.height;
}

// Textures a stream selects at ever new places (a buffer allocator that moves
// them around) would otherwise grow the cache without end.
constexpr size_t max_entries = 4096;

} // namespace

uint64_t texture_check(const uint32_t* words, size_t count) {
    uint64_t lane[lanes];
    for (int l = 0; l < lanes; ++l)
        lane[l] = prime3 * static_cast<uint64_t>(l + 1);
    // Written out lane by lane, so that the lanes stay in registers.
    uint64_t a = lane[0], b = lane[1], c = lane[2], d = lane[3];
    uint64_t e = lane[4], f = lane[5], g = lane[6], k = lane[7];
    size_t i = 0;
    for (; i + 2 * lanes <= count; i += 2 * lanes) {
        a = rotate_left((a ^ pair(words + i)) * prime1, 31);
        b = rotate_left((b ^ pair(words + i + 2)) * prime1, 31);
        c = rotate_left((c ^ pair(words + i + 4)) * prime1, 31);
        d = rotate_left((d ^ pair(words + i + 6)) * prime1, 31);
        e = rotate_left((e ^ pair(words + i + 8)) * prime1, 31);
        f = rotate_left((f ^ pair(words + i + 10)) * prime1, 31);
        g = rotate_left((g ^ pair(words + i + 12)) * prime1, 31);
        k = rotate_left((k ^ pair(words + i + 14)) * prime1, 31);
    }
    lane[0] = a, lane[1] = b, lane[2] = c, lane[3] = d;
    lane[4] = e, lane[5] = f, lane[6] = g, lane[7] = k;
    uint64_t h = count;
    for (int l = 0; l < lanes; ++l)
        h += rotate_left(lane[l], 7 * l + 1);
    for (; i < count; ++i)
        h = rotate_left(h ^ (words[i] * prime1), 23) * prime2 + prime3;
    // Final avalanche, so that the low bits depend on every lane.
    h ^= h >> 33;
    h *= prime2;
    h ^= h >> 29;
    h *= prime3;
    h ^= h >> 32;
    return h;
}

uint64_t TextureDigestCache::digest(const uint32_t* video, const BufferSel& texture) {
    if (!texture.valid) return texture_hash(video, texture);
    const size_t count = static_cast<size_t>(texture.height) << texture.log2_width;
    const uint64_t check = texture_check(video + texture.address, count);
    const uint64_t key = selection_key(texture);
    const auto found = entries_.find(key);
    if (found != entries_.end() && found->second.check == check) return found->second.digest;
    const uint64_t digest = texture_hash(video, texture);
    ++full_digests_;
    store(key, check, digest);
    return digest;
}

void TextureDigestCache::remember(const uint32_t* video, const BufferSel& texture,
                                  uint64_t digest) {
    if (!texture.valid) return;
    const size_t count = static_cast<size_t>(texture.height) << texture.log2_width;
    store(selection_key(texture), texture_check(video + texture.address, count), digest);
}

void TextureDigestCache::store(uint64_t key, uint64_t check, uint64_t digest) {
    const auto found = entries_.find(key);
    if (found != entries_.end()) {
        found->second = Entry{check, digest};
        return;
    }
    if (entries_.size() >= max_entries) entries_.clear();
    entries_.emplace(key, Entry{check, digest});
}

} // namespace renderer
