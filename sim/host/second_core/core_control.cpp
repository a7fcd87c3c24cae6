#include "core_control.h"

#include "host_config.h"
#include "renderer_image.h"

namespace sim {

CoreControl::CoreControl(SimMemory& memory, bool renderer_now)
    : memory_(memory), start_now_(renderer_now) {
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
        return CoreEvent::renderer_started;
    }
    const bool running = released();
    if (state_ == State::held) {
        if (!running) return CoreEvent::none;
        refusal_ = renderer_image_problem(memory_.core_memory());
        state_ = refusal_.empty() ? State::renderer : State::idle;
        return refusal_.empty() ? CoreEvent::renderer_started : CoreEvent::foreign_program;
    }
    if (running) return CoreEvent::none;
    const bool was_renderer = state_ == State::renderer;
    state_ = State::held;
    return was_renderer ? CoreEvent::renderer_stopped : CoreEvent::none;
}

} // namespace sim
