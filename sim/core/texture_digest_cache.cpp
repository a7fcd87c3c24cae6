#include "texture_digest_cache.h"

#include "texture_hash.h"

namespace sim {
namespace {

// Multipliers and the lane round of the well-known 64-bit xxHash design:
// each lane multiplies, rotates and multiplies again, so that every input
// bit reaches every output bit, and the four lanes run in parallel.
constexpr uint64_t prime1 = 0x9E3779B185EBCA87ull;
constexpr uint64_t prime2 = 0xC2B2AE3D27D4EB4Full;
constexpr uint64_t prime3 = 0x165667B19E3779F9ull;

constexpr uint64_t rotate_left(uint64_t v, int bits) {
    return (v << bits) | (v >> (64 - bits));
}

constexpr uint64_t lane_round(uint64_t acc, uint64_t input) {
    return rotate_left(acc + input * prime2, 31) * prime1;
}

uint64_t pair(const uint32_t* w) {
    return static_cast<uint64_t>(w[0]) | static_cast<uint64_t>(w[1]) << 32;
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
    uint64_t lanes[4] = {prime1 + prime2, prime2, 0, 0 - prime1};
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        lanes[0] = lane_round(lanes[0], pair(words + i));
        lanes[1] = lane_round(lanes[1], pair(words + i + 2));
        lanes[2] = lane_round(lanes[2], pair(words + i + 4));
        lanes[3] = lane_round(lanes[3], pair(words + i + 6));
    }
    uint64_t h = rotate_left(lanes[0], 1) + rotate_left(lanes[1], 7) + rotate_left(lanes[2], 12) +
                 rotate_left(lanes[3], 18) + count;
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

} // namespace sim
