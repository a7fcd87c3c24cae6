// capture-dump as a program: its text, digest and statistics, and its exit
// status on damaged captures and bad command lines.
#include "capture_writer.h"
#include "process_runner.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sstream>

namespace sim::capture {
namespace {

const std::string dump = CAPTURE_DUMP_PATH;

// A small capture: a reset, an output buffer, a facet, a texture with its
// hash, and a show.
std::string write_capture(const test::TempDir& dir, uint32_t address = 0x400) {
    const std::string path = dir.path() + "/run.cap";
    CaptureWriter w;
    EXPECT_TRUE(w.open(path));
    const uint32_t reset[1] = {0};
    const uint32_t out[4] = {3, address, 9, 250};
    uint32_t facet[29] = {9, 4, 0x80108010, 0, 0};
    facet[5] = 0xfff60000;  // x of vertex 0: -10.0
    facet[28] = 0x00010000; // shade of vertex 3: 1.0
    const uint32_t txt[4] = {4, address + 0x20000, 8, 256};
    const uint32_t show[4] = {6, address, 9, 250};
    w.write_command(reset, 1);
    w.write_command(out, 4);
    w.write_command(facet, 29);
    w.write_command(txt, 4);
    w.write_texture_hash(0xfeedfacecafebeefull);
    w.write_command(show, 4);
    EXPECT_TRUE(w.close());
    return path;
}

TEST(CaptureDump, PrintsOneCommandALineWithFieldNames) {
    test::TempDir dir;
    const test::ProcessResult r = test::run({dump, write_capture(dir)});
    ASSERT_EQ(r.exit_status, 0) << r.err;
    std::istringstream lines(r.out);
    std::string line;
    std::vector<std::string> all;
    while (std::getline(lines, line))
        all.push_back(line);
    ASSERT_EQ(all.size(), 7u) << r.out;
    EXPECT_EQ(all[0], "== frame 0 ==");
    EXPECT_EQ(all[1], "reset");
    EXPECT_EQ(all[2], "setOutBuf address=0x00000400 log2_width=9 height=250");
    EXPECT_EQ(all[3].rfind("cmdFacet vertex_count=4 color=0x80108010 param=0 rendering_type=0 "
                           "v0=[ x=0xfff60000(-10.00000) y=0x00000000(0.00000)",
                           0),
              0u)
        << all[3];
    EXPECT_NE(all[3].find("v3=["), std::string::npos);
    EXPECT_NE(all[3].find("shade=0x00010000(1.00000) ]"), std::string::npos);
    EXPECT_EQ(all[4], "setTxtBuf address=0x00020400 log2_width=8 height=256");
    EXPECT_EQ(all[5], "texture_hash 0xfeedfacecafebeef");
    EXPECT_EQ(all[6], "show address=0x00000400 log2_width=9 height=250 -> frame 0 shown");

    const test::ProcessResult masked = test::run({dump, "--mask-addresses", write_capture(dir)});
    EXPECT_NE(masked.out.find("setOutBuf address=* log2_width=9"), std::string::npos);
    EXPECT_EQ(masked.out.find("0x00000400"), std::string::npos);
}

TEST(CaptureDump, DigestAndStatistics) {
    test::TempDir a, b;
    const test::ProcessResult da = test::run({dump, "--digest", write_capture(a, 0x400)});
    const test::ProcessResult db = test::run({dump, "--digest", write_capture(b, 0x9000)});
    ASSERT_EQ(da.exit_status, 0);
    EXPECT_EQ(da.out.size(), 17u) << da.out;
    EXPECT_EQ(da.out, db.out);

    const test::ProcessResult stats = test::run({dump, "--stats", write_capture(a)});
    ASSERT_EQ(stats.exit_status, 0);
    EXPECT_NE(stats.out.find("commands: 5 (42 words)"), std::string::npos) << stats.out;
    EXPECT_NE(stats.out.find("frames: 1"), std::string::npos);
    EXPECT_NE(stats.out.find("texture hashes: 1"), std::string::npos);
    EXPECT_NE(stats.out.find("cmdFacet   1"), std::string::npos) << stats.out;
}

TEST(CaptureDump, FailsCleanlyOnDamagedCapturesAndBadArguments) {
    test::TempDir dir;
    const std::string good = write_capture(dir);
    std::ifstream in(good, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    // Cut at every length: inside a header, inside a payload, mid-word.
    for (size_t cut : {size_t{2}, size_t{6}, size_t{30}, bytes.size() - 4, bytes.size() - 1}) {
        const std::string path = dir.path() + "/cut.cap";
        std::ofstream(path, std::ios::binary) << bytes.substr(0, cut);
        for (const char* mode : {"--stats", "--digest"}) {
            const test::ProcessResult r = test::run({dump, mode, path});
            EXPECT_EQ(r.exit_status, 1) << cut;
            EXPECT_NE(r.err.find("truncated"), std::string::npos) << cut << ": " << r.err;
        }
    }
    // A setOutBuf of three words cannot come from the renderer.
    const std::string bad = dir.path() + "/bad.cap";
    std::ofstream(bad, std::ios::binary)
        << std::string("\x03\x00\x00\x01\x03\x00\x00\x00", 8) << std::string(8, '\0');
    test::ProcessResult r = test::run({dump, bad});
    EXPECT_EQ(r.exit_status, 1);
    EXPECT_NE(r.err.find("is a setOutBuf of 3 words, expected 4"), std::string::npos) << r.err;

    // A facet of one word: its header fields lie past the end of the file.
    std::ofstream(bad, std::ios::binary) << std::string("\x01\x00\x00\x01\x09\x00\x00\x00", 8);
    r = test::run({dump, bad});
    EXPECT_EQ(r.exit_status, 1);
    EXPECT_NE(r.err.find("is a cmdFacet of 1 words, shorter than its 5-word header"),
              std::string::npos)
        << r.err;

    // Unknown opcodes and rejected vertex counts are what the renderer
    // consumed, and print; a longer unknown record cannot be.
    const std::string odd = dir.path() + "/odd.cap";
    {
        CaptureWriter w;
        ASSERT_TRUE(w.open(odd));
        const uint32_t unknown[1] = {7};
        const uint32_t rejected[5] = {9, 100, 0x80108010, 0, 0};
        w.write_command(unknown, 1);
        w.write_command(rejected, 5);
        ASSERT_TRUE(w.close());
    }
    r = test::run({dump, odd});
    EXPECT_EQ(r.exit_status, 0) << r.err;
    EXPECT_NE(r.out.find("unknown opcode=7 words=[0x00000007]\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("cmdFacet vertex_count=100 color=0x80108010 param=0 rendering_type=0 "
                         "(header only: vertex count rejected)\n"),
              std::string::npos)
        << r.out;
    std::ofstream(bad, std::ios::binary)
        << std::string("\x02\x00\x00\x01\x07\x00\x00\x00", 8) << std::string(4, '\0');
    r = test::run({dump, bad});
    EXPECT_EQ(r.exit_status, 1);
    EXPECT_NE(r.err.find("unknown opcode 7, of which the renderer consumes one"), std::string::npos)
        << r.err;

    r = test::run({dump, dir.path() + "/missing.cap"});
    EXPECT_EQ(r.exit_status, 1);
    EXPECT_NE(r.err.find("No such file"), std::string::npos);
    for (const std::vector<std::string>& args : {std::vector<std::string>{dump},
                                                 {dump, "--digest", "--stats", good},
                                                 {dump, "--x", good},
                                                 {dump, good, good}}) {
        EXPECT_EQ(test::run(args).exit_status, 2) << args.size();
    }
    r = test::run({dump, "--help"});
    EXPECT_EQ(r.exit_status, 0);
    EXPECT_NE(r.out.find("Usage: capture-dump"), std::string::npos);
}

} // namespace
} // namespace sim::capture

namespace sim::capture {
namespace {

// Five frames of a buffer, a texture and a facet each; colour_of_frame_2
// changes one word in the middle, address moves every buffer, and
// texture_of_frame_2 changes the texture that frame selects.
std::string write_frames(const std::string& path, uint32_t colour_of_frame_2, uint32_t address,
                         uint64_t texture_of_frame_2 = 0xfeedface00001236ull) {
    CaptureWriter w;
    EXPECT_TRUE(w.open(path));
    for (uint32_t frame = 0; frame < 5; ++frame) {
        const uint32_t out[4] = {3, address, 9, 250};
        const uint32_t txt[4] = {4, address + 0x20000, 8, 256};
        const uint32_t facet[5] = {9, 0, frame == 2 ? colour_of_frame_2 : 0x80108010u, 0, 0};
        const uint32_t show[4] = {6, address, 9, 250};
        w.write_command(out, 4);
        w.write_command(txt, 4);
        w.write_texture_hash(frame == 2 ? texture_of_frame_2 : 0xfeedface00001234ull + frame);
        w.write_command(facet, 5);
        w.write_command(show, 4);
    }
    EXPECT_TRUE(w.close());
    return path;
}

TEST(CaptureDump, DiffFindsTheFirstDifferenceAndCountsFrames) {
    test::TempDir dir;
    const std::string a = write_frames(dir.path() + "/a.cap", 0x80108010u, 0x400);
    const std::string same = write_frames(dir.path() + "/same.cap", 0x80108010u, 0x400);
    const std::string changed = write_frames(dir.path() + "/changed.cap", 0x80108011u, 0x400);
    const std::string moved = write_frames(dir.path() + "/moved.cap", 0x80108010u, 0x800);

    test::ProcessResult r = test::run({dump, "--diff", a, same});
    EXPECT_EQ(r.exit_status, 0) << r.err;
    EXPECT_EQ(r.out, "captures are equal: 5 frames, 20 commands\n");

    r = test::run({dump, "--diff", a, changed});
    EXPECT_EQ(r.exit_status, 1) << r.err;
    EXPECT_EQ(r.out.rfind("first difference: frame 2, command 2\n", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("* color=0x80108010"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("color=0x80108011\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\n  vertex_count=0"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("differing frames: 1 of 5\n"), std::string::npos) << r.out;

    // Moved buffers differ in every frame unless addresses are masked.
    r = test::run({dump, "--diff", a, moved});
    EXPECT_EQ(r.exit_status, 1);
    EXPECT_NE(r.out.find("differing frames: 5 of 5\n"), std::string::npos) << r.out;
    EXPECT_EQ(test::run({dump, "--mask-addresses", "--diff", a, moved}).exit_status, 0);

    // A differing texture shows with the values the listing gives it.
    const std::string retextured =
        write_frames(dir.path() + "/retextured.cap", 0x80108010u, 0x400, 0x0123456789abcdefull);
    r = test::run({dump, "--diff", a, retextured});
    EXPECT_EQ(r.exit_status, 1) << r.err;
    EXPECT_EQ(r.out.rfind("first difference: frame 2, command 1\n", 0), 0u) << r.out;
    for (const std::string& path : {a, retextured}) {
        const std::string listing = test::run({dump, path}).out;
        size_t at = 0;
        for (int hash = 0; hash < 3 && at != std::string::npos; ++hash)
            at = listing.find("texture_hash ", at + 1);
        ASSERT_NE(at, std::string::npos) << listing;
        const std::string value = listing.substr(at + 13, 18);
        EXPECT_NE(r.out.find(value), std::string::npos) << value << "\n" << r.out;
    }

    // An unreadable capture is trouble, not a difference.
    r = test::run({dump, "--diff", a, dir.path() + "/none.cap"});
    EXPECT_EQ(r.exit_status, 2);
    EXPECT_EQ(test::run({dump, "--diff", a}).exit_status, 2);
}

} // namespace
} // namespace sim::capture
