// A compressed video file (MP4) made by an ffmpeg program found in PATH: the
// frames travel to it as raw RGB through a pipe. ffmpeg runs in a process
// group of its own, so that an interrupt typed at the terminal reaches the
// command but not the encoder, which is then closed properly and finishes
// its file.
#pragma once

#include "frame_sink.h"
#include "output_file.h"

#include <memory>
#include <string>
#include <sys/types.h>

namespace sim::out {

// The full path of a program found through PATH, or empty.
std::string find_in_path(const std::string& program);

class FfmpegVideo : public FrameSink {
  public:
    // Checks that the file can be written and starts ffmpeg. Throws HostError
    // when no ffmpeg is installed or it cannot be started.
    explicit FfmpegVideo(const std::string& path);
    ~FfmpegVideo() override;
    void consume(const renderer::RgbFrame& frame, uint64_t number) override;
    // Closes the pipe and waits for ffmpeg; its failure is a HostError.
    void finish(uint64_t frames_displayed) override;

  private:
    int wait_for_encoder();

    std::string path_;
    std::unique_ptr<OutputFile> pipe_;
    pid_t pid_ = -1;
};

} // namespace sim::out
