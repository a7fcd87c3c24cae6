// The renderer's side of the client's waits: after it publishes a new value
// of a word that a client may be waiting on (fifo_read, frame_count), it
// wakes the waiters. Call it at most once per batch of work, not per
// command. Each platform provides it from a file of its own chosen by the
// build: where no client can sleep on the word (the web page, the second
// core) it does nothing.
#pragma once

#include <cstdint>

namespace platform {

void wake_waiters(const uint32_t* word);

} // namespace platform
