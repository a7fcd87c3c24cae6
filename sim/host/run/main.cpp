// handheld-sim: runs a command inside a simulated handheld. See usage_text
// in options.cpp and docs/simulator.md.
#include "capture_recorder.h"
#include "child_process.h"
#include "console.h"
#include "contact_sheet.h"
#include "core_control.h"
#include "emulated_core.h"
#include "fault_guard.h"
#include "ffmpeg_video.h"
#include "frame_digest.h"
#include "guardian.h"
#include "host_config.h"
#include "host_error.h"
#include "menu_screen.h"
#include "options.h"
#include "picture_file.h"
#include "png_frames.h"
#include "renderer_image.h"
#include "replay.h"
#include "shown_digests.h"
#include "signals.h"
#include "sim_dir.h"
#include "sim_memory.h"
#include "simulator.h"
#include "window.h"
#include "y4m_writer.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <unistd.h>

namespace sim {
namespace {

// The renderer image lies beside the simulator's own executable.
std::string renderer_image_path() {
    char self[4096];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return std::string("<bin>/") + renderer_image_file_name;
    std::string path(self, static_cast<size_t>(n));
    return path.substr(0, path.rfind('/') + 1) + renderer_image_file_name;
}

bool display_present() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return true;
    }
    return false;
}

std::unique_ptr<out::Window> open_window(WindowChoice choice, int scale) {
    if (choice == WindowChoice::off) return nullptr;
    if (scale == 0) scale = config::window_scale;
    if (choice == WindowChoice::on) return out::Window::open(scale);
    if (!out::Window::supported() || !display_present()) return nullptr;
    try {
        return out::Window::open(scale);
    } catch (const HostError& e) {
        print_message(std::string(e.what()) + "; running without a window");
        return nullptr;
    }
}

bool ends_with(const std::string& text, const char* tail) {
    const std::string t = tail;
    return text.size() >= t.size() && text.compare(text.size() - t.size(), t.size(), t) == 0;
}

std::string hex_word(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", value);
    return text;
}

void print_summary(const RunResult& r, int exit_status) {
    const double seconds = static_cast<double>(r.nanoseconds) / 1e9;
    const double fps = seconds > 0 ? static_cast<double>(r.frames) / seconds : 0.0;
    char cycles[96] = "";
    if (r.cycles_modelled)
        std::snprintf(cycles, sizeof cycles, "worst_frame_cycles=%llu stale_reads=%llu ",
                      static_cast<unsigned long long>(r.worst_frame_cycles),
                      static_cast<unsigned long long>(r.stale_reads));
    std::fprintf(stderr,
                 "handheld-sim: summary: frames=%llu seconds=%.3f fps=%.1f renderer_errors=%llu "
                 "%sexit_status=%d\n",
                 static_cast<unsigned long long>(r.frames), seconds, fps,
                 static_cast<unsigned long long>(r.renderer_errors), cycles, exit_status);
}

const cycles::MemoryTiming& chosen_memory_timing(const Options& options) {
    const cycles::MemoryTiming* timing = cycles::find_memory_timing(options.memory_timing);
    return timing != nullptr ? *timing : cycles::default_memory_timing();
}

// The cycle model's totals into the summary, and the first stale read, if
// any, named on its own line: a program that would read old data on the
// handheld.
void note_cycle_summary(const EmulatedCore& core, RunResult& result) {
    CycleSummary s;
    if (!core.cycle_summary(s)) return;
    result.cycles_modelled = true;
    result.worst_frame_cycles = s.worst_frame_cycles;
    result.stale_reads = s.stale_reads;
    if (s.stale_seen)
        print_message("stale reads: " + std::to_string(s.stale_reads) + ", the first of " +
                      hex_word(s.first_stale.address) + " at pc " + hex_word(s.first_stale.pc) +
                      " (the cache held " + hex_word(s.first_stale.cached) + ", memory " +
                      hex_word(s.first_stale.memory) + ")");
    if (s.unknown_cache_operations != 0)
        print_message(std::to_string(s.unknown_cache_operations) +
                      " writes to the cache-operations register that this core does not have "
                      "were ignored");
}

