// The buffer manager's commands to the renderer: selecting the output,
// texture and depth buffers, and queuing a buffer for display.
#include "gpu.h"

#include "fatal_assert.h"
#include "mm_state.h"
#include "shared_access.h"

using namespace gpu_mm;

namespace {

// Shown buffers allowed to wait for display at once.
constexpr uint32_t max_pending_frames = 64;

// One record per kind, opcode filled in; the location is rewritten before
// each send, and gpuWrite has copied the record when it returns.
gpuCmdBuffer setOutBuf = {gpu_op_set_out_buf, {}};
gpuCmdBuffer setTxtBuf = {gpu_op_set_txt_buf, {}};
gpuCmdBuffer setZBuf = {gpu_op_set_z_buf, {}};
gpuCmdBuffer show = {gpu_op_show, {}};

gpuResult send_buffer(gpuCmdBuffer* record, const gpuBuf* buf, bool wait) {
    record->loc = buf->loc;
    return gpuWrite(record, sizeof *record, wait);
}

bool is_power_of_two_or_zero(uint32_t value) {
    return (value & (value - 1)) == 0;
}

} // namespace

gpuResult gpuSetOutBuf(gpuBuf* buf, bool wait) {
    FATAL_ASSERT(buf, "buf", "mm", 152, "gpuSetOutBuf");
    return send_buffer(&setOutBuf, buf, wait);
}

gpuResult gpuSetTxtBuf(gpuBuf* buf, bool wait) {
    FATAL_ASSERT(buf, "buf", "mm", 160, "gpuSetTxtBuf");
    // Texture heights must be powers of two (0 passes the test); line
    // lengths are powers of two by construction and need no test.
    if (!is_power_of_two_or_zero(buf->loc.height)) return gpuBadParam;
    return send_buffer(&setTxtBuf, buf, wait);
}

gpuResult gpuSetZBuf(gpuBuf* buf, bool wait) {
    FATAL_ASSERT(buf, "buf", "mm", 169, "gpuSetZBuf");
    return send_buffer(&setZBuf, buf, wait);
}

gpuResult gpuShowBuf(gpuBuf* buf, bool wait) {
    const uint32_t frame_count = platform::shared_load(&shared->frame_count);
    FATAL_ASSERT(my_frame_count >= frame_count, "my_frame_count >= shared->frame_count", "mm", 177,
                 "gpuShowBuf");
    if (my_frame_count - platform::shared_load(&shared->frame_count) >= max_pending_frames)
        return gpuNoRoom;

    const gpuResult result = send_buffer(&show, buf, wait);
    if (result != gpuOK) return result;

    // The k-th shown buffer is reused once frame_count exceeds k, that is
    // once the renderer has put the next shown buffer on display.
    release_after(buf, my_frame_count + 1);
    ++my_frame_count;
    return gpuOK;
}
