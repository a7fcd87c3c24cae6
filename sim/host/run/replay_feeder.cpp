#include "replay_feeder.h"

#include "commands.h"
#include "console.h"
#include "host_error.h"
#include "shared_access.h"
#include "texture_hash.h"

#include <algorithm>
#include <cstdio>

namespace sim {
namespace {

// The placeholder for a texture the capture has no contents for: a
// checkerboard of 8 x 8 texels in two pixel words (bytes Y, U, Y, V), a
// magenta (255, 0, 255) and a dark grey (64, 64, 64) that stand out in any
// scene.
constexpr uint32_t stand_in_light = 0xDE6BCA6Bu;
constexpr uint32_t stand_in_dark = 0x80478047u;

std::string hex64(uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%016llx", static_cast<unsigned long long>(value));
    return text;
}

} // namespace

ReplayFeeder::ReplayFeeder(const capture::CaptureReplay& capture, gpuSharedArea* area)
    : capture_(capture), area_(area) {}

bool ReplayFeeder::fifo_drained() const {
    return platform::shared_load(&area_->fifo_read) == platform::shared_load(&area_->fifo_write);
}

// One slot always stays empty, so that a full ring differs from an empty one.
uint32_t ReplayFeeder::fifo_room() const {
    const uint32_t read = platform::shared_load_acquire(&area_->fifo_read);
    const uint32_t write = platform::shared_load(&area_->fifo_write);
    return read > write ? read - write - 1 : read - write - 1 + gpu_fifo_words;
}

void ReplayFeeder::push(const uint32_t* words, uint32_t count) {
    uint32_t write = platform::shared_load(&area_->fifo_write);
    for (uint32_t i = 0; i < count; ++i) {
        area_->fifo[write] = words[i];
        write = write + 1 == gpu_fifo_words ? 0 : write + 1;
    }
    platform::shared_publish(&area_->fifo_write, write);
}

bool ReplayFeeder::feed(SecondCore& core) {
    const auto& commands = capture_.commands();
    bool wrote = false;
    while (next_ < commands.size()) {
        const capture::ReplayCommand& command = commands[next_];
        if (command.count > fifo_room()) break;
        if (command.words[0] == gpu_op_show && !show_may_follow(core)) break;
        if (command.has_texture_hash && !texture_ready(command, core)) break;
        if (command.texture_unknown && !unknown_reported_) {
            unknown_reported_ = true;
            print_message("the capture does not know the texture of some selections (its "
                          "recorder could not read them back in time); they are drawn with "
                          "whatever video memory holds");
        }
        push(command.words, command.count);
        if (command.words[0] == gpu_op_reset) shows_since_reset_ = 0;
        if (command.words[0] == gpu_op_show) ++shows_since_reset_;
        ++next_;
        wrote = true;
    }
    return wrote;
}

// The recorded program drew into a buffer only once the display had given it
// back. The capture does not hold those waits, so a show goes in only when
// every earlier one is on display: the renderer then runs at most one frame
// ahead of the display, as in fast mode, and never draws into a buffer that
// still waits for it, however slowly a paced replay displays.
bool ReplayFeeder::show_may_follow(const SecondCore& core) const {
    return fifo_drained() && all_displayed(core);
}

// The loop sees only the shows waiting for its display; a program on the
// emulated core keeps the others out of its sight. frame_count counts every
// show since the last reset, rejected ones included, once it is displayed.
bool ReplayFeeder::all_displayed(const SecondCore& core) const {
    return core.pending_shows() == 0 &&
           platform::shared_load(&area_->frame_count) == shows_since_reset_;
}

bool ReplayFeeder::texture_ready(const capture::ReplayCommand& command, SecondCore& core) {
    // Until the renderer has caught up, texture memory may still change under
    // the commands before this one.
    if (!fifo_drained()) return false;
    const renderer::BufferSel texture =
        renderer::check_buffer(renderer::buffer_location(command.words));
    // A selection the renderer rejects reads nothing.
    if (!texture.valid) return true;
    const uint64_t wanted = command.texture_hash;
    const uint64_t present = digests_.digest(area_->video_mem, texture);
    if (present == wanted) return true;
    const auto stand_in = stand_ins_.find(wanted);
    if (stand_in != stand_ins_.end() && stand_in->second == present) return true;
    // Writing may overwrite a shown buffer still waiting for display.
    if (!all_displayed(core)) return false;

    // A core that records what it consumed from outside reads the textures
    // back now, before they change.
    core.catch_up();
    const size_t count = static_cast<size_t>(texture.height) << texture.log2_width;
    uint64_t recorded_words = 0;
    if (!capture_.has_contents(wanted, recorded_words) || recorded_words != count) {
        write_stand_in(wanted, texture);
        return true;
    }
    std::string error;
    if (!capture_.texture(wanted, texels_, error))
        throw HostError("the capture is damaged: " + error);
    std::copy(texels_.begin(), texels_.end(), area_->video_mem + texture.address);
    platform::publish_fence();
    // texture() has checked that these words hash to the recorded value.
    digests_.remember(area_->video_mem, texture, wanted);
    return true;
}

void ReplayFeeder::write_stand_in(uint64_t hash, const renderer::BufferSel& texture) {
    if (!stand_in_reported_) {
        stand_in_reported_ = true;
        print_message("the capture holds no contents for texture " + hex64(hash) +
                      " (recorded with --capture-digests-only or by an older simulator); "
                      "textures without contents are drawn as a checkerboard");
    }
    uint32_t* words = area_->video_mem + texture.address;
    for (uint32_t y = 0; y < texture.height; ++y)
        for (uint32_t x = 0; x < texture.width(); ++x)
            words[(y << texture.log2_width) + x] =
                ((x >> 3) ^ (y >> 3)) & 1 ? stand_in_dark : stand_in_light;
    platform::publish_fence();
    stand_ins_[hash] = digests_.digest(area_->video_mem, texture);
}

} // namespace sim
