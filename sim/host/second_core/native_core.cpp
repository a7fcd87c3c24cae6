#include "native_core.h"

#include <system_error>

namespace sim {

void NativeCore::start() {
    if (!renderer_) {
        renderer_.emplace(area_);
        renderer_->set_capture(capture_);
        if (share_rows_) {
            // Without a thread to spare the renderer paints every row itself:
            // slower, the same pictures.
            try {
                row_share_ = std::make_unique<RowShareThread>();
                renderer_->set_row_share(row_share_.get());
            } catch (const std::system_error&) {
            }
        }
    }
    renderer_->reset();
}

int NativeCore::step(int budget, bool stop_after_show) {
    return renderer_ ? renderer_->step(budget, stop_after_show) : 0;
}

size_t NativeCore::pending_shows() const {
    return renderer_ ? renderer_->pending_shows() : 0;
}

uint64_t NativeCore::next_shown_digest() const {
    return renderer_ ? renderer_->next_shown_digest() : 0;
}

bool NativeCore::display_next(renderer::RgbFrame& frame) {
    return renderer_ && renderer_->display_next(frame);
}

bool NativeCore::advance_display() {
    return renderer_ && renderer_->advance_display();
}

bool NativeCore::idle() const {
    return !renderer_ || (renderer_->fifo_empty() && renderer_->pending_shows() == 0);
}

uint64_t NativeCore::error_count() const {
    return renderer_ ? renderer_->error_count() : 0;
}

} // namespace sim
