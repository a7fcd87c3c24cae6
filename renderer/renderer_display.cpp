// The PC's display path of the renderer: a shown buffer converted to RGB.
// Kept apart from renderer.cpp so that the portable core needs no RGB frame.
#include "display.h"
#include "renderer.h"

namespace renderer {

bool Renderer::display_next(RgbFrame& frame) {
    BufferSel shown;
    if (!front_show(shown)) return false;
    convert_visible(state_.area->video_mem, shown, frame);
    return advance_display();
}

uint64_t Renderer::next_shown_digest() const {
    BufferSel shown;
    if (!front_show(shown)) return 0;
    return visible_words_digest(state_.area->video_mem, shown);
}

} // namespace renderer
