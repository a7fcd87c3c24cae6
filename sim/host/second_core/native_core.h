// The native second core: the simulator's built-in renderer, started when the
// loader releases the core with our renderer image in place. It runs on the
// loop's thread, as much as the loop gives it; in fast runs a helper thread
// paints the lower rows of large facets.
#pragma once

#include "renderer.h"
#include "row_share_thread.h"
#include "second_core.h"

#include <memory>
#include <optional>

namespace sim {

class NativeCore : public SecondCore {
  public:
    // share_rows: paint large facets on two threads (fast runs).
    NativeCore(gpuSharedArea* area, renderer::CaptureSink* capture, bool share_rows = false)
        : area_(area), capture_(capture), share_rows_(share_rows) {}

    void start() override;
    void stop() override {}
    int step(int budget, bool stop_after_show) override;
    size_t pending_shows() const override;
    uint64_t next_shown_digest() const override;
    bool display_next(renderer::RgbFrame& frame) override;
    bool advance_display() override;
    bool idle() const override;
    // The renderer works only inside step(), so a step that did nothing
    // means nothing is under way.
    bool settled() const override { return true; }
    uint64_t error_count() const override;

  private:
    gpuSharedArea* area_;
    renderer::CaptureSink* capture_;
    bool share_rows_;
    std::unique_ptr<RowShareThread> row_share_;
    // Made only at the first start: until the core runs, nothing may touch
    // the shared area on its behalf.
    std::optional<renderer::Renderer> renderer_;
};

} // namespace sim
