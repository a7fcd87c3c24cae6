// The simulator's outputs with a client drawing real frames: video, PNG
// frames, the contact sheet and the capture, their failures, and the speed
// of the fast mode.
#include "ffmpeg_video.h"
#include "picture_file.h"
#include "png_io.h"
#include "sim_run_helpers.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sim::test {
namespace {

long file_size(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 ? static_cast<long>(info.st_size) : -1;
}

std::vector<std::string> with_client(std::vector<std::string> args, const std::string& frames,
                                     const std::string& base = "0") {
    for (const std::string& a :
         {std::string("--"), test_client, std::string("frames"), frames, base})
        args.push_back(a);
    return args;
}

TEST(HandheldSimOutputs, RecordsEveryFrameAClientShows) {
    TempDir tmp, out;
    const bool png = out::png_supported();
    const std::string sheet = out.path() + (png ? "/sheet.png" : "/sheet.ppm");
    std::vector<std::string> args{
        "--renderer-now",        "--fast",          "--no-window", "--video",
        out.path() + "/run.y4m", "--contact-sheet", sheet};
    if (png) args.insert(args.end(), {"--png", out.path() + "/shots", "--png-frames", "9,0,5,99"});
    const ProcessResult r = run_sim(with_client(args, "10"), tmp.path());
    ASSERT_EQ(r.exit_status, 0) << r.err;
    const Summary s = parse_summary(r.err);
    EXPECT_EQ(s.frames, 10u);
    EXPECT_EQ(s.renderer_errors, 0u);

    const long header = 39; // "YUV4MPEG2 W320 H240 F60:1 Ip A1:1 C444\n"
    EXPECT_EQ(file_size(out.path() + "/run.y4m"), header + 10 * (6 + 3 * 320 * 240));
    EXPECT_GT(file_size(sheet), 0);
    if (!png) return;
    for (const char* name : {"frame_00000.png", "frame_00005.png", "frame_00009.png"}) {
        RgbImage frame;
        ASSERT_EQ(out::read_png(out.path() + "/shots/" + name, frame), "") << name;
        EXPECT_EQ(frame.width, 320);
        EXPECT_EQ(frame.height, 240);
    }
    // The client's frames are not black: its textured square is in the middle.
    RgbImage frame;
    ASSERT_EQ(out::read_png(out.path() + "/shots/frame_00005.png", frame), "");
    const uint8_t* centre = frame.pixel(160, 120);
    EXPECT_GT(centre[0] + centre[1] + centre[2], 0);
    EXPECT_NE(r.err.find("no PNG written for frame(s) 99: the run displayed 10 frames"),
              std::string::npos)
        << r.err;
    RgbImage sheet_image;
    EXPECT_EQ(out::read_png(sheet, sheet_image), "");
}

TEST(HandheldSimOutputs, MakesAnMp4ThatFfprobeAccepts) {
    if (out::find_in_path("ffmpeg").empty() || out::find_in_path("ffprobe").empty())
        GTEST_SKIP() << "ffmpeg is not installed";
    TempDir tmp, out;
    const std::string video = out.path() + "/run.mp4";
    const ProcessResult r =
        run_sim(with_client({"--renderer-now", "--fast", "--no-window", "--video", video}, "12"),
                tmp.path());
    ASSERT_EQ(r.exit_status, 0) << r.err;
    const ProcessResult probe =
        run({"ffprobe", "-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
             "stream=width,height,nb_read_frames", "-of", "csv=p=0", video});
    EXPECT_EQ(probe.exit_status, 0) << probe.err;
    EXPECT_EQ(probe.out, "320,240,12\n");
}

TEST(HandheldSimOutputs, Mp4WithoutFfmpegFailsBeforeTheRun) {
    TempDir tmp, out;
    ProcessOptions options;
    options.env = {{"TMPDIR", tmp.path()}, {"PATH", out.path()}};
    const ProcessResult r =
        run({handheld_sim, "--no-window", "--video", out.path() + "/a.mp4", "--", "/bin/true"},
            options);
    EXPECT_EQ(r.exit_status, 2);
    EXPECT_NE(r.err.find("needs the ffmpeg program"), std::string::npos) << r.err;
    EXPECT_TRUE(tmp.entries().empty());
}

TEST(HandheldSimOutputs, UnwritableOrFullOutputsEndTheRunWithStatusTwo) {
    TempDir tmp, out;
    // Paths that cannot be created fail before the command starts.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--video", "/nonexistent-folder/a.y4m"},
          std::vector<std::string>{"--capture", "/nonexistent-folder/a.cap"},
          std::vector<std::string>{"--contact-sheet", "/nonexistent-folder/a.ppm"}}) {
        std::vector<std::string> all{"--no-window"};
        all.insert(all.end(), args.begin(), args.end());
        all.insert(all.end(), {"--", "touch", out.path() + "/ran"});
        const ProcessResult r = run_sim(all, tmp.path());
        EXPECT_EQ(r.exit_status, 2) << args[0];
        EXPECT_NE(r.err.find("/nonexistent-folder/a."), std::string::npos) << r.err;
        EXPECT_EQ(parse_summary(r.err).exit_status, 2) << r.err;
        EXPECT_FALSE(std::ifstream(out.path() + "/ran").good());
    }
    // A full disk: the video fails on its header, before the run; the capture,
    // written through a buffer, fails during the run, which then stops.
    const std::string full_video = out.path() + "/full.y4m";
    ASSERT_EQ(::symlink("/dev/full", full_video.c_str()), 0);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--video", full_video},
          std::vector<std::string>{"--capture", "/dev/full"}}) {
        std::vector<std::string> all{"--renderer-now", "--fast", "--no-window"};
        all.insert(all.end(), args.begin(), args.end());
        const ProcessResult r = run_sim(with_client(all, "2000"), tmp.path(), 60);
        EXPECT_FALSE(r.timed_out);
        EXPECT_EQ(r.exit_status, 2) << r.err;
        EXPECT_NE(r.err.find("No space left on device"), std::string::npos) << r.err;
        EXPECT_EQ(parse_summary(r.err).exit_status, 2) << r.err;
    }
    EXPECT_TRUE(tmp.entries().empty());
}

