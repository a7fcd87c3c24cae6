// A minimal client of the renderer for the simulator's tests: maps the
// shared area from the simulator's memory file and writes commands into the
// FIFO by hand.
//
//   sim-test-client frames N [BASE]  N frames: an output buffer, a flat
//                                    background, a textured square, show;
//                                    buffers from word BASE of video memory;
//                                    returns once all N are displayed
//   sim-test-client flood N FACETS   N frames of a polygon and FACETS small
//                                    untextured facets each, no selections:
//                                    more than the FIFO holds at once
//   sim-test-client reuse N          N frames in two buffers, each frame's
//                                    texture written into the buffer of the
//                                    frame before once that is displayed
//   sim-test-client retexture N      N frames of one texture rewritten in
//                                    place before each, of which a small
//                                    facet reads only a few lines
//   sim-test-client queue MS         queue one reset and wait MS milliseconds
//                                    without expecting a renderer
#include "gpu_protocol.h"
#include "shared_access.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <string>
#include <sys/mman.h>
#include <thread>
#include <unistd.h>

namespace {

gpuSharedArea* area = nullptr;
const auto give_up_after = std::chrono::seconds(20);

[[noreturn]] void give_up(const char* why) {
    std::fprintf(stderr, "sim-test-client: %s\n", why);
    std::exit(3);
}

void push(const uint32_t* words, uint32_t n) {
    const auto start = std::chrono::steady_clock::now();
    while (true) {
        const uint32_t r = platform::shared_load_acquire(&area->fifo_read);
        const uint32_t w = platform::shared_load(&area->fifo_write);
        const uint32_t room = r > w ? r - w - 1 : r - w + gpu_fifo_words - 1;
        if (room >= n) break;
        if (std::chrono::steady_clock::now() - start > give_up_after) give_up("FIFO stays full");
        sched_yield();
    }
    uint32_t w = platform::shared_load(&area->fifo_write);
    for (uint32_t i = 0; i < n; ++i) {
        area->fifo[w] = words[i];
        w = w + 1 == gpu_fifo_words ? 0 : w + 1;
    }
    platform::shared_publish(&area->fifo_write, w);
}

// Waits until the renderer has displayed at least count frames.
void wait_displayed(uint32_t count) {
    const auto start = std::chrono::steady_clock::now();
    while (platform::shared_load(&area->frame_count) < count) {
        if (std::chrono::steady_clock::now() - start > give_up_after)
            give_up("the renderer does not display");
        sched_yield();
    }
}

void buffer_command(uint32_t opcode, uint32_t address, uint32_t log2_width, uint32_t height) {
    const uint32_t cmd[4] = {opcode, address, log2_width, height};
    push(cmd, 4);
}

void facet(uint32_t color, uint32_t type, int32_t half, int32_t z, int32_t uv_max) {
    uint32_t cmd[gpu_facet_words(4)] = {gpu_op_facet, 4, color, 0, type};
    const int32_t corners[4][2] = {{-half, -half}, {half, -half}, {half, half}, {-half, half}};
    const int32_t uv[4][2] = {{0, 0}, {uv_max, 0}, {uv_max, uv_max}, {0, uv_max}};
    for (int k = 0; k < 4; ++k) {
        const int32_t vertex[6] = {corners[k][0], corners[k][1], z, uv[k][0], uv[k][1], 0};
        std::memcpy(cmd + 5 + 6 * k, vertex, sizeof vertex);
    }
    push(cmd, gpu_facet_words(4));
}

int run_frames(uint32_t frames, uint32_t base) {
    const uint32_t reset = gpu_op_reset;
    push(&reset, 1);
    wait_displayed(0);
    // Four output buffers of 512 x 240 words in turn, then one texture.
    const uint32_t out_words = 512 * 240;
    const uint32_t texture = base + 4 * out_words;
    for (uint32_t i = 0; i < 256u * 256u; ++i)
        area->video_mem[texture + i] = (i / 256 + i % 256) % 64 < 32 ? 0x80EB80EBu : 0x80108010u;
    platform::publish_fence();
    for (uint32_t k = 0; k < frames; ++k) {
        // Buffer k % 4 last carried frame k - 4, which must have left the
        // display before it is drawn into again.
        if (k >= 4) wait_displayed(k - 3);
        buffer_command(gpu_op_set_out_buf, base + (k % 4) * out_words, 9, 240);
        facet(0x80108010u + (k % 64) * 0x00010001u, 0, 10 << 16, -257, 0);
        buffer_command(gpu_op_set_txt_buf, texture, 8, 256);
        facet(0x00F08080u, 3, 1 << 16, -(3 << 16), 256 << 16);
        buffer_command(gpu_op_show, base + (k % 4) * out_words, 9, 240);
    }
    // Unlike the demo, the client stays until its last frame is on display,
    // so that a test may hold the core right after it without a race.
    wait_displayed(frames);
    return 0;
}

// The vertex count of each frame's first facet, a small polygon: chosen so
// that the first frame's commands, read from an empty ring, reach its very
// last word at a facet's end. Only the one slot a writer must leave free
// then keeps the full ring from looking empty.
uint32_t exact_fill_vertices() {
    const uint32_t before = 1 + 4; // reset, setOutBuf
    for (uint32_t v = 3; v <= 64; ++v)
        if ((gpu_fifo_words - before - gpu_facet_words(v)) % gpu_facet_words(3) == 0) return v;
    return 3;
}

void polygon(uint32_t vertices, uint32_t color) {
    uint32_t cmd[gpu_facet_words(64)] = {gpu_op_facet, vertices, color, 0, 0};
    for (uint32_t k = 0; k < vertices; ++k) {
        const double angle = 6.283185307179586 * k / vertices;
        const int32_t vertex[6] = {static_cast<int32_t>(6000 * std::cos(angle)),
                                   static_cast<int32_t>(6000 * std::sin(angle)),
                                   -(2 << 16),
                                   0,
                                   0,
                                   0};
        std::memcpy(cmd + 5 + 6 * k, vertex, sizeof vertex);
    }
    push(cmd, gpu_facet_words(vertices));
}

// Each facet a different colour and place, so that a command lost,
// repeated or cut at the ring's end changes the frame.
int run_flood(uint32_t frames, uint32_t facets) {
    const uint32_t reset = gpu_op_reset;
    push(&reset, 1);
    const uint32_t out_words = 512 * 240;
    const uint32_t first_vertices = exact_fill_vertices();
    for (uint32_t k = 0; k < frames; ++k) {
        if (k >= 4) wait_displayed(k - 3);
        buffer_command(gpu_op_set_out_buf, (k % 4) * out_words, 9, 240);
        polygon(first_vertices, 0x80EB80EBu);
        for (uint32_t i = 0; i < facets; ++i) {
            uint32_t cmd[gpu_facet_words(3)] = {gpu_op_facet, 3,
                                                0x80008000u + (i + k) * 0x00070103u, 0, 0};
            const int32_t x = static_cast<int32_t>(i % 120) * 1100 - 66000;
            const int32_t y = static_cast<int32_t>(i / 120 % 100) * 1000 - 50000;
            const int32_t corners[3][2] = {{x, y}, {x + 1500, y}, {x, y + 1300}};
            for (int c = 0; c < 3; ++c) {
                const int32_t vertex[6] = {corners[c][0], corners[c][1], -(2 << 16), 0, 0, 0};
                std::memcpy(cmd + 5 + 6 * c, vertex, sizeof vertex);
            }
            push(cmd, gpu_facet_words(3));
        }
        buffer_command(gpu_op_show, (k % 4) * out_words, 9, 240);
    }
    wait_displayed(frames);
    return 0;
}

// Two output buffers in turn; each frame's texture lies in the other one,
// written as soon as the frame drawn there is on display, so that a
// replay writing textures before a shown buffer is displayed loses it.
int run_reuse(uint32_t frames) {
    const uint32_t reset = gpu_op_reset;
    push(&reset, 1);
    wait_displayed(0);
    const uint32_t out_words = 512 * 240;
    for (uint32_t k = 0; k < frames; ++k) {
        const uint32_t out = (k % 2) * out_words, other = ((k + 1) % 2) * out_words;
        wait_displayed(k);
        for (uint32_t i = 0; i < 256u * 256u; ++i)
            area->video_mem[other + i] =
                (i / 256 + i % 256 + 8 * k) % 32 < 16 ? 0x80EB80EBu : 0x80108010u;
        platform::publish_fence();
        buffer_command(gpu_op_set_out_buf, out, 9, 240);
        facet(0x80108010u + (k % 64) * 0x00010001u, 0, 10 << 16, -257, 0);
        buffer_command(gpu_op_set_txt_buf, other, 8, 256);
        facet(0x00F08080u, 3, 1 << 16, -(3 << 16), 256 << 16);
        buffer_command(gpu_op_show, out, 9, 240);
    }
    wait_displayed(frames);
    return 0;
}

// One texture at one place, rewritten with a new colour once the frame
// before is on display, read by a facet over its first 4 x 4 texels only:
// so few lines that a second core's cache keeps them from frame to frame,
// and must drop them when new commands come, or read the old colour.
int run_retexture(uint32_t frames) {
    const uint32_t reset = gpu_op_reset;
    push(&reset, 1);
    wait_displayed(0);
    const uint32_t out_words = 512 * 240;
    const uint32_t texture = 4 * out_words;
    for (uint32_t k = 0; k < frames; ++k) {
        if (k >= 4) wait_displayed(k - 3);
        // The frame before read the texture; it is displayed, so done with it.
        wait_displayed(k);
        for (uint32_t i = 0; i < 256u * 256u; ++i)
            area->video_mem[texture + i] = 0x80108010u + (k % 200) * 0x00010001u;
        platform::publish_fence();
        buffer_command(gpu_op_set_out_buf, (k % 4) * out_words, 9, 240);
        facet(0x80108010u, 0, 10 << 16, -257, 0);
        buffer_command(gpu_op_set_txt_buf, texture, 8, 256);
        facet(0x00F08080u, 2, 1 << 16, -(3 << 16), 4 << 16);
        buffer_command(gpu_op_show, (k % 4) * out_words, 9, 240);
    }
    wait_displayed(frames);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const char* dir = std::getenv("LUMENFALL_SIM_DIR");
    if (dir == nullptr || argc < 3) {
        std::fprintf(stderr, "usage (inside handheld-sim): sim-test-client frames N [BASE] | "
                             "flood N FACETS | reuse N | retexture N | queue MS\n");
        return 2;
    }
    const int fd = ::open((std::string(dir) + "/mem").c_str(), O_RDWR);
    if (fd < 0) give_up("cannot open the memory file");
    void* p =
        ::mmap(nullptr, gpu_shared_bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, gpu_shared_phys);
    if (p == MAP_FAILED) give_up("cannot map the shared area");
    area = static_cast<gpuSharedArea*>(p);

    const std::string mode = argv[1];
    if (mode == "frames") {
        const uint32_t base =
            argc > 3 ? static_cast<uint32_t>(std::strtoul(argv[3], nullptr, 0)) : 0;
        return run_frames(static_cast<uint32_t>(std::strtoul(argv[2], nullptr, 0)), base);
    }
    if (mode == "flood" && argc > 3)
        return run_flood(static_cast<uint32_t>(std::strtoul(argv[2], nullptr, 0)),
                         static_cast<uint32_t>(std::strtoul(argv[3], nullptr, 0)));
    if (mode == "reuse") return run_reuse(static_cast<uint32_t>(std::strtoul(argv[2], nullptr, 0)));
    if (mode == "retexture")
        return run_retexture(static_cast<uint32_t>(std::strtoul(argv[2], nullptr, 0)));
    if (mode == "queue") {
        const uint32_t reset = gpu_op_reset;
        push(&reset, 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(argv[2])));
        return 0;
    }
    return 2;
}
