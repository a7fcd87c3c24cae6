// The simulator's menu-screen picture loader on any file: PPM (P6) parsed by
// the simulator itself, PNG through libpng when the build has it. Every
// fault must come back as the simulator's error, never as a crash, a read
// past the data or an allocation the file's size does not justify.
//
// The file lives in memory (memfd), so the loader reads it through its real
// path-based entry without touching the disk.
#include "host_error.h"
#include "picture_file.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void check(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "menu_picture: %s\n", what);
    std::abort();
}

struct MemoryFile {
    int fd;
    std::string path;

    MemoryFile() {
        fd = ::memfd_create("menu-picture", MFD_CLOEXEC);
        check(fd >= 0, "memfd_create failed");
        path = "/proc/self/fd/" + std::to_string(fd);
    }

    void fill(const uint8_t* data, size_t size) {
        check(::ftruncate(fd, 0) == 0, "ftruncate failed");
        check(::pwrite(fd, data, size, 0) == static_cast<ssize_t>(size), "pwrite failed");
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static MemoryFile file;
    file.fill(data, size);

    // The screen's size, as the simulator asks for it.
    try {
        const sim::RgbImage image = sim::load_picture(file.path, 320, 240);
        check(image.width == 320 && image.height == 240 && image.rgb.size() == 320 * 240 * 3,
              "a menu picture of the wrong size was accepted");
    } catch (const sim::HostError& e) {
        check(std::string(e.what()).find(file.path) != std::string::npos,
              "an error that does not name the file");
    }

    // The PPM parser on its own takes pictures of any size.
    const std::vector<uint8_t> bytes(data, data + size);
    sim::RgbImage image;
    const std::string problem = sim::parse_ppm(bytes, image);
    if (problem.empty())
        check(image.rgb.size() == size_t(image.width) * size_t(image.height) * 3,
              "a parsed PPM's pixels disagree with its size");
    return 0;
}
