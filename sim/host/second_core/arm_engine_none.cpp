#include "arm_engine.h"

#include "host_error.h"

namespace sim {

bool ArmEngine::supported() {
    return false;
}

std::unique_ptr<ArmEngine> ArmEngine::create(uint8_t* /*memory*/, size_t /*bytes*/) {
    throw HostError("the emulated second core is not in this build (it needs libunicorn-dev); "
                    "use --second-core native");
}

} // namespace sim
