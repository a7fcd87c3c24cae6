#include "png_frames.h"

#include "console.h"
#include "host_error.h"
#include "png_io.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace sim::out {

PngFrames::PngFrames(const std::string& dir, std::vector<uint64_t> frames)
    : dir_(dir), frames_(std::move(frames)), picture_(config::fb_width, config::fb_height) {
    if (!png_supported())
        throw HostError("cannot write PNG frames: this build of handheld-sim has no PNG support "
                        "(libpng was not found)");
    std::sort(frames_.begin(), frames_.end());
    frames_.erase(std::unique(frames_.begin(), frames_.end()), frames_.end());
    if (::mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST)
        throw_errno("cannot create the PNG folder '" + dir + "'");
    struct stat info;
    if (::stat(dir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        throw HostError("cannot write PNG frames: '" + dir + "' is not a folder");
    if (::access(dir.c_str(), W_OK | X_OK) != 0)
        throw_errno("cannot write PNG frames into '" + dir + "'");
}

std::string PngFrames::file_name(uint64_t number) {
    char name[32];
    std::snprintf(name, sizeof name, "frame_%05llu.png", static_cast<unsigned long long>(number));
    return name;
}

void PngFrames::consume(const renderer::RgbFrame& frame, uint64_t number) {
    if (!wants(number)) return;
    ++next_;
    require_full_frame(frame);
    std::copy(frame.rgb.begin(),
              frame.rgb.begin() + static_cast<std::ptrdiff_t>(picture_.rgb.size()),
              picture_.rgb.begin());
    const std::string path = dir_ + "/" + file_name(number);
    const std::string problem = write_png(path, picture_);
    if (!problem.empty()) throw HostError("cannot write PNG frame '" + path + "': " + problem);
}

void PngFrames::finish(uint64_t frames_displayed) {
    if (next_ >= frames_.size()) return;
    std::string missing;
    for (size_t i = next_; i < frames_.size(); ++i) {
        if (!missing.empty()) missing += ',';
        missing += std::to_string(frames_[i]);
    }
    print_message("warning: no PNG written for frame(s) " + missing + ": the run displayed " +
                  std::to_string(frames_displayed) + " frames");
}

} // namespace sim::out
