// The command line of handheld-sim.
#pragma once

#include "second_core.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

enum class WindowChoice { automatic, on, off };

struct Options {
    bool help = false;
    bool fast = false;
    bool renderer_now = false;
    bool progress = true;
    WindowChoice window = WindowChoice::automatic;
    std::string menu;    // picture for the frame buffer; empty: the built-in menu
    std::string video;   // .y4m or .mp4
    std::string png_dir; // with png_frames
    std::vector<uint64_t> png_frames;
    std::string contact_sheet; // .png or .ppm
    std::string capture;
    bool capture_digests_only = false; // no texture contents in the capture
    std::string replay;                // a capture to replay instead of a command
    int scale = 0;                     // --scale; 0: the default
    std::string screenshots_dir;       // --screenshots; empty: the current folder
    bool frame_digest = false;         // --frame-digest
    std::string shown_digests;         // --shown-digests FILE
    uint64_t frame_limit = 0;          // --frames N; 0: no limit
    std::string instructions;          // --instructions FILE (emulated core)
    std::string cycles;                // --cycles FILE (emulated core)
    std::string memory_timing;         // --memory-timing NAME; empty: the default
    SecondCoreKind second_core = SecondCoreKind::native;
    std::vector<std::string> command;
};

// Parses argv. Throws HostError with a message fit for "handheld-sim: " on a
// usage error; with --help only help is set.
Options parse_options(int argc, char** argv);

// Parses a frame list such as "0,100,2000". Throws HostError when malformed.
std::vector<uint64_t> parse_frame_list(const std::string& text);

extern const char* const usage_text;

} // namespace sim
