// Every constant of the simulator host in one place: the simulated hardware's
// addresses and sizes, the pacing of the display, and the look of the outputs.
#pragma once

#include <cstdint>

namespace sim::config {

// --- Simulated physical memory ----------------------------------------------

// The memory file stands for the whole physical address space: a file offset
// is a physical address. It is sparse, so only the pages programs touch cost
// anything.
inline constexpr uint64_t core_memory_phys = 0x02000000;  // second core's memory
inline constexpr uint64_t core_memory_bytes = 0x02000000; // 32 MiB
inline constexpr uint64_t register_block_phys = 0xC0000000;
inline constexpr uint64_t register_block_bytes = 0x10000; // 64 KiB
inline constexpr uint64_t mem_file_bytes = register_block_phys + register_block_bytes;

// --- Second-core control registers (16-bit, byte offsets in the block) -------

inline constexpr uint32_t reg_core_control = 0x3B48;
inline constexpr uint16_t core_control_hold_bit = 0x0080;
inline constexpr uint32_t reg_core_enable = 0x0904;
inline constexpr uint16_t core_enable_bit = 0x0001;
// The values the registers hold at power-on: the core is held and disabled.
inline constexpr uint16_t core_control_held = 0x0082;
inline constexpr uint16_t core_enable_held = 0x0000;
// Every release writes 0 to this register before it clears the hold bit.
// The simulator leaves a mark there when it starts the core, so that a hold
// and a release that both fall between two of its looks (a reload takes
// microseconds) still restart the core: the mark is gone.
inline constexpr uint32_t reg_core_release_mark = 0x3B40;
inline constexpr uint16_t core_release_mark = 0x5EED;
// What a finished load leaves there; written at start with --renderer-now.
inline constexpr uint16_t core_control_running = 0x0002;
inline constexpr uint16_t core_enable_running = 0x0001;

// --- Frame buffer device ----------------------------------------------------

inline constexpr int fb_width = 320;
inline constexpr int fb_height = 240;
inline constexpr uint32_t fb_bytes = fb_width * fb_height * 2; // RGB 5:6:5

// --- Device file names inside the simulator's folder ---------------------------

inline constexpr const char* mem_file_name = "mem";
inline constexpr const char* fb_file_name = "fb0";
inline constexpr const char* temp_dir_template = "handheld-sim.XXXXXX";

// --- Pacing -----------------------------------------------------------------

inline constexpr int display_hz = 60;
inline constexpr int64_t display_tick_ns = 1'000'000'000 / display_hz;
// Commands executed per renderer step before the loop looks at everything
// else again (registers, child, window, display tick).
inline constexpr int step_budget = 4096;
// Real-time mode sleeps this long when nothing happened in an iteration.
inline constexpr int64_t idle_sleep_ns = 1'000'000;
// Fast mode: empty polls before sleeping, and the sleep between polls then.
inline constexpr int fast_polls_before_sleep = 64;
inline constexpr int64_t fast_sleep_ns = 50'000;
// The window is redrawn at most this often, even in fast mode.
inline constexpr int64_t window_present_interval_ns = display_tick_ns;
// The window's title gives the display rate measured over this long.
inline constexpr int64_t title_rate_interval_ns = 500'000'000;
// How long a client may wait on a stopped core before the hint is printed.
inline constexpr int64_t idle_client_hint_ns = 2'000'000'000;
// How long a child has to exit after a forwarded signal before it is killed.
inline constexpr int64_t child_stop_grace_ns = 3'000'000'000;
// The progress line is redrawn at most this often.
inline constexpr int64_t progress_interval_ns = 250'000'000;

// --- Emulated second core --------------------------------------------------

// A core that leaves commands in the FIFO unread this long has hung.
inline constexpr int64_t core_stall_limit_ns = 3'000'000'000;
// A core that shows nothing more for this long while shows it consumed wait
// for display is not waited for at the end of a run.
inline constexpr int64_t display_stall_limit_ns = 1'000'000'000;

// --- Outputs ----------------------------------------------------------------

inline constexpr int window_scale = 2; // the starting scale unless --scale says
inline constexpr int max_window_scale = 8;
inline constexpr int thumbnail_divisor = 4; // thumbnails are 80 x 60
inline constexpr int contact_sheet_columns = 6;
inline constexpr int contact_sheet_max_tiles = 36;
inline constexpr int contact_sheet_label_height = 11;
inline constexpr int contact_sheet_margin = 4;

} // namespace sim::config