// The digest of two runs that placed their buffers differently.
TEST(HandheldSimOutputs, CaptureDigestIgnoresWhereBuffersLie) {
    TempDir tmp, out;
    std::string dumps[2], digests[2], masked[2];
    const char* bases[2] = {"0", "0x100000"};
    for (int i = 0; i < 2; ++i) {
        const std::string cap = out.path() + "/run" + std::to_string(i) + ".cap";
        const ProcessResult r =
            run_sim(with_client({"--renderer-now", "--fast", "--no-window", "--capture", cap}, "4",
                                bases[i]),
                    tmp.path());
        ASSERT_EQ(r.exit_status, 0) << r.err;
        const ProcessResult text = run({capture_dump, cap});
        ASSERT_EQ(text.exit_status, 0) << text.err;
        dumps[i] = text.out;
        digests[i] = run({capture_dump, "--digest", cap}).out;
        masked[i] = run({capture_dump, "--mask-addresses", cap}).out;
    }
    EXPECT_NE(dumps[0], dumps[1]);
    EXPECT_EQ(masked[0], masked[1]);
    EXPECT_EQ(digests[0], digests[1]);
    EXPECT_EQ(digests[0].size(), 17u);
    // What the client sent, as the renderer consumed it.
    EXPECT_NE(dumps[0].find("reset\n"), std::string::npos);
    EXPECT_NE(dumps[0].find("setOutBuf address=0x00000000 log2_width=9 height=240"),
              std::string::npos);
    EXPECT_NE(dumps[1].find("setOutBuf address=0x00100000 log2_width=9 height=240"),
              std::string::npos);
    EXPECT_NE(dumps[0].find("texture_hash 0x"), std::string::npos);
    EXPECT_NE(dumps[0].find("show address=0x00000000 log2_width=9 height=240 -> frame 0 shown"),
              std::string::npos);
    EXPECT_NE(dumps[0].find("== frame 3 =="), std::string::npos);
}

// Many small frames through the whole path: client, FIFO, renderer, display.
TEST(HandheldSimSpeed, FastModeFramesPerSecond) {
    TempDir tmp;
    const ProcessResult r =
        run_sim(with_client({"--renderer-now", "--fast", "--no-window"}, "3000"), tmp.path(), 100);
    ASSERT_EQ(r.exit_status, 0) << r.err;
    const Summary s = parse_summary(r.err);
    EXPECT_EQ(s.frames, 3000u);
    ::testing::Test::RecordProperty("fast_mode_fps", std::to_string(s.fps));
    std::printf("fast mode: %llu frames in %.3f s, %.1f frames/s\n", s.frames, s.seconds, s.fps);
}

} // namespace
} // namespace sim::test
