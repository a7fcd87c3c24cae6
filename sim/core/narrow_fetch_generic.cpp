#include "narrow_fetch.h"

namespace sim {

void fetch_narrow(uint32_t* out, int count, const NarrowFetch& f) {
    fetch_narrow_scalar(out, 0, count, f);
}

} // namespace sim