std::vector<std::unique_ptr<out::FrameSink>> open_outputs(const Options& options) {
    std::vector<std::unique_ptr<out::FrameSink>> outputs;
    if (ends_with(options.video, ".y4m"))
        outputs.push_back(std::make_unique<out::Y4mWriter>(options.video));
    else if (ends_with(options.video, ".mp4"))
        outputs.push_back(std::make_unique<out::FfmpegVideo>(options.video));
    if (!options.png_dir.empty())
        outputs.push_back(std::make_unique<out::PngFrames>(options.png_dir, options.png_frames));
    if (!options.contact_sheet.empty())
        outputs.push_back(std::make_unique<out::ContactSheet>(options.contact_sheet));
    if (options.frame_digest) outputs.push_back(std::make_unique<out::FrameDigest>());
    return outputs;
}

std::unique_ptr<CaptureRecorder> open_capture(const Options& options) {
    if (options.capture.empty()) return nullptr;
    return std::make_unique<CaptureRecorder>(options.capture, !options.capture_digests_only);
}

// Everything a run or a replay writes to, opened before anything runs, so
// that an unwritable path or a missing encoder is reported first.
struct RunOutputs {
    explicit RunOutputs(const Options& options)
        : files(open_outputs(options)), capture(open_capture(options)),
          screenshots(options.screenshots_dir.empty() ? "." : options.screenshots_dir,
                      !options.screenshots_dir.empty()),
          shown_digests(options.shown_digests.empty()
                            ? nullptr
                            : std::make_unique<out::ShownDigests>(options.shown_digests)),
          window(open_window(options.window, options.scale)) {}

    // Hands the outputs to a run's or a replay's setup.
    template <class Setup> void attach(Setup& setup) const {
        setup.window = window.get();
        setup.screenshots = &screenshots;
        setup.shown_digests = shown_digests.get();
        setup.capture = capture.get();
        for (const auto& file : files)
            setup.sinks.push_back(file.get());
        if (window) setup.sinks.push_back(window.get());
    }

    // Completes every output, even after one has failed; a failure sets
    // status.
    void finish(const RunResult& result, int& status) {
        const auto guarded = [&status](auto&& complete) {
            try {
                complete();
            } catch (const HostError& e) {
                print_message(e.what());
                status = exit_simulator_failure;
            }
        };
        if (shown_digests) guarded([&] { shown_digests->finish(); });
        for (auto& file : files)
            guarded([&] { file->finish(result.frames); });
        if (capture) guarded([&] { capture->finish(); });
    }

    std::vector<std::unique_ptr<out::FrameSink>> files;
    std::unique_ptr<CaptureRecorder> capture;
    const out::Screenshots screenshots;
    std::unique_ptr<out::ShownDigests> shown_digests;
    std::unique_ptr<out::Window> window;
};

// Draws a capture with no command: no devices, no processes. The capture is
// read and checked whole before any output is created.
int replay(const Options& options) {
    // While the simulator is one thread: an emulated core's memory file is
    // removed even if the simulator is killed outright.
    std::unique_ptr<Guardian> guardian;
    if (options.second_core == SecondCoreKind::emulated) {
        guardian = std::make_unique<Guardian>();
        helper_processes().push_back(guardian->pid());
    }
    capture::CaptureReplay source;
    if (!source.load_file(options.replay))
        throw HostError("cannot replay '" + options.replay + "': " + source.error());
    signals::install();
    RunOutputs out(options);

    ReplaySetup setup;
    setup.fast = options.fast;
    setup.progress = options.progress;
    setup.frame_limit = options.frame_limit;
    setup.second_core = options.second_core;
    setup.emulated.program = renderer_image_path();
    setup.emulated.instructions = options.instructions;
    setup.emulated.cycles = options.cycles;
    setup.emulated.memory_timing = &chosen_memory_timing(options);
    setup.emulated.guardian = guardian.get();
    out.attach(setup);

    RunResult result;
    int status = 0;
    try {
        run_replay(source, setup, result);
        if (result.window_closed) {
            print_message("the window was closed; stopping the replay");
            status = 1;
        } else if (result.stop_signal != 0) {
            status = 128 + result.stop_signal;
        }
    } catch (const HostError& e) {
        print_message(e.what());
        status = exit_simulator_failure;
    }
    out.finish(result, status);
    print_summary(result, status);
    return status;
}

