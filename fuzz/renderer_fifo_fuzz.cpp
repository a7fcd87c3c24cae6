// The renderer fed whatever a client could leave in the shared area: any
// FIFO words, any read and write indexes, any report words. It must never
// crash, hang, or touch memory outside the area, and it must never write the
// words that belong to the client (the FIFO and fifo_write).
//
// Input: a 9-byte header, then the FIFO words (little-endian, a partial last
// word is dropped).
//
//   byte 0    bits 0-1  where fifo_read starts: 0 word 0; 1 near the end of
//                       the ring, so commands wrap to word 0; 2 the raw word
//                       of bytes 1-4; 3 that word modulo the ring
//             bits 2-3  fifo_write: 0 and 3 just past the words (all
//                       published); 1 short of the last (byte 5 % 8) words,
//                       a command still being written; 2 the raw word of
//                       bytes 5-8
//             bit 4     stop after each show
//             bit 5     reset() before the first step
//             bits 6-7  frames put on display as RGB before the cheaper
//                       advance_display takes over: 0, 1, 4 or all
//   bytes 1-4 the read parameter, bytes 5-8 the write parameter; the same
//             bytes also seed error_code and frame_count
#include "commands.h"
#include "renderer.h"
#include "texture_hash.h"

#include <sanitizer/asan_interface.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Poisoned memory on both sides of the area turns a stray access just outside
// it into a report even where the heap's own red zones would not reach.
constexpr size_t guard_bytes = 4u << 20;

// Work per input is bounded so that a slow input is never mistaken for a
// hang: a facet may cover a whole 4096-word-wide buffer, and the texture a
// selection hashes may be all of video memory.
constexpr int max_steps = 512;
constexpr int max_heavy_commands = 6;

struct GuardedArea {
    uint8_t* block;
    gpuSharedArea* area;

    GuardedArea() {
        block = static_cast<uint8_t*>(std::calloc(1, guard_bytes * 2 + sizeof(gpuSharedArea)));
        if (block == nullptr) std::abort();
        area = reinterpret_cast<gpuSharedArea*>(block + guard_bytes);
        ASAN_POISON_MEMORY_REGION(block, guard_bytes);
        ASAN_POISON_MEMORY_REGION(block + guard_bytes + sizeof(gpuSharedArea), guard_bytes);
    }
};

// One area for the whole run: 31 MiB cleared per input would cost more than
// the renderer's work. The FIFO words and indexes are put back to zero after
// each input; video memory keeps what earlier inputs drew.
gpuSharedArea* shared_area() {
    static GuardedArea guarded;
    return guarded.area;
}

uint32_t word_at(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

uint32_t wrap(uint64_t index) {
    return static_cast<uint32_t>(index % gpu_fifo_words);
}

void check(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "renderer_fifo: %s\n", what);
    std::abort();
}

// The capture hook sees every command as consumed, and each texture the
// renderer selects, which it hashes as a recorder would, reading it whole.
class CheckingCapture : public renderer::CaptureSink {
  public:
    uint32_t head_opcode = 0;

    void command(const uint32_t* words, size_t count) override {
        check(count >= 1 && count <= renderer::max_command_words, "a command of impossible length");
        check(words[0] == head_opcode, "a command other than the one at the head");
    }
    // Hashing reads every word of the selected texture.
    void texture_selected(const renderer::TextureWords& texture) override {
        const renderer::BufferSel words{texture.words != nullptr, 0, texture.log2_width,
                                        texture.height};
        (void)renderer::texture_hash(texture.words, words);
    }
};

bool heavy(uint32_t opcode) {
    return opcode == gpu_op_facet || opcode == gpu_op_set_txt_buf;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    constexpr size_t header = 9;
    if (size < header) return 0;
    gpuSharedArea* area = shared_area();

    const uint8_t mode = data[0];
    const uint32_t read_param = word_at(data + 1);
    const uint32_t write_param = word_at(data + 5);
    // One slot of the ring always stays empty, so it holds this many at most.
    const uint32_t count =
        static_cast<uint32_t>(std::min<size_t>((size - header) / 4, gpu_fifo_words - 1));

    uint32_t read = 0;
    switch (mode & 3) {
    case 0:
        read = 0;
        break;
    case 1:
        read = gpu_fifo_words - 1 - (read_param & 0xFF);
        break;
    case 2:
        read = read_param;
        break;
    default:
        read = wrap(read_param);
        break;
    }
    // Words are laid out from the read position, wrapping like the client's
    // writer; from an invalid read position they start at word 0.
    const uint32_t first = read < gpu_fifo_words ? read : 0;
    for (uint32_t i = 0; i < count; ++i)
        area->fifo[wrap(uint64_t{first} + i)] = word_at(data + header + 4 * i);

    uint32_t write = wrap(uint64_t{first} + count);
    if (((mode >> 2) & 3) == 1) {
        const uint32_t unpublished = std::min<uint32_t>(write_param & 7, count);
        write = wrap(uint64_t{first} + count - unpublished);
    } else if (((mode >> 2) & 3) == 2) {
        write = write_param;
    }
    area->fifo_read = read;
    area->fifo_write = write;
    area->error_code = read_param;
    area->frame_count = write_param;

    const bool stop_after_show = (mode & 0x10) != 0;
    static const int rgb_frames_for[4] = {0, 1, 4, max_steps};
    int rgb_frames = rgb_frames_for[mode >> 6];
    {
        renderer::Renderer renderer(area);
        CheckingCapture capture;
        renderer.set_capture(&capture);
        if ((mode & 0x20) != 0) renderer.reset();
        renderer::RgbFrame frame;
        int heavy_commands = 0;
        for (int step = 0; step < max_steps; ++step) {
            const uint32_t head = area->fifo_read;
            if (head < gpu_fifo_words) {
                capture.head_opcode = area->fifo[head];
                if (head != area->fifo_write && heavy(capture.head_opcode) &&
                    ++heavy_commands > max_heavy_commands)
                    break;
            }
            const int done = renderer.step(1, stop_after_show);
            check(area->fifo_write == write, "the renderer wrote fifo_write");
            check(done == 0 || area->fifo_read < gpu_fifo_words,
                  "fifo_read is out of the ring after a command");
            if (done > 0) continue;
            // A renderer that executes nothing while a whole command waits
            // does so only at a show, with the display queue full.
            check(renderer.fifo_empty() || renderer.pending_shows() >= renderer::max_pending_shows,
                  "a waiting command was left unexecuted");
            // Nothing more to execute: shown buffers go on display, which
            // may also let a paused show through.
            const bool displayed =
                rgb_frames-- > 0 ? renderer.display_next(frame) : renderer.advance_display();
            if (!displayed) break;
            check(frame.rgb.empty() || frame.rgb.size() == size_t{renderer::screen_width} *
                                                               renderer::screen_height * 3,
                  "a displayed frame has the wrong size");
        }
    }

    // The client's words are the client's: none may have changed.
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t& word = area->fifo[wrap(uint64_t{first} + i)];
        check(word == word_at(data + header + 4 * i), "the renderer wrote a FIFO word");
        word = 0;
    }
    area->fifo_read = 0;
    area->fifo_write = 0;
    area->error_code = 0;
    area->frame_count = 0;
    return 0;
}
