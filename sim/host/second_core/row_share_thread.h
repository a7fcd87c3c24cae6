// The renderer's helper thread for the rows of large facets (renderer's
// row_share.h), for fast runs: the simulator's one renderer thread is what
// bounds them, and the host has a second core.
//
// Both threads take a few rows at a time from one counter until none are
// left, so a helper that starts late (its core busy with the client) costs
// nothing but its share. Between facets it polls for a short while, then
// sleeps: a run hands it rows every few microseconds while large facets
// come, and none while the client is busy or the display paces the run.
#pragma once

#include "row_share.h"

#include <atomic>
#include <cstdint>
#include <thread>

namespace sim {

class RowShareThread final : public renderer::RowShare {
  public:
    RowShareThread();
    ~RowShareThread();
    RowShareThread(const RowShareThread&) = delete;
    RowShareThread& operator=(const RowShareThread&) = delete;

    void paint(Job job, void* context, int32_t first, int32_t last) override;

  private:
    // idle: no rows offered; offered: rows on the counter, the helper not
    // yet at them; taken: the helper works on them; done: it has finished.
    enum : uint32_t { idle, offered, taken, done, quitting };
    void serve();
    void paint_pieces();
    // Polls state_ until it is offered or quitting, or the poll time runs out.
    bool poll_for_work() const;

    std::atomic<uint32_t> state_{idle};
    // Set while the helper sleeps in state_.wait, so paint() wakes it only
    // then (a futex call costs about as much as a small facet).
    std::atomic<bool> asleep_{false};
    // The next row nobody has taken yet.
    std::atomic<int32_t> next_row_{0};
    Job job_ = nullptr;
    void* context_ = nullptr;
    int32_t last_row_ = 0;
    std::thread thread_;
};

} // namespace sim
