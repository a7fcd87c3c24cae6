#include "consumed_commands.h"

#include "commands.h"
#include "shared_access.h"

#include <algorithm>

namespace sim {

void ConsumedCommands::restart(uint32_t fifo_read) {
    read_ = fifo_read;
    shows_ = 0;
    pending_.clear();
}

void ConsumedCommands::advance(uint32_t fifo_read) {
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
    size_t used = 0;
    while (pending_.size() - used >= 1) {
        const uint32_t* head = pending_.data() + used;
        const size_t left = pending_.size() - used;
        if (left < renderer::command_header_words(head[0])) break;
        const uint32_t length = renderer::command_length(head);
        if (left < length) break;
        if (head[0] == gpu_op_show) ++shows_;
        if (head[0] == gpu_op_reset) shows_ = 0;
        if (sink_ != nullptr) {
            sink_->command(head, length);
            if (head[0] == gpu_op_set_txt_buf) sink_->texture_selected(renderer::TextureWords{});
        }
        used += length;
    }
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(used));
}

} // namespace sim
