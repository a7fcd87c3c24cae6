// The name the program was started under, without its folder, as the
// standard assertion message shows it.
#pragma once

namespace platform {

const char* program_short_name();

} // namespace platform
