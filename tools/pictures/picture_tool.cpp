#include "picture_tool.h"

#include "bitmap.h"
#include "cpp_array.h"
#include "file_io.h"
#include "image_writer.h"
#include "preview.h"
#include "run_length.h"

#include <cctype>
#include <cstdlib>
#include <optional>
#include <ostream>

namespace picture_tool {

namespace {

constexpr const char* usage_text =
    R"(Usage:
  picture-tool pack IN.pbm OUT.cpp [--name NAME]
      Packs a 255 x 256 PBM (P1 or P4) into a C++ array NAME (default: the
      input's base name) with NAME_size beside it.
  picture-tool unpack IN.bin|IN.cpp OUT.pbm [--name NAME]
      Turns packed data (raw bytes, or the array NAME in C++ source) back into
      a plain PBM.
  picture-tool preview IN.bin|IN.cpp OUT.png --width N --colours A,B [--name NAME]
      Runs the demo's decoder with width N, lettering colour A and halo colour
      B (32-bit Y,U,Y,V words such as 0x81a977a9) and writes the texture.
  picture-tool --help
Exit status: 0 on success, 1 for bad or unreadable input, 2 for a wrong
command line.
)";

struct Options {
    std::string command;
    std::vector<std::string> files;
    std::string name;
    std::optional<uint32_t> width;
    std::optional<uint32_t> colour_a;
    std::optional<uint32_t> colour_b;
    bool help = false;
};

// Accepts decimal or 0x-prefixed hexadecimal, the whole text, up to 2^32 - 1.
bool parse_word(const std::string& text, uint32_t& value) {
    if (text.empty() || text[0] == '-' || text[0] == '+' ||
        std::isspace(static_cast<unsigned char>(text[0])))
        return false;
    char* end = nullptr;
    const unsigned long long parsed = std::strtoull(text.c_str(), &end, 0);
    if (*end != '\0' || parsed > 0xFFFFFFFFull) return false;
    value = static_cast<uint32_t>(parsed);
    return true;
}

bool parse_options(const std::vector<std::string>& args, Options& options, std::string& error) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool has_value = i + 1 < args.size();
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--name" || arg == "--width" || arg == "--colours") {
            if (!has_value) {
                error = arg + " needs a value";
                return false;
            }
            const std::string& value = args[++i];
            if (arg == "--name") {
                if (!is_identifier(value)) {
                    error = "--name must be a C++ identifier, not '" + value + "'";
                    return false;
                }
                options.name = value;
            } else if (arg == "--width") {
                uint32_t width = 0;
                if (!parse_word(value, width)) {
                    error = "--width must be a number from 0 to 4294967295, not '" + value + "'";
                    return false;
                }
                options.width = width;
            } else {
                const size_t comma = value.find(',');
                uint32_t a = 0;
                uint32_t b = 0;
                if (comma == std::string::npos || !parse_word(value.substr(0, comma), a) ||
                    !parse_word(value.substr(comma + 1), b)) {
                    error = "--colours must be two 32-bit words A,B, not '" + value + "'";
                    return false;
                }
                options.colour_a = a;
                options.colour_b = b;
            }
        } else if (arg.size() > 1 && arg[0] == '-') {
            error = "unknown option " + arg;
            return false;
        } else if (options.command.empty()) {
            options.command = arg;
        } else {
            options.files.push_back(arg);
        }
    }
    return true;
}

int fail(std::ostream& err, const std::string& message, int status) {
    err << "picture-tool: " << message << "\n";
    if (status == exit_usage) err << "Try 'picture-tool --help'.\n";
    return status;
}

int run_pack(const Options& options, std::ostream& out, std::ostream& err) {
    const std::string& input = options.files[0];
    const std::string& output = options.files[1];
    const std::string name = options.name.empty() ? base_name(input) : options.name;
    if (!is_identifier(name))
        return fail(err, "cannot name the array after '" + input + "'; give --name", exit_usage);
    std::string data;
    std::string error;
    Bitmap bitmap;
    std::vector<uint8_t> packed;
    if (!read_file(input, data, error) || !parse_pbm(data, bitmap, error) ||
        !pack_picture(bitmap, packed, error))
        return fail(err, input + ": " + error, exit_bad_input);
    const std::string source = format_cpp_array(name, packed, base_name(input) + ".pbm");
    if (!write_file(output, source, error)) return fail(err, error, exit_bad_input);
    out << output << ": " << name << ", " << packed.size() << " bytes\n";
    return exit_ok;
}

int run_unpack(const Options& options, std::ostream& out, std::ostream& err) {
    const std::string& input = options.files[0];
    const std::string& output = options.files[1];
    std::vector<uint8_t> packed;
    std::string error;
    Bitmap bitmap;
    if (!load_packed(input, options.name, packed, error)) return fail(err, error, exit_bad_input);
    if (!unpack_picture(packed, bitmap, error))
        return fail(err, input + ": " + error, exit_bad_input);
    if (!write_file(output, format_pbm(bitmap), error)) return fail(err, error, exit_bad_input);
    out << output << ": 255 x 256 from " << packed.size() << " bytes\n";
    return exit_ok;
}

int run_preview(const Options& options, std::ostream& out, std::ostream& err) {
    if (!options.width || !options.colour_a)
        return fail(err, "preview needs --width and --colours", exit_usage);
    const std::string& input = options.files[0];
    const std::string& output = options.files[1];
    std::vector<uint8_t> packed;
    std::vector<uint32_t> texels;
    std::string error;
    if (!load_packed(input, options.name, packed, error)) return fail(err, error, exit_bad_input);
    if (!decode_texture(packed, *options.width, *options.colour_a, *options.colour_b, texels,
                        error))
        return fail(err, input + ": " + error, exit_bad_input);
    std::string written;
    if (!write_rgb_image(output, texture_to_rgb(texels), written, error))
        return fail(err, error, exit_bad_input);
    out << written << ": 256 x 256 texture\n";
    return exit_ok;
}

} // namespace

int run_picture_tool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    Options options;
    std::string error;
    if (!parse_options(args, options, error)) return fail(err, error, exit_usage);
    if (options.help) {
        out << usage_text;
        return exit_ok;
    }
    if (options.command.empty()) return fail(err, "no command given", exit_usage);
    if (options.command != "pack" && options.command != "unpack" && options.command != "preview")
        return fail(err, "unknown command '" + options.command + "'", exit_usage);
    if (options.files.size() != 2)
        return fail(err, options.command + " takes an input and an output file", exit_usage);
    if (options.command == "pack") return run_pack(options, out, err);
    if (options.command == "unpack") return run_unpack(options, out, err);
    return run_preview(options, out, err);
}

} // namespace picture_tool
