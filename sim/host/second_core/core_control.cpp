#include "core_control.h"

#include "host_config.h"
#include "image_check.h"
#include "renderer_image.h"

#include <algorithm>
#include <iterator>

namespace sim {
namespace {

// The emulated core runs whatever it is given, but the 64-byte stand-in
// image of earlier builds is data only: running it would fault at its first
// word. It starts with this signature.
constexpr uint8_t stand_in_signature[8] = {'L', 'F', 'R', 'E', 'N', 'D', 'R', 0};

std::string emulated_program_problem(const uint8_t* bytes) {
    if (std::equal(std::begin(stand_in_signature), std::end(stand_in_signature), bytes))
        return "it is the stand-in renderer image, which holds no code; load the second "
               "core's program, or run the stand-in with --second-core native";
    // It would run, but with its header where the exception vectors belong
    // and without the start code that sets the core's caches up.
    if (second_core::is_version_1_image(bytes, config::core_memory_bytes))
        return "it holds a renderer image of version 1, from before the exception vectors and "
               "the cache setup; rebuild renderer.img";
    return {};
}

} // namespace

CoreControl::CoreControl(SimMemory& memory, bool renderer_now, SecondCoreKind kind)
    : memory_(memory), kind_(kind), start_now_(renderer_now) {
    // Nothing watches the registers yet, so the order of these stores does
    // not matter; later the loader changes them through its own mapping.
    if (renderer_now) {
        memory_.write_register(config::reg_core_control, config::core_control_running);
        memory_.write_register(config::reg_core_enable, config::core_enable_running);
    } else {
        memory_.write_register(config::reg_core_control, config::core_control_held);
        memory_.write_register(config::reg_core_enable, config::core_enable_held);
    }
}

bool CoreControl::released() const {
    const uint16_t control = memory_.read_register(config::reg_core_control);
    const uint16_t enable = memory_.read_register(config::reg_core_enable);
    return (control & config::core_control_hold_bit) == 0 &&
           (enable & config::core_enable_bit) != 0;
}

CoreEvent CoreControl::poll() {
    if (start_now_) {
        start_now_ = false;
        state_ = State::renderer;
        memory_.write_register(config::reg_core_release_mark, config::core_release_mark);
        return CoreEvent::renderer_started;
    }
    const bool running = released();
    if (state_ == State::held) {
        if (!running) return CoreEvent::none;
        refusal_ = kind_ == SecondCoreKind::native
                       ? renderer_image_problem(memory_.core_memory())
                       : emulated_program_problem(memory_.core_memory());
        state_ = refusal_.empty() ? State::renderer : State::idle;
        memory_.write_register(config::reg_core_release_mark, config::core_release_mark);
        return refusal_.empty() ? CoreEvent::renderer_started : CoreEvent::foreign_program;
    }
    // Held and released again since the last look: as good as held now,
    // and the next look starts what was loaded.
    const bool reloaded =
        memory_.read_register(config::reg_core_release_mark) != config::core_release_mark;
    if (running && !reloaded) return CoreEvent::none;
    const bool was_renderer = state_ == State::renderer;
    state_ = State::held;
    return was_renderer ? CoreEvent::renderer_stopped : CoreEvent::none;
}

} // namespace sim
