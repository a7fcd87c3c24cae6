// Writes the renderer image (see renderer_image.h) to the file named on the
// command line. Run by the build; the image lands beside the programs.
#include "renderer_image.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "Usage: renderer-image-gen OUTPUT\n");
        return 2;
    }
    const sim::RendererImage image = sim::make_renderer_image();
    std::FILE* file = std::fopen(argv[1], "wb");
    if (file == nullptr) {
        std::fprintf(stderr, "renderer-image-gen: cannot create '%s': %s\n", argv[1],
                     std::strerror(errno));
        return 1;
    }
    const bool written = std::fwrite(image.data(), 1, image.size(), file) == image.size();
    if (std::fclose(file) != 0 || !written) {
        std::fprintf(stderr, "renderer-image-gen: cannot write '%s': %s\n", argv[1],
                     std::strerror(errno));
        std::remove(argv[1]);
        return 1;
    }
    return 0;
}
