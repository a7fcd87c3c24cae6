#include "display_link.h"

#include "shared_access.h"

namespace second_core {

void DisplayLink::start() {
    posted_ = platform::shared_load(&box_->taken);
    outstanding_ = false;
    drained_ = gpu_display_not_drained;
    platform::shared_store(&box_->posted, posted_);
    platform::shared_store(&box_->drained, drained_);
    platform::shared_publish(&box_->magic, gpu_display_mailbox_magic);
}

void DisplayLink::service(renderer::Renderer& renderer) {
    if (outstanding_) {
        // The acquire keeps the renderer from drawing over the buffer before
        // the display program has said it is done reading it.
        if (platform::shared_load_acquire(&box_->taken) != posted_) return;
        // A scan-out that sees every frame reads the buffer's words too, so
        // the buffer stays untouched until it has acknowledged the frame.
        if (platform::shared_load(&box_->scanout_present) == gpu_display_scanout_magic &&
            platform::shared_load_acquire(&box_->scanout_ack) != posted_)
            return;
        outstanding_ = false;
        // A reset since the post emptied the queue and restarted frame_count
        // at 0: the taken buffer belonged to the old stream and must not be
        // counted, nor take a new show off the queue.
        if (renderer.reset_count() == posted_in_reset_) renderer.advance_display();
    }
    renderer::BufferSel shown;
    if (!renderer.front_show(shown)) {
        report_drained(renderer);
        return;
    }
    // A shown buffer that failed the renderer's checks goes out as height 0,
    // which the display program shows black.
    platform::shared_store(&box_->address, shown.valid ? shown.address : 0);
    platform::shared_store(&box_->log2_width, shown.valid ? shown.log2_width : 0);
    platform::shared_store(&box_->height, shown.valid ? shown.height : 0);
    // The buffer's place must be visible before the count that announces it.
    platform::shared_publish(&box_->posted, ++posted_);
    outstanding_ = true;
    posted_in_reset_ = renderer.reset_count();
    report_drained(renderer);
}

void DisplayLink::report_drained(const renderer::Renderer& renderer) {
    const bool drained = !outstanding_ && renderer.pending_shows() == 0 && renderer.fifo_empty();
    const uint32_t value =
        drained ? platform::shared_load(&area_->fifo_read) : gpu_display_not_drained;
    if (value == drained_) return;
    drained_ = value;
    // Release: the taken buffer's count and frame_count come before the word
    // that tells the display program nothing is left.
    platform::shared_publish(&box_->drained, value);
}

} // namespace second_core
