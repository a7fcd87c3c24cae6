// The demo and its renderer in one thread. The page plays the demo one frame
// at a time: the demo's frame function sends the frame's commands, then the
// renderer executes them and displays the shown buffer into the frame
// queue. Where the client library would wait for the renderer (room in the
// FIFO, video memory), the wait runs the renderer instead (wait_policy_web).
#pragma once

#include "capture_summary.h"
#include "frame_queue.h"
#include "lumenfall.h"
#include "renderer.h"

#include <cstdint>

namespace web {

class Player {
  public:
    Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // Starts the run from its first frame with the given random seed, as
    // the handheld program starts: seed, trigonometry table, the link to a
    // freshly reset renderer over cleared memory, the first scene's
    // textures. digests turns on the command and frame digests.
    void start(uint32_t seed, bool digests);

    // Plays the next frame of the script and lets the renderer execute and
    // display everything sent so far. False once the run is over.
    bool play_frame();

    // Plays the rest of the script with the demo's own scene loops, as the
    // handheld program does: the renderer runs only inside the client's
    // waits and at the end. Frames are counted and digested, not kept.
    void play_to_end_in_waits();

    // One slice of renderer work for a waiting client: execute commands, or
    // when there are none display a shown buffer. A wait with neither can
    // never end, and stops the program with a message.
    void run_renderer_for_wait();

    // Frames numbered below `first` are displayed without converting their
    // pictures, unless digests need them; 0 converts every frame.
    void picture_from(uint32_t first) { picture_from_ = first; }

    bool finished() const { return stage_ == Stage::finished; }
    uint32_t frames_played() const { return frames_played_; }
    FrameQueue& frames() { return frames_; }
    uint64_t command_digest() const { return commands_.value(); }
    uint64_t renderer_errors() const { return renderer_.error_count(); }

  private:
    enum class Stage { scene1, scene2, finished };

    // Execute everything queued and display every shown buffer.
    void drain_renderer();
    void display_one();
    void end_run();

    // Feeds the consumed command stream to the digest; textures are not
    // part of it.
    class DigestSink : public renderer::CaptureSink {
      public:
        explicit DigestSink(sim::capture::CommandDigest& digest) : digest_(digest) {}
        void command(const uint32_t* words, size_t count) override {
            digest_.add_command(words, count);
        }
        void texture_selected(const renderer::TextureWords&) override {}

      private:
        sim::capture::CommandDigest& digest_;
    };

    renderer::Renderer renderer_;
    renderer::RgbFrame scratch_;
    FrameQueue frames_;
    sim::capture::CommandDigest commands_;
    DigestSink digest_sink_{commands_};
    Stage stage_ = Stage::finished;
    int scene1_index_ = 0;
    Scene2State scene2_{};
    uint32_t frames_played_ = 0;
    uint32_t picture_from_ = 0;
    bool digests_ = false;
};

// The page's one player.
Player& player();

} // namespace web
