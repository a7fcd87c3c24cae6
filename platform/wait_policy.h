// How the client library passes the time while it waits for the renderer:
// for room in the command FIFO and for video memory to come back as the
// display advances. The wait loops themselves, and the shared words they
// read, stay in the client library; this only decides what happens between
// two polls. Each platform provides it from a file of its own chosen by the
// build.
#pragma once

#include <cstdint>

namespace platform {

// Called after a poll found the condition still false. `word` is the shared
// word whose change can end the wait and `seen` the value the poll read from
// it, so a policy may sleep until the word moves on. `polls` counts the
// failed polls of the current wait, starting at 0, so a policy can start
// cheap and back off as the wait grows long.
void wait_pause(const uint32_t* word, uint32_t seen, uint32_t polls);

} // namespace platform
