#include "capture_recorder.h"

#include "host_error.h"
#include "texture_digest_cache.h"
#include "texture_hash.h"

namespace sim {
namespace {

// Commands are handed over in batches of about this many words.
constexpr size_t command_batch_words = 1 << 14;
// The renderer waits when this much is queued (64 MiB): a recording thread
// that falls behind must not let the queue take all memory.
constexpr size_t max_queued_words = size_t{16} << 20;

// A selection's place and shape. Two selections that share a key are told
// apart by their check value, which covers the word count and every word;
// and equal words hash alike whatever their shape.
uint64_t selection_key(const renderer::TextureWords& t) {
    return reinterpret_cast<uintptr_t>(t.words) * 0x9E3779B97F4A7C15ull ^
           (uint64_t{t.log2_width} << 32 | t.height);
}

} // namespace

CaptureRecorder::CaptureRecorder(const std::string& path, bool contents) : contents_(contents) {
    if (!writer_.open(path)) throw HostError(writer_.error());
    batch_.reserve(command_batch_words + 512);
    thread_ = std::thread([this] { record(); });
}

CaptureRecorder::~CaptureRecorder() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void CaptureRecorder::command(const uint32_t* words, size_t count) {
    batch_.push_back(static_cast<uint32_t>(count));
    batch_.insert(batch_.end(), words, words + count);
    if (batch_.size() >= command_batch_words) queue_batch();
}

void CaptureRecorder::texture_selected(const renderer::TextureWords& texture) {
    if (texture.words == nullptr) {
        batch_.push_back(no_texture_marker);
        return;
    }
    const size_t count = size_t{texture.height} << texture.log2_width;
    const uint64_t check = renderer::texture_check(texture.words, count);
    const uint64_t key = selection_key(texture);
    const auto found = selections_.find(key);
    if (found != selections_.end() && found->second.check == check) {
        batch_.push_back(same_texture_marker);
        batch_.push_back(static_cast<uint32_t>(found->second.texture));
        batch_.push_back(static_cast<uint32_t>(found->second.texture >> 32));
        return;
    }
    // The commands before it go first, then the copy.
    queue_batch();
    Item item;
    item.kind = Item::Kind::new_texture;
    {
        std::lock_guard lock(mutex_);
        if (!spare_.empty()) {
            item.words.swap(spare_.back());
            spare_.pop_back();
        }
    }
    item.words.assign(texture.words, texture.words + count);
    item.log2_width = texture.log2_width;
    item.height = texture.height;
    item.texture = textures_++;
    // Selections at ever new places would otherwise grow the table forever.
    if (selections_.size() >= 4096) selections_.clear();
    selections_[key] = Selection{check, item.texture};
    queue(std::move(item));
}

void CaptureRecorder::texture_unknown() {
    batch_.push_back(unknown_texture_marker);
}

void CaptureRecorder::queue_batch() {
    if (batch_.empty()) return;
    Item item;
    item.kind = Item::Kind::batch;
    item.words.swap(batch_);
    batch_.reserve(command_batch_words + 512);
    queue(std::move(item));
}

void CaptureRecorder::queue(Item&& item) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return queued_words_ < max_queued_words || !error_.empty(); });
    queued_words_ += item.words.size();
    queue_.push_back(std::move(item));
    lock.unlock();
    changed_.notify_all();
}

void CaptureRecorder::check() {
    if (!failed_.load(std::memory_order_acquire)) return;
    std::lock_guard lock(mutex_);
    if (!error_.empty()) throw HostError(error_);
}

void CaptureRecorder::finish() {
    queue_batch();
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
    thread_.join();
    if (!writer_.close() || !writer_.ok()) {
        std::lock_guard lock(mutex_);
        if (error_.empty()) error_ = writer_.error();
        failed_.store(true, std::memory_order_release);
    }
    check();
}

// The recording thread: takes items in order until closed and drained.
void CaptureRecorder::record() {
    while (true) {
        Item item;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return !queue_.empty() || closing_; });
            if (queue_.empty()) return;
            item = std::move(queue_.front());
            queue_.pop_front();
        }
        write(item);
        std::lock_guard lock(mutex_);
        queued_words_ -= item.words.size();
        if (item.kind == Item::Kind::new_texture && spare_.size() < 8)
            spare_.push_back(std::move(item.words));
        if (!writer_.ok() && error_.empty()) {
            error_ = writer_.error();
            failed_.store(true, std::memory_order_release);
        }
        changed_.notify_all();
    }
}

void CaptureRecorder::write(Item& item) {
    if (item.kind == Item::Kind::batch) {
        write_batch(item.words);
        return;
    }
    const renderer::BufferSel whole{true, 0, item.log2_width, item.height};
    const uint64_t hash = renderer::texture_hash(item.words.data(), whole);
    hashes_.push_back(hash);
    if (contents_ && recorded_.insert(hash).second)
        writer_.write_texture_contents(hash, item.log2_width, item.height, item.words.data());
    writer_.write_texture_hash(hash);
}

void CaptureRecorder::write_batch(const std::vector<uint32_t>& batch) {
    for (size_t i = 0; i < batch.size();) {
        const uint32_t entry = batch[i];
        if (entry == unknown_texture_marker) {
            writer_.write_texture_unknown();
            i += 1;
        } else if (entry == no_texture_marker) {
            // A rejected selection reads no words.
            writer_.write_texture_hash(renderer::texture_hash(nullptr, renderer::BufferSel{}));
            i += 1;
        } else if (entry == same_texture_marker) {
            const uint64_t texture = batch[i + 1] | uint64_t{batch[i + 2]} << 32;
            writer_.write_texture_hash(hashes_[texture]);
            i += 3;
        } else {
            writer_.write_command(batch.data() + i + 1, entry);
            i += 1 + entry;
        }
    }
}

} // namespace sim
