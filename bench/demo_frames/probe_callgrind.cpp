// Under callgrind (run with --collect-atstart=no) each piece becomes one dump
// whose description names it, holding only that piece's costs: counters are
// zeroed and collection switched on at the start, switched off and dumped at
// the end. Without valgrind the requests are a few no-op instructions.
#include "probe.h"

#include <valgrind/callgrind.h>

namespace bench {

void probe_begin(const char*) {
    CALLGRIND_ZERO_STATS;
    CALLGRIND_TOGGLE_COLLECT;
}

void probe_end(const char* label) {
    CALLGRIND_TOGGLE_COLLECT;
    CALLGRIND_DUMP_STATS_AT(label);
}

} // namespace bench
