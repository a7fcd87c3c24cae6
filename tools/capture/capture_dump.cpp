// capture-dump: prints a capture recorded by handheld-sim --capture.
#include "capture_diff.h"
#include "capture_reader.h"
#include "capture_summary.h"
#include "command_text.h"
#include "gpu_protocol.h"
#include "texture_codec.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

using namespace sim::capture;

enum class Mode { text, digest, stats, diff };

constexpr const char* usage_text =
    "Usage: capture-dump [--mask-addresses] [--digest | --stats] FILE\n"
    "  or:  capture-dump [--mask-addresses] --diff FILE_A FILE_B\n"
    "Prints a command capture of handheld-sim as text, one command a line, or\n"
    "compares two.\n"
    "\n"
    "  --mask-addresses  print buffer addresses as *\n"
    "  --digest          print only a 64-bit FNV-1a digest of the commands, with\n"
    "                    buffer addresses taken as 0 and texture hashes ignored\n"
    "  --stats           print the number of commands per opcode and of frames\n"
    "  --diff            print the first frame and command where two captures\n"
    "                    differ, both commands side by side (differing fields\n"
    "                    marked '*'), and the number of frames that differ\n"
    "  --help            show this help\n"
    "\n"
    "Exit status: 0 on success, 1 when the file cannot be read or is truncated\n"
    "or malformed, 2 on a usage error. With --diff: 0 when the captures are\n"
    "equal, 1 when they differ, 2 when one cannot be read or on a usage error.\n";

int usage_error(const char* message) {
    std::fprintf(stderr, "capture-dump: %s\n", message);
    std::fprintf(stderr, "Try 'capture-dump --help' for more information.\n");
    return 2;
}

// Fails a command whose length disagrees with what its opcode demands; the
// renderer consumes exactly that many words, so such a record cannot come
// from a sound capture.
bool check_length(const Record& record, std::string& error) {
    error = captured_length_error(record.payload, record.length,
                                  "record " + std::to_string(record.index) + " at byte " +
                                      std::to_string(record.byte_offset));
    return error.empty();
}

void print_stats(const CaptureStats& stats) {
    std::printf("commands: %" PRIu64 " (%" PRIu64 " words)\n", stats.commands, stats.command_words);
    std::printf("frames: %" PRIu64 "\n", stats.frames);
    std::printf("texture hashes: %" PRIu64 "\n", stats.texture_hashes);
    if (stats.unknown_textures > 0)
        std::printf("unknown textures: %" PRIu64 "\n", stats.unknown_textures);
    std::printf("texture contents: %" PRIu64, stats.texture_contents);
    if (stats.contents_stored_bytes > 0)
        std::printf(" (%" PRIu64 " bytes of texels in %" PRIu64 " bytes, ratio %.1f)",
                    stats.contents_raw_bytes, stats.contents_stored_bytes,
                    static_cast<double>(stats.contents_raw_bytes) /
                        static_cast<double>(stats.contents_stored_bytes));
    std::printf("\n");
    for (size_t op = 0; op < stats.per_opcode.size(); ++op) {
        if (stats.per_opcode[op] == 0) continue;
        const char* name = opcode_name(static_cast<uint32_t>(op));
        if (name != nullptr)
            std::printf("  %-10s %" PRIu64 "\n", name, stats.per_opcode[op]);
        else
            std::printf("  opcode %zu%s %" PRIu64 "\n", op, op == 255 ? "+" : "",
                        stats.per_opcode[op]);
    }
}

} // namespace

int main(int argc, char** argv) {
    Mode mode = Mode::text;
    TextOptions options;
    const char* path = nullptr;
    const char* other_path = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(usage_text, stdout);
            return 0;
        } else if (arg == "--mask-addresses") {
            options.mask_addresses = true;
        } else if (arg == "--digest" || arg == "--stats" || arg == "--diff") {
            if (mode != Mode::text)
                return usage_error("--digest, --stats and --diff exclude each other");
            mode = arg == "--digest" ? Mode::digest : arg == "--stats" ? Mode::stats : Mode::diff;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return usage_error(("unknown option '" + arg + "'").c_str());
        } else if (path == nullptr) {
            path = argv[i];
        } else if (other_path == nullptr) {
            other_path = argv[i];
        } else {
            return usage_error("too many capture files given");
        }
    }
    if (mode == Mode::diff) {
        if (other_path == nullptr) return usage_error("--diff compares two capture files");
        const int status = diff_captures(path, other_path, options, stdout);
        if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
            std::fprintf(stderr, "capture-dump: cannot write the output: %s\n",
                         std::strerror(errno));
            return 2;
        }
        return status;
    }
    if (path == nullptr) return usage_error("no capture file given");
    if (other_path != nullptr) return usage_error("only one capture file can be read");

    CaptureReader reader;
    if (!reader.load_file(path)) {
        std::fprintf(stderr, "capture-dump: %s\n", reader.error().c_str());
        return 1;
    }

    CommandDigest digest;
    CaptureStats stats;
    std::string line;
    std::string error;
    uint64_t frame = 0;
    bool frame_started = false;
    Record record;
    while (error.empty() && reader.next(record)) {
        if (record.kind == RecordKind::texture_hash) {
            ++stats.texture_hashes;
            if (mode == Mode::text)
                std::printf("texture_hash 0x%016" PRIx64 "\n", CaptureReader::texture_hash(record));
            continue;
        }
        if (record.kind == RecordKind::texture_unknown) {
            ++stats.unknown_textures;
            if (mode == Mode::text) std::printf("texture_hash unknown\n");
            continue;
        }
        if (record.kind == RecordKind::texture_contents) {
            const TextureContents contents = CaptureReader::texture_contents(record);
            ++stats.texture_contents;
            stats.contents_raw_bytes += 4 * contents.words();
            stats.contents_stored_bytes += 4 * (1 + uint64_t{record.length});
            if (mode == Mode::text)
                std::printf("texture_contents 0x%016" PRIx64 " width=%u height=%" PRIu32
                            " codec=%s bytes=%" PRIu32 "\n",
                            contents.hash, 1u << contents.log2_width, contents.height,
                            codec_name(contents.codec), contents.data_bytes);
            continue;
        }
        if (!check_length(record, error)) break;
        digest.add_command(record.payload, record.length);
        stats.add_command(record.payload, record.length);
        if (mode != Mode::text) continue;
        if (!frame_started) {
            std::printf("== frame %" PRIu64 " ==\n", frame);
            frame_started = true;
        }
        line.clear();
        format_command(line, record.payload, record.length, options);
        if (record.payload[0] == gpu_op_show) {
            line += " -> frame " + std::to_string(frame) + " shown";
            ++frame;
            frame_started = false;
        }
        std::puts(line.c_str());
    }
    if (error.empty()) error = reader.error();
    if (!error.empty()) {
        std::fflush(stdout);
        std::fprintf(stderr, "capture-dump: %s: %s\n", path, error.c_str());
        return 1;
    }

    if (mode == Mode::digest) std::printf("%016" PRIx64 "\n", digest.value());
    if (mode == Mode::stats) print_stats(stats);
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "capture-dump: cannot write the output: %s\n", std::strerror(errno));
        return 1;
    }
    return 0;
}
