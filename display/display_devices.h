// The two devices the display program works on: the shared area through
// the physical memory device (the mailbox and video memory) and the frame
// buffer device, both mapped. Paths come from the platform layer, so the
// same code serves the handheld and the simulator.
#pragma once

#include "gpu_protocol.h"

#include <cstdint>
#include <string>

namespace display {

class DisplayDevices {
  public:
    DisplayDevices() = default;
    ~DisplayDevices();
    DisplayDevices(const DisplayDevices&) = delete;
    DisplayDevices& operator=(const DisplayDevices&) = delete;

    // Maps both devices. Empty on success, otherwise what failed and why
    // ("open /dev/fb0: Permission denied").
    std::string open();

    gpuSharedArea* area() const { return area_; }
    uint16_t* frame_buffer() const { return fb_; }

  private:
    int mem_fd_ = -1;
    int fb_fd_ = -1;
    gpuSharedArea* area_ = nullptr;
    uint16_t* fb_ = nullptr;
};

} // namespace display
