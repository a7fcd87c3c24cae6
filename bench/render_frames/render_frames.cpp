// render-frames: replays the frames of a frame pack (frame-pack) through the
// renderer core alone, each frame one measured piece for an instruction
// counter, and prints for every frame a digest of its picture and the pixels
// it covered by rendering type. The same source builds for the PC and for
// the second core's processor (run under an emulator), so the two can be
// compared frame for frame.
#include "frame_pack_format.h"

#include "gpu_protocol.h"
#include "probe.h"
#include "render_state.h"
#include "renderer.h"
#include "shared_access.h"

#include <cstdio>
#include <cstring>

namespace {

// Static, as on the second core: the shared area (about 31 MB) and the
// renderer with all its working storage.
gpuSharedArea area;
renderer::Renderer core(&area);

constexpr uint32_t types[] = {0, 2, 3, 4, 6};

bool read_words(FILE* in, uint32_t* words, size_t count) {
    return std::fread(words, 4, count, in) == count;
}

// FNV-1a over the visible picture's words, as 4 little-endian bytes each.
uint64_t picture_digest(const renderer::BufferSel& shown) {
    uint64_t h = 0xcbf29ce484222325ull;
    if (!shown.valid) return 0;
    for (uint32_t y = 0; y < 240 && y < shown.height; ++y) {
        for (uint32_t x = 0; x < 320 && x < shown.width(); ++x) {
            const uint32_t word = area.video_mem[shown.address + (y << shown.log2_width) + x];
            for (int s = 0; s < 32; s += 8)
                h = (h ^ ((word >> s) & 0xFFu)) * 0x100000001b3ull;
        }
    }
    return h;
}

uint64_t covered(uint32_t type) {
#ifdef RENDER_FRAMES_OLD_CORE
    (void)type;
    return 0;
#else
    return core.pixels_covered(type);
#endif
}

int fail(const char* what) {
    std::fprintf(stderr, "render-frames: %s\n", what);
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2 || std::strcmp(argv[1], "--help") == 0) {
        std::fputs("Usage: render-frames PACK\nReplays the frames of a frame pack through the "
                   "renderer; prints per frame its digest and covered pixels by type.\n",
                   argc == 2 ? stdout : stderr);
        return argc == 2 ? 0 : 2;
    }
    FILE* in = std::fopen(argv[1], "rb");
    if (in == nullptr) return fail("cannot open the frame pack");
    uint32_t header[3];
    if (!read_words(in, header, 3) || header[0] != bench::frame_pack_magic ||
        header[1] != bench::frame_pack_version)
        return fail("not a frame pack");
    for (uint32_t f = 0; f < header[2]; ++f) {
        uint32_t head[3];
        if (!read_words(in, head, 3)) return fail("frame pack cut short");
        for (uint32_t t = 0; t < head[1]; ++t) {
            uint32_t loc[3];
            if (!read_words(in, loc, 3) || loc[1] > 12) return fail("bad texture in frame pack");
            const uint64_t words = static_cast<uint64_t>(loc[2]) << loc[1];
            if (loc[0] + words > gpu_video_words) return fail("texture outside video memory");
            if (!read_words(in, area.video_mem + loc[0], words))
                return fail("frame pack cut short");
        }
        if (head[2] >= gpu_fifo_words) return fail("frame too long for the FIFO");
        if (!read_words(in, area.fifo, head[2])) return fail("frame pack cut short");
        platform::shared_store(&area.fifo_read, 0);
        platform::shared_publish(&area.fifo_write, head[2]);

        uint64_t before[5];
        for (int i = 0; i < 5; ++i)
            before[i] = covered(types[i]);
        char label[32];
        std::snprintf(label, sizeof label, "frame %lu", static_cast<unsigned long>(head[0]));
        bench::probe_begin(label);
        while (core.step(1 << 30) > 0) {
        }
        bench::probe_end(label);

        uint64_t digest = 0;
#ifdef RENDER_FRAMES_OLD_CORE
        // A core from before front_show: the frame's last show command says
        // which buffer it shows.
        for (uint32_t i = head[2]; i-- > 0;) {
            if (area.fifo[i] == gpu_op_show && i + 4 <= head[2]) {
                digest = picture_digest(
                    renderer::check_buffer({area.fifo[i + 1], area.fifo[i + 2], area.fifo[i + 3]}));
                break;
            }
        }
        while (core.advance_display()) {
        }
#else
        renderer::BufferSel shown;
        while (core.front_show(shown)) {
            digest = picture_digest(shown);
            core.advance_display();
        }
#endif
        std::printf("piece %s frames 1\n", label);
        // The small printf of the device's C library has no 64-bit
        // conversions: everything goes out in 32-bit pieces.
        std::printf("frame %lu digest %08lx%08lx errors %lu covered",
                    static_cast<unsigned long>(head[0]), static_cast<unsigned long>(digest >> 32),
                    static_cast<unsigned long>(digest & 0xFFFFFFFFu),
                    static_cast<unsigned long>(core.error_count()));
        for (int i = 0; i < 5; ++i)
            std::printf(" %lu", static_cast<unsigned long>(covered(types[i]) - before[i]));
        std::printf("\n");
    }
    std::fclose(in);
    return 0;
}
