// The buffer manager's allocation of video memory: first fit over the buffers
// in use, kept in address order, with deferred releases taken back once the
// renderer's frame_count has passed their threshold.
#include "gpu.h"

#include "buffer_lists.h"
#include "buffer_shape.h"
#include "descriptor_pool.h"
#include "fatal_assert.h"
#include "gpu_testing.h"
#include "mm_state.h"
#include "shared_access.h"
#include "wait_policy.h"

namespace gpu_mm {

gpuListLink list = {&list, &list};
gpuListLink fc_list = {&fc_list, &fc_list};
uint32_t my_frame_count = 0;

void release_after(gpuBuf* buf, uint32_t fc) {
    buf->fc = fc;
    list_append(&fc_list, &buf->fc_link);
}

} // namespace gpu_mm

using namespace gpu_mm;

namespace {

// A descriptor's fc_link points to itself whenever the buffer is not waiting
// for a deferred release (set when the pool creates it, restored on removal).
bool on_fc_list(const gpuBuf* buf) {
    return buf->fc_link.next != &buf->fc_link;
}

void buf_del(gpuBuf* buf) {
    list_remove(&buf->list_link);
}

// Takes back the buffers at the front of fc_list whose threshold frame_count
// has passed. Releases are requested in display order, so the walk stops at
// the first buffer still in use even if later ones have passed theirs.
void reclaim() {
    const uint32_t frame_count = platform::shared_load(&shared->frame_count);
    while (!list_empty(&fc_list)) {
        gpuBuf* buf = buf_of_fc_link(fc_list.next);
        if (frame_count <= buf->fc) break;
        buf_del(buf);
        list_remove(&buf->fc_link);
        free_buf(buf);
    }
}

} // namespace

gpuBuf* gpuAlloc_(uint32_t log2_width, uint32_t height) {
    reclaim();
    const uint64_t size = buffer_words(log2_width, height);
    if (size > gpu_video_words) return nullptr;

    // First fit: the new buffer goes into the first gap that holds it, or
    // after the last buffer. Positions are 64-bit so that no sum can wrap.
    uint64_t next_free = 0;
    gpuListLink* position = list.next;
    for (; position != &list; position = position->next) {
        const gpuBuf* buf = buf_of_list_link(position);
        FATAL_ASSERT(buf->loc.address >= next_free, "buf->loc.address >= next_free", "mm", 106,
                     "gpuAlloc_");
        if (buf->loc.address - next_free >= size) break;
        next_free = buf->loc.address + buffer_words(buf->loc.log2_width, buf->loc.height);
    }
    if (next_free + size > gpu_video_words) return nullptr;

    gpuBuf* buf = buf_new();
    buf->loc = gpuBufLoc{static_cast<uint32_t>(next_free), log2_width, height};
    list_insert_before(position, &buf->list_link);
    return buf;
}

gpuBuf* gpuAlloc(uint32_t log2_width, uint32_t height, bool wait) {
    for (;;) {
        gpuBuf* buf = gpuAlloc_(log2_width, height);
        if (buf != nullptr || !wait) return buf;
        // A request larger than the whole of video memory can never be met;
        // waiting for the display would never end.
        if (buffer_words(log2_width, height) > gpu_video_words) return nullptr;

        // Memory comes back only as the display advances, so there is no
        // point in trying again before frame_count has changed.
        const uint32_t noted = platform::shared_load(&shared->frame_count);
        for (uint32_t polls = 0; platform::shared_load(&shared->frame_count) == noted; ++polls)
            platform::wait_pause(&shared->frame_count, noted, polls);
    }
}

void gpuFree(gpuBuf* buf) {
    FATAL_ASSERT(buf, "buf", "mm", 138, "gpuFree");
    // A buffer waiting for a deferred release belongs to the manager; freeing
    // it here as well would hand its descriptor out twice.
    FATAL_ASSERT(!on_fc_list(buf), "!on_fc_list(buf)", "mm", 139, "gpuFree");
    buf_del(buf);
    free_buf(buf);
}

void gpuFreeFC(gpuBuf* buf, uint32_t delay) {
    FATAL_ASSERT(buf, "buf", "mm", 143, "gpuFreeFC");
    release_after(buf, my_frame_count + delay);
}

gpuBufLoc* gpuBuf_get_loc(gpuBuf* buf) {
    return &buf->loc;
}

void gpu_mm_reset() {
    list_init(&list);
    list_init(&fc_list);
    my_frame_count = 0;
    pool_release();
}

uint32_t gpu_mm_frame_count() {
    return my_frame_count;
}

uint32_t gpu_mm_cache_size() {
    return pool_size();
}
