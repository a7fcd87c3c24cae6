// An ARMv4T core (ARM and Thumb state, no floating point) running on a block
// of host memory the caller owns: second-core address A is byte A of the
// block, and any access beyond it is a fault. It keeps its control
// coprocessor as an ARM940T-class core does (cycle_model/control_coprocessor.h):
// once the program turns its protection unit on, an access the regions do
// not permit on its side (instruction fetch or data) is a fault too. Built
// over the Unicorn engine when the build found it; otherwise a variant that
// says emulation is not in this build.
#pragma once

#include "cycle_model/cycle_model.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace sim {

struct ArmRunEnd {
    enum class Kind { stopped, budget_spent, fault };
    Kind kind = Kind::stopped;
    std::string fault; // what went wrong, in a few words, for a fault
    uint32_t pc = 0;   // where
    // For a bad load or store the engine knows only the start of the run of
    // code it was in, not the instruction itself.
    bool pc_is_block_start = false;
};

class ArmEngine {
  public:
    // Whether this build can emulate at all.
    static bool supported();
    // A core over memory[0, bytes), which must stay mapped while it lives.
    // Throws HostError when the build has no engine or it cannot start.
    static std::unique_ptr<ArmEngine> create(uint8_t* memory, size_t bytes);

    virtual ~ArmEngine() = default;
    // Resets the core and runs from address 0 in ARM state with interrupts
    // masked until stop(), a fault or (when not 0) that many instructions.
    // Code already translated is forgotten first, so a reloaded program runs
    // as loaded.
    virtual ArmRunEnd run_from_start(uint64_t max_instructions) = 0;
    // Asks a run on another thread to end soon; a no-op when none runs.
    virtual void stop() = 0;

    // From now on, counts the instructions executed (at a cost in speed);
    // call before run_from_start. instructions() may be read from any thread.
    virtual void count_instructions() = 0;
    virtual uint64_t instructions() const = 0;

    // From now on, tells model every instruction, data access and control
    // coprocessor write (at a greater cost in speed); call before
    // run_from_start. The model must outlive the runs. probe, if given, is
    // called on the core's thread at each run of code, to tell the model
    // what the program is doing (idle, a frame done).
    virtual void model_cycles(cycles::CycleModel& model, std::function<void()> probe = {}) = 0;
};

} // namespace sim
