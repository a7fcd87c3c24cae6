#include "fake_renderer.h"

#include "shared_access.h"
#include "wait_wake.h"

namespace test_support {

uint32_t command_words(uint32_t opcode, uint32_t vertex_count) {
    if (opcode == gpu_op_facet) return gpu_facet_words(vertex_count);
    return gpu_fixed_command_words(opcode);
}

FakeRenderer::FakeRenderer(gpuSharedArea* area, ShowMode mode) : area_(area), mode_(mode) {}

FakeRenderer::~FakeRenderer() {
    stop();
}

void FakeRenderer::start() {
    stop_requested_.store(false);
    thread_ = std::thread([this] { run(); });
}

void FakeRenderer::stop() {
    stop_requested_.store(true);
    if (thread_.joinable()) thread_.join();
}

void FakeRenderer::run() {
    while (!stop_requested_.load()) {
        if (!consume_one()) std::this_thread::yield();
    }
}

bool FakeRenderer::consume_one() {
    const uint32_t read = platform::shared_load(&area_->fifo_read);
    // Acquire: pairs with the client's publishing fence, so that every word
    // below the index it published is visible here.
    const uint32_t write = platform::shared_load_acquire(&area_->fifo_write);
    const uint32_t available = write >= read ? write - read : write + gpu_fifo_words - read;
    if (available == 0) return false;

    auto word_at = [&](uint32_t k) { return area_->fifo[(read + k) % gpu_fifo_words]; };
    const uint32_t opcode = word_at(0);
    // A facet's length is known only once its vertex count has arrived.
    if (opcode == gpu_op_facet && available < 2) return false;
    uint32_t length = command_words(opcode, opcode == gpu_op_facet ? word_at(1) : 0);
    if (length == 0 || length >= gpu_fifo_words) length = 1;
    if (available < length) return false;

    std::vector<uint32_t> command(length);
    for (uint32_t k = 0; k < length; ++k)
        command[k] = word_at(k);
    apply(command);

    // Release: the words were copied above, so the client may reuse them
    // once it sees this index.
    platform::shared_publish(&area_->fifo_read, (read + length) % gpu_fifo_words);
    platform::wake_waiters(&area_->fifo_read);
    return true;
}

// Records the command and applies its effect before fifo_read moves, so a
// test that has seen the FIFO empty also sees both.
void FakeRenderer::apply(const std::vector<uint32_t>& command) {
    std::lock_guard<std::mutex> lock(mutex_);
    commands_.push_back(command);
    const uint32_t length = command_words(command[0], command.size() > 1 ? command[1] : 0);
    if (length != command.size()) unknown_opcode_ = true;
    if (command[0] == gpu_op_reset) {
        held_ = 0;
        platform::shared_store(&area_->frame_count, 0);
    } else if (command[0] == gpu_op_show) {
        if (mode_ == ShowMode::held) {
            ++held_;
        } else {
            const uint32_t shown = platform::shared_load(&area_->frame_count);
            platform::shared_store(&area_->frame_count, shown + 1);
            platform::wake_waiters(&area_->frame_count);
        }
    }
}

std::vector<std::vector<uint32_t>> FakeRenderer::commands() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return commands_;
}

size_t FakeRenderer::command_count() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return commands_.size();
}

bool FakeRenderer::unknown_opcode_seen() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return unknown_opcode_;
}

uint32_t FakeRenderer::release_frames(uint32_t count) {
    std::lock_guard<std::mutex> lock(mutex_);
    const uint32_t released = count < held_ ? count : held_;
    held_ -= released;
    const uint32_t shown = platform::shared_load(&area_->frame_count);
    platform::shared_store(&area_->frame_count, shown + released);
    platform::wake_waiters(&area_->frame_count);
    return released;
}

uint32_t FakeRenderer::held_frames() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return held_;
}

bool FakeRenderer::wait_until_idle(std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    // Acquire on fifo_read: the consumer recorded each command before
    // releasing its words, so the record is complete once the FIFO is empty.
    while (platform::shared_load_acquire(&area_->fifo_read) !=
           platform::shared_load(&area_->fifo_write)) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::yield();
    }
    return true;
}

} // namespace test_support
