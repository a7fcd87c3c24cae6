// The second core's program: the renderer core over the shared area's
// command FIFO, its shown buffers handed to the display program on the main
// core through the mailbox.
#include "display_link.h"
#include "renderer.h"

#include <cstdint>

namespace {

// The shared area as the second core sees it (physical 0x02100000).
constexpr uintptr_t shared_area_address = 0x00100000;

// Commands per turn: small enough that a taken buffer is noticed soon.
constexpr int commands_per_turn = 64;

} // namespace

int main() {
    auto* area = reinterpret_cast<gpuSharedArea*>(shared_area_address);
    sim::Renderer renderer(area);
    second_core::DisplayLink display(area);
    display.start();
    for (;;) {
        renderer.step(commands_per_turn, true);
        display.service(renderer);
    }
}
