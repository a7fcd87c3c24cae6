#include "span_arm.h"

namespace renderer {

bool arm_spans_enabled = arm_spans_built;

void use_arm_spans(bool on) {
    arm_spans_enabled = on && arm_spans_built;
}

} // namespace renderer