int simulate(const Options& options) {
    if (!options.replay.empty()) return replay(options);
    // First, while the simulator is still one thread: the guardian cleans up
    // after a simulator that is killed outright.
    Guardian guardian;
    helper_processes().push_back(guardian.pid());
    const RgbImage menu = options.menu.empty()
                              ? draw_menu_screen()
                              : load_picture(options.menu, config::fb_width, config::fb_height);
    signals::install();

    // Outputs first: an unwritable path or a missing encoder is reported
    // before anything runs.
    RunOutputs out(options);

    SimDir dir(to_rgb565_le(menu));
    guardian.watch(dir.path());
    fault_guard::arm(dir.path());
    SimMemory memory(dir.mem_fd());
    CoreControl core(memory, options.renderer_now, options.second_core);
    // The emulated core's thread ends before the memory it runs on is
    // unmapped: it is made after the memory and goes first.
    std::unique_ptr<EmulatedCore> emulated;
    if (options.second_core == SecondCoreKind::emulated)
        emulated = std::make_unique<EmulatedCore>(memory, dir.path() + "/" + config::fb_file_name,
                                                  config::core_stall_limit_ns, out.capture.get());
    if (emulated && !options.instructions.empty())
        emulated->count_instructions(options.instructions);
    if (emulated && !options.cycles.empty())
        emulated->model_cycles(options.cycles, chosen_memory_timing(options));
    if (out.window) out.window->show(menu.rgb.data());

    RunSetup setup;
    setup.fast = options.fast;
    setup.progress = options.progress;
    setup.memory = &memory;
    setup.core = &core;
    setup.second_core = emulated.get();
    setup.kind = options.second_core;
    setup.frame_limit = options.frame_limit;
    setup.renderer_image_path = renderer_image_path();
    out.attach(setup);

    ChildProcess child(options.command, dir.path());
    fault_guard::watch_child(child.pid());
    setup.child = &child;
    RunResult result;
    int status = 0;
    try {
        run_simulation(setup, result);
        if (result.window_closed) {
            print_message("the window was closed; stopping the command");
            child.stop(SIGTERM, config::child_stop_grace_ns);
            status = child.exit_status() != 0 ? child.exit_status() : 1;
        } else if (result.frame_limit_reached) {
            print_message(std::to_string(result.frames) +
                          " frames displayed, as --frames asked; stopping the command");
            child.stop(SIGTERM, config::child_stop_grace_ns);
            status = 0;
        } else {
            status = child.exit_status();
        }
    } catch (const HostError& e) {
        print_message(e.what());
        child.stop(SIGTERM, config::child_stop_grace_ns);
        status = exit_simulator_failure;
    }

    if (emulated) note_cycle_summary(*emulated, result);
    // The core stops before the command's leftovers go, so that it sees no
    // memory change under it.
    emulated.reset();
    out.finish(result, status);
    // Leftovers of the command go before the summary, which must stay the
    // last line on stderr.
    child.stop(SIGKILL, 0);
    ChildProcess::end_leftovers(helper_processes());
    print_summary(result, status);
    return status;
}

// A failure while setting up still ends with the summary, so that whoever
// parses it always finds it.
int simulate_or_report(const Options& options) {
    try {
        return simulate(options);
    } catch (const HostError& e) {
        print_message(e.what());
        print_summary(RunResult{}, exit_simulator_failure);
        return exit_simulator_failure;
    }
}

} // namespace
} // namespace sim

int main(int argc, char** argv) {
    using namespace sim;
    Options options;
    try {
        options = parse_options(argc, argv);
    } catch (const HostError& e) {
        std::fprintf(stderr, "handheld-sim: %s\nTry 'handheld-sim --help' for more information.\n",
                     e.what());
        return exit_simulator_failure;
    }
    if (options.help) {
        std::fputs(usage_text, stdout);
        return 0;
    }
    return simulate_or_report(options);
}
