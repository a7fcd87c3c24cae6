#include "contact_sheet.h"

#include "bitmap_font.h"
#include "host_error.h"
#include "output_file.h"
#include "png_io.h"

#include <utility>

namespace sim::out {
namespace {

constexpr int thumb_width = config::fb_width / config::thumbnail_divisor;
constexpr int thumb_height = config::fb_height / config::thumbnail_divisor;
constexpr size_t store_size = 2 * config::contact_sheet_max_tiles;
constexpr Rgb sheet_background{32, 32, 36};
constexpr Rgb label_color{220, 220, 220};

bool ends_with(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Each thumbnail pixel is the mean of a divisor x divisor block.
void shrink(const renderer::RgbFrame& frame, RgbImage& thumb) {
    constexpr int d = config::thumbnail_divisor;
    for (int y = 0; y < thumb_height; ++y)
        for (int x = 0; x < thumb_width; ++x)
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int dy = 0; dy < d; ++dy) {
                    const uint8_t* row =
                        frame.rgb.data() +
                        3 * (static_cast<size_t>(y * d + dy) * frame.width + x * d);
                    for (int dx = 0; dx < d; ++dx)
                        sum += row[3 * dx + c];
                }
                thumb.pixel(x, y)[c] = static_cast<uint8_t>((sum + d * d / 2) / (d * d));
            }
}

} // namespace

std::string write_ppm(const std::string& path, const RgbImage& image) {
    try {
        OutputFile file(path, "picture");
        const std::string header =
            "P6\n" + std::to_string(image.width) + " " + std::to_string(image.height) + "\n255\n";
        file.write(header.data(), header.size());
        file.write(image.rgb.data(), image.rgb.size());
        file.close();
    } catch (const HostError& e) {
        return e.what();
    }
    return {};
}

ContactSheet::ContactSheet(const std::string& path) : path_(path) {
    as_png_ = ends_with(path, ".png");
    if (!as_png_ && !ends_with(path, ".ppm"))
        throw HostError("contact sheet '" + path + "': the name must end in .png or .ppm");
    if (as_png_ && !png_supported())
        throw HostError("contact sheet '" + path +
                        "': this build of handheld-sim has no PNG support (libpng was not "
                        "found); name a .ppm file instead");
    OutputFile(path, "contact sheet").close();
    store_.resize(store_size);
    for (Thumbnail& t : store_)
        t.image = RgbImage(thumb_width, thumb_height);
}

void ContactSheet::consume(const renderer::RgbFrame& frame, uint64_t number) {
    if (number % stride_ != 0) return;
    if (stored_ == store_.size()) {
        // Keep every other thumbnail and sample half as often from now on.
        for (size_t i = 0; i < store_.size() / 2; ++i)
            std::swap(store_[i], store_[2 * i]);
        stored_ = store_.size() / 2;
        stride_ *= 2;
        if (number % stride_ != 0) return;
    }
    require_full_frame(frame);
    Thumbnail& slot = store_[stored_++];
    slot.number = number;
    shrink(frame, slot.image);
}

std::vector<size_t> ContactSheet::sheet_slots() const {
    const size_t tiles = config::contact_sheet_max_tiles;
    std::vector<size_t> slots;
    if (stored_ <= tiles) {
        for (size_t i = 0; i < stored_; ++i)
            slots.push_back(i);
        return slots;
    }
    // Spread over the store from its first to its last thumbnail, rounded.
    for (size_t i = 0; i < tiles; ++i)
        slots.push_back((i * (stored_ - 1) + (tiles - 1) / 2) / (tiles - 1));
    return slots;
}

std::vector<uint64_t> ContactSheet::sheet_frames() const {
    std::vector<uint64_t> frames;
    for (size_t slot : sheet_slots())
        frames.push_back(store_[slot].number);
    return frames;
}

RgbImage ContactSheet::compose() const {
    const std::vector<size_t> slots = sheet_slots();
    const int margin = config::contact_sheet_margin;
    const int columns = config::contact_sheet_columns;
    const int cell_height = thumb_height + config::contact_sheet_label_height;
    const int rows = slots.empty() ? 1 : static_cast<int>((slots.size() + columns - 1) / columns);
    RgbImage sheet(margin + columns * (thumb_width + margin),
                   margin + rows * (cell_height + margin), sheet_background);
    if (slots.empty()) {
        draw_text(sheet, margin, margin + 4, "NO FRAMES DISPLAYED", label_color);
        return sheet;
    }
    for (size_t i = 0; i < slots.size(); ++i) {
        const Thumbnail& t = store_[slots[i]];
        const int x0 = margin + static_cast<int>(i % columns) * (thumb_width + margin);
        const int y0 = margin + static_cast<int>(i / columns) * (cell_height + margin);
        for (int y = 0; y < thumb_height; ++y)
            for (int x = 0; x < thumb_width; ++x) {
                const uint8_t* p = t.image.pixel(x, y);
                sheet.put(x0 + x, y0 + y, {p[0], p[1], p[2]});
            }
        const std::string label = std::to_string(t.number);
        draw_text(sheet, x0 + (thumb_width - text_width(label)) / 2, y0 + thumb_height + 3, label,
                  label_color);
    }
    return sheet;
}

void ContactSheet::finish(uint64_t) {
    const RgbImage sheet = compose();
    const std::string problem = as_png_ ? write_png(path_, sheet) : write_ppm(path_, sheet);
    if (!problem.empty()) throw HostError("cannot write contact sheet '" + path_ + "': " + problem);
}

} // namespace sim::out
