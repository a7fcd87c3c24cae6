#include "options.h"

#include "cycle_model/memory_timing.h"
#include "host_config.h"
#include "host_error.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace sim {

const char* const usage_text =
    "Usage: handheld-sim [OPTION]... -- COMMAND [ARG]...\n"
    "  or:  handheld-sim [OPTION]... --replay CAPTURE\n"
    "Runs COMMAND inside a simulated handheld: a memory device and a frame buffer\n"
    "in a private folder named by LUMENFALL_SIM_DIR, the second core's control\n"
    "registers, and the renderer that runs on that core once the loader has put\n"
    "the renderer image there. Exits with COMMAND's exit status (128+N when\n"
    "signal N ended it) after every frame it showed has been displayed.\n"
    "\n"
    "Pacing:\n"
    "  --fast               display each shown frame as soon as it is drawn\n"
    "                       (default: 60 frames a second, as on the handheld);\n"
    "                       the built-in renderer then paints on two threads\n"
    "  --frames N           end the run once N frames are displayed: stop the\n"
    "                       command (or the replay) and exit with status 0\n"
    "  --renderer-now       start the renderer at once, as if it had been loaded\n"
    "                       (native second core only)\n"
    "\n"
    "Second core:\n"
    "  --second-core KIND   native (default): the built-in renderer, started when\n"
    "                       the loader puts the renderer image there;\n"
    "                       emulated: whatever the loader put there runs on an\n"
    "                       emulated ARMv4T core, and the simulator shows the\n"
    "                       frame buffer as the display program fills it; a\n"
    "                       replay loads renderer.img from beside handheld-sim\n"
    "                       and fills the frame buffer itself\n"
    "  --instructions FILE  with the emulated core: write one line per displayed\n"
    "                       frame, its number and the instructions the core ran\n"
    "                       since the previous one (slows the core down)\n"
    "  --cycles FILE        with the emulated core: model its cycles (pipeline,\n"
    "                       caches, write buffer, memory) and write one line per\n"
    "                       displayed frame: its number, instructions, cycles,\n"
    "                       instruction- and data-cache misses, uncached accesses,\n"
    "                       write-buffer stall cycles, stale reads, line-fill and\n"
    "                       uncached wait cycles, and the instructions and cycles\n"
    "                       spent polling an empty FIFO, which the first two\n"
    "                       leave out (slows the core down several times: use\n"
    "                       with --fast)\n"
    "  --memory-timing NAME with --cycles: plausible (default) or pessimistic\n"
    "\n"
    "Devices:\n"
    "  --menu FILE          the menu screen in the frame buffer: a 320x240 PNG or\n"
    "                       binary PPM (P6) picture (default: a built-in menu)\n"
    "\n"
    "Outputs:\n"
    "  --window             show the screen in a window (default when a display\n"
    "                       is available); closing it stops the run\n"
    "  --no-window          never open a window\n"
    "  --scale N            the window's starting size: N times 320x240, N from 1\n"
    "                       to 8 (default 2)\n"
    "  --screenshots DIR    where F12 saves screenshots (default: the current\n"
    "                       folder)\n"
    "  --video FILE         record the displayed frames: FILE.y4m directly, or\n"
    "                       FILE.mp4 through ffmpeg\n"
    "  --png DIR            save the frames given by --png-frames as\n"
    "                       DIR/frame_NNNNN.png\n"
    "  --png-frames LIST    frame numbers, from 0, separated by commas\n"
    "  --contact-sheet FILE save a grid of thumbnails sampled over the run\n"
    "                       (FILE.png or FILE.ppm)\n"
    "  --capture FILE       record the command stream the renderer consumed, with\n"
    "                       the contents of every texture it used, so that it can\n"
    "                       be replayed (read it with capture-dump)\n"
    "  --capture-digests-only\n"
    "                       record only a digest of each texture, not its contents\n"
    "  --frame-digest       print a digest of every displayed frame's pixels\n"
    "  --shown-digests FILE write one line per displayed frame: its number and a\n"
    "                       digest of the shown buffer's words (compare runs of\n"
    "                       the two second cores with it)\n"
    "  --no-progress        no progress line on the terminal\n"
    "\n"
    "Replay:\n"
    "  --replay CAPTURE     run no command: draw the commands of a capture made with\n"
    "                       --capture, at 60 frames a second or with --fast, into\n"
    "                       the same outputs as a live run\n"
    "  --help               show this help\n"
    "\n"
    "Keys in the window:\n"
    "  Space                pause or resume: nothing more is drawn or displayed,\n"
    "                       so the programs wait as on a paused handheld\n"
    "  .                    while paused, step one frame\n"
    "  Tab (held)           full speed, as with --fast, until released\n"
    "  F12                  save the screen, 320x240, as DIR/screenshot_NNNNN.png\n"
    "  F11 or Alt+Enter     full screen on or off\n"
    "  1 to 4               window size: 1 to 4 times 320x240\n"
    "  Esc or Q             end the run, as closing the window does\n"
    "The title shows the frame on screen, the frames per second and 'paused'.\n"
    "\n"
    "The last line on stderr is the summary:\n"
    "  handheld-sim: summary: frames=N seconds=S fps=F renderer_errors=E exit_status=X\n"
    "With --cycles it also holds worst_frame_cycles=C stale_reads=R before\n"
    "exit_status, and a line before it names the first stale read.\n"
    "\n"
    "Exit status: COMMAND's, or 2 when the simulator itself fails (bad option,\n"
    "unreadable picture, unwritable output) or the emulated second core's program\n"
    "faults (undefined instruction, access outside its memory or its protection\n"
    "regions, no progress).\n"
    "\n"
    "Example:\n"
    "  handheld-sim --fast --video out.y4m -- sh -c 'coreseed bin/renderer.img && lumenfall'\n";

