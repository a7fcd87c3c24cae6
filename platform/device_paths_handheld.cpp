#include "device_paths.h"

namespace platform {

const char* mem_device_path() { return "/dev/mem"; }

const char* fb_device_path() { return "/dev/fb0"; }

} // namespace platform
