// Replay of a whole demo capture without the demo: the same frames and the
// same summary as the live run; a capture without contents, cut short or
// with damaged contents ends with a clear message, never a crash. Replay at
// the recorded pace, and of commands that fill the FIFO, gives the live
// frames too.
#include "sim_run_helpers.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace sim::test {
namespace {

const std::string lumenfall = LUMENFALL_PATH;
const std::string frames_to_compare = "0,900,1900,2664";

std::vector<uint8_t> read_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void write_bytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
}

uint32_t word_at(const std::vector<uint8_t>& bytes, size_t word) {
    const uint8_t* b = bytes.data() + 4 * word;
    return b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24;
}

// The capture without its texture contents (kind 3 records), as
// --capture-digests-only writes it; also finds the first contents record.
std::vector<uint8_t> without_contents(const std::vector<uint8_t>& bytes, size_t& first_contents) {
    std::vector<uint8_t> kept;
    first_contents = 0;
    for (size_t word = 0; word < bytes.size() / 4;) {
        const uint32_t header = word_at(bytes, word);
        const size_t length = 1 + (header & 0xFFFFFF);
        if (header >> 24 != 3)
            kept.insert(kept.end(), bytes.begin() + 4 * word, bytes.begin() + 4 * (word + length));
        else if (first_contents == 0)
            first_contents = word;
        word += length;
    }
    return kept;
}

TEST(Replay, WholeDemoGivesTheLiveRunsFramesAndSummary) {
    TempDir tmp, out;
    const std::string capture = out.path() + "/demo.cap";
    const ProcessResult live =
        run_sim({"--fast", "--renderer-now", "--no-window", "--no-progress", "--capture", capture,
                 "--png", out.path() + "/live", "--png-frames", frames_to_compare, "--", lumenfall},
                tmp.path(), 240);
    ASSERT_EQ(live.exit_status, 0) << live.err;
    const ProcessResult replay =
        run_sim({"--fast", "--no-window", "--no-progress", "--replay", capture, "--png",
                 out.path() + "/replay", "--png-frames", frames_to_compare},
                tmp.path(), 240);
    ASSERT_EQ(replay.exit_status, 0) << replay.err;
    const Summary a = parse_summary(live.err), b = parse_summary(replay.err);
    ASSERT_TRUE(a.parsed && b.parsed) << live.err << replay.err;
    EXPECT_EQ(a.frames, 2665u);
    EXPECT_EQ(b.frames, a.frames);
    EXPECT_EQ(b.renderer_errors, a.renderer_errors);
    EXPECT_EQ(b.exit_status, a.exit_status);
    for (const char* name : {"frame_00000", "frame_00900", "frame_01900", "frame_02664"}) {
        const std::vector<uint8_t> shown = read_bytes(out.path() + "/live/" + name + ".png");
        ASSERT_FALSE(shown.empty()) << name;
        EXPECT_TRUE(shown == read_bytes(out.path() + "/replay/" + name + ".png")) << name;
    }

    // Without contents: every frame still drawn, textures as a placeholder.
    const std::vector<uint8_t> bytes = read_bytes(capture);
    size_t first_contents = 0;
    write_bytes(out.path() + "/digests.cap", without_contents(bytes, first_contents));
    const ProcessResult bare =
        run_sim({"--fast", "--no-window", "--no-progress", "--replay", out.path() + "/digests.cap"},
                tmp.path(), 240);
    EXPECT_EQ(bare.exit_status, 0) << bare.err;
    EXPECT_NE(bare.err.find("holds no contents for texture 0x"), std::string::npos) << bare.err;
    EXPECT_EQ(parse_summary(bare.err).frames, 2665u);

    // Cut in the middle of a record, or one byte of the first texture's
    // compressed data changed: status 2, the reason, and the summary.
    size_t cut_at = 0;
    for (size_t word = 0; cut_at == 0; word += 1 + (word_at(bytes, word) & 0xFFFFFF))
        if (word >= bytes.size() / 8 && (word_at(bytes, word) & 0xFFFFFF) >= 2)
            cut_at = 4 * (word + 2);
    const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<long>(cut_at));
    std::vector<uint8_t> damaged = bytes;
    ASSERT_GT(first_contents, 0u);
    damaged[4 * (first_contents + 7) + 40] ^= 0x5A;
    const struct {
        const char* name;
        const std::vector<uint8_t>& data;
        const char* reason;
    } faults[] = {{"cut", cut, "truncated capture"},
                  {"damaged", damaged, "the capture is damaged: texture 0x"}};
    for (const auto& fault : faults) {
        const std::string path = out.path() + "/" + fault.name + ".cap";
        write_bytes(path, fault.data);
        const ProcessResult r =
            run_sim({"--fast", "--no-window", "--no-progress", "--replay", path}, tmp.path());
        EXPECT_EQ(r.exit_status, 2) << fault.name << r.err;
        EXPECT_NE(r.err.find(fault.reason), std::string::npos) << fault.name << r.err;
        EXPECT_TRUE(parse_summary(r.err).parsed) << fault.name << r.err;
    }
}

std::string frame_digest(const std::string& err) {
    const size_t at = err.find("frame digest: ");
    return at == std::string::npos ? "none" : err.substr(at, err.find('\n', at) - at);
}

// At 60 frames a second the display lags the renderer, which a replay must
// not let draw (or write a texture) into buffers still waiting for display;
// a flood of facets
// with no selection between them keeps the feeder at the FIFO's full mark
// and across its end many times.
TEST(Replay, AtTheRecordedPaceAndThroughAFullFifoGivesTheLiveFrames) {
    const struct {
        const char* name;
        std::vector<std::string> client;
        bool live_fast;
    } runs[] = {{"paced", {test_client, "frames", "20"}, false},
                {"flood", {test_client, "flood", "3", "12000"}, true},
                {"reuse", {test_client, "reuse", "8"}, false}};
    for (const auto& run : runs) {
        TempDir tmp;
        const std::string capture = tmp.path() + "/run.cap";
        std::vector<std::string> args{"--renderer-now", "--no-window", "--no-progress",
                                      "--frame-digest", "--capture",   capture};
        if (run.live_fast) args.push_back("--fast");
        args.push_back("--");
        args.insert(args.end(), run.client.begin(), run.client.end());
        const ProcessResult live = run_sim(args, tmp.path());
        ASSERT_EQ(live.exit_status, 0) << run.name << live.err;
        const ProcessResult paced = run_sim(
            {"--no-window", "--no-progress", "--frame-digest", "--replay", capture}, tmp.path());
        ASSERT_EQ(paced.exit_status, 0) << run.name << paced.err;
        EXPECT_NE(frame_digest(live.err), "none") << run.name << live.err;
        EXPECT_EQ(frame_digest(paced.err), frame_digest(live.err)) << run.name;
        const Summary summary = parse_summary(paced.err);
        EXPECT_EQ(summary.renderer_errors, 0u) << run.name << paced.err;
        // At 60 frames a second, never faster.
        EXPECT_GE(summary.seconds, static_cast<double>(summary.frames - 1) / 60) << paced.err;
    }
}

} // namespace
} // namespace sim::test
