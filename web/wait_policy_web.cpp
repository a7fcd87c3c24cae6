// The web page's wait: one thread runs both the demo and the renderer, so a
// client that waits for the renderer lets it work until the wait is over.
#include "player.h"
#include "wait_policy.h"

namespace platform {

void wait_pause(const uint32_t*, uint32_t, uint32_t) {
    web::player().run_renderer_for_wait();
}

} // namespace platform
