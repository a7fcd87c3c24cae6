// The calls the page's script makes into the module. Everything crosses as
// plain numbers; a frame's pixels are read straight from module memory.
#include "player.h"
#include "web_config.h"

#include <emscripten/emscripten.h>

using web::player;

namespace {

uint32_t digest_half(uint64_t digest, int high) {
    return static_cast<uint32_t>(high ? digest >> 32 : digest);
}

} // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE void lf_start(uint32_t seed, int digests) {
    player().start(seed, digests != 0);
}

// Plays one frame of the script; 0 once the run is over.
EMSCRIPTEN_KEEPALIVE int lf_play_frame() {
    return player().play_frame() ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE void lf_play_to_end_in_waits() {
    player().play_to_end_in_waits();
}

EMSCRIPTEN_KEEPALIVE int lf_finished() {
    return player().finished() ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE uint32_t lf_frames_played() {
    return player().frames_played();
}

EMSCRIPTEN_KEEPALIVE uint32_t lf_frames_displayed() {
    return player().frames().displayed();
}

EMSCRIPTEN_KEEPALIVE uint32_t lf_total_frames() {
    return web::config::total_frames;
}

EMSCRIPTEN_KEEPALIVE uint32_t lf_scene1_frames() {
    return web::config::scene1_frames;
}

EMSCRIPTEN_KEEPALIVE uint32_t lf_queue_length() {
    return static_cast<uint32_t>(player().frames().size());
}

// The oldest queued frame: its number and its 320 x 240 RGBA pixels.
EMSCRIPTEN_KEEPALIVE uint32_t lf_queue_front_number() {
    return player().frames().front().number;
}

EMSCRIPTEN_KEEPALIVE const uint8_t* lf_queue_front_rgba() {
    return player().frames().front().rgba.data();
}

// 1 when the oldest queued frame carries its picture.
EMSCRIPTEN_KEEPALIVE int lf_queue_front_has_picture() {
    return player().frames().front().rgba.empty() ? 0 : 1;
}

// Frames numbered below n are displayed without their pictures.
EMSCRIPTEN_KEEPALIVE void lf_picture_from(uint32_t n) {
    player().picture_from(n);
}

EMSCRIPTEN_KEEPALIVE void lf_queue_pop() {
    player().frames().pop();
}

EMSCRIPTEN_KEEPALIVE uint32_t lf_command_digest(int high) {
    return digest_half(player().command_digest(), high);
}

EMSCRIPTEN_KEEPALIVE uint32_t lf_frame_digest(int high) {
    return digest_half(player().frames().digest(), high);
}

EMSCRIPTEN_KEEPALIVE uint32_t lf_renderer_errors() {
    return static_cast<uint32_t>(player().renderer_errors());
}

} // extern "C"
