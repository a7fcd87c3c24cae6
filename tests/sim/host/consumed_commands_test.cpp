// What the emulated core's record of consumed commands says of each texture
// selection: the hash of the words in video memory while the client still
// leaves them alone, nothing for a rejected selection, and "unknown" once
// the display has moved on far enough for the client to have reused them.
#include "capture_format.h"
#include "capture_recorder.h"
#include "capture_replay.h"
#include "consumed_commands.h"
#include "process_runner.h"
#include "render_state.h"
#include "texture_hash.h"

#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace sim::test {
namespace {

struct Fifo {
    gpuSharedArea* area;
    uint32_t write = 0;
    void buffer_command(uint32_t op, uint32_t address, uint32_t log2_width, uint32_t height) {
        for (uint32_t word : {op, address, log2_width, height})
            area->fifo[write++] = word;
    }
};

TEST(ConsumedCommands, HashesSelectionsReadBackInTimeAndMarksLateOnesUnknown) {
    auto area = std::make_unique<gpuSharedArea>();
    constexpr uint32_t address = 0x1000, log2_width = 3, height = 8;
    for (uint32_t i = 0; i < height << log2_width; ++i)
        area->video_mem[address + i] = 0x80108010u + i;
    const uint64_t texels = renderer::texture_hash(area->video_mem,
                                                   renderer::check_buffer({address, log2_width, height}));
    ASSERT_NE(texels, capture::fnv1a_offset_basis);

    TempDir dir;
    const std::string path = dir.path() + "/consumed.cap";
    {
        CaptureRecorder recorder(path, false);
        ConsumedCommands consumed(area.get(), &recorder);
        Fifo fifo{area.get()};
        consumed.restart(0);
        // Frame 0: a selection and its show, then a rejected selection.
        fifo.buffer_command(gpu_op_set_txt_buf, address, log2_width, height);
        fifo.buffer_command(gpu_op_show, 0, 9, 250);
        fifo.buffer_command(gpu_op_set_txt_buf, address, 13, height);
        consumed.advance(fifo.write, 0);
        // Frame 1's selection, first seen when frame 1 and the next two are
        // already displayed: the client may have rewritten its texture.
        fifo.buffer_command(gpu_op_set_txt_buf, address, log2_width, height);
        for (int i = 0; i < 3; ++i)
            fifo.buffer_command(gpu_op_show, 0, 9, 250);
        consumed.advance(fifo.write, 3);
        EXPECT_EQ(consumed.unknown_textures(), 1u);
        EXPECT_EQ(consumed.shows_since_reset(), 4u);
        recorder.finish();
    }

    capture::CaptureReplay replay;
    ASSERT_TRUE(replay.load_file(path)) << replay.error();
    std::vector<const capture::ReplayCommand*> selections;
    for (const capture::ReplayCommand& command : replay.commands())
        if (command.words[0] == gpu_op_set_txt_buf) selections.push_back(&command);
    ASSERT_EQ(selections.size(), 3u);
    EXPECT_TRUE(selections[0]->has_texture_hash);
    EXPECT_EQ(selections[0]->texture_hash, texels);
    EXPECT_TRUE(selections[1]->has_texture_hash);
    EXPECT_EQ(selections[1]->texture_hash, capture::fnv1a_offset_basis) << "a rejected selection";
    EXPECT_FALSE(selections[2]->has_texture_hash);
    EXPECT_TRUE(selections[2]->texture_unknown);
}

} // namespace
} // namespace sim::test
