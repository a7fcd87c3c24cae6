#include "image_protection.h"

#include <sys/mman.h>

namespace coreseed {

int image_mapping_protection() {
    return PROT_WRITE;
}

} // namespace coreseed
