// The second core as the control registers describe it. The loader holds the
// core (bit 7 of 0x3B48 set, or bit 0 of 0x0904 clear), copies a program to
// physical 0x02000000 and releases it. On release the simulated core looks
// at what was loaded: natively, the renderer image starts the built-in
// renderer and anything else leaves the core idle; emulated, any program
// runs but the stand-in image, which holds no code. Holding the core again
// stops it.
#pragma once

#include "second_core.h"
#include "sim_memory.h"

#include <string>

namespace sim {

enum class CoreEvent {
    none,
    renderer_started, // released with a program the core runs in place
    foreign_program,  // released with something it cannot run; see refusal()
    renderer_stopped, // held again while the renderer ran
};

class CoreControl {
  public:
    // Writes the power-on register values: held, or, with renderer_now, the
    // values a finished load leaves, and then the first poll reports
    // renderer_started without looking at memory.
    CoreControl(SimMemory& memory, bool renderer_now, SecondCoreKind kind = SecondCoreKind::native);

    // Reads the two registers and reports a change of state, if any.
    CoreEvent poll();

    bool renderer_running() const { return state_ == State::renderer; }
    // Why the last release did not start the renderer.
    const std::string& refusal() const { return refusal_; }

  private:
    enum class State { held, renderer, idle };

    bool released() const;

    SimMemory& memory_;
    SecondCoreKind kind_;
    State state_ = State::held;
    bool start_now_ = false;
    std::string refusal_;
};

} // namespace sim
