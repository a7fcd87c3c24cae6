// Connects the renderer's capture hook to a capture file.
//
// Hashing a new texture and compressing its contents cost far more than
// executing the commands around it, so that work runs on a thread of its
// own. The renderer's thread only copies each changed texture and queues it
// with the commands before it; the recording thread hashes, compresses and
// writes them in the original order. A texture whose words are unchanged
// since its selection's last hash (texture_check) is queued as "same hash
// as that one", without a copy.
#pragma once

#include "capture_writer.h"
#include "renderer.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace sim {

class CaptureRecorder : public renderer::CaptureSink {
  public:
    // With contents, each texture's words go into the capture the first time
    // its hash appears, so that the capture can be replayed. Throws
    // HostError when the file cannot be created.
    CaptureRecorder(const std::string& path, bool contents);
    ~CaptureRecorder() override;
    CaptureRecorder(const CaptureRecorder&) = delete;
    CaptureRecorder& operator=(const CaptureRecorder&) = delete;

    void command(const uint32_t* words, size_t count) override;
    void texture_selected(const renderer::TextureWords& texture) override;
    // In place of texture_selected(), by a recorder that reads the renderer's
    // selections back from outside and can no longer trust the words.
    void texture_unknown();

    // A failed write is remembered, and the rest dropped; the loop checks
    // here, outside the renderer, and ends the run (HostError).
    void check();
    // Writes out everything queued and closes the file; HostError on failure.
    void finish();

  private:
    // One piece of the stream, in order: a batch of commands and texture
    // selections whose hash is already known, or a changed texture.
    struct Item {
        enum class Kind { batch, new_texture } kind;
        // batch: entries of a length word and that many command words, or a
        // marker (below); new_texture: the texture's words.
        std::vector<uint32_t> words;
        uint32_t log2_width = 0;
        uint32_t height = 0;
        uint64_t texture = 0; // new_texture: its number, from 0
    };
    // Batch markers, above any command's length: a selection whose words
    // are not known, a rejected selection, and
    // a selection of the words of an earlier new_texture (its number follows
    // in two words, low first).
    static constexpr uint32_t unknown_texture_marker = 0xFFFFFFFDu;
    static constexpr uint32_t no_texture_marker = 0xFFFFFFFEu;
    static constexpr uint32_t same_texture_marker = 0xFFFFFFFFu;
    struct Selection {
        uint64_t check;
        uint64_t texture;
    };

    void queue(Item&& item);
    void queue_batch();
    void write_batch(const std::vector<uint32_t>& batch);
    void record();
    void write(Item& item);

    capture::CaptureWriter writer_;
    const bool contents_;

    // Renderer's thread only.
    std::vector<uint32_t> batch_;
    std::unordered_map<uint64_t, Selection> selections_;
    uint64_t textures_ = 0;

    // Shared, under mutex_.
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Item> queue_;
    size_t queued_words_ = 0;
    bool closing_ = false;
    std::string error_;
    // Set with error_, for check() to read on every pass of the loop
    // without taking the lock.
    std::atomic<bool> failed_{false};
    // Texture copies written out, kept for the next copies: a fresh block of
    // that size would come from the kernel, page by page, every time.
    std::vector<std::vector<uint32_t>> spare_;

    // Recording thread only.
    std::vector<uint64_t> hashes_; // of each new_texture item, by number
    std::unordered_set<uint64_t> recorded_;
    std::thread thread_;
};

} // namespace sim
