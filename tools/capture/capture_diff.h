// capture-dump --diff: where two captures first part ways.
#pragma once

#include "command_text.h"

#include <cstdio>
#include <string>

namespace sim::capture {

// Compares two captures frame by frame (a frame ends with its show):
// commands word for word, with buffer addresses masked when the options say
// so, and the texture hashes; texture contents are implied by their hash
// and not compared. Prints the first difference with both commands side by
// side and the number of frames that differ, or that the captures are
// equal. Returns 0 when equal, 1 when they differ, 2 when either cannot be
// read or is malformed (with the message on stderr).
int diff_captures(const std::string& path_a, const std::string& path_b,
                  const TextOptions& options, std::FILE* out);

} // namespace sim::capture
