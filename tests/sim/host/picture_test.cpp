// Pictures the user gives for the menu screen, and the frame buffer's pixel
// format they are turned into.
#include "host_error.h"
#include "menu_screen.h"
#include "picture_file.h"
#include "process_runner.h"

#include <fstream>
#include <gtest/gtest.h>

namespace sim {
namespace {

std::vector<uint8_t> bytes_of(const std::string& text) {
    return {text.begin(), text.end()};
}

TEST(Ppm, ParsesHeadersWithCommentsAndSixteenBitSamples) {
    RgbImage image;
    ASSERT_EQ(parse_ppm(bytes_of("P6\n# made by hand\n2 1\n255\n\x01\x02\x03\xff\xfe\xfd"), image),
              "");
    EXPECT_EQ(image.width, 2);
    EXPECT_EQ(image.height, 1);
    EXPECT_EQ(image.rgb, (std::vector<uint8_t>{1, 2, 3, 255, 254, 253}));

    // 16-bit samples, big-endian, scaled to 8 bits.
    const std::string wide("P6 1 1 65535 \xff\xff\x80\x00\x00\x00", 19);
    ASSERT_EQ(parse_ppm(bytes_of(wide), image), "");
    EXPECT_EQ(image.rgb, (std::vector<uint8_t>{255, 128, 0}));
}

TEST(Ppm, RejectsDamagedFiles) {
    struct Case {
        std::string data;
        const char* expected;
    };
    const Case cases[] = {
        {"P3\n1 1\n255\n", "not a P6"},
        {"P6\n1", "header"},
        {"P6\n1 1\n255", "header"},
        {"P6\n0 1\n255\n", "invalid size"},
        {"P6\n1 1\n0\n", "invalid size"},
        {"P6\n2 2\n255\nabcdef", "truncated PPM: 6 of 12 bytes"},
        {"P6\n99999999 99999999\n255\n", "header"},
        {"P6\n100000 100000\n255\n", "too large"},
    };
    for (const Case& c : cases) {
        RgbImage image;
        const std::string problem = parse_ppm(bytes_of(c.data), image);
        EXPECT_NE(problem.find(c.expected), std::string::npos) << c.data << " gave: " << problem;
    }
}

TEST(MenuPicture, MustBeAReadablePictureOfTheScreensSize) {
    test::TempDir dir;
    const auto write = [&](const std::string& name, const std::string& data) {
        std::ofstream(dir.path() + "/" + name, std::ios::binary) << data;
        return dir.path() + "/" + name;
    };
    const auto refusal = [](const std::string& path) -> std::string {
        try {
            load_picture(path, 320, 240);
        } catch (const HostError& e) {
            return e.what();
        }
        return "(accepted)";
    };
    EXPECT_NE(refusal(dir.path() + "/missing.ppm").find("No such file"), std::string::npos);
    EXPECT_NE(
        refusal(write("small.ppm", "P6 2 1 255 abcdef")).find("is 2x1; it must be exactly 320x240"),
        std::string::npos);
    EXPECT_NE(
        refusal(write("cut.ppm", "P6 320 240 255 " + std::string(1000, 'x'))).find("truncated"),
        std::string::npos);
    EXPECT_NE(refusal(write("text.txt", "hello")).find("not a PNG or PPM"), std::string::npos);
    EXPECT_NE(refusal(write("cut.png", "\x89PNG\r\n\x1a\n")).find("cut.png"), std::string::npos);
    const RgbImage good = load_picture(
        write("good.ppm", "P6 320 240 255\n" + std::string(320 * 240 * 3, '\x40')), 320, 240);
    EXPECT_EQ(good.rgb[0], 0x40);
}

TEST(FrameBufferFormat, KeepsTheTopBitsOfEachChannelLittleEndian) {
    struct Case {
        Rgb in;
        uint16_t out;
    };
    const Case cases[] = {
        {{255, 255, 255}, 0xFFFF}, {{255, 0, 0}, 0xF800}, {{0, 255, 0}, 0x07E0},
        {{0, 0, 255}, 0x001F},     {{7, 3, 7}, 0x0000},   {{8, 4, 8}, 0x0821},
    };
    for (const Case& c : cases) {
        const RgbImage image(1, 1, c.in);
        const std::vector<uint8_t> bytes = to_rgb565_le(image);
        ASSERT_EQ(bytes.size(), 2u);
        EXPECT_EQ(bytes[0] | bytes[1] << 8, c.out)
            << int(c.in.r) << "," << int(c.in.g) << "," << int(c.in.b);
    }
    const RgbImage menu = draw_menu_screen();
    EXPECT_EQ(menu.width, 320);
    EXPECT_EQ(menu.height, 240);
    EXPECT_EQ(to_rgb565_le(menu).size(), 153600u);
}

} // namespace
} // namespace sim
