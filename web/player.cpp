#include "player.h"

#include "gpu_testing.h"
#include "menu_texture.h"
#include "packed_picture.h"
#include "random_stream.h"
#include "web_config.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace web {
namespace {

// The shared area is a block of the module's own memory of the real size;
// static, so it costs nothing in the module file and starts zeroed.
gpuSharedArea area;

} // namespace

Player::Player() : renderer_(&area) {}

Player& player() {
    static Player the_player;
    return the_player;
}

void Player::start(uint32_t seed, bool digests) {
    seed_random(seed);
    Fix_trig_init();
    demo_reset_state();
    gpu_mm_reset();

    // Memory as the simulator's fresh device file holds it, and a renderer
    // in its start state, so a restart replays the run exactly.
    std::memset(&area, 0, sizeof area);
    renderer_.reset();
    frames_.clear(true, digests);
    digests_ = digests;
    picture_from_ = 0;
    commands_ = sim::capture::CommandDigest{};
    renderer_.set_capture(digests ? &digest_sink_ : nullptr);

    // The client's opening handshake without the memory device: the area is
    // there already, so only the reset is queued, and frame_count reads 0.
    shared = &area;
    static const gpuCmdReset reset = {gpu_op_reset};
    FATAL_ASSERT(gpuWrite(&reset, sizeof reset, true) == gpuOK, "0", "web", __LINE__, "start");
    drain_renderer();

    prepare_scene1(grab_builtin_menu_texture(), uncomp);
    stage_ = Stage::scene1;
    scene1_index_ = 0;
    frames_played_ = 0;
}

bool Player::play_frame() {
    switch (stage_) {
    case Stage::scene1:
        if (!scene1_frame(scene1_index_)) {
            scene2_ = begin_scene2(uncomp);
            stage_ = Stage::scene2;
        }
        break;
    case Stage::scene2:
        if (!scene2_frame(scene2_)) end_run();
        break;
    case Stage::finished:
        return false;
    }
    ++frames_played_;
    drain_renderer();
    return true;
}

void Player::play_to_end_in_waits() {
    frames_.clear(false, true);
    if (stage_ == Stage::scene1) {
        scene1();
        scene2();
        frames_played_ = config::total_frames;
        stage_ = Stage::finished;
    }
    drain_renderer();
}

void Player::end_run() {
    end_scene2(scene2_);
    stage_ = Stage::finished;
}

void Player::display_one() {
    if (frames_.displayed() < picture_from_ && !digests_) {
        if (renderer_.advance_display()) frames_.push_unseen();
        return;
    }
    if (renderer_.display_next(scratch_)) frames_.push(scratch_);
}

void Player::drain_renderer() {
    for (;;) {
        const int executed = renderer_.step(config::commands_per_wait_pause);
        const bool had_shows = renderer_.pending_shows() > 0;
        while (renderer_.pending_shows() > 0)
            display_one();
        if (executed == 0 && !had_shows) return;
    }
}

void Player::run_renderer_for_wait() {
    if (renderer_.step(config::commands_per_wait_pause) > 0) return;
    if (renderer_.pending_shows() > 0) {
        display_one();
        return;
    }
    // Nothing queued and nothing to display: the client waits for room or
    // memory that only its own earlier buffers could give back.
    std::fprintf(stderr, "web: the demo waits for the renderer, which has nothing left to do\n");
    std::abort();
}

} // namespace web
