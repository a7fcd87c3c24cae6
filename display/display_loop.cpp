#include "display_loop.h"

#include "rgb565_convert.h"
#include "shared_access.h"

namespace display {

bool DisplayLoop::show_posted() {
    if (platform::shared_load(&box_->magic) != gpu_display_mailbox_magic) return false;
    // The acquire orders the buffer's place and its pixels after the count
    // that announced them.
    const uint32_t posted = platform::shared_load_acquire(&box_->posted);
    if (posted == platform::shared_load(&box_->taken)) return false;
    const gpuBufLoc loc{platform::shared_load(&box_->address),
                        platform::shared_load(&box_->log2_width),
                        platform::shared_load(&box_->height)};
    convert_to_rgb565(area_->video_mem, loc, fb_);
    // Every read of the buffer comes before the renderer may reuse it.
    platform::shared_publish(&box_->taken, posted);
    return true;
}

bool DisplayLoop::wait_for_scanout(Pacing& pacing, uint32_t taken) {
    while (!pacing.stop()) {
        if (platform::shared_load(&box_->scanout_present) != gpu_display_scanout_magic)
            return false;
        if (platform::shared_load(&box_->scanout_ack) == taken) return true;
        pacing.pause();
    }
    return true;
}

uint64_t DisplayLoop::run(Pacing& pacing) {
    uint64_t frames = 0;
    while (!pacing.stop()) {
        if (!show_posted()) {
            pacing.pause();
            continue;
        }
        ++frames;
        const uint32_t taken = platform::shared_load(&box_->taken);
        // A scan-out that sees every frame sets the pace; without one the
        // program keeps the screen's 60 frames a second itself.
        if (!wait_for_scanout(pacing, taken)) pacing.next_frame();
    }
    return frames;
}

} // namespace display
