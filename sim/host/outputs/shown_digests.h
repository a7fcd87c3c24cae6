// A list of what each displayed frame showed, as words rather than colours:
// one line per frame, "NUMBER HEX", HEX being the shown buffer's
// visible_words_digest. Runs of the native and the emulated second core on
// the same input must write the same list.
#pragma once

#include "output_file.h"

#include <cstdint>
#include <string>

namespace sim::out {

class ShownDigests {
  public:
    explicit ShownDigests(const std::string& path) : file_(path, "shown-buffer digests") {}
    void add(uint64_t frame, uint64_t digest);
    void finish() { file_.close(); }

  private:
    OutputFile file_;
};

} // namespace sim::out
