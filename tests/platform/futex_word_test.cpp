// Sleeping on a shared word across processes, as a client sleeps on the
// simulator's words: the child sleeps on a word of a MAP_SHARED mapping and
// reports through a pipe when its sleep ends. Bounds are loose: they catch a
// wake that never arrives (the sleep runs to its far timeout) or a timeout
// that never fires, not a slow machine.
#include "futex_word.h"
#include "wait_policy.h"

#include "shared_access.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <functional>
#include <optional>
#include <poll.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

class SleeperProcess {
  public:
    // Forks a child that sleeps while *word == seen, for at most timeout.
    SleeperProcess(uint32_t* word, uint32_t seen, std::chrono::milliseconds timeout)
        : SleeperProcess([=] {
              platform::sleep_while_equal(word, seen,
                                          static_cast<uint64_t>(timeout.count()) * 1'000'000u);
          }) {}
    // Forks a child that runs sleep and then reports.
    explicit SleeperProcess(const std::function<void()>& sleep) {
        if (pipe(pipe_) != 0) ADD_FAILURE() << "pipe";
        pid_ = fork();
        if (pid_ == 0) {
            close(pipe_[0]);
            const char ready = 'r';
            if (write(pipe_[1], &ready, 1) != 1) _exit(2);
            sleep();
            const char done = 'd';
            _exit(write(pipe_[1], &done, 1) == 1 ? 0 : 2);
        }
        close(pipe_[1]);
        char ready = 0;
        EXPECT_EQ(1, read(pipe_[0], &ready, 1));
    }
    ~SleeperProcess() {
        kill(pid_, SIGKILL); // a child still asleep after a failed check
        int status = 0;
        waitpid(pid_, &status, 0);
        close(pipe_[0]);
    }
    // How long after now the child's sleep ended; nothing if it did not
    // end within limit.
    std::optional<std::chrono::milliseconds> end_within(std::chrono::milliseconds limit) {
        const Clock::time_point start = Clock::now();
        pollfd reader{pipe_[0], POLLIN, 0};
        if (poll(&reader, 1, static_cast<int>(limit.count())) != 1) return std::nullopt;
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    }

  private:
    int pipe_[2] = {-1, -1};
    pid_t pid_ = -1;
};

class FutexWordTest : public ::testing::Test {
  protected:
    FutexWordTest() {
        void* mapping =
            mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        EXPECT_NE(MAP_FAILED, mapping);
        word_ = static_cast<uint32_t*>(mapping);
    }
    ~FutexWordTest() override { munmap(word_, 4096); }
    uint32_t* word_;
};

// The child is asleep (its timeout is far off) when the word changes; the
// wake ends its sleep long before the timeout would.
TEST_F(FutexWordTest, ChangeAndWakeEndTheSleepOfAnotherProcess) {
    SleeperProcess sleeper(word_, 0, 20s);
    EXPECT_FALSE(sleeper.end_within(200ms)) << "the sleep ended without a change";
    platform::shared_publish(word_, 1);
    platform::wake_word(word_);
    const auto woken = sleeper.end_within(10s);
    ASSERT_TRUE(woken) << "no wake reached the sleeping process";
    EXPECT_LT(*woken, 2s);
}

// No wake comes: the sleep still ends on its timeout. And a word that no
// longer holds the value seen is not slept on at all.
TEST_F(FutexWordTest, SleepEndsOnItsTimeoutOrAtOnceWhenTheWordMovedOn) {
    {
        SleeperProcess sleeper(word_, 0, 300ms);
        const auto slept = sleeper.end_within(10s);
        ASSERT_TRUE(slept) << "the sleep did not end on its timeout";
        EXPECT_GE(*slept, 200ms) << "the sleep ended long before its timeout";
    }
    platform::shared_publish(word_, 7);
    SleeperProcess stale(word_, 0, 20s);
    EXPECT_TRUE(stale.end_within(5s)) << "slept on a word that had already changed";
}

// The client's pause, long past its spinning polls, with a renderer that
// never wakes it: it still returns, on its own safety timeout.
TEST_F(FutexWordTest, ClientPauseEndsWithoutAWake) {
    uint32_t* word = word_;
    SleeperProcess client([word] { platform::wait_pause(word, 0, 1'000'000); });
    EXPECT_TRUE(client.end_within(5s)) << "a client without a wake would hang";
}

} // namespace
