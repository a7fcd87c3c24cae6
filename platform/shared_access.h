// Accessors for memory shared with the renderer on the second core.
//
// Every index and report word of the shared area is read and written through
// these functions and nowhere else: each is one aligned 32-bit access that the
// compiler may neither tear, merge nor hoist out of a polling loop, and the
// fences make the FIFO protocol hold on a weakly ordered processor. What a
// fence takes depends on the processor, so each build picks its fences from
// a header of its own (shared_fences.h).
#pragma once

#include "shared_fences.h"

#include <cstdint>

namespace platform {

// One fresh 32-bit read of a word the other side may change at any time.
inline uint32_t shared_load(const uint32_t* word) {
    return __atomic_load_n(word, __ATOMIC_RELAXED);
}

// A read whose value licenses reading (or overwriting) the memory it
// describes: the producer reads fifo_read with it before reusing FIFO words
// the consumer has released, the consumer reads fifo_write with it before
// reading the command words behind the index.
inline uint32_t shared_load_acquire(const uint32_t* word) {
    return load_acquire(word);
}

// The acquire read of an index that publishes data written by the other
// side (fifo_write, for the renderer), given the value it had when last
// read. When it has moved, what it publishes may be in memory only, not in
// lines a non-snooping data cache filled before the other side wrote it:
// those lines are dropped before anything behind the index is read.
inline uint32_t shared_load_acquire_data(const uint32_t* word, uint32_t seen) {
    const uint32_t value = load_acquire(word);
    if (value != seen) discard_stale_shared_data();
    return value;
}

// One 32-bit store that the other side sees whole.
inline void shared_store(uint32_t* word, uint32_t value) {
    __atomic_store_n(word, value, __ATOMIC_RELAXED);
}

// Orders every earlier store (the command words, the texels written straight
// into video memory) before the store that follows, which publishes them.
// Without it a weakly ordered core could see the new FIFO index before the
// words it covers.
inline void publish_fence() {
    release_fence();
}

// Publishes an index: the fence, then the single store of the new value.
inline void shared_publish(uint32_t* word, uint32_t value) {
    publish_fence();
    shared_store(word, value);
}

} // namespace platform
