// The demo's scene scripts taken apart frame by frame. scene1() and scene2()
// each play their frames in one loop; a driver that measures single frames
// needs the loop body on its own. These classes repeat the bodies call for
// call, with the same constants, and must be kept in step with scene1.cpp
// and scene2.cpp.
#pragma once

#include "lumenfall.h"

#include <cstdint>

namespace bench {

// Decodes a packed picture into a new texture (uncomp, possibly measured).
using PictureDecoder = gpuBuf* (*)(const char* label, const uint8_t* picture, uint32_t width,
                                   uint32_t colour_a, uint32_t colour_b);

// prepare_scene1() with a blank texture in place of the screen capture: the
// capture needs the frame buffer device and is not per-frame work.
void prepare_scene1_without_capture(PictureDecoder decode);

class Scene1Frames {
  public:
    // One frame of scene1(); false after the scene's last frame.
    bool frame();

  private:
    int index_ = 0;
};

class Scene2Frames {
  public:
    // The change of scene: textures given up, ink map built, camera
    // adjusted, picture decoded, view set.
    explicit Scene2Frames(PictureDecoder decode);
    ~Scene2Frames();
    Scene2Frames(const Scene2Frames&) = delete;
    Scene2Frames& operator=(const Scene2Frames&) = delete;

    // One frame of scene2(); false after the scene's last frame.
    bool frame();

  private:
    uint8_t* ink_map_ = nullptr;
    gpuBuf* picture_ = nullptr;
    int index_ = 0;
    int32_t first_spin_ = 2000;
    int32_t second_spin_ = 0;
};

} // namespace bench
