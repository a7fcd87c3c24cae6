#include "fifo_peer.h"

#include "commands.h"
#include "gpu.h"
#include "shared_access.h"
#include "wait_wake.h"

#include <cstdio>
#include <cstdlib>
#include <sched.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

namespace bench {

// Words after the area, on their own page, that only the benchmark uses.
struct FifoPeer::Control {
    uint32_t stop;
    uint32_t pad;
    uint64_t words_taken;
    uint64_t checksum;
};

namespace {

constexpr size_t page = 4096;
constexpr size_t area_pages = (sizeof(gpuSharedArea) + page - 1) / page;
constexpr size_t mapping_bytes = (area_pages + 1) * page;

[[noreturn]] void fail(const char* what) {
    std::perror(what);
    std::exit(1);
}

// The renderer's loop without the drawing: take each whole command, release
// its words, go on; spin on an empty FIFO as the second core would.
[[noreturn]] void consume(gpuSharedArea* area, Release release, uint32_t* stop,
                          uint64_t* words_taken, uint64_t* checksum) {
    uint32_t words[renderer::max_command_words];
    uint64_t taken = 0;
    uint64_t sum = 0;
    uint32_t read = platform::shared_load(&area->fifo_read);
    while (platform::shared_load(stop) == 0) {
        // Acquire: the words below the published index are complete.
        const uint32_t write = platform::shared_load_acquire(&area->fifo_write);
        if (write >= gpu_fifo_words) _exit(3);
        const uint32_t start = read;
        for (;;) {
            const uint32_t available = write >= read ? write - read : write + gpu_fifo_words - read;
            if (available == 0) break;
            auto at = [&](uint32_t k) { return area->fifo[(read + k) % gpu_fifo_words]; };
            uint32_t head[2] = {at(0), 0};
            const uint32_t header = renderer::command_header_words(head[0]);
            if (available < header) break;
            if (header > 1) head[1] = at(1);
            const uint32_t length = renderer::command_length(head);
            if (available < length) break;
            for (uint32_t k = 0; k < length; ++k)
                words[k] = at(k);
            for (uint32_t k = 0; k < length; ++k)
                sum += words[k];
            taken += length;
            read = (read + length) % gpu_fifo_words;
            // Release: the words are copied out before the client may
            // overwrite them.
            if (release == Release::each_command) platform::shared_publish(&area->fifo_read, read);
        }
        if (read != start) {
            if (release == Release::each_batch) platform::shared_publish(&area->fifo_read, read);
            // As the simulator's renderer: one wake a batch for a sleeping writer.
            platform::wake_waiters(&area->fifo_read);
            __atomic_store_n(words_taken, taken, __ATOMIC_RELEASE);
        }
    }
    __atomic_store_n(checksum, sum, __ATOMIC_RELEASE);
    _exit(0);
}

} // namespace

FifoPeer::FifoPeer(Release release) {
    const int fd = memfd_create("lumenfall-bench-area", 0);
    if (fd < 0) fail("memfd_create");
    if (ftruncate(fd, static_cast<off_t>(mapping_bytes)) != 0) fail("ftruncate");
    mapping_ = mmap(nullptr, mapping_bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (mapping_ == MAP_FAILED) fail("mmap");
    close(fd);
    area_ = static_cast<gpuSharedArea*>(mapping_);
    control_ = reinterpret_cast<Control*>(static_cast<char*>(mapping_) + area_pages * page);

    child_ = fork();
    if (child_ < 0) fail("fork");
    if (child_ == 0) {
        consume(area_, release, &control_->stop, &control_->words_taken, &control_->checksum);
    }
    shared = area_;
}

FifoPeer::~FifoPeer() {
    platform::shared_store(&control_->stop, 1);
    int status = 0;
    waitpid(child_, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        std::fprintf(stderr, "bench: FIFO consumer ended abnormally (status %d)\n", status);
    shared = nullptr;
    munmap(mapping_, mapping_bytes);
}

void FifoPeer::wait_until_drained() const {
    while (platform::shared_load_acquire(&area_->fifo_read) !=
           platform::shared_load(&area_->fifo_write))
        sched_yield();
}

uint64_t FifoPeer::words_taken() const {
    return __atomic_load_n(&control_->words_taken, __ATOMIC_ACQUIRE);
}

} // namespace bench
