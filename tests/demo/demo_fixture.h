// Shared pieces of the demo tests: a fixture that starts every test from the
// program-start state, a shared area with a renderer stand-in, a private
// device folder, and small readers for recorded commands.
#pragma once

#include "fake_renderer.h"
#include "in_process_area.h"
#include "lumenfall.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace demo_test {

using Command = std::vector<uint32_t>;

// The cosine table is built once; every test begins and ends with the demo's
// statics as they are at program start.
class DemoTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
};

// An in-process shared area with a consumer thread that shows frames at
// once. Textures are allocated here without waiting.
class GpuHarness {
  public:
    GpuHarness() : renderer_(area_.area()) { renderer_.start(); }
    ~GpuHarness() { renderer_.stop(); }

    gpuSharedArea* area() { return area_.area(); }
    // Every command consumed once the FIFO has run empty.
    std::vector<Command> drain();

  private:
    test_support::InProcessArea area_;
    test_support::FakeRenderer renderer_;
};

// A fresh folder named by LUMENFALL_SIM_DIR for the duration of a test,
// removed with everything in it afterwards.
class SimDir {
  public:
    SimDir();
    ~SimDir();
    SimDir(const SimDir&) = delete;
    SimDir& operator=(const SimDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const char* leaf) const { return path_ + "/" + leaf; }
    // Writes a 320 x 240 RGB 5:6:5 screen as the frame buffer device.
    void write_screen(const std::vector<uint16_t>& pixels) const;

  private:
    std::string path_;
    std::string previous_;
    bool had_previous_;
};

inline int32_t as_signed(uint32_t word) {
    return static_cast<int32_t>(word);
}

// A facet command's vertex k, word w (0..5: x, y, z, u, v, shade).
inline int32_t vertex_word(const Command& facet, int k, int w) {
    return as_signed(facet.at(5 + 6 * k + w));
}

} // namespace demo_test
