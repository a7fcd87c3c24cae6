#include "emulated_replay.h"

#include "core_control.h"
#include "display_loop.h"
#include "emulated_core.h"
#include "fault_guard.h"
#include "host_config.h"
#include "host_error.h"
#include "renderer_image.h"
#include "replay_feeder.h"
#include "second_core_control.h"
#include "sim_dir.h"
#include "sim_memory.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace sim {
namespace {

// The program must fit below the shared area, which starts 1 MiB into the
// second core's memory.
constexpr size_t program_room = 0x100000;

// The register block as the loader reaches it, over the simulator's mapping.
class SimRegisterBus final : public coreseed::RegisterBus {
  public:
    explicit SimRegisterBus(SimMemory& memory) : memory_(memory) {}
    uint16_t read16(uint32_t offset) override { return memory_.read_register(offset); }
    void write16(uint32_t offset, uint16_t value) override {
        memory_.write_register(offset, value);
    }

  private:
    SimMemory& memory_;
};

std::vector<uint8_t> read_program(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw HostError("cannot replay on the emulated second core: cannot open its program " +
                        path + ": " + std::strerror(errno) +
                        " (it is built beside handheld-sim as " + renderer_image_file_name + ")");
    std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    if (bytes.empty() || bytes.size() > program_room)
        throw HostError("cannot replay on the emulated second core: " + path + " holds " +
                        std::to_string(bytes.size()) +
                        " bytes; a program takes 1 to 1048576 bytes");
    return bytes;
}

// The loader's own sequence: hold the core, copy the program to its memory
// at 0, release it. The run loop then sees the release, as in a live run.
void load_program(SimMemory& memory, const std::vector<uint8_t>& program, const std::string& path) {
    SimRegisterBus bus(memory);
    coreseed::hold_second_core(bus);
    std::memcpy(memory.core_memory_for_emulation(), program.data(), program.size());
    // The capture speaks the renderer's protocol: another program would
    // never draw it, and the replay would wait for it forever.
    const std::string problem = renderer_image_problem(memory.core_memory());
    if (!problem.empty())
        throw HostError("cannot replay on the emulated second core: " + path +
                        " is not the renderer program (" + problem + ")");
    coreseed::release_second_core(bus);
}

// The emulated frame buffer, mapped for the display loop to write.
class FrameBufferMap {
  public:
    explicit FrameBufferMap(const std::string& path) {
        const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0) throw_errno("cannot open the frame buffer " + path);
        void* p = ::mmap(nullptr, config::fb_bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        ::close(fd);
        if (p == MAP_FAILED) throw_errno("cannot map the frame buffer " + path);
        pixels_ = static_cast<uint16_t*>(p);
    }
    ~FrameBufferMap() { ::munmap(pixels_, config::fb_bytes); }
    FrameBufferMap(const FrameBufferMap&) = delete;
    FrameBufferMap& operator=(const FrameBufferMap&) = delete;
    uint16_t* pixels() const { return pixels_; }

  private:
    uint16_t* pixels_ = nullptr;
};

// In a replay no main-core program runs, so the simulator does the display
// program's work itself, with that program's own loop: it takes each posted
// buffer once the scan-out has acknowledged the one before, as the program
// does. Simpler and sounder than starting the program as a command: nothing
// to find, start, pace or stop, and the replay stays one process that ends
// when the last frame is displayed.
class SelfDisplayedCore final : public SecondCore {
  public:
    SelfDisplayedCore(EmulatedCore& core, gpuSharedArea* area, uint16_t* fb)
        : core_(core), display_(area, fb) {}

    void start() override { core_.start(); }
    void stop() override { core_.stop(); }
    int step(int budget, bool stop_after_show) override {
        const bool took = core_.pending_shows() == 0 && display_.show_posted();
        return core_.step(budget, stop_after_show) + (took ? 1 : 0);
    }
    size_t pending_shows() const override { return core_.pending_shows(); }
    uint64_t next_shown_digest() const override { return core_.next_shown_digest(); }
    bool display_next(renderer::RgbFrame& frame) override { return core_.display_next(frame); }
    bool advance_display() override { return core_.advance_display(); }
    bool idle() const override { return core_.idle(); }
    bool settled() const override { return core_.settled(); }
    void catch_up() override { core_.catch_up(); }
    uint64_t error_count() const override { return core_.error_count(); }

  private:
    EmulatedCore& core_;
    display::DisplayLoop display_;
};

} // namespace

void run_emulated_replay(const capture::CaptureReplay& capture, RunSetup run,
                         const EmulatedReplaySetup& setup, RunResult& result) {
    const std::vector<uint8_t> program = read_program(setup.program);
    SimDir dir(std::vector<uint8_t>(config::fb_bytes, 0));
    if (setup.guardian != nullptr) setup.guardian->watch(dir.path());
    fault_guard::arm(dir.path());
    SimMemory memory(dir.mem_fd());
    CoreControl control(memory, false, SecondCoreKind::emulated);
    const std::string fb_path = dir.path() + "/" + config::fb_file_name;
    FrameBufferMap fb(fb_path);
    // The core's thread ends before the memory it runs on is unmapped.
    EmulatedCore core(memory, fb_path, config::core_stall_limit_ns, run.capture);
    if (!setup.instructions.empty()) core.count_instructions(setup.instructions);
    if (!setup.cycles.empty()) core.model_cycles(setup.cycles, *setup.memory_timing);
    SelfDisplayedCore displayed(core, memory.shared_area(), fb.pixels());
    load_program(memory, program, setup.program);

    ReplayFeeder feeder(capture, memory.shared_area());
    run.memory = &memory;
    run.core = &control;
    run.second_core = &displayed;
    run.kind = SecondCoreKind::emulated;
    run.feeder = &feeder;
    run_simulation(run, result);
    CycleSummary cycles;
    if (core.cycle_summary(cycles)) {
        result.cycles_modelled = true;
        result.worst_frame_cycles = cycles.worst_frame_cycles;
        result.stale_reads = cycles.stale_reads;
    }
}

} // namespace sim
