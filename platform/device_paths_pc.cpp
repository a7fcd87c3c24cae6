// PC builds never touch the host's real /dev/mem: the memory and frame buffer
// devices are files that the simulator creates in a private folder. A program
// started outside the simulator gets one clear line on stderr and a path that
// cannot be opened, so it fails the way it would on a handheld without access.
#include "device_paths.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace platform {
namespace {

std::string sim_device(const char* leaf) {
    const char* dir = std::getenv(sim_dir_variable);
    if (dir == nullptr || *dir == '\0') {
        static bool warned = false;
        if (!warned) {
            std::fprintf(stderr,
                         "%s is not set: this PC build reaches the handheld's devices only "
                         "inside the simulator (run it as: handheld-sim [options] -- PROGRAM)\n",
                         sim_dir_variable);
            warned = true;
        }
        return std::string("/nonexistent-lumenfall-device/") + leaf;
    }
    return std::string(dir) + "/" + leaf;
}

} // namespace

const char* mem_device_path() {
    static std::string path;
    path = sim_device("mem");
    return path.c_str();
}

const char* fb_device_path() {
    static std::string path;
    path = sim_device("fb0");
    return path.c_str();
}

} // namespace platform
