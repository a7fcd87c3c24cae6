// Where the hardware's device files are. The handheld build names the real
// devices; the PC build names the simulator's stand-ins, found through the
// environment variable LUMENFALL_SIM_DIR that the simulator sets for every
// program it runs.
#pragma once

namespace platform {

// The name of the environment variable that locates the simulator's devices.
inline constexpr const char* sim_dir_variable = "LUMENFALL_SIM_DIR";

// The physical memory device ("/dev/mem" on the handheld).
const char* mem_device_path();

// The frame buffer device ("/dev/fb0" on the handheld).
const char* fb_device_path();

} // namespace platform
