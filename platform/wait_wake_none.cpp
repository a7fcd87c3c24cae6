// Builds whose clients never sleep on a shared word: the handheld's client
// yields the core and polls, and the web page's client runs the renderer
// itself while it waits. There is nobody to wake.
#include "wait_wake.h"

namespace platform {

void wake_waiters(const uint32_t*) {}

} // namespace platform
