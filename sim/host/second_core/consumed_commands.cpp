#include "consumed_commands.h"

#include "commands.h"
#include "console.h"
#include "render_state.h"
#include "shared_access.h"

#include <algorithm>

namespace sim {

void ConsumedCommands::restart(uint32_t fifo_read) {
    read_ = fifo_read;
    shows_ = 0;
    pending_.clear();
}

void ConsumedCommands::advance(uint32_t fifo_read, uint32_t frame_count) {
    if (fifo_read == read_) return;
    // A fifo_read outside the ring is the program's fault, reported by the
    // client; there is nothing to read back.
    if (fifo_read >= gpu_fifo_words || read_ >= gpu_fifo_words) {
        restart(fifo_read);
        return;
    }
    while (read_ != fifo_read) {
        pending_.push_back(platform::shared_load(&area_->fifo[read_]));
        read_ = read_ + 1 == gpu_fifo_words ? 0 : read_ + 1;
    }
    // frame_count never exceeds the shows since the last reset, so a larger
    // one was read before a reset in this look, and dates nothing after it.
    uint32_t shows_in_look = shows_;
    for (size_t used = 0; used < pending_.size();) {
        const uint32_t* head = pending_.data() + used;
        const size_t left = pending_.size() - used;
        if (left < renderer::command_header_words(head[0])) break;
        const uint32_t length = renderer::command_length(head);
        if (left < length) break;
        if (head[0] == gpu_op_show) ++shows_in_look;
        if (head[0] == gpu_op_reset) shows_in_look = 0;
        used += length;
    }

    size_t used = 0;
    while (pending_.size() - used >= 1) {
        const uint32_t* head = pending_.data() + used;
        const size_t left = pending_.size() - used;
        if (left < renderer::command_header_words(head[0])) break;
        const uint32_t length = renderer::command_length(head);
        if (left < length) break;
        if (capture_ != nullptr) {
            capture_->command(head, length);
            if (head[0] == gpu_op_set_txt_buf) report_texture(head, frame_count, shows_in_look);
        }
        if (head[0] == gpu_op_show) ++shows_;
        if (head[0] == gpu_op_reset) shows_ = 0;
        used += length;
    }
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(used));
}

void ConsumedCommands::report_texture(const uint32_t* command, uint32_t frame_count,
                                      uint32_t shows_in_look) {
    const renderer::BufferSel texture =
        renderer::check_buffer(renderer::buffer_location(command));
    // A selection the renderer rejects reads nothing, as the built-in
    // renderer records it.
    if (!texture.valid) {
        capture_->texture_selected(renderer::TextureWords{});
        return;
    }
    // This selection serves frame shows_ (counted from the last reset); the
    // client may reuse the texture once frame_count exceeds shows_ + 1.
    const bool dated = frame_count <= shows_in_look;
    if (dated && frame_count > shows_ + 1) {
        if (unknown_textures_++ == 0)
            print_message("the capture records a texture of frame " + std::to_string(shows_) +
                          " as unknown: the display had moved on before the simulator could "
                          "read it back (frame_count " +
                          std::to_string(frame_count) + ")");
        capture_->texture_unknown();
        return;
    }
    capture_->texture_selected(
        renderer::TextureWords{area_->video_mem + texture.address, texture.log2_width, texture.height});
}

} // namespace sim
