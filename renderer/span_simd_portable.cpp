// Processors without a faster subspan or span: the portable loops do all of it.
#include "span_simd.h"

namespace renderer {

bool paint_subspan16_fast(uint32_t, const Subspan16&) {
    return false;
}

bool paint_mask_span_fast(uint32_t, const MaskSpan&) {
    return false;
}

int use_fast_spans(int) {
    return 0;
}

} // namespace renderer
