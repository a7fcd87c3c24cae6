#include "replay.h"

#include "host_error.h"
#include "native_core.h"
#include "replay_feeder.h"

#include <cerrno>
#include <cstring>
#include <sys/mman.h>

namespace sim {
namespace {

// The shared area the replay's renderer works in: anonymous memory, zeroed
// like the memory file of a fresh run.
class PrivateArea {
  public:
    PrivateArea() {
        void* p = ::mmap(nullptr, sizeof(gpuSharedArea), PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED)
            throw HostError(std::string("cannot map memory for the replay: ") +
                            std::strerror(errno));
        area_ = static_cast<gpuSharedArea*>(p);
    }
    ~PrivateArea() { ::munmap(area_, sizeof(gpuSharedArea)); }
    PrivateArea(const PrivateArea&) = delete;
    PrivateArea& operator=(const PrivateArea&) = delete;
    gpuSharedArea* get() const { return area_; }

  private:
    gpuSharedArea* area_ = nullptr;
};

} // namespace

void run_replay(const capture::CaptureReplay& capture, const ReplaySetup& setup,
                RunResult& result) {
    RunSetup run;
    run.fast = setup.fast;
    run.progress = setup.progress;
    run.sinks = setup.sinks;
    run.window = setup.window;
    run.screenshots = setup.screenshots;
    run.capture = setup.capture;
    run.shown_digests = setup.shown_digests;
    run.frame_limit = setup.frame_limit;
    if (setup.second_core == SecondCoreKind::emulated) {
        run_emulated_replay(capture, run, setup.emulated, result);
        return;
    }
    PrivateArea area;
    NativeCore core(area.get(), setup.capture, setup.fast);
    ReplayFeeder feeder(capture, area.get());
    run.second_core = &core;
    run.feeder = &feeder;
    run_simulation(run, result);
}

} // namespace sim
