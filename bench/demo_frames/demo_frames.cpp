// demo-frames: plays the demo's frames in-process, single-threaded, so that
// a counting tool can attribute each frame's main-core work to the demo's
// functions.
//
//   demo-frames SCENE FRAMES [SKIP] [--no-scene1]
//
// SCENE 1 or 2 chooses the scene whose frames are measured; SKIP frames of
// it are played first, unmeasured, so the measured frames are typical ones;
// then FRAMES frames are measured as one piece. The four picture decodings
// (uncomp) are measured as pieces of their own. Scene 2 normally follows the
// whole of scene 1, as in the demo; --no-scene1 starts it from the start
// state instead, for counting tools too slow to play 1615 frames first.
//
// Nothing stands on the other side of the FIFO: between frames the driver
// marks every command consumed and every shown frame displayed, which is
// what a renderer that keeps up does. That keeps every count repeatable
// (no waiting, no second thread) and outside the measured pieces.
#include "probe.h"

#include "gpu_testing.h"
#include "lumenfall.h"
#include "packed_picture.h"
#include "random_stream.h"
#include "shared_access.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

struct Options {
    int scene = 0;
    int frames = 0;
    int skip = 0;
    bool play_scene1 = true;
};

bool parse(int argc, char** argv, Options& o) {
    int positional = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--no-scene1") == 0) {
            o.play_scene1 = false;
            continue;
        }
        char* end = nullptr;
        const long value = std::strtol(argv[i], &end, 10);
        if (*end != '\0' || value < 0 || value > 100000) return false;
        int* fields[] = {&o.scene, &o.frames, &o.skip};
        if (positional >= 3) return false;
        *fields[positional++] = static_cast<int>(value);
    }
    return positional >= 2 && (o.scene == 1 || o.scene == 2) && o.frames > 0;
}

// The area the demo's library works on: a zeroed heap block in place of the
// memory device's mapping.
gpuSharedArea* open_local_area() {
    void* block = std::calloc(1, sizeof(gpuSharedArea));
    if (block == nullptr) return nullptr;
    shared = static_cast<gpuSharedArea*>(block);
    gpu_mm_reset();
    return shared;
}

// A renderer that has kept up: every command consumed, every shown frame
// displayed. Only then can the next frame's allocations take memory back.
void catch_up(gpuSharedArea* area) {
    platform::shared_store(&area->fifo_read, platform::shared_load(&area->fifo_write));
    platform::shared_store(&area->frame_count, gpu_mm_frame_count());
}

// The label of a decoding's piece, named after the picture it decodes.
const char* decoding_label(const uint8_t* picture) {
    if (picture == pic1) return "uncomp pic1";
    if (picture == pic2) return "uncomp pic2";
    if (picture == pic3) return "uncomp pic3";
    if (picture == pic4) return "uncomp pic4";
    return "uncomp";
}

gpuBuf* measured_uncomp(const uint8_t* picture, uint32_t width, uint32_t colour_a,
                        uint32_t colour_b) {
    const char* label = decoding_label(picture);
    bench::probe_begin(label);
    gpuBuf* texture = uncomp(picture, width, colour_a, colour_b);
    bench::probe_end(label);
    std::printf("piece %s frames 1\n", label);
    return texture;
}

// Plays count frames through frame(), measuring the frames from skip on as
// one piece; false if the scene ended first.
template <class Frame>
bool play(gpuSharedArea* area, int skip, int count, const char* label, Frame frame) {
    const int last = skip + count - 1;
    for (int i = 0; i <= last; ++i) {
        if (i == skip) bench::probe_begin(label);
        const bool more = frame();
        if (i == last) bench::probe_end(label);
        catch_up(area);
        if (!more && i != last) return false;
    }
    std::printf("piece %s frames %d\n", label, count);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    Options o;
    if (!parse(argc, argv, o)) {
        std::fprintf(stderr, "usage: demo-frames SCENE(1|2) FRAMES [SKIP] [--no-scene1]\n");
        return 2;
    }
    gpuSharedArea* area = open_local_area();
    if (area == nullptr) return 1;
    seed_random(1);
    Fix_trig_init();
    demo_reset_state();

    // A blank texture stands in for the screen capture: the capture needs the
    // frame buffer device and is not per-frame work.
    prepare_scene1(gpuAlloc(9, 512, false), measured_uncomp);
    catch_up(area);
    int scene1_index = 0;
    if (o.scene == 1) {
        if (!play(area, o.skip, o.frames, "scene1 frames",
                  [&] { return scene1_frame(scene1_index); })) {
            std::fprintf(stderr, "demo-frames: scene 1 has fewer frames than asked for\n");
            return 1;
        }
        return 0;
    }

    if (o.play_scene1) {
        while (scene1_frame(scene1_index))
            catch_up(area);
        catch_up(area);
    }
    Scene2State scene2_state = begin_scene2(measured_uncomp);
    catch_up(area);
    if (!play(area, o.skip, o.frames, "scene2 frames",
              [&] { return scene2_frame(scene2_state); })) {
        std::fprintf(stderr, "demo-frames: scene 2 has fewer frames than asked for\n");
        return 1;
    }
    end_scene2(scene2_state);
    return 0;
}
