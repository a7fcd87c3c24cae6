#include "row_share_thread.h"

#include <chrono>
#include <csignal>

#include <pthread.h>

namespace sim {

namespace {

// How long the helper polls for the next facet before it sleeps. Polls of
// 0 to 40 microseconds gave the same fast runs within their noise; the
// short one leaves the second core to the demo soonest.
constexpr auto poll_time = std::chrono::microseconds(5);

// Rows a thread takes at a time: few enough that the threads finish
// together, enough that the counter is not fought over (a row is 320
// pixels at most, a few hundred nanoseconds to paint).
constexpr int32_t rows_a_piece = 4;

inline void relax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

} // namespace

RowShareThread::RowShareThread() {
    // The helper starts with every signal blocked, so stop and child
    // signals reach the loop's thread, whose sleeps they must cut short.
    sigset_t all, before;
    sigfillset(&all);
    ::pthread_sigmask(SIG_SETMASK, &all, &before);
    thread_ = std::thread([this] { serve(); });
    ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
}

RowShareThread::~RowShareThread() {
    state_.store(quitting, std::memory_order_seq_cst);
    state_.notify_one();
    thread_.join();
}

void RowShareThread::paint_pieces() {
    for (;;) {
        const int32_t first = next_row_.fetch_add(rows_a_piece, std::memory_order_relaxed);
        if (first >= last_row_) return;
        job_(context_, first, first + rows_a_piece < last_row_ ? first + rows_a_piece : last_row_);
    }
}

void RowShareThread::paint(Job job, void* context, int32_t first, int32_t last) {
    job_ = job;
    context_ = context;
    last_row_ = last;
    next_row_.store(first, std::memory_order_relaxed);
    // Sequentially consistent: the job and everything the renderer wrote
    // before it (the fill under the facet, settled texels) reach the helper
    // with the state, and either the helper sees the offer before it sleeps
    // or this sees it asleep and wakes it.
    state_.store(offered, std::memory_order_seq_cst);
    if (asleep_.load(std::memory_order_seq_cst)) state_.notify_one();
    paint_pieces();
    // Every row is taken. A helper that never took the offer is not waited
    // for; one that did is painting its last piece at most.
    uint32_t state = offered;
    if (state_.compare_exchange_strong(state, idle, std::memory_order_acq_rel)) return;
    // Acquire: the helper's pixels are visible once done is.
    for (int i = 0; i < 4096 && state_.load(std::memory_order_acquire) != done; ++i) relax();
    while ((state = state_.load(std::memory_order_acquire)) != done)
        state_.wait(state, std::memory_order_acquire);
    state_.store(idle, std::memory_order_relaxed);
}

bool RowShareThread::poll_for_work() const {
    const auto until = std::chrono::steady_clock::now() + poll_time;
    for (;;) {
        for (int i = 0; i < 64; ++i) {
            const uint32_t state = state_.load(std::memory_order_relaxed);
            if (state == offered || state == quitting) return true;
            relax();
        }
        if (std::chrono::steady_clock::now() >= until) return false;
    }
}

void RowShareThread::serve() {
    for (;;) {
        if (!poll_for_work()) {
            asleep_.store(true, std::memory_order_seq_cst);
            for (;;) {
                const uint32_t state = state_.load(std::memory_order_seq_cst);
                if (state == offered || state == quitting) break;
                state_.wait(state, std::memory_order_seq_cst);
            }
            asleep_.store(false, std::memory_order_relaxed);
        }
        uint32_t state = offered;
        // Acquire: the offer's job and the renderer's writes before it.
        if (!state_.compare_exchange_strong(state, taken, std::memory_order_acquire)) {
            if (state == quitting) return;
            continue; // withdrawn, or not offered yet
        }
        paint_pieces();
        // Release: the rows painted reach the renderer with done; notify
        // only costs a system call when paint() has gone to sleep.
        state_.store(done, std::memory_order_release);
        state_.notify_one();
    }
}

} // namespace sim
