#include "screenshots.h"

#include "host_config.h"
#include "host_error.h"
#include "png_io.h"
#include "rgb_image.h"

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace sim::out {
namespace {

bool exists(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

} // namespace

Screenshots::Screenshots(const std::string& dir, bool chosen) : dir_(dir) {
    if (!chosen) return;
    if (!png_supported())
        throw HostError("--screenshots: this build of handheld-sim has no PNG support (libpng "
                        "was not found)");
    if (::mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST)
        throw_errno("cannot create the screenshot folder '" + dir + "'");
    struct stat info;
    if (::stat(dir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        throw HostError("--screenshots: '" + dir + "' is not a folder");
    if (::access(dir.c_str(), W_OK | X_OK) != 0)
        throw_errno("cannot write screenshots into '" + dir + "'");
}

std::string Screenshots::save(const std::vector<uint8_t>& rgb,
                              std::optional<uint64_t> frame) const {
    if (!png_supported())
        throw HostError("cannot save a screenshot: this build of handheld-sim has no PNG support");
    char stem[40] = "screenshot_menu";
    if (frame)
        std::snprintf(stem, sizeof stem, "screenshot_%05llu",
                      static_cast<unsigned long long>(*frame));
    std::string path = dir_ + "/" + stem + ".png";
    for (int n = 2; exists(path); ++n)
        path = dir_ + "/" + stem + "_" + std::to_string(n) + ".png";

    RgbImage picture(config::fb_width, config::fb_height);
    if (rgb.size() != picture.rgb.size())
        throw HostError("cannot save a screenshot: the window shows nothing yet");
    picture.rgb = rgb;
    const std::string problem = write_png(path, picture);
    if (!problem.empty()) throw HostError("cannot save screenshot '" + path + "': " + problem);
    return path;
}

} // namespace sim::out
