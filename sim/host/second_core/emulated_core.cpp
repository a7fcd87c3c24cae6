#include "emulated_core.h"

#include "display.h"
#include "host_clock.h"
#include "host_config.h"
#include "host_error.h"
#include "render_state.h"
#include "shared_access.h"
#include "shared_waiters.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <pthread.h>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace sim {
namespace {

std::string hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", value);
    return text;
}

// RGB 5:6:5 to 8 bits a channel, the top bits repeated into the bottom ones
// so that white stays white.
void rgb565_to_rgb(const uint8_t* src, renderer::RgbFrame& frame) {
    frame.width = config::fb_width;
    frame.height = config::fb_height;
    frame.rgb.resize(size_t{3} * config::fb_width * config::fb_height);
    for (size_t i = 0; i < size_t{config::fb_width} * config::fb_height; ++i) {
        const uint32_t pixel = src[2 * i] | static_cast<uint32_t>(src[2 * i + 1]) << 8;
        const uint32_t r = pixel >> 11, g = (pixel >> 5) & 0x3F, b = pixel & 0x1F;
        frame.rgb[3 * i] = static_cast<uint8_t>(r << 3 | r >> 2);
        frame.rgb[3 * i + 1] = static_cast<uint8_t>(g << 2 | g >> 4);
        frame.rgb[3 * i + 2] = static_cast<uint8_t>(b << 3 | b >> 2);
    }
}

} // namespace

EmulatedCore::EmulatedCore(SimMemory& memory, const std::string& fb_path, int64_t stall_limit_ns,
                           CaptureRecorder* capture)
    : memory_(memory), area_(memory.shared_area()), mailbox_(gpu_display_mailbox(area_)),
      stall_limit_ns_(stall_limit_ns), consumed_(area_, capture) {
    if (!ArmEngine::supported()) ArmEngine::create(nullptr, 0); // throws the reason
    fb_fd_ = ::open(fb_path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fb_fd_ < 0) throw_errno("cannot open the frame buffer " + fb_path);
}

EmulatedCore::~EmulatedCore() {
    end_run();
    if (instruction_file_) {
        try {
            instruction_file_->close();
        } catch (const HostError&) {
            // Already past the summary's counts; the file is only a figure.
        }
    }
    if (cycle_report_) {
        try {
            cycle_report_->close();
        } catch (const HostError&) {
            // As above.
        }
    }
    if (fb_fd_ >= 0) ::close(fb_fd_);
}

// A new engine for every start: the program may have been replaced, and a
// fresh core starts with nothing of the old one.
void EmulatedCore::start() {
    end_run();
    // The mailbox starts empty, with the scan-out present and a renderer
    // on its way, before the program can look at it.
    platform::shared_store(&mailbox_->posted, 0);
    platform::shared_store(&mailbox_->taken, 0);
    platform::shared_store(&mailbox_->scanout_ack, 0);
    platform::shared_store(&mailbox_->drained, gpu_display_not_drained);
    platform::shared_store(&mailbox_->magic, gpu_display_mailbox_starting);
    platform::shared_publish(&mailbox_->scanout_present, gpu_display_scanout_magic);
    engine_ = ArmEngine::create(memory_.core_memory_for_emulation(), config::core_memory_bytes);
    if (instruction_file_) engine_->count_instructions();
    if (cycle_report_) {
        cycle_report_->restart(platform::shared_load(&area_->fifo_read));
        engine_->model_cycles(cycle_report_->model(),
                              [report = cycle_report_.get()] { report->probe(); });
    }
    run_ended_.store(false);
    last_fifo_read_ = platform::shared_load(&area_->fifo_read);
    consumed_.restart(last_fifo_read_);
    last_frame_count_ = platform::shared_load(&area_->frame_count);
    ArmEngine* engine = engine_.get();
    thread_ = std::thread([this, engine] {
        end_ = engine->run_from_start(0);
        run_ended_.store(true, std::memory_order_release);
    });
    if (::pthread_getcpuclockid(thread_.native_handle(), &core_clock_) != 0)
        core_clock_ = CLOCK_MONOTONIC;
    progress_time_ns_ = core_time_ns();
}