namespace {

bool ends_with(const std::string& text, const char* tail) {
    const size_t n = std::strlen(tail);
    return text.size() >= n && text.compare(text.size() - n, n, tail) == 0;
}

int parse_scale(const std::string& text) {
    const bool digits =
        text.size() <= 2 && text.find_first_not_of("0123456789") == std::string::npos;
    const int scale = digits ? std::atoi(text.c_str()) : 0;
    if (scale < 1 || scale > config::max_window_scale)
        throw HostError("--scale: '" + text + "' is not a whole number from 1 to " +
                        std::to_string(config::max_window_scale));
    return scale;
}

} // namespace

std::vector<uint64_t> parse_frame_list(const std::string& text) {
    std::vector<uint64_t> frames;
    size_t start = 0;
    while (true) {
        const size_t comma = text.find(',', start);
        const std::string item = text.substr(start, comma - start);
        if (item.empty() || item.find_first_not_of("0123456789") != std::string::npos)
            throw HostError("--png-frames: '" + text +
                            "' is not a list of frame numbers such as 0,100,2000");
        errno = 0;
        const unsigned long long value = std::strtoull(item.c_str(), nullptr, 10);
        if (errno == ERANGE)
            throw HostError("--png-frames: frame number '" + item + "' is too large");
        frames.push_back(value);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return frames;
}

Options parse_options(int argc, char** argv) {
    Options options;
    bool png_frames_given = false;
    int i = 1;
    for (; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--") {
            ++i;
            break;
        }
        if (arg.empty() || arg[0] != '-') break; // the command starts here
        std::string value;
        bool has_value = false;
        if (const size_t eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = arg.substr(eq + 1);
            arg.resize(eq);
            has_value = true;
        }
        auto take_value = [&]() -> std::string {
            if (!has_value) {
                if (i + 1 >= argc) throw HostError("option " + arg + " needs a value");
                value = argv[++i];
            }
            if (value.empty()) throw HostError("option " + arg + " needs a non-empty value");
            return value;
        };
        auto no_value = [&] {
            if (has_value) throw HostError("option " + arg + " takes no value");
        };
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            return options;
        } else if (arg == "--fast") {
            no_value();
            options.fast = true;
        } else if (arg == "--renderer-now") {
            no_value();
            options.renderer_now = true;
        } else if (arg == "--window") {
            no_value();
            options.window = WindowChoice::on;
        } else if (arg == "--no-window") {
            no_value();
            options.window = WindowChoice::off;
        } else if (arg == "--frame-digest") {
            no_value();
            options.frame_digest = true;
        } else if (arg == "--no-progress") {
            no_value();
            options.progress = false;
        } else if (arg == "--menu") {
            options.menu = take_value();
        } else if (arg == "--video") {
            options.video = take_value();
        } else if (arg == "--png") {
            options.png_dir = take_value();
        } else if (arg == "--png-frames") {
            options.png_frames = parse_frame_list(take_value());
            png_frames_given = true;
        } else if (arg == "--contact-sheet") {
            options.contact_sheet = take_value();
        } else if (arg == "--capture") {
            options.capture = take_value();
        } else if (arg == "--capture-digests-only") {
            no_value();
            options.capture_digests_only = true;
        } else if (arg == "--replay") {
            options.replay = take_value();
        } else if (arg == "--scale") {
            options.scale = parse_scale(take_value());
        } else if (arg == "--second-core") {
            const std::string kind = take_value();
            if (kind == "native")
                options.second_core = SecondCoreKind::native;
            else if (kind == "emulated")
                options.second_core = SecondCoreKind::emulated;
            else
                throw HostError("--second-core: '" + kind + "' is not native or emulated");
        } else if (arg == "--frames") {
            const std::string text = take_value();
            errno = 0;
            char* end = nullptr;
            const unsigned long long n = std::strtoull(text.c_str(), &end, 10);
            if (text.find_first_not_of("0123456789") != std::string::npos || n == 0 ||
                errno == ERANGE)
                throw HostError("--frames: '" + text + "' is not a whole number above 0");
            options.frame_limit = n;
        } else if (arg == "--instructions") {
            options.instructions = take_value();
        } else if (arg == "--cycles") {
            options.cycles = take_value();
        } else if (arg == "--memory-timing") {
            options.memory_timing = take_value();
            if (cycles::find_memory_timing(options.memory_timing) == nullptr)
                throw HostError("--memory-timing: '" + options.memory_timing + "' is not one of " +
                                cycles::memory_timing_names());
        } else if (arg == "--shown-digests") {
            options.shown_digests = take_value();
        } else if (arg == "--screenshots") {
            options.screenshots_dir = take_value();
        } else {
            throw HostError("unknown option '" + arg + "'");
        }
    }
    for (; i < argc; ++i)
        options.command.emplace_back(argv[i]);

    if (!options.replay.empty() && !options.command.empty())
        throw HostError("--replay runs no command, but '" + options.command.front() +
                        "' was given");
    if (options.replay.empty() && options.command.empty())
        throw HostError("no command given (handheld-sim [options] -- COMMAND)");
    if (options.second_core == SecondCoreKind::emulated && options.renderer_now)
        throw HostError("--renderer-now starts the built-in renderer; with --second-core "
                        "emulated the loader must load a program");
    if (!options.instructions.empty() && options.second_core != SecondCoreKind::emulated)
        throw HostError("--instructions counts the emulated core's instructions: it needs "
                        "--second-core emulated");
    if (!options.cycles.empty() && options.second_core != SecondCoreKind::emulated)
        throw HostError("--cycles models the emulated core: it needs --second-core emulated");
    if (!options.memory_timing.empty() && options.cycles.empty())
        throw HostError("--memory-timing goes with --cycles FILE");
    if (options.second_core == SecondCoreKind::emulated && !options.capture.empty() &&
        !options.capture_digests_only)
        throw HostError("with --second-core emulated the capture can hold only the commands, "
                        "not the textures' contents: add --capture-digests-only");
    if (options.capture_digests_only && options.capture.empty())
        throw HostError("--capture-digests-only goes with --capture FILE");
    if (options.png_dir.empty() != !png_frames_given)
        throw HostError("--png DIR and --png-frames LIST go together");
    if (!options.video.empty() && !ends_with(options.video, ".y4m") &&
        !ends_with(options.video, ".mp4"))
        throw HostError("--video: '" + options.video + "' must end in .y4m or .mp4");
    return options;
}

} // namespace sim
