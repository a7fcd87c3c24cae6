#include "menu_screen.h"

#include "bitmap_font.h"
#include "host_config.h"

#include <string_view>

namespace sim {
namespace {

constexpr Rgb title_bar{46, 78, 140};
constexpr Rgb title_line{150, 180, 230};
constexpr Rgb text_color{235, 240, 250};
constexpr Rgb dim_text{160, 175, 200};
constexpr Rgb tile_color{28, 44, 84};
constexpr Rgb highlight{250, 210, 70};
constexpr Rgb status_bar{20, 30, 56};

constexpr int tile_width = 72;
constexpr int tile_height = 68;
constexpr int icon_size = 36;

void draw_background(RgbImage& image) {
    for (int y = 0; y < image.height; ++y) {
        // A vertical fade from a deep blue to near black.
        const int t = y * 255 / (image.height - 1);
        const Rgb row{static_cast<uint8_t>(20 - 14 * t / 255),
                      static_cast<uint8_t>(34 - 24 * t / 255),
                      static_cast<uint8_t>(70 - 46 * t / 255)};
        fill_rect(image, 0, y, image.width, 1, row);
    }
}

// Each icon is drawn into the square with its top left corner at (x, y).
void icon_games(RgbImage& m, int x, int y) {
    fill_rect(m, x + 2, y + 10, 32, 18, {90, 90, 110});
    fill_circle(m, x + 4, y + 19, 8, {90, 90, 110});
    fill_circle(m, x + 31, y + 19, 8, {90, 90, 110});
    fill_rect(m, x + 6, y + 17, 9, 3, text_color); // direction pad
    fill_rect(m, x + 9, y + 14, 3, 9, text_color);
    fill_circle(m, x + 27, y + 16, 2, {230, 80, 80}); // buttons
    fill_circle(m, x + 31, y + 21, 2, {80, 200, 90});
}

void icon_music(RgbImage& m, int x, int y) {
    fill_circle(m, x + 11, y + 27, 6, {120, 200, 250});
    fill_circle(m, x + 27, y + 24, 6, {120, 200, 250});
    fill_rect(m, x + 15, y + 4, 3, 23, {120, 200, 250});
    fill_rect(m, x + 31, y + 2, 3, 22, {120, 200, 250});
    fill_rect(m, x + 15, y + 2, 19, 5, {120, 200, 250});
}

void icon_video(RgbImage& m, int x, int y) {
    fill_rect(m, x + 1, y + 6, 34, 24, {70, 70, 80});
    for (int k = 0; k < 5; ++k) { // sprocket holes
        fill_rect(m, x + 3 + 7 * k, y + 7, 3, 3, {200, 200, 200});
        fill_rect(m, x + 3 + 7 * k, y + 26, 3, 3, {200, 200, 200});
    }
    // A play arrow, one column at a time, narrowing to its tip.
    for (int dx = 0; dx < 12; ++dx)
        fill_rect(m, x + 13 + dx, y + 12 + dx / 2, 1, 13 - dx / 2 * 2, {240, 90, 70});
}

void icon_photo(RgbImage& m, int x, int y) {
    fill_rect(m, x + 1, y + 4, 34, 28, {230, 230, 220});
    fill_rect(m, x + 4, y + 7, 28, 22, {110, 170, 230});
    fill_circle(m, x + 25, y + 12, 3, {250, 220, 90});
    fill_triangle(m, x + 13, y + 14, x + 4, x + 22, y + 28, {60, 140, 70});
    fill_triangle(m, x + 23, y + 18, x + 15, x + 31, y + 28, {40, 110, 55});
}

void icon_settings(RgbImage& m, int x, int y) {
    const Rgb steel{170, 180, 195};
    fill_circle(m, x + 18, y + 18, 12, steel);
    fill_rect(m, x + 15, y + 1, 7, 34, steel); // teeth
    fill_rect(m, x + 1, y + 15, 34, 7, steel);
    fill_circle(m, x + 18, y + 18, 5, tile_color);
}

void icon_files(RgbImage& m, int x, int y) {
    fill_rect(m, x + 2, y + 6, 14, 6, {210, 160, 60});
    fill_rect(m, x + 2, y + 10, 32, 22, {240, 190, 80});
    fill_rect(m, x + 2, y + 14, 32, 1, {200, 150, 50});
}

struct Entry {
    std::string_view label;
    void (*icon)(RgbImage&, int, int);
};

constexpr Entry entries[] = {
    {"GAMES", icon_games}, {"MUSIC", icon_music},       {"VIDEO", icon_video},
    {"PHOTO", icon_photo}, {"SETTINGS", icon_settings}, {"FILES", icon_files},
};

} // namespace

RgbImage draw_menu_screen() {
    RgbImage m(config::fb_width, config::fb_height);
    draw_background(m);

    fill_rect(m, 0, 0, m.width, 18, title_bar);
    fill_rect(m, 0, 18, m.width, 1, title_line);
    draw_text(m, 6, 6, "MAIN MENU", text_color);
    draw_text(m, m.width - 6 - text_width("12:00"), 6, "12:00", text_color);

    const int columns = 3;
    const int gap_x = (m.width - columns * tile_width) / (columns + 1);
    for (int i = 0; i < 6; ++i) {
        const int tx = gap_x + (i % columns) * (tile_width + gap_x);
        const int ty = 32 + (i / columns) * (tile_height + 14);
        fill_rect(m, tx, ty, tile_width, tile_height, tile_color);
        // The first entry is the selected one, as on a freshly started menu.
        frame_rect(m, tx, ty, tile_width, tile_height, i == 0 ? highlight : title_bar);
        if (i == 0) frame_rect(m, tx + 1, ty + 1, tile_width - 2, tile_height - 2, highlight);
        entries[i].icon(m, tx + (tile_width - icon_size) / 2, ty + 8);
        const std::string_view label = entries[i].label;
        draw_text(m, tx + (tile_width - text_width(label)) / 2, ty + tile_height - 14, label,
                  i == 0 ? highlight : text_color);
    }

    fill_rect(m, 0, m.height - 16, m.width, 16, status_bar);
    fill_rect(m, 0, m.height - 17, m.width, 1, title_line);
    draw_text(m, 6, m.height - 11, "BATTERY 87%", dim_text);
    draw_text(m, m.width - 6 - text_width("SD 1.2GB FREE"), m.height - 11, "SD 1.2GB FREE",
              dim_text);
    return m;
}

std::vector<uint8_t> to_rgb565_le(const RgbImage& image) {
    std::vector<uint8_t> bytes(static_cast<size_t>(image.width) * image.height * 2);
    for (size_t i = 0; i < bytes.size() / 2; ++i) {
        const uint8_t* p = image.rgb.data() + 3 * i;
        const uint16_t v = static_cast<uint16_t>((p[0] >> 3) << 11 | (p[1] >> 2) << 5 | p[2] >> 3);
        bytes[2 * i] = static_cast<uint8_t>(v);
        bytes[2 * i + 1] = static_cast<uint8_t>(v >> 8);
    }
    return bytes;
}

} // namespace sim
