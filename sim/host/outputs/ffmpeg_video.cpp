#include "ffmpeg_video.h"

#include "child_process.h"
#include "host_clock.h"
#include "host_config.h"
#include "host_error.h"
#include "signals.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace sim::out {

std::string find_in_path(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
    size_t start = 0;
    std::string candidate;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        // An empty entry means the current folder, as for the shell.
        candidate.assign(end > start ? dirs.substr(start, end - start) : std::string("."));
        candidate.append(1, '/').append(program);
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return {};
}

FfmpegVideo::FfmpegVideo(const std::string& path) : path_(path) {
    const std::string ffmpeg = find_in_path("ffmpeg");
    if (ffmpeg.empty())
        throw HostError("cannot write video file '" + path +
                        "': making MP4 needs the ffmpeg program, and none was found in PATH "
                        "(install ffmpeg, or record a .y4m file instead)");
    // ffmpeg would only fail once the run is over; an unwritable path is
    // better reported now.
    OutputFile(path, "video file").close();

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) throw_errno("cannot start ffmpeg");
    const std::string size =
        std::to_string(config::fb_width) + "x" + std::to_string(config::fb_height);
    const std::string rate = std::to_string(config::display_hz);
    std::vector<std::string> args = {ffmpeg,     "-hide_banner", "-loglevel", "error",
                                     "-y",       "-f",           "rawvideo",  "-pixel_format",
                                     "rgb24",    "-video_size",  size,        "-framerate",
                                     rate,       "-i",           "pipe:0",    "-an",
                                     "-pix_fmt", "yuv420p",      "-movflags", "+faststart",
                                     path};
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    pid_ = ::fork();
    if (pid_ < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        throw_errno("cannot start ffmpeg");
    }
    if (pid_ == 0) {
        signals::reset_in_child();
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        ::dup2(fds[0], STDIN_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(fds[0]);
    helper_processes().push_back(pid_);
    pipe_ = std::make_unique<OutputFile>(fds[1], "video file '" + path + "' (the pipe to ffmpeg)");
}

FfmpegVideo::~FfmpegVideo() {
    if (pid_ <= 0) return;
    // On an error path: let ffmpeg finish what it has, but not forever.
    pipe_.reset();
    const int64_t deadline = monotonic_ns() + config::child_stop_grace_ns;
    int status;
    while (::waitpid(pid_, &status, WNOHANG) == 0) {
        if (monotonic_ns() > deadline) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
            break;
        }
        sleep_ns(10'000'000);
    }
    std::erase(helper_processes(), pid_);
}

void FfmpegVideo::consume(const renderer::RgbFrame& frame, uint64_t) {
    require_full_frame(frame);
    pipe_->write(frame.rgb.data(), frame.rgb.size());
}

int FfmpegVideo::wait_for_encoder() {
    int status = 0;
    pid_t r;
    do {
        r = ::waitpid(pid_, &status, 0);
    } while (r < 0 && errno == EINTR);
    std::erase(helper_processes(), pid_);
    pid_ = -1;
    if (r < 0) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

void FfmpegVideo::finish(uint64_t) {
    if (pid_ <= 0) return;
    try {
        pipe_->close();
    } catch (const HostError&) {
        wait_for_encoder();
        throw;
    }
    const int status = wait_for_encoder();
    if (status != 0)
        throw HostError("ffmpeg failed to make video file '" + path_ + "' (exit status " +
                        std::to_string(status) + ")");
}

} // namespace sim::out
