// The simulator's private folder and its device files:
//
//   mem  the physical memory: a sparse file in which a file offset is a
//        physical address, long enough to hold the register block at
//        0xC0000000
//   fb0  the frame buffer: 320 x 240 pixels, RGB 5:6:5 little-endian, rows top
//        first, holding the menu screen
//
// The folder is made with mkdtemp, so simulators running side by side never
// share anything; it is removed with everything in it when the owner goes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

// Removes a folder with everything in it, depth first and without following
// links; best effort, as whatever a command left there goes too.
void remove_folder(const std::string& path);

class SimDir {
  public:
    // Creates the folder under $TMPDIR (or /tmp) and both device files, the
    // frame buffer filled with fb_bytes. Throws HostError on failure, having
    // removed whatever it made.
    explicit SimDir(const std::vector<uint8_t>& fb_bytes);
    ~SimDir();
    SimDir(const SimDir&) = delete;
    SimDir& operator=(const SimDir&) = delete;

    const std::string& path() const { return path_; }
    // The memory file, open for reading and writing.
    int mem_fd() const { return mem_fd_; }

    // Removes the folder now; the destructor then does nothing.
    void remove();

  private:
    std::string path_;
    int mem_fd_ = -1;
};

} // namespace sim
