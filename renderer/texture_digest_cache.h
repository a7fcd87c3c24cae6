// Texture digests without rehashing texture memory that has not changed.
//
// The digest (texture_hash) feeds every byte through a serial multiply, far
// slower than memory can be read, and a command stream selects the same few
// textures over and over. The cache keeps, per selection (address and
// shape), a fast check value of the words and the digest they had; when the
// words still give the same check value the digest is reused. The check is a
// 64-bit hash of four independent lanes, several times faster than the
// digest, so a changed texture goes unnoticed only if its new words collide
// with the old ones in 64 bits.
#pragma once

#include "render_state.h"

#include <cstdint>
#include <unordered_map>

namespace renderer {

// A fast 64-bit hash of words, used only to notice a change.
uint64_t texture_check(const uint32_t* words, size_t count);

class TextureDigestCache {
  public:
    // The same value as texture_hash(video, texture).
    uint64_t digest(const uint32_t* video, const BufferSel& texture);

    // Notes that the texture's words, just written by the caller, have this
    // digest (already verified), so that the next digest() need not
    // recompute it.
    void remember(const uint32_t* video, const BufferSel& texture, uint64_t digest);

    // Digests computed in full since creation, for tests and figures.
    uint64_t full_digests() const { return full_digests_; }

  private:
    void store(uint64_t key, uint64_t check, uint64_t digest);

    struct Entry {
        uint64_t check;
        uint64_t digest;
    };
    std::unordered_map<uint64_t, Entry> entries_;
    uint64_t full_digests_ = 0;
};

} // namespace renderer
