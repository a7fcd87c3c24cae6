#include "renderer_image.h"

#include "image_check.h"
#include "image_header.h"

namespace sim {

std::string renderer_image_problem(const uint8_t* bytes) {
    return second_core::image_problem(bytes, second_core::image_max_bytes);
}

} // namespace sim
