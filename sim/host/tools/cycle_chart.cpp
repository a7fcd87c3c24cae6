// cycle-chart: a picture of the second core's modelled cycles per displayed
// frame, from the files `handheld-sim --cycles` writes, against the budget
// of a 1/60 s frame at 200 MHz. One colour a file (up to four), the scene
// change marked; frames over the budget are easy to see.
#include "bitmap_font.h"
#include "png_io.h"
#include "rgb_image.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr double budget_cycles = 200e6 / 60; // 3.33 M
constexpr uint64_t second_scene_frame = 1615;

struct Series {
    std::string label;
    std::vector<uint64_t> cycles; // by frame
};

bool read_series(const std::string& path, Series& s, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    std::string line;
    s.label = path;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        if (line[0] == '#') {
            // "# memory timing NAME: ..." names the series.
            const std::string key = "# memory timing ";
            if (line.compare(0, key.size(), key) == 0)
                s.label = line.substr(key.size(), line.find(':') - key.size());
            continue;
        }
        std::istringstream fields(line);
        uint64_t frame = 0, instructions = 0, cycles = 0;
        if (!(fields >> frame >> instructions >> cycles)) {
            error = path + ": not a cycles line: '" + line + "'";
            return false;
        }
        if (frame >= s.cycles.size()) s.cycles.resize(frame + 1, 0);
        s.cycles[frame] = cycles;
    }
    if (s.cycles.empty()) {
        error = path + ": no frames";
        return false;
    }
    return true;
}

void line(sim::RgbImage& image, int x0, int y0, int x1, int y1, sim::Rgb color) {
    const int steps = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
    for (int i = 0; i <= steps; ++i) {
        const int x = steps == 0 ? x0 : x0 + (x1 - x0) * i / steps;
        const int y = steps == 0 ? y0 : y0 + (y1 - y0) * i / steps;
        image.put(x, y, color);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::puts("Usage: cycle-chart OUT.png CYCLES_FILE...\n"
                  "Draws the cycles per displayed frame of each file written by\n"
                  "handheld-sim --cycles (up to four) against the 3.33 M budget of a\n"
                  "1/60 s frame at 200 MHz.");
        return 0;
    }
    if (argc < 3 || argc > 6) {
        std::fputs("cycle-chart: usage: cycle-chart OUT.png CYCLES_FILE... (see --help)\n", stderr);
        return 2;
    }
    std::vector<Series> series(static_cast<size_t>(argc - 2));
    uint64_t top = static_cast<uint64_t>(budget_cycles * 1.25);
    size_t frames = 0;
    for (size_t i = 0; i < series.size(); ++i) {
        std::string error;
        if (!read_series(argv[i + 2], series[i], error)) {
            std::fprintf(stderr, "cycle-chart: %s\n", error.c_str());
            return 1;
        }
        for (uint64_t c : series[i].cycles)
            top = std::max(top, c);
        frames = std::max(frames, series[i].cycles.size());
    }
    // A round top, in millions.
    const uint64_t top_millions = (top + 999'999) / 1'000'000 + 1;

    const int width = 1100, height = 480, left = 60, right = 20, upper = 40, lower = 40;
    const int plot_w = width - left - right, plot_h = height - upper - lower;
    sim::RgbImage image(width, height, {255, 255, 255});
    auto y_of = [&](double cycles) {
        return upper + plot_h - static_cast<int>(cycles / (top_millions * 1e6) * plot_h);
    };
    auto x_of = [&](size_t frame) {
        return left + static_cast<int>(static_cast<double>(frame) / frames * plot_w);
    };
    // Grid and labels: a line every million cycles, every 500 frames.
    for (uint64_t m = 0; m <= top_millions; ++m) {
        const int y = y_of(m * 1e6);
        line(image, left, y, left + plot_w, y, {225, 225, 225});
        sim::draw_text(image, 8, y - 3, std::to_string(m) + "M", {60, 60, 60});
    }
    for (size_t f = 0; f <= frames; f += 500) {
        const int x = x_of(f);
        line(image, x, upper, x, upper + plot_h, {235, 235, 235});
        sim::draw_text(image, x - 10, upper + plot_h + 8, std::to_string(f), {60, 60, 60});
    }
    sim::draw_text(image, left + plot_w / 2 - 60, height - 14, "displayed frame", {60, 60, 60});
    // The change of scene.
    if (second_scene_frame < frames) {
        const int x = x_of(second_scene_frame);
        for (int y = upper; y < upper + plot_h; y += 4)
            image.put(x, y, {120, 120, 120});
        sim::draw_text(image, x + 4, upper + 4, "scene 2", {90, 90, 90});
    }
    const sim::Rgb colors[4] = {{30, 90, 200}, {230, 120, 20}, {40, 160, 60}, {150, 50, 170}};
    for (size_t i = 0; i < series.size(); ++i) {
        const Series& s = series[i];
        for (size_t f = 1; f < s.cycles.size(); ++f)
            line(image, x_of(f - 1), y_of(static_cast<double>(s.cycles[f - 1])), x_of(f),
                 y_of(static_cast<double>(s.cycles[f])), colors[i]);
        fill_rect(image, left + 10 + static_cast<int>(i) * 200, 12, 12, 12, colors[i]);
        sim::draw_text(image, left + 28 + static_cast<int>(i) * 200, 14,
                       "cycles per frame, " + s.label, {40, 40, 40});
    }
    // The budget on top of everything.
    const int budget_y = y_of(budget_cycles);
    fill_rect(image, left, budget_y - 1, plot_w, 2, {210, 30, 30});
    sim::draw_text(image, left + plot_w - 190, budget_y - 12, "budget 3.33M (200 MHz, 60 Hz)",
                   {210, 30, 30});
    frame_rect(image, left, upper, plot_w, plot_h, {80, 80, 80});

    const std::string error = sim::out::write_png(argv[1], image);
    if (!error.empty()) {
        std::fprintf(stderr, "cycle-chart: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
