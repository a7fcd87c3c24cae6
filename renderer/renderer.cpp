#include "renderer.h"

#include "commands.h"
#include "facet_drawer.h"
#include "fifo_reader.h"
#include "render_state.h"
#include "shared_access.h"
#include "wait_wake.h"

namespace renderer {

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

void RendererState::report(ErrorCode err) {
    if (err == error_none) return;
    platform::shared_store(&area->error_code, err);
    ++errors;
}

void RendererState::reset() {
    // The fill belongs to commands before the reset.
    drawer.finish_fill();
    render = start_state();
    shows.clear();
    frames_displayed = 0;
    ++resets;
    publish_frame_count();
}

void RendererState::publish_frame_count() {
    platform::shared_publish(&area->frame_count, frames_displayed);
    // A client waiting for video memory sleeps until frame_count moves.
    platform::wake_waiters(&area->frame_count);
}

void RendererState::report_texture() {
    const BufferSel& t = render.texture;
    TextureWords texture;
    if (t.valid) texture = TextureWords{video() + t.address, t.log2_width, t.height};
    // The capture reads the texels now.
    drawer.settle_under_texture(t, video());
    capture->texture_selected(texture);
}

void RendererState::execute(const uint32_t* w) {
    // A fill the facets have kept back is painted before any command that
    // could let its pixels be seen: another output buffer, a show (the
    // client's only sign that drawing is done), a reset, anything unknown.
    // The view, clip planes and buffer selections change no memory.
    switch (w[0]) {
    case gpu_op_facet:
    case gpu_op_set_view:
    case gpu_op_set_clip_planes:
    case gpu_op_set_txt_buf:
    case gpu_op_set_z_buf:
        break;
    default:
        drawer.finish_fill();
        break;
    }
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
        shows.push(shown);
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

Renderer::Renderer(gpuSharedArea* area) : state_(area) {}

void Renderer::reset() {
    state_.reset();
}

int Renderer::step(int max_commands, bool stop_after_show) {
    RendererState& s = state_;
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
        if (opcode == gpu_op_show && s.shows.full()) break;

        s.fifo.take(length, s.words);
        if (s.capture != nullptr) s.capture->command(s.words, length);
        s.execute(s.words);
        ++done;
        ++s.executed;
        if (opcode == gpu_op_show && stop_after_show) break;
    }
    // One wake for the whole batch, for a client sleeping until fifo_read moves.
    if (done > 0) platform::wake_waiters(&s.area->fifo_read);
    return done;
}

bool Renderer::fifo_empty() const {
    FifoReader fifo(state_.area);
    if (fifo.poll() != FifoReader::Poll::ok) return true;
    return next_command_length(fifo) == 0;
}

void Renderer::settle() {
    state_.drawer.finish_fill();
}

size_t Renderer::pending_shows() const {
    return state_.shows.size();
}

uint64_t Renderer::reset_count() const {
    return state_.resets;
}

bool Renderer::front_show(BufferSel& out) const {
    if (state_.shows.empty()) return false;
    out = state_.shows.front();
    return true;
}

bool Renderer::advance_display() {
    RendererState& s = state_;
    if (s.shows.empty()) return false;
    s.shows.pop();
    // Counted only once the picture is copied out: from this store on the
    // client may hand the previous shown buffer's memory to new work.
    ++s.frames_displayed;
    s.publish_frame_count();
    return true;
}

uint64_t Renderer::error_count() const {
    return state_.errors;
}

uint64_t Renderer::pixels_covered(uint32_t rendering_type) const {
    return state_.drawer.pixels_covered(rendering_type);
}

uint64_t Renderer::commands_executed() const {
    return state_.executed;
}

void Renderer::set_capture(CaptureSink* sink) {
    state_.capture = sink;
}

void Renderer::set_row_share(RowShare* share) {
    state_.drawer.set_row_share(share);
}

} // namespace renderer
