// The window of a build made without SDL2: there is none.
#include "window.h"

#include "host_error.h"

namespace sim::out {

bool Window::supported() {
    return false;
}

std::unique_ptr<Window> Window::open(int) {
    throw HostError("cannot open a window: this build of handheld-sim has no window support "
                    "(SDL2 was not found)");
}

} // namespace sim::out
