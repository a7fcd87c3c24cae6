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

// Only the pace hangs on the acknowledgement: the renderer posts nothing
// new before it, so once asked to stop the loop no longer waits here.
bool DisplayLoop::wait_for_scanout(Pacing& pacing, uint32_t taken) {
    while (!pacing.stop()) {
        // A held core leaves no scan-out to wait for either.
        if (platform::shared_load(&box_->magic) != gpu_display_mailbox_magic) return true;
        if (platform::shared_load(&box_->scanout_present) != gpu_display_scanout_magic)
            return false;
        if (platform::shared_load(&box_->scanout_ack) == taken) return true;
        pacing.pause();
    }
    return true;
}

bool DisplayLoop::turn(Pacing& pacing) {
    if (!show_posted()) {
        pacing.pause();
        return false;
    }
    const uint32_t taken = platform::shared_load(&box_->taken);
    // A scan-out that sees every frame sets the pace; without one the
    // program keeps the screen's 60 frames a second itself.
    if (!wait_for_scanout(pacing, taken)) pacing.next_frame();
    return true;
}

bool DisplayLoop::frames_owed() {
    // No renderer of ours is running or starting: nobody will post again.
    const uint32_t magic = platform::shared_load(&box_->magic);
    if (magic != gpu_display_mailbox_magic && magic != gpu_display_mailbox_starting) return false;
    // The client has ended, so its fifo_write is final; the renderer drained
    // up to there has shown, and this program taken, every frame it sent.
    const uint32_t drained = platform::shared_load_acquire(&box_->drained);
    if (drained == platform::shared_load(&area_->fifo_write)) return false;
    const Marks now{platform::shared_load(&box_->posted), platform::shared_load(&area_->fifo_read),
                    drained};
    if (now != marks_) {
        marks_ = now;
        quiet_pauses_ = 0;
        return true;
    }
    // A renderer that stopped answering would keep the program forever.
    return ++quiet_pauses_ <= finish_quiet_pauses;
}

uint64_t DisplayLoop::run(Pacing& pacing) {
    uint64_t frames = 0;
    while (!pacing.stop())
        frames += turn(pacing) ? 1 : 0;
    // The client ends without waiting for its last frames: they are still in
    // the renderer's hands, drawn or not, and go to the screen before the
    // program stops.
    marks_ = {};
    quiet_pauses_ = 0;
    while (!pacing.stop_now() && frames_owed())
        frames += turn(pacing) ? 1 : 0;
    return frames;
}

} // namespace display
