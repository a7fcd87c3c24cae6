// The producer side of the command FIFO: the room check, the copy of a
// command's words into the ring and the publication of the new write index.
#include "gpu.h"

#include "fatal_assert.h"
#include "shared_access.h"
#include "wait_policy.h"

#include <cstring>

namespace {

// One slot of the ring always stays empty, so that equal indexes mean empty.
constexpr uint32_t max_command_words = gpu_fifo_words - 1;

// read_seen receives the fifo_read the room was computed from: the word a
// waiting writer sleeps on until the renderer moves it.
uint32_t fifo_room(uint32_t& read_seen) {
    // Acquire: the renderer may read the words below its index until it
    // publishes a new one, so words are reused only after this load.
    const uint32_t read = platform::shared_load_acquire(&shared->fifo_read);
    read_seen = read;
    const uint32_t write = platform::shared_load(&shared->fifo_write);
    return read > write ? read - write - 1 : read - write + max_command_words;
}

// Waits, if asked to, until the ring has room for the whole command. A
// command longer than the ring can ever hold gets gpuNoRoom at once even when
// waiting, since no amount of waiting would make it fit.
gpuResult wait_for_room(uint64_t words, bool wait) {
    if (words > max_command_words) return gpuNoRoom;
    uint32_t read_seen = 0;
    for (uint32_t polls = 0; fifo_room(read_seen) < words; ++polls) {
        if (!wait) return gpuNoRoom;
        platform::wait_pause(&shared->fifo_read, read_seen, polls);
    }
    return gpuOK;
}

// Copies words from data into the ring from position on, wrapping at the end
// of the ring, and returns the position after the last word. The source need
// not be word aligned. No filler is ever written: a command simply continues
// at word 0.
uint32_t copy_into_ring(uint32_t position, const void* data, uint32_t words) {
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    for (uint32_t i = 0; i < words; ++i) {
        uint32_t word;
        std::memcpy(&word, bytes + 4 * static_cast<size_t>(i), sizeof word);
        shared->fifo[position] = word;
        if (++position == gpu_fifo_words) position = 0;
    }
    return position;
}

void publish_write_index(uint32_t position) {
    // Release: every word of the command must reach memory before the
    // renderer can see an index that covers it.
    platform::shared_publish(&shared->fifo_write, position);
    // A read back from the area after the publishing store, its value unused.
    (void)platform::shared_load(&shared->error_code);
}

} // namespace

gpuResult gpuWrite(const void* cmd, uint32_t size, bool wait) {
    FATAL_ASSERT(!(size & 3), "!(size&3)", "quartzel", 111, "gpuWrite");
    const uint32_t words = size / 4;
    const gpuResult room = wait_for_room(words, wait);
    if (room != gpuOK) return room;

    const uint32_t start = platform::shared_load(&shared->fifo_write);
    publish_write_index(copy_into_ring(start, cmd, words));
    return gpuOK;
}

gpuResult gpuWritev(const gpuPiece* pieces, uint32_t count, bool wait) {
    // Summed in 64 bits: a 32-bit sum of large pieces could wrap to a small
    // total that passes the room check while the copy runs far past it.
    uint64_t total = 0;
    for (uint32_t i = 0; i < count; ++i)
        total += pieces[i].size;
    FATAL_ASSERT(!(total & 3), "!(size&3)", "quartzel", 125, "gpuWritev");
    const gpuResult room = wait_for_room(total / 4, wait);
    if (room != gpuOK) return room;

    // The pieces follow each other in the ring and the index is published
    // once, so the renderer never sees part of the command.
    uint32_t position = platform::shared_load(&shared->fifo_write);
    for (uint32_t i = 0; i < count; ++i)
        position = copy_into_ring(position, pieces[i].data, pieces[i].size / 4);
    publish_write_index(position);
    return gpuOK;
}
