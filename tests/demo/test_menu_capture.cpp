// The screen capture: colour expansion, where each texel of the 512 x 512
// image comes from, the whole path through a frame buffer file, and the
// fatal checks.
#include "demo_fixture.h"

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace demo_test {
namespace {

using Screen = std::vector<uint16_t>;

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
};

// Screen pixels distinct within the first 65536, so a texel taken from the
// wrong place shows.
Screen numbered_screen() {
    Screen screen(320 * 240);
    for (size_t i = 0; i < screen.size(); ++i)
        screen[i] = static_cast<uint16_t>(i * 7 + 3);
    return screen;
}

Rgb expanded(uint16_t p) {
    return {(p >> 11) << 3, ((p >> 5) & 0x3F) << 2, (p & 0x1F) << 3};
}

// The pixel word the texture loader makes of an RGB texel (studio-range
// BT.601, bytes Y, U, Y, V).
uint32_t pixel_word(Rgb c) {
    const int y = ((66 * c.r + 129 * c.g + 25 * c.b + 128) >> 8) + 16;
    const int u = ((-38 * c.r - 74 * c.g + 112 * c.b + 128) >> 8) + 128;
    const int v = ((112 * c.r - 94 * c.g - 18 * c.b + 128) >> 8) + 128;
    return static_cast<uint32_t>(y | u << 8 | y << 16 | v << 24);
}

struct Source {
    int x, y; // texel
    int c, r; // screen pixel
};

// Centred at columns 96 to 415 and rows 136 to 375, the border pixels
// repeated out to the edges.
const Source sources[] = {
    {96, 136, 0, 0},     {415, 375, 319, 239}, {0, 0, 0, 0},         {511, 511, 319, 239},
    {416, 200, 319, 64}, {200, 100, 104, 0},   {95, 135, 0, 0},      {511, 0, 319, 0},
    {0, 511, 0, 239},    {97, 137, 1, 1},      {300, 376, 204, 239},
};

class MenuCapture : public DemoTest {};

TEST_F(MenuCapture, ChannelsGoToTheTopOfTheirBytes) {
    struct Case {
        uint16_t pixel;
        Rgb rgb;
    };
    const Case cases[] = {
        {0xFFFF, {248, 252, 248}}, {0xF800, {248, 0, 0}}, {0x07E0, {0, 252, 0}},
        {0x001F, {0, 0, 248}},     {0x0000, {0, 0, 0}},   {0x0821, {8, 4, 8}},
    };
    std::vector<uint8_t> staging(menu_staging_bytes);
    for (const Case& c : cases) {
        Screen screen(320 * 240, c.pixel);
        fill_menu_staging(screen.data(), staging.data());
        const size_t corner = 3 * (512 * 511 + 511);
        EXPECT_EQ((Rgb{staging[0], staging[1], staging[2]}), c.rgb) << std::hex << c.pixel;
        EXPECT_EQ((Rgb{staging[corner], staging[corner + 1], staging[corner + 2]}), c.rgb);
    }
}

TEST_F(MenuCapture, CapturesTheFrameBufferDeviceIntoANewTexture) {
    SimDir dir;
    const Screen screen = numbered_screen();
    dir.write_screen(screen);
    test_support::InProcessArea area;
    const auto open_descriptors = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                             std::filesystem::directory_iterator());
    };
    const auto before = open_descriptors();

    gpuBuf* texture = grab_menu_texture();
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(open_descriptors(), before) << "the device is closed again";
    const gpuBufLoc* loc = gpuBuf_get_loc(texture);
    EXPECT_EQ(loc->log2_width, 9u);
    EXPECT_EQ(loc->height, 512u);
    const uint32_t* texels = gpu_buffer_words(loc);
    for (const Source& s : sources) {
        EXPECT_EQ(texels[512 * s.y + s.x], pixel_word(expanded(screen[s.r * 320 + s.c])))
            << s.x << "," << s.y;
    }
}

// No renderer thread runs in these: the capture only needs video memory.
using MenuCaptureDeath = MenuCapture;

TEST_F(MenuCaptureDeath, FullVideoMemoryFailsAtOnce) {
    SimDir dir;
    dir.write_screen(numbered_screen());
    EXPECT_DEATH(
        {
            test_support::InProcessArea area;
            gpuAlloc(9, 0x740000 >> 9, false);
            grab_menu_texture();
        },
        "lumenfall:38: grab_menu_texture: Assertion `menu_texture' failed");
}

TEST_F(MenuCaptureDeath, MissingDeviceIsFatal) {
    SimDir dir;
    EXPECT_DEATH(
        {
            test_support::InProcessArea area;
            grab_menu_texture();
        },
        "lumenfall:41: grab_menu_texture: Assertion `fbdev != -1' failed");
}

// A folder opens read-only but cannot be mapped.
TEST_F(MenuCaptureDeath, UnmappableDeviceIsFatal) {
    SimDir dir;
    std::filesystem::create_directory(dir.file("fb0"));
    EXPECT_DEATH(
        {
            test_support::InProcessArea area;
            grab_menu_texture();
        },
        "lumenfall:44: grab_menu_texture: Assertion `menupic != \\(\\(void \\*\\) -1\\)' failed");
}

// The address sanitizer reserves terabytes of shadow memory, so an
// address-space cap cannot starve the program of exactly one allocation.
#if !defined(__SANITIZE_ADDRESS__)
// Caps the address space just above what the process already uses, which
// leaves room for the device mapping but not for the 768 KiB staging image,
// and uses up every free heap chunk that could still hold the image (left
// behind by earlier tests in this process), then captures.
void capture_with_little_address_space() {
    // Kept so that the optimiser cannot drop the allocations; reserved before
    // the cap so that keeping them needs no memory.
    std::vector<void*> kept;
    kept.reserve(4096);
    long pages = 0;
    if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld", &pages) != 1) pages = 0;
        std::fclose(statm);
    }
    const rlim_t cap = static_cast<rlim_t>(pages) * 4096 + 512 * 1024;
    const rlimit limit = {cap, cap};
    setrlimit(RLIMIT_AS, &limit);
    while (void* block = std::malloc(menu_staging_bytes))
        kept.push_back(block);
    grab_menu_texture();
}

// The staging image is the one allocation that may fail here; it is fatal
// like the others.
TEST_F(MenuCaptureDeath, MissingStagingMemoryIsFatal) {
    SimDir dir;
    dir.write_screen(numbered_screen());
    EXPECT_DEATH(
        {
            test_support::InProcessArea area;
            capture_with_little_address_space();
        },
        "lumenfall:47: grab_menu_texture: Assertion `staging' failed");
}
#endif

} // namespace
} // namespace demo_test
