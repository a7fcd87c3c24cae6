#include "capture_diff.h"

#include "capture_reader.h"
#include "gpu_protocol.h"

#include <algorithm>
#include <cinttypes>
#include <vector>

namespace sim::capture {
namespace {

// One comparable element of a frame: a command, or the texture hash that
// follows a setTxtBuf.
struct Item {
    bool is_hash = false;
    std::vector<uint32_t> words; // the command, or the hash's two words
    size_t record = 0;           // record number in its file
    size_t command = 0;          // command number within the frame
    bool operator==(const Item& other) const {
        return is_hash == other.is_hash && words == other.words;
    }
};

class FrameSource {
  public:
    FrameSource(const std::string& path, const TextOptions& options)
        : path_(path), options_(options) {}

    bool open() { return reader_.load_file(path_) || report(reader_.error()); }

    // The items of the next frame; false at the end or on a fault (see ok()).
    bool next_frame(std::vector<Item>& items) {
        items.clear();
        size_t commands = 0;
        Record record;
        while (reader_.next(record)) {
            if (record.kind == RecordKind::texture_contents) continue;
            Item item;
            item.record = record.index;
            item.words.assign(record.payload, record.payload + record.length);
            if (record.kind == RecordKind::texture_hash ||
                record.kind == RecordKind::texture_unknown) {
                item.is_hash = true;
                item.command = commands == 0 ? 0 : commands - 1;
                items.push_back(std::move(item));
                continue;
            }
            const std::string error = captured_length_error(
                record.payload, record.length,
                "record " + std::to_string(record.index) + " at byte " +
                    std::to_string(record.byte_offset));
            if (!error.empty()) return report(error);
            // Masked addresses compare equal, as they print.
            if (options_.mask_addresses && record.length == 4 &&
                record.payload[0] >= gpu_op_set_out_buf && record.payload[0] <= gpu_op_show)
                item.words[1] = 0;
            item.command = commands++;
            const bool show = record.payload[0] == gpu_op_show;
            items.push_back(std::move(item));
            if (show) return true;
        }
        if (!reader_.error().empty()) return report(reader_.error());
        return !items.empty();
    }

    bool ok() const { return ok_; }
    const std::string& path() const { return path_; }

  private:
    bool report(const std::string& message) {
        std::fprintf(stderr, "capture-dump: %s: %s\n", path_.c_str(), message.c_str());
        ok_ = false;
        return false;
    }

    std::string path_;
    TextOptions options_;
    CaptureReader reader_;
    bool ok_ = true;
};

std::vector<std::string> item_tokens(const Item* item, const TextOptions& options) {
    if (item == nullptr) return {"(end of capture)"};
    std::string text;
    if (item->is_hash && item->words.empty()) {
        text = "texture_hash unknown";
    } else if (item->is_hash) {
        char hash[40];
        std::snprintf(hash, sizeof hash, "texture_hash 0x%08" PRIx32 "%08" PRIx32, item->words[1],
                      item->words[0]);
        text = hash;
    } else {
        format_command(text, item->words.data(), item->words.size(), options);
    }
    // One field a row, so that the two commands line up field by field.
    std::vector<std::string> tokens;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(' ', start);
        if (end == std::string::npos) end = text.size();
        if (end > start) tokens.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return tokens;
}

void print_side_by_side(std::FILE* out, const FrameSource& a, const FrameSource& b,
                        const Item* item_a, const Item* item_b, const TextOptions& options) {
    const std::vector<std::string> left = item_tokens(item_a, options);
    const std::vector<std::string> right = item_tokens(item_b, options);
    size_t width = a.path().size() + 4;
    for (const std::string& t : left)
        width = std::max(width, t.size());
    auto where = [](const Item* item) {
        return item == nullptr ? std::string("end")
                               : "record " + std::to_string(item->record);
    };
    std::fprintf(out, "  %-*s   %s\n", static_cast<int>(width),
                 ("A: " + a.path()).c_str(), ("B: " + b.path()).c_str());
    std::fprintf(out, "  %-*s   %s\n", static_cast<int>(width), where(item_a).c_str(),
                 where(item_b).c_str());
    // Rows whose fields differ are marked with '*'.
    for (size_t i = 0; i < std::max(left.size(), right.size()); ++i) {
        const std::string l = i < left.size() ? left[i] : "";
        const std::string r = i < right.size() ? right[i] : "";
        std::fprintf(out, "%c %-*s   %s\n", l == r ? ' ' : '*', static_cast<int>(width), l.c_str(),
                     r.c_str());
    }
}

} // namespace

int diff_captures(const std::string& path_a, const std::string& path_b,
                  const TextOptions& options, std::FILE* out) {
    FrameSource a(path_a, options);
    FrameSource b(path_b, options);
    if (!a.open() || !b.open()) return 2;
    std::vector<Item> frame_a, frame_b;
    uint64_t frames = 0, differing = 0, commands = 0;
    bool reported = false;
    while (true) {
        const bool more_a = a.next_frame(frame_a);
        const bool more_b = b.next_frame(frame_b);
        if (!a.ok() || !b.ok()) return 2;
        if (!more_a && !more_b) break;
        for (const Item& item : frame_a)
            commands += item.is_hash ? 0 : 1;
        if (frame_a != frame_b) {
            ++differing;
            if (!reported) {
                reported = true;
                size_t i = 0;
                while (i < frame_a.size() && i < frame_b.size() && frame_a[i] == frame_b[i])
                    ++i;
                const Item* item_a = i < frame_a.size() ? &frame_a[i] : nullptr;
                const Item* item_b = i < frame_b.size() ? &frame_b[i] : nullptr;
                const Item* located = item_a != nullptr ? item_a : item_b;
                std::fprintf(out, "first difference: frame %" PRIu64 ", command %zu\n", frames,
                             located->command);
                print_side_by_side(out, a, b, item_a, item_b, options);
            }
        }
        ++frames;
    }
    if (differing == 0) {
        std::fprintf(out, "captures are equal: %" PRIu64 " frames, %" PRIu64 " commands\n",
                     frames, commands);
        return 0;
    }
    std::fprintf(out, "differing frames: %" PRIu64 " of %" PRIu64 "\n", differing, frames);
    return 1;
}

} // namespace sim::capture
