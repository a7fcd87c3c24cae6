// The complete script, both scenes, played in-process the way main plays it:
// the link opened on a memory file, a consumer thread standing in for the
// renderer, every command recorded. Besides counting what the script must
// send, the test keeps a digest of the whole stream, so that any change to
// what the demo sends shows up here and has to be explained.
#include "demo_fixture.h"
#include "random_stream.h"
#include "gpu_testing.h"

#include <fcntl.h>
#include <unistd.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <set>

namespace demo_test {
namespace {

// FNV-1a 64 over every consumed command word as four little-endian bytes,
// with the buffer address (word 1) of opcodes 3 to 6 taken as 0, since where
// buffers land depends on how far the display has got. To regenerate after
// an intended change, run this test and copy the digest it prints; record
// the reason in the commit message.
constexpr uint64_t golden_digest = 0x39bd9f6f91439892ull;

uint64_t stream_digest(const std::vector<Command>& commands) {
    uint64_t hash = 0xcbf29ce484222325ull;
    for (const Command& command : commands) {
        const bool buffer_command = command[0] >= gpu_op_set_out_buf && command[0] <= gpu_op_show;
        for (size_t i = 0; i < command.size(); ++i) {
            const uint32_t word = buffer_command && i == 1 ? 0 : command[i];
            for (int byte = 0; byte < 4; ++byte) {
                hash ^= (word >> (8 * byte)) & 0xff;
                hash *= 0x100000001b3ull;
            }
        }
    }
    return hash;
}

// The memory device as the simulator provides it: a sparse file that
// reaches the end of the shared area.
void create_memory_file(const std::string& path) {
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    ASSERT_NE(fd, -1);
    ASSERT_EQ(ftruncate(fd, off_t{gpu_shared_phys} + 0x1E05000), 0);
    close(fd);
}

bool is_clear(const Command& c) {
    return c[0] == gpu_op_facet && c[4] == 0 && c[2] == 0x80108010u;
}

using WholeRun = DemoTest;

TEST_F(WholeRun, BothScenesSendTheExpectedStream) {
    SimDir dir;
    dir.write_screen(std::vector<uint16_t>(320 * 240, 0x7BEF));
    create_memory_file(dir.file("mem"));
    // The ink pattern does not reach the command stream; seeding only keeps
    // the run repeatable.
    seed_random(1);
    gpu_mm_reset();
    ASSERT_EQ(gpuOpen(), gpuOK);
    test_support::FakeRenderer renderer(shared);
    renderer.start();

    prepare_scene1();
    std::set<uint32_t> scene1_textures;
    for (int face : {0, 2, 4, 5})
        scene1_textures.insert(gpuBuf_get_loc(facet_text[face])->address);
    scene1();
    scene2();

    ASSERT_TRUE(renderer.wait_until_idle(std::chrono::seconds(60)));
    renderer.stop();
    const std::vector<Command> commands = renderer.commands();
    EXPECT_FALSE(renderer.unknown_opcode_seen());
    EXPECT_EQ(gpu_mm_frame_count(), 2665u);
    gpuClose();

    ASSERT_FALSE(commands.empty());
    EXPECT_EQ(commands.front(), Command{gpu_op_reset});
    size_t shows = 0, out_bufs = 0, clears = 0, views = 0, scene2_clears = 0;
    size_t scene1_faces = 0, foreign_scene1_textures = 0;
    bool in_scene2 = false;
    for (const Command& c : commands) {
        switch (c[0]) {
        case gpu_op_show:
            ++shows;
            break;
        case gpu_op_set_out_buf:
            ++out_bufs;
            break;
        case gpu_op_set_view:
            ++views;
            in_scene2 = true;
            EXPECT_EQ(c, (Command{1, 7, static_cast<uint32_t>(-161), static_cast<uint32_t>(-121),
                                  161, 121, 96, 3}));
            break;
        case gpu_op_set_txt_buf:
            if (!in_scene2 && scene1_textures.count(c[1]) == 0) ++foreign_scene1_textures;
            break;
        case gpu_op_facet:
            if (is_clear(c)) {
                ++(in_scene2 ? scene2_clears : clears);
            } else if (!in_scene2) {
                ++scene1_faces;
            }
            break;
        default:
            break;
        }
    }
    EXPECT_EQ(shows, 2665u);
    EXPECT_EQ(out_bufs, 2665u);
    EXPECT_EQ(clears, 1615u);
    EXPECT_EQ(scene2_clears, 0u);
    EXPECT_EQ(views, 1u);
    // Only the four textured faces are ever selected before the change of
    // scene: the top and bottom faces, which have none, are never drawn.
    EXPECT_EQ(foreign_scene1_textures, 0u);
    EXPECT_GT(scene1_faces, 1615u);

    const uint64_t digest = stream_digest(commands);
    std::printf("command stream digest: %016" PRIx64 "\n", digest);
    EXPECT_EQ(digest, golden_digest)
        << "the demo's command stream changed; if intended, set golden_digest to 0x" << std::hex
        << digest;
}

} // namespace
} // namespace demo_test
