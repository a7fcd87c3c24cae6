#include "renderer.h"

#include "commands.h"
#include "display.h"
#include "facet_drawer.h"
#include "fifo_reader.h"
#include "render_state.h"
#include "shared_access.h"

#include <array>
#include <deque>

namespace sim {

namespace {

// The length of the complete command at the head of the FIFO, or 0 when the
// client has not finished writing it (or nothing waits at all).
uint32_t next_command_length(const FifoReader& fifo) {
    const uint32_t available = fifo.available();
    if (available == 0) return 0;
    uint32_t head[2] = {fifo.peek(0), 0};
    const uint32_t header = command_header_words(head[0]);
    if (available < header) return 0;
    if (header > 1) head[1] = fifo.peek(1);
    const uint32_t length = command_length(head);
    return available < length ? 0 : length;
}

} // namespace

struct Renderer::State {
    explicit State(gpuSharedArea* shared) : area(shared), fifo(shared) {}

    gpuSharedArea* area;
    FifoReader fifo;
    RenderState render = start_state();
    // Shown buffers in queue order; an invalid location displays as black
    // but still counts, so frame_count keeps pace with the client's shows.
    std::deque<BufferSel> shows;
    uint32_t frames_displayed = 0;
    uint64_t errors = 0;
    uint64_t executed = 0;
    uint64_t resets = 0;
    // A bad fifo_write is reported once, not at every poll while it lasts.
    bool write_fault_reported = false;
    CaptureSink* capture = nullptr;
    std::array<uint32_t, max_command_words> words{};
    FacetDrawer drawer;

    uint32_t* video() { return area->video_mem; }

    void report(ErrorCode err) {
        if (err == error_none) return;
        platform::shared_store(&area->error_code, err);
        ++errors;
    }

    void reset() {
        render = start_state();
        shows.clear();
        frames_displayed = 0;
        ++resets;
        platform::shared_publish(&area->frame_count, 0);
    }

    void report_texture() {
        const BufferSel& t = render.texture;
        TextureWords texture;
        if (t.valid) texture = TextureWords{video() + t.address, t.log2_width, t.height};
        capture->texture_selected(texture);
    }

    void execute(const uint32_t* w) {
        switch (w[0]) {
        case gpu_op_reset:
            reset();
            break;
        case gpu_op_set_view:
            report(apply_set_view(w, render.view));
            break;
        case gpu_op_set_clip_planes:
            report(apply_clip_planes(w, render));
            break;
        case gpu_op_set_out_buf:
            report(apply_buffer(w, render.out));
            break;
        case gpu_op_set_txt_buf:
            report(apply_buffer(w, render.texture));
            if (capture != nullptr) report_texture();
            break;
        case gpu_op_set_z_buf:
            report(apply_buffer(w, render.depth));
            break;
        case gpu_op_show: {
            const BufferSel shown = check_buffer(buffer_location(w));
            if (!shown.valid) report(error_bad_buffer);
            shows.push_back(shown);
            break;
        }
        case gpu_op_facet:
            if (!facet_vertex_count_ok(w[1])) {
                report(error_bad_vertex_count);
            } else {
                report(drawer.draw(w, render, video()));
            }
            break;
        default:
            report(error_unknown_opcode);
            break;
        }
    }
};

Renderer::Renderer(gpuSharedArea* area) : state_(std::make_unique<State>(area)) {}

Renderer::~Renderer() = default;

void Renderer::reset() {
    state_->reset();
}

int Renderer::step(int max_commands, bool stop_after_show) {
    State& s = *state_;
    int done = 0;
    while (done < max_commands) {
        const FifoReader::Poll poll = s.fifo.poll();
        if (poll == FifoReader::Poll::bad_write) {
            if (!s.write_fault_reported) s.report(error_bad_fifo_write);
            s.write_fault_reported = true;
            break;
        }
        s.write_fault_reported = false;
        if (poll == FifoReader::Poll::bad_read) {
            // Where the next command starts is lost; the client's next
            // command will start at fifo_write, so continue from there.
            s.report(error_bad_fifo_read);
            s.fifo.resync_to_write();
            break;
        }
        const uint32_t length = next_command_length(s.fifo);
        if (length == 0) break;
        const uint32_t opcode = s.fifo.peek(0);
        if (opcode == gpu_op_show && s.shows.size() >= max_pending_shows) break;

        s.fifo.take(length, s.words.data());
        if (s.capture != nullptr) s.capture->command(s.words.data(), length);
        s.execute(s.words.data());
        ++done;
        ++s.executed;
        if (opcode == gpu_op_show && stop_after_show) break;
    }
    return done;
}

bool Renderer::fifo_empty() const {
    FifoReader fifo(state_->area);
    if (fifo.poll() != FifoReader::Poll::ok) return true;
    return next_command_length(fifo) == 0;
}

size_t Renderer::pending_shows() const {
    return state_->shows.size();
}

bool Renderer::display_next(RgbFrame& frame) {
    State& s = *state_;
    if (s.shows.empty()) return false;
    convert_visible(s.video(), s.shows.front(), frame);
    return advance_display();
}

bool Renderer::advance_display() {
    State& s = *state_;
    if (s.shows.empty()) return false;
    s.shows.pop_front();
    // Counted only once the picture is copied out: from this store on the
    // client may hand the previous shown buffer's memory to new work.
    ++s.frames_displayed;
    platform::shared_publish(&s.area->frame_count, s.frames_displayed);
    return true;
}

uint64_t Renderer::next_shown_digest() const {
    const State& s = *state_;
    if (s.shows.empty()) return 0;
    return visible_words_digest(s.area->video_mem, s.shows.front());
}

bool Renderer::next_shown(gpuBufLoc& loc) const {
    const State& s = *state_;
    if (s.shows.empty()) return false;
    const BufferSel& shown = s.shows.front();
    loc =
        shown.valid ? gpuBufLoc{shown.address, shown.log2_width, shown.height} : gpuBufLoc{0, 0, 0};
    return true;
}

uint64_t Renderer::reset_count() const {
    return state_->resets;
}

uint64_t Renderer::error_count() const {
    return state_->errors;
}

uint64_t Renderer::commands_executed() const {
    return state_->executed;
}

void Renderer::set_capture(CaptureSink* sink) {
    state_->capture = sink;
}

} // namespace sim
