// The frame outputs on their own: the y4m stream layout and colours, the
// contact sheet's sampling over runs of unknown length, and write failures.
#include "contact_sheet.h"
#include "host_error.h"
#include "output_file.h"
#include "picture_file.h"
#include "png_io.h"
#include "process_runner.h"
#include "y4m_writer.h"

#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace sim::out {
namespace {

renderer::RgbFrame solid_frame(uint8_t r, uint8_t g, uint8_t b) {
    renderer::RgbFrame frame;
    frame.rgb.resize(320 * 240 * 3);
    for (size_t i = 0; i < frame.rgb.size(); i += 3) {
        frame.rgb[i] = r;
        frame.rgb[i + 1] = g;
        frame.rgb[i + 2] = b;
    }
    return frame;
}

std::vector<uint8_t> file_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(Y4mWriter, WritesTheHeaderThenOneMarkerAndThreeFullPlanesPerFrame) {
    test::TempDir dir;
    const std::string path = dir.path() + "/out.y4m";
    Y4mWriter writer(path);
    writer.consume(solid_frame(255, 255, 255), 0);
    writer.consume(solid_frame(0, 0, 0), 1);
    writer.consume(solid_frame(255, 0, 0), 2);
    writer.finish(3);

    const std::vector<uint8_t> bytes = file_bytes(path);
    const std::string header = "YUV4MPEG2 W320 H240 F60:1 Ip A1:1 C444\n";
    const size_t plane = 320 * 240;
    ASSERT_EQ(bytes.size(), header.size() + 3 * (6 + 3 * plane));
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + static_cast<long>(header.size())), header);
    // Studio range: white is Y 235 with neutral chroma, black is Y 16, pure
    // red has the largest Cr.
    const uint8_t expected[3][3] = {{235, 128, 128}, {16, 128, 128}, {82, 90, 240}};
    for (size_t f = 0; f < 3; ++f) {
        const size_t at = header.size() + f * (6 + 3 * plane);
        EXPECT_EQ(std::string(bytes.begin() + static_cast<long>(at),
                              bytes.begin() + static_cast<long>(at + 6)),
                  "FRAME\n");
        for (size_t p = 0; p < 3; ++p) {
            EXPECT_EQ(bytes[at + 6 + p * plane], expected[f][p]) << "frame " << f << " plane " << p;
            EXPECT_EQ(bytes[at + 6 + p * plane + plane - 1], expected[f][p]);
        }
    }
}

TEST(Y4mWriter, RefusesAShortFrameInsteadOfReadingPastIt) {
    test::TempDir dir;
    Y4mWriter writer(dir.path() + "/out.y4m");
    renderer::RgbFrame frame = solid_frame(1, 2, 3);
    frame.rgb.resize(100);
    EXPECT_THROW(writer.consume(frame, 0), HostError);
}

TEST(OutputFile, ReportsUnwritablePathsAndAFullDisk) {
    EXPECT_THROW(OutputFile("/nonexistent-folder/out.y4m", "video file"), HostError);
    OutputFile full("/dev/full", "video file");
    const std::vector<uint8_t> frame(230400);
    try {
        full.write(frame.data(), frame.size());
        FAIL() << "writing to a full disk succeeded";
    } catch (const HostError& e) {
        EXPECT_NE(std::string(e.what()).find("No space left"), std::string::npos) << e.what();
    }
}

// Feeds n frames and returns the frame numbers the sheet shows.
std::vector<uint64_t> sheet_for_run(uint64_t n) {
    test::TempDir dir;
    ContactSheet sheet(dir.path() + "/sheet.ppm");
    const renderer::RgbFrame frame = solid_frame(10, 20, 30);
    for (uint64_t i = 0; i < n; ++i)
        sheet.consume(frame, i);
    return sheet.sheet_frames();
}

TEST(ContactSheet, SamplesEvenlyOverRunsOfAnyLength) {
    EXPECT_TRUE(sheet_for_run(0).empty());
    EXPECT_EQ(sheet_for_run(5), (std::vector<uint64_t>{0, 1, 2, 3, 4}));
    EXPECT_EQ(sheet_for_run(36).size(), 36u);
    for (uint64_t n : {37u, 100u, 2665u, 10000u}) {
        const std::vector<uint64_t> frames = sheet_for_run(n);
        ASSERT_EQ(frames.size(), 36u) << n;
        EXPECT_EQ(frames.front(), 0u);
        // The last tile lies in the last stretch of the run, and the gaps
        // between tiles differ by at most one sampling stride.
        uint64_t smallest = UINT64_MAX, largest = 0;
        for (size_t i = 1; i < frames.size(); ++i) {
            smallest = std::min(smallest, frames[i] - frames[i - 1]);
            largest = std::max(largest, frames[i] - frames[i - 1]);
        }
        EXPECT_GE(frames.back(), n - n / 18) << n;
        EXPECT_LE(largest, 2 * smallest) << n;
    }
}

TEST(ContactSheet, WritesAGridWithLabelsAndANoteForAnEmptyRun) {
    test::TempDir dir;
    const std::string path = dir.path() + "/sheet.ppm";
    {
        ContactSheet sheet(path);
        const renderer::RgbFrame frame = solid_frame(200, 40, 40);
        for (uint64_t i = 0; i < 8; ++i)
            sheet.consume(frame, i);
        sheet.finish(8);
    }
    // Two rows of six 80 x 60 tiles with 11-pixel labels, 4-pixel margins.
    RgbImage image = load_picture(path, 508, 154);
    // The first thumbnail's corner carries the frame's colour.
    EXPECT_EQ(image.pixel(4, 4)[0], 200);
    EXPECT_EQ(image.pixel(4, 4)[1], 40);

    ContactSheet empty(path);
    empty.finish(0);
    EXPECT_NO_THROW(load_picture(path, 508, 4 + 71 + 4));
    EXPECT_THROW(ContactSheet(dir.path() + "/sheet.jpg"), HostError);
}

TEST(PngIo, RoundTripsAPicture) {
    if (!png_supported()) GTEST_SKIP() << "built without libpng";
    test::TempDir dir;
    RgbImage image(7, 3);
    for (size_t i = 0; i < image.rgb.size(); ++i)
        image.rgb[i] = static_cast<uint8_t>(i * 11);
    ASSERT_EQ(write_png(dir.path() + "/p.png", image), "");
    RgbImage back;
    ASSERT_EQ(read_png(dir.path() + "/p.png", back), "");
    EXPECT_EQ(back.width, 7);
    EXPECT_EQ(back.height, 3);
    EXPECT_EQ(back.rgb, image.rgb);
    EXPECT_NE(write_png("/nonexistent-folder/p.png", image), "");
}

} // namespace
} // namespace sim::out
