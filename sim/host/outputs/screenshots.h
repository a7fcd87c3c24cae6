// Screenshots taken from the window with F12: the screen at its native
// 320 x 240, as a PNG named after the frame on it, in a chosen folder.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sim::out {

class Screenshots {
  public:
    // dir is checked only when it was chosen on the command line (a missing
    // folder is made then); the default, the current folder, is tried when a
    // screenshot is taken. Throws HostError for a chosen folder that cannot
    // be used.
    Screenshots(const std::string& dir, bool chosen);

    // Writes the picture as DIR/screenshot_NNNNN.png (NNNNN the frame's
    // number, "menu" before the first frame), adding _2, _3... rather than
    // overwrite an earlier file. Returns the path written, or throws
    // HostError; a failed screenshot need not end the run.
    std::string save(const std::vector<uint8_t>& rgb, std::optional<uint64_t> frame) const;

  private:
    std::string dir_;
};

} // namespace sim::out
