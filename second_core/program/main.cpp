// The second core's program: the renderer core over the shared area's
// command FIFO, its shown buffers handed to the display program on the main
// core through the mailbox.
#include "display_link.h"
#include "renderer.h"

#include <cstdint>
#include <type_traits>

namespace {

// The shared area as the second core sees it (physical 0x02100000).
constexpr uintptr_t shared_area_address = 0x00100000;

// Commands per turn: small enough that a taken buffer is noticed soon.
constexpr int commands_per_turn = 64;

gpuSharedArea* const area = reinterpret_cast<gpuSharedArea*>(shared_area_address);

// The renderer's state (some 84 KiB) lives with the program's data, built by
// the start code's constructor pass, rather than on the 64 KiB stack. It is
// never destroyed, and needs no exit handler registered for it.
static_assert(std::is_trivially_destructible_v<renderer::Renderer>);
renderer::Renderer core(area);
second_core::DisplayLink display(area);

} // namespace

int main() {
    display.start();
    for (;;) {
        core.step(commands_per_turn, true);
        display.service(core);
    }
}
