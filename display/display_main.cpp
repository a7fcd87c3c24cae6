// lumenfall-display: puts the renderer's shown buffers on the screen. It
// runs on the main core beside the demo, takes each buffer the renderer on
// the second core posts in the shared area's mailbox, converts it into the
// frame buffer device and hands it back, 60 times a second.
#include "display_devices.h"
#include "frame_clock.h"
#include "stop_signals.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr const char* usage =
    "Usage: lumenfall-display [--help]\n"
    "Shows the frames of the renderer on the second core: takes each buffer it\n"
    "posts in the shared area (/dev/mem) and converts it into the frame buffer\n"
    "(/dev/fb0, 320 x 240 RGB 5:6:5) at 60 frames a second. Asked to stop\n"
    "(SIGTERM or SIGINT), it first shows the frames the renderer still owes,\n"
    "giving up after 1 s without progress; a second signal stops it at once.\n"
    "Start it before the demo; run it as root.\n"
    "Exit status: 0 stopped by a signal, 1 a device could not be used, 2 usage.\n";

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(usage, stdout);
        return 0;
    }
    if (argc != 1) {
        std::fprintf(stderr, "lumenfall-display: unexpected argument '%s'\n%s", argv[1], usage);
        return 2;
    }
    if (!platform::catch_stop_signals()) {
        std::fprintf(stderr, "lumenfall-display: cannot catch SIGTERM and SIGINT\n");
        return 1;
    }
    display::DisplayDevices devices;
    const std::string problem = devices.open();
    if (!problem.empty()) {
        std::fprintf(stderr, "lumenfall-display: %s\n", problem.c_str());
        return 1;
    }
    display::DisplayLoop loop(devices.area(), devices.frame_buffer());
    display::FrameClock clock;
    loop.run(clock);
    return 0;
}
