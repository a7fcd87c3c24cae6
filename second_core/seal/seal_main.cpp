// Seals the second core's flat program into its image: fills in the header
// (signature, version, size, check) that the start code left blank.
// Usage: image-seal PROGRAM.bin IMAGE.img
#include "image_check.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: image-seal PROGRAM.bin IMAGE.img\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "image-seal: cannot open '%s': %s\n", argv[1], std::strerror(errno));
        return 1;
    }
    std::vector<uint8_t> image{std::istreambuf_iterator<char>(in), {}};
    const std::string problem = second_core::seal_image(image.data(), image.size());
    if (!problem.empty()) {
        std::fprintf(stderr, "image-seal: '%s' cannot be sealed: %s\n", argv[1], problem.c_str());
        return 1;
    }
    std::FILE* out = std::fopen(argv[2], "wb");
    if (out == nullptr) {
        std::fprintf(stderr, "image-seal: cannot create '%s': %s\n", argv[2], std::strerror(errno));
        return 1;
    }
    const bool written = std::fwrite(image.data(), 1, image.size(), out) == image.size();
    if (std::fclose(out) != 0 || !written) {
        std::fprintf(stderr, "image-seal: cannot write '%s': %s\n", argv[2], std::strerror(errno));
        std::remove(argv[2]);
        return 1;
    }
    return 0;
}
