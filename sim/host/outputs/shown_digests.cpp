#include "shown_digests.h"

#include <cstdio>

namespace sim::out {

void ShownDigests::add(uint64_t frame, uint64_t digest) {
    char line[48];
    const int n =
        std::snprintf(line, sizeof line, "%llu %016llx\n", static_cast<unsigned long long>(frame),
                      static_cast<unsigned long long>(digest));
    file_.write(line, static_cast<size_t>(n));
}

} // namespace sim::out
