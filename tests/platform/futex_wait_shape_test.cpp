// The sleeping wait's shape, with the futex replaced by a recorder (this
// file's sleep_while_equal): a wait first polls at full speed, so that an
// answer that comes within microseconds costs no sleep, and once it has
// gone on a little every later pause sleeps on the polled word, so that a
// long wait costs a wake-up instead of a busy core. Timing plays no part,
// so a busy machine cannot fail it.
#include "futex_word.h"
#include "wait_policy.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace platform {

struct RecordedSleep {
    const uint32_t* word;
    uint32_t seen;
    uint64_t timeout_ns;
};
std::vector<RecordedSleep> recorded_sleeps;

void sleep_while_equal(const uint32_t* word, uint32_t seen, uint64_t timeout_ns) {
    recorded_sleeps.push_back({word, seen, timeout_ns});
}

} // namespace platform

namespace {

using platform::recorded_sleeps;

// Whether the pause after `polls` failed polls slept.
bool pause_sleeps(const uint32_t* word, uint32_t seen, uint32_t polls) {
    const size_t before = recorded_sleeps.size();
    platform::wait_pause(word, seen, polls);
    return recorded_sleeps.size() > before;
}

TEST(FutexWait, SpinsAtFirstThenSleepsOnThePolledWordAtEveryLaterPause) {
    recorded_sleeps.clear();
    // The word has moved on since the poll read `seen`: the sleep must be
    // on the value the poll saw, which makes it return at once.
    const uint32_t word = 9;
    const uint32_t seen = 5;

    // A short wait: the first polls only spin.
    for (uint32_t polls = 0; polls < 64; ++polls)
        ASSERT_FALSE(pause_sleeps(&word, seen, polls)) << "pause after " << polls << " polls";

    // The spinning ends within a few thousand polls (microseconds), and
    // from then on every pause sleeps, however long the wait has gone on.
    uint32_t first_sleep = 0;
    while (first_sleep < 4096 && !pause_sleeps(&word, seen, first_sleep))
        ++first_sleep;
    ASSERT_LT(first_sleep, 4096u) << "a long wait never sleeps";
    for (uint32_t polls = first_sleep + 1; polls < first_sleep + 100000; ++polls)
        ASSERT_TRUE(pause_sleeps(&word, seen, polls)) << "pause after " << polls << " polls";
    for (uint32_t polls : {1u << 20, 1u << 31, 0xFFFFFFFEu})
        EXPECT_TRUE(pause_sleeps(&word, seen, polls)) << "pause after " << polls << " polls";

    // Each sleep is on the polled word and value, and a lost wake costs at
    // most a few frames, never a hung client.
    for (const platform::RecordedSleep& sleep : recorded_sleeps) {
        ASSERT_EQ(sleep.word, &word);
        ASSERT_EQ(sleep.seen, seen);
        ASSERT_GE(sleep.timeout_ns, 16'666'667u);
        ASSERT_LE(sleep.timeout_ns, 100'000'000u);
    }
}

} // namespace
