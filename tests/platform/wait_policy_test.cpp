// How late a long wait of the client notices that it is over when nobody
// wakes it: once a wait has lasted a display frame, the time between two of
// its polls is the latest it can see the renderer's answer, and must stay
// near the policy's sleep cap (WAIT_SLEEP_CAP_US, set by the build for the
// policy linked in: the doubling sleeps' cap, or the sleeping wait's safety
// timeout). The shortest such gap is the policy's own: a sleep never ends
// early, and a busy machine only lengthens gaps, so this cannot pass by luck
// with a larger cap, nor with a much smaller one.
//
// A policy counts polls, not time: on a loaded machine the test can be
// descheduled for a whole frame while its wait is still spinning, and then
// spins on the far side of the frame. So the gaps that count are those from
// the first three in a row that reach the cap on: three consecutive long
// gaps among spinning polls would take three preemptions on successive
// polls a few nanoseconds apart.
#include "wait_policy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(WaitPolicy, AWaitOfAFrameOrMorePollsAboutOnceASleepCap) {
    constexpr auto frame = 16'667us;
    constexpr std::chrono::microseconds sleep_cap{WAIT_SLEEP_CAP_US};
    // A word nobody changes: every pause past the spin runs to the cap.
    const uint32_t word = 7;
    std::vector<Clock::duration> gaps;
    std::vector<Clock::duration> streak; // long gaps in a row, before the cap is reached
    const Clock::time_point start = Clock::now();
    Clock::time_point last_poll = start;
    for (uint32_t polls = 0;; ++polls) {
        const Clock::time_point now = Clock::now();
        const Clock::duration gap = now - last_poll;
        last_poll = now;
        if (!gaps.empty()) {
            gaps.push_back(gap);
        } else if (now - start > frame && polls > 0) {
            if (gap >= sleep_cap * 9 / 10) {
                streak.push_back(gap);
                if (streak.size() == 3) gaps = streak;
            } else {
                streak.clear();
            }
        }
        if (now - start > 3 * frame && now - start > 6 * sleep_cap && gaps.size() >= 3) break;
        // A policy that never reaches its cap fails below instead of looping.
        if (now - start > 200 * sleep_cap + 20 * frame) break;
        platform::wait_pause(&word, word, polls);
    }
    ASSERT_FALSE(gaps.empty());
    const auto shortest = std::chrono::duration_cast<std::chrono::microseconds>(
        *std::min_element(gaps.begin(), gaps.end()));
    // Polling much faster keeps a core busy for the whole wait.
    EXPECT_GE(shortest, sleep_cap * 9 / 10) << shortest.count() << " us";
    EXPECT_LT(shortest, 3 * sleep_cap) << shortest.count() << " us";
}

} // namespace