void EmulatedCore::stop() {
    end_run();
}

// The engine may not yet have begun when asked to stop, and would then miss
// the request: it is repeated until the run has ended.
ArmRunEnd EmulatedCore::halt() {
    if (!thread_.joinable()) return {};
    while (!run_ended_.load(std::memory_order_acquire)) {
        engine_->stop();
        sleep_ns(200'000);
    }
    thread_.join();
    // Nothing answers in the mailbox any more, and it says so, so that a
    // display program asked to stop does not wait for frames the held core
    // will never post.
    platform::shared_store(&mailbox_->magic, 0);
    if (instruction_file_) instructions_before_ += engine_->instructions();
    engine_.reset();
    return end_;
}

// A fault that raced with the stop no longer matters: the core is held.
void EmulatedCore::end_run() {
    halt();
}

int EmulatedCore::step(int /*budget*/, bool /*stop_after_show*/) {
    check_fault();
    if (platform::shared_load(&mailbox_->scanout_present) != gpu_display_scanout_magic)
        platform::shared_publish(&mailbox_->scanout_present, gpu_display_scanout_magic);

    const uint32_t frame_count = platform::shared_load_acquire(&area_->frame_count);
    const uint32_t fifo_read = platform::shared_load_acquire(&area_->fifo_read);
    const uint32_t error_code = platform::shared_load(&area_->error_code);
    if (error_code != 0 && error_code != last_error_code_) ++errors_;
    last_error_code_ = error_code;
    consumed_.advance(fifo_read, frame_count);
    const bool moved = fifo_read != last_fifo_read_ || frame_count != last_frame_count_;
    if (moved) wake_shared_area_waiters(area_);
    last_fifo_read_ = fifo_read;
    last_frame_count_ = frame_count;

    watch_progress(moved);
    return moved || pending_shows() > 0 ? 1 : 0;
}

void EmulatedCore::check_fault() {
    if (!thread_.joinable() || !run_ended_.load(std::memory_order_acquire)) return;
    const ArmRunEnd end = halt();
    if (end.kind == ArmRunEnd::Kind::fault)
        fail(end.fault, (end.pc_is_block_start ? "in the code from pc " : "at pc ") + hex(end.pc));
    fail("the program stopped by itself", "at pc " + hex(end.pc));
}

// The processor time of the core's thread: unlike the clock on the wall, it
// does not run on while a busy machine gives the thread no processor.
int64_t EmulatedCore::core_time_ns() const {
    timespec t{};
    if (::clock_gettime(core_clock_, &t) != 0) return monotonic_ns();
    return int64_t{t.tv_sec} * 1'000'000'000 + t.tv_nsec;
}

// A core that leaves the client's commands unread for several seconds of its
// own running time has hung. Time it spends waiting for the display does not
// count.
void EmulatedCore::watch_progress(bool moved) {
    if (!thread_.joinable()) return;
    const int64_t spent = core_time_ns();
    const bool work_waiting =
        platform::shared_load(&area_->fifo_write) != last_fifo_read_ && pending_shows() == 0;
    if (moved || !work_waiting) {
        progress_time_ns_ = spent;
        return;
    }
    if (spent - progress_time_ns_ < stall_limit_ns_) return;
    const ArmRunEnd end = halt();
    std::string what = "no progress in " + std::to_string(stall_limit_ns_ / 1'000'000'000) +
                       " seconds of running while the FIFO holds commands";
    if (platform::shared_load(&mailbox_->posted) != platform::shared_load(&mailbox_->taken))
        what += "; the display program has not taken the posted buffer (is it running?)";
    fail(what, "at pc " + hex(end.pc));
}

void EmulatedCore::fail(const std::string& what, const std::string& where) {
    throw HostError("second core fault: " + what + ", " + where + "; the emulated core is stopped");
}

size_t EmulatedCore::pending_shows() const {
    if (platform::shared_load(&mailbox_->scanout_present) != gpu_display_scanout_magic) return 0;
    const uint32_t taken = platform::shared_load_acquire(&mailbox_->taken);
    return taken != platform::shared_load(&mailbox_->scanout_ack) ? 1 : 0;
}

// The posted buffer cannot change before the acknowledgement, so its words
// are the ones on display.
uint64_t EmulatedCore::next_shown_digest() const {
    if (pending_shows() == 0) return 0;
    const gpuBufLoc loc{platform::shared_load(&mailbox_->address),
                        platform::shared_load(&mailbox_->log2_width),
                        platform::shared_load(&mailbox_->height)};
    return renderer::visible_words_digest(area_->video_mem, renderer::check_buffer(loc));
}

bool EmulatedCore::display_next(renderer::RgbFrame& frame) {
    if (pending_shows() == 0) return false;
    std::vector<uint8_t> pixels(config::fb_bytes);
    const ssize_t n = ::pread(fb_fd_, pixels.data(), pixels.size(), 0);
    if (n != static_cast<ssize_t>(pixels.size()))
        throw HostError("cannot read the emulated frame buffer" +
                        std::string(n < 0 ? std::string(": ") + std::strerror(errno) : ""));
    rgb565_to_rgb(pixels.data(), frame);
    acknowledge();
    return true;
}

bool EmulatedCore::advance_display() {
    if (pending_shows() == 0) return false;
    acknowledge();
    return true;
}

void EmulatedCore::count_instructions(const std::string& path) {
    instruction_file_ = std::make_unique<out::OutputFile>(path, "instruction counts");
}

void EmulatedCore::model_cycles(const std::string& path, const cycles::MemoryTiming& timing) {
    cycle_report_ = std::make_unique<CycleReport>(path, timing, memory_.core_memory_for_emulation(),
                                                  config::core_memory_bytes, area_);
}

bool EmulatedCore::cycle_summary(CycleSummary& summary) const {
    if (!cycle_report_) return false;
    summary = cycle_report_->summary();
    return true;
}

// Before the display moves on, so that every texture a consumed command
// selected is read back while the client still leaves it alone.
void EmulatedCore::catch_up() {
    const uint32_t frame_count = platform::shared_load_acquire(&area_->frame_count);
    consumed_.advance(platform::shared_load_acquire(&area_->fifo_read), frame_count);
}

void EmulatedCore::acknowledge() {
    catch_up();
    if (cycle_report_) cycle_report_->frame_displayed(frames_shown_);
    if (instruction_file_) {
        const uint64_t total = instructions_before_ + (engine_ ? engine_->instructions() : 0);
        const std::string line = std::to_string(frames_shown_) + " " +
                                 std::to_string(total - instructions_at_frame_) + "\n";
        instruction_file_->write(line.data(), line.size());
        instructions_at_frame_ = total;
    }
    ++frames_shown_;
    platform::shared_publish(&mailbox_->scanout_ack, platform::shared_load(&mailbox_->taken));
}

// The program keeps its own queue of shown buffers, out of sight: the core
// is done only when it has displayed (frame_count) every show it consumed.
bool EmulatedCore::idle() const {
    const uint32_t fifo_read = platform::shared_load(&area_->fifo_read);
    if (platform::shared_load(&area_->fifo_write) != fifo_read || pending_shows() != 0)
        return false;
    // The program may have consumed the last commands since the loop last
    // read them back: their shows are not counted yet, and frame_count would
    // seem to have caught up with a show still to come. Only a count taken
    // up to this very fifo_read can tell that every show was displayed.
    if (consumed_.read_position() != fifo_read) return false;
    const uint32_t frame_count = platform::shared_load(&area_->frame_count);
    if (platform::shared_load(&mailbox_->posted) == platform::shared_load(&mailbox_->taken) &&
        frame_count == consumed_.shows_since_reset()) {
        stalled_since_ = 0;
        return true;
    }
    // The core's own running time, as for a hang: on a busy machine the
    // clock on the wall runs on while the core waits for a processor, and a
    // run would end with shows not yet displayed.
    const int64_t now = core_time_ns();
    if (stalled_since_ == 0 || frame_count != stalled_frame_count_) {
        stalled_since_ = now;
        stalled_frame_count_ = frame_count;
    }
    return now - stalled_since_ > config::display_stall_limit_ns;
}

} // namespace sim
