// When the FIFO reader has a non-snooping data cache emptied: each time it
// sees fifo_write moved, before it reads what the index publishes, and at
// no other poll (an empty drop at every poll would cost the second core
// 256 cache operations a command). The reader is built here against fences
// that count the drops.
#include "fifo_reader.h"
#include "shared_fences.h"
#include "test_area.h"

#include <gtest/gtest.h>

namespace renderer::test {
namespace {

TEST(FifoUpkeep, DropsStaleLinesOnceEachTimeTheWriteIndexHasMoved) {
    TestArea t;
    FifoReader fifo(t.area());
    platform::stale_data_discards = 0;
    ASSERT_EQ(fifo.poll(), FifoReader::Poll::ok);
    EXPECT_EQ(platform::stale_data_discards, 0) << "nothing published yet";

    t.push({1, 2, 3, 4});
    ASSERT_EQ(fifo.poll(), FifoReader::Poll::ok);
    EXPECT_EQ(platform::stale_data_discards, 1) << "new words published";
    ASSERT_EQ(fifo.available(), 4u);
    ASSERT_EQ(fifo.poll(), FifoReader::Poll::ok);
    EXPECT_EQ(platform::stale_data_discards, 1) << "the same index again";

    uint32_t words[4];
    fifo.take(4, words);
    ASSERT_EQ(fifo.poll(), FifoReader::Poll::ok);
    EXPECT_EQ(platform::stale_data_discards, 1) << "only fifo_read moved";

    t.push({5});
    ASSERT_EQ(fifo.poll(), FifoReader::Poll::ok);
    EXPECT_EQ(platform::stale_data_discards, 2);
    EXPECT_EQ(fifo.peek(0), 5u) << "the word behind the index";
}

} // namespace
} // namespace renderer::test
