// The renderer's helper thread: every row of every facet painted exactly
// once, and paint() back only when the helper's rows are done, also when
// the helper is slow, late or asleep between facets.
#include "row_share_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <random>
#include <thread>
#include <vector>

namespace sim {
namespace {

struct Rows {
    std::vector<std::atomic<int>> painted = std::vector<std::atomic<int>>(300);
    std::thread::id caller = std::this_thread::get_id();
    std::atomic<int> by_helper{0};
    bool slow_helper = false;

    static void paint(void* context, int32_t first, int32_t last) {
        auto& rows = *static_cast<Rows*>(context);
        if (std::this_thread::get_id() != rows.caller) {
            rows.by_helper.fetch_add(1, std::memory_order_relaxed);
            // The helper's piece outlasts the caller's whole facet.
            if (rows.slow_helper) std::this_thread::sleep_for(std::chrono::microseconds(300));
        } else {
            // A microsecond a piece, as a real row takes: long enough a
            // facet for a sleeping helper to wake and join in.
            const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(1);
            while (std::chrono::steady_clock::now() < until) {
            }
        }
        for (int32_t r = first; r < last; ++r)
            rows.painted[static_cast<size_t>(r)].fetch_add(1, std::memory_order_relaxed);
    }
};

TEST(RowShareThread, PaintsEveryRowOnceAndReturnsOnlyWhenAllAreDone) {
    RowShareThread share;
    Rows rows;
    std::mt19937 random(3);
    std::uniform_int_distribution<int32_t> row(0, 299);
    for (int facet = 0; facet < 2000; ++facet) {
        rows.slow_helper = facet % 50 == 0;
        int32_t first = row(random), last = row(random);
        if (first > last) std::swap(first, last);
        for (auto& p : rows.painted)
            p.store(0, std::memory_order_relaxed);
        share.paint(&Rows::paint, &rows, first, last);
        for (int32_t r = 0; r < 300; ++r)
            ASSERT_EQ(rows.painted[static_cast<size_t>(r)].load(), r >= first && r < last ? 1 : 0)
                << "facet " << facet << ", rows " << first << " to " << last << ", row " << r;
        // Now and then a pause long enough for the helper to fall asleep.
        if (facet % 250 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    // The helper did take part.
    EXPECT_GT(rows.by_helper.load(), 0);
}

} // namespace
} // namespace sim
