#include "fifo_reader.h"

#include "shared_access.h"
#include "wait_wake.h"

namespace renderer {

FifoReader::Poll FifoReader::poll() {
    // Acquire: the command words behind the published index, and the texels
    // the client wrote before publishing it, are read only after the index
    // itself, so they are seen complete and fresh.
    write_ = platform::shared_load_acquire_data(&area_->fifo_write, write_);
    read_ = platform::shared_load(&area_->fifo_read);
    if (write_ >= gpu_fifo_words) return Poll::bad_write;
    if (read_ >= gpu_fifo_words) return Poll::bad_read;
    return Poll::ok;
}

uint32_t FifoReader::available() const {
    return write_ >= read_ ? write_ - read_ : write_ + gpu_fifo_words - read_;
}

uint32_t FifoReader::peek(uint32_t i) const {
    uint32_t index = read_ + i;
    if (index >= gpu_fifo_words) index -= gpu_fifo_words;
    return area_->fifo[index];
}

void FifoReader::take(uint32_t n, uint32_t* dst) {
    // A command may run past the end of the ring and continue at word 0.
    const uint32_t first = gpu_fifo_words - read_ < n ? gpu_fifo_words - read_ : n;
    for (uint32_t i = 0; i < first; ++i)
        dst[i] = area_->fifo[read_ + i];
    for (uint32_t i = first; i < n; ++i)
        dst[i] = area_->fifo[i - first];
    read_ += n;
    if (read_ >= gpu_fifo_words) read_ -= gpu_fifo_words;
    // Published only now that the words are copied out: from this store on
    // the client may overwrite them.
    publish_read();
}

void FifoReader::resync_to_write() {
    read_ = write_;
    publish_read();
    platform::wake_waiters(&area_->fifo_read);
}

// The one place fifo_read is published.
void FifoReader::publish_read() {
    platform::shared_publish(&area_->fifo_read, read_);
}

} // namespace renderer
