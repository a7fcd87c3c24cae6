// frame-pack: cuts chosen frames out of a capture into a frame pack
// (frame_pack_format.h) for render-frames.
#include "frame_pack_format.h"

#include "capture_replay.h"
#include "gpu_protocol.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr const char* usage = "Usage: frame-pack CAPTURE OUT (--every N | --frames N,N,...)\n"
                              "Writes the chosen frames of CAPTURE (from 0), each with the\n"
                              "selections in force when it began and the textures it selects,\n"
                              "as a frame pack for render-frames.\n";

struct Texture {
    uint32_t address, log2_width, height;
    std::vector<uint32_t> words;
};

bool parse_list(const char* text, std::vector<uint64_t>& out) {
    std::string s(text);
    size_t pos = 0;
    while (pos <= s.size()) {
        const size_t comma = s.find(',', pos);
        const std::string item =
            s.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
        char* end = nullptr;
        const unsigned long long v = std::strtoull(item.c_str(), &end, 10);
        if (item.empty() || *end != '\0') return false;
        out.push_back(v);
        if (comma == std::string::npos) break;
        pos = comma + 1;
    }
    return true;
}

// The selections in force, as the commands that made them.
struct Selections {
    std::vector<uint32_t> view, planes, out, texture, depth;
    uint64_t texture_hash = 0;
    bool texture_has_hash = false;
};

void put(std::vector<uint32_t>& pack, const std::vector<uint32_t>& words) {
    pack.insert(pack.end(), words.begin(), words.end());
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(usage, stdout);
        return 0;
    }
    uint64_t every = 0;
    std::vector<uint64_t> chosen;
    if (argc != 5 ||
        (std::strcmp(argv[3], "--every") == 0
             ? (every = std::strtoull(argv[4], nullptr, 10)) == 0
             : (std::strcmp(argv[3], "--frames") != 0 || !parse_list(argv[4], chosen)))) {
        std::fputs(usage, stderr);
        return 2;
    }
    sim::capture::CaptureReplay capture;
    if (!capture.load_file(argv[1])) {
        std::fprintf(stderr, "frame-pack: %s: %s\n", argv[1], capture.error().c_str());
        return 1;
    }
    auto wanted = [&](uint64_t frame) {
        if (every != 0) return frame % every == 0;
        for (uint64_t f : chosen)
            if (f == frame) return true;
        return false;
    };

    std::vector<uint32_t> pack = {bench::frame_pack_magic, bench::frame_pack_version, 0};
    Selections held;
    std::vector<uint32_t> commands;
    std::vector<Texture> textures;
    uint64_t frame = 0;
    auto add_texture = [&](const std::vector<uint32_t>& cmd, bool has_hash, uint64_t hash) {
        Texture t{cmd[1], cmd[2], cmd[3], {}};
        std::string error;
        if (!has_hash || !capture.texture(hash, t.words, error)) return true; // none recorded
        for (const Texture& seen : textures)
            if (seen.address == t.address && seen.log2_width == t.log2_width &&
                seen.height == t.height)
                return true;
        textures.push_back(std::move(t));
        return true;
    };
    auto begin_frame = [&] {
        commands.clear();
        textures.clear();
        for (const auto* sel : {&held.view, &held.planes, &held.out, &held.texture, &held.depth})
            put(commands, *sel);
        if (!held.texture.empty())
            add_texture(held.texture, held.texture_has_hash, held.texture_hash);
    };
    begin_frame();
    for (const auto& c : capture.commands()) {
        const std::vector<uint32_t> words(c.words, c.words + c.count);
        put(commands, words);
        switch (words[0]) {
        case gpu_op_set_view:
            held.view = words;
            break;
        case gpu_op_set_clip_planes:
            held.planes = words;
            break;
        case gpu_op_set_out_buf:
            held.out = words;
            break;
        case gpu_op_set_z_buf:
            held.depth = words;
            break;
        case gpu_op_set_txt_buf:
            held.texture = words;
            held.texture_has_hash = c.has_texture_hash;
            held.texture_hash = c.texture_hash;
            if (words.size() == 4) add_texture(words, c.has_texture_hash, c.texture_hash);
            break;
        case gpu_op_reset:
            held = Selections{};
            break;
        default:
            break;
        }
        if (words[0] != gpu_op_show) continue;
        if (wanted(frame)) {
            pack.push_back(static_cast<uint32_t>(frame));
            pack.push_back(static_cast<uint32_t>(textures.size()));
            pack.push_back(static_cast<uint32_t>(commands.size()));
            for (const Texture& t : textures) {
                pack.insert(pack.end(), {t.address, t.log2_width, t.height});
                put(pack, t.words);
            }
            put(pack, commands);
            ++pack[2];
        }
        ++frame;
        begin_frame();
    }
    FILE* out = std::fopen(argv[2], "wb");
    if (out == nullptr || std::fwrite(pack.data(), 4, pack.size(), out) != pack.size() ||
        std::fclose(out) != 0) {
        std::fprintf(stderr, "frame-pack: cannot write %s: %s\n", argv[2], std::strerror(errno));
        return 1;
    }
    std::fprintf(stderr, "frame-pack: %u of %llu frames written to %s\n", pack[2],
                 static_cast<unsigned long long>(frame), argv[2]);
    return 0;
}
