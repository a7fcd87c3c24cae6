// The producer side of the command FIFO on an in-process area: room, wrap,
// whole-or-nothing writes and single publication.
#include "gpu.h"

#include "in_process_area.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr uint32_t ring = gpu_fifo_words;
constexpr uint32_t most_words = gpu_fifo_words - 1;

// Distinct words, so that a word copied to the wrong place shows.
std::vector<uint32_t> numbered_words(uint32_t count, uint32_t first = 0x1000) {
    std::vector<uint32_t> words(count);
    for (uint32_t i = 0; i < count; ++i)
        words[i] = first + i;
    return words;
}

class FifoTest : public ::testing::Test {
  protected:
    void set_indexes(uint32_t read, uint32_t write) {
        area()->fifo_read = read;
        area()->fifo_write = write;
    }
    gpuSharedArea* area() const { return memory_.area(); }

    test_support::InProcessArea memory_;
};

struct RoomCase {
    uint32_t read;
    uint32_t write;
    uint32_t room;
};

// The free room is probed from both sides: a command one word longer than the
// room is refused without any change, one of exactly the room goes in.
TEST_F(FifoTest, WritesExactlyTheFreeRoom) {
    const RoomCase cases[] = {
        {0, 0, most_words},
        {5, 4, 0},
        {0, ring - 1, 0},
        {100, 50, 49},
        {50, 100, 262088},
        {ring - 1, 0, ring - 2},
        {ring - 1, ring - 1, most_words},
    };
    const std::vector<uint32_t> words = numbered_words(ring);
    for (const RoomCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "read " << c.read << " write " << c.write);
        set_indexes(c.read, c.write);
        area()->fifo[c.write] = 0xDEAD;

        EXPECT_EQ(gpuNoRoom, gpuWrite(words.data(), (c.room + 1) * 4, false));
        EXPECT_EQ(c.read, area()->fifo_read);
        EXPECT_EQ(c.write, area()->fifo_write);
        EXPECT_EQ(0xDEADu, area()->fifo[c.write]);

        EXPECT_EQ(gpuOK, gpuWrite(words.data(), c.room * 4, false));
        EXPECT_EQ((c.write + c.room) % ring, area()->fifo_write);
        if (c.room > 0) {
            EXPECT_EQ(words[0], area()->fifo[c.write]);
            EXPECT_EQ(words[c.room - 1], area()->fifo[(c.write + c.room - 1) % ring]);
        }
    }
}

struct WrapCase {
    uint32_t write;
    uint32_t words;
    uint32_t new_write;
};

// The words land at the write index and continue at word 0 once the ring's
// end is reached; nothing is written as filler.
TEST_F(FifoTest, CommandsWrapAtTheEndOfTheRing) {
    const WrapCase cases[] = {
        {ring - 5, 4, ring - 1}, // ends on the word before the last
        {ring - 4, 4, 0},        // ends exactly on the last word
        {ring - 3, 5, 2},        // crosses the end
        {ring - 1, 29, 28},      // only the opcode before the end
    };
    for (const WrapCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "write " << c.write << " words " << c.words);
        set_indexes(c.write, c.write);
        const std::vector<uint32_t> words = numbered_words(c.words, c.write);
        area()->fifo[c.new_write] = 0xDEAD;

        ASSERT_EQ(gpuOK, gpuWrite(words.data(), c.words * 4, false));
        EXPECT_EQ(c.new_write, area()->fifo_write);
        for (uint32_t i = 0; i < c.words; ++i)
            EXPECT_EQ(words[i], area()->fifo[(c.write + i) % ring]) << "word " << i;
        EXPECT_EQ(0xDEADu, area()->fifo[c.new_write]);
    }
}

// An empty command is a no-op that succeeds even when the ring is full.
TEST_F(FifoTest, EmptyCommandsChangeNothing) {
    set_indexes(0, ring - 1);
    EXPECT_EQ(gpuOK, gpuWrite(nullptr, 0, false));
    EXPECT_EQ(gpuOK, gpuWritev(nullptr, 0, false));
    const gpuPiece empty = {nullptr, 0};
    EXPECT_EQ(gpuOK, gpuWritev(&empty, 1, true));
    EXPECT_EQ(0u, area()->fifo_read);
    EXPECT_EQ(ring - 1, area()->fifo_write);
}

// The second piece is read from the area's own index words while it is
// copied: the fifo_write it sees must still be the old one, which proves
// the index is published once, after the last piece.
TEST_F(FifoTest, PiecesArriveAsOneCommandPublishedOnce) {
    const uint32_t header[5] = {gpu_op_facet, 1, 0x00F08080, 0, 3};
    for (uint32_t start : {10u, ring - 7, ring - 5, ring - 2}) {
        SCOPED_TRACE(testing::Message() << "start " << start);
        set_indexes(start, start);
        const gpuPiece pieces[2] = {{header, sizeof header}, {&area()->fifo_read, 24}};

        ASSERT_EQ(gpuOK, gpuWritev(pieces, 2, false));
        EXPECT_EQ((start + 11) % ring, area()->fifo_write);
        for (uint32_t i = 0; i < 5; ++i)
            EXPECT_EQ(header[i], area()->fifo[(start + i) % ring]);
        EXPECT_EQ(start, area()->fifo[(start + 5) % ring]) << "fifo_read as copied";
        EXPECT_EQ(start, area()->fifo[(start + 6) % ring]) << "fifo_write as copied";
    }
}

// A command that can never fit is refused at once, even when waiting; the
// piece lengths are summed without wrapping around 32 bits.
TEST_F(FifoTest, CommandLongerThanTheRingIsRefusedEvenWhenWaiting) {
    const std::vector<uint32_t> words = numbered_words(ring);
    EXPECT_EQ(gpuNoRoom, gpuWrite(words.data(), ring * 4, true));
    EXPECT_EQ(gpuNoRoom, gpuWrite(words.data(), 0xFFFFFFFC, true));

    const gpuPiece halves[2] = {{words.data(), 131070 * 4}, {words.data(), 131069 * 4}};
    EXPECT_EQ(gpuNoRoom, gpuWritev(halves, 2, true));
    const gpuPiece wrapping_sum[2] = {{words.data(), 0xFFFFFFFC}, {words.data(), 8}};
    EXPECT_EQ(gpuNoRoom, gpuWritev(wrapping_sum, 2, true));
    EXPECT_EQ(0u, area()->fifo_write);

    // The longest command that fits an empty ring still goes in.
    EXPECT_EQ(gpuOK, gpuWrite(words.data(), most_words * 4, true));
    EXPECT_EQ(most_words, area()->fifo_write);
}

TEST_F(FifoTest, ReadErrReturnsTheErrorOnceAndClearsIt) {
    area()->error_code = 7;
    EXPECT_EQ(7, gpuReadErr());
    EXPECT_EQ(0u, area()->error_code);
    EXPECT_EQ(0, gpuReadErr());
}

using FifoDeathTest = FifoTest;

TEST_F(FifoDeathTest, PartialWordsAbort) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const uint32_t words[8] = {};
    EXPECT_DEATH(gpuWrite(words, 6, false),
                 "quartzel:111: gpuWrite: Assertion `!\\(size&3\\)' failed\\.");
    const gpuPiece pieces[2] = {{words, 20}, {words, 2}};
    EXPECT_DEATH(gpuWritev(pieces, 2, false),
                 "quartzel:125: gpuWritev: Assertion `!\\(size&3\\)' failed\\.");
}

} // namespace
