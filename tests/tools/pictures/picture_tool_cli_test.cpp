// The picture tool as its users see it: commands, files, exit statuses.
#include "bitmap.h"
#include "file_io.h"
#include "picture_tool.h"
#include "run_length.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using picture_tool::Bitmap;
using picture_tool::exit_bad_input;
using picture_tool::exit_ok;
using picture_tool::exit_usage;

class PictureToolTest : public testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "picture-tool-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    void write(const std::string& name, const std::string& data) const {
        std::string error;
        ASSERT_TRUE(picture_tool::write_file(path(name), data, error)) << error;
    }

    std::string read(const std::string& name) const {
        std::string data;
        std::string error;
        EXPECT_TRUE(picture_tool::read_file(path(name), data, error)) << error;
        return data;
    }

    int run(const std::vector<std::string>& args) {
        out_.str("");
        err_.str("");
        return picture_tool::run_picture_tool(args, out_, err_);
    }

    static Bitmap lettering_like_image() {
        Bitmap bitmap = picture_tool::make_bitmap(255, 256);
        for (uint32_t y = 40; y < 200; ++y)
            for (uint32_t x = 30 + y % 7; x < 220; x += 9 + y % 5)
                bitmap.set(x, y, true);
        return bitmap;
    }

    fs::path dir_;
    std::ostringstream out_;
    std::ostringstream err_;
};

TEST_F(PictureToolTest, HelpDescribesEveryCommand) {
    EXPECT_EQ(run({"--help"}), exit_ok);
    for (const char* command : {"pack", "unpack", "preview", "--width", "--colours"})
        EXPECT_NE(out_.str().find(command), std::string::npos) << command;
}

TEST_F(PictureToolTest, PackUnpackRoundTripThroughSourceAndRawBytes) {
    const Bitmap image = lettering_like_image();
    write("letters.pbm", picture_tool::format_pbm(image));
    ASSERT_EQ(run({"pack", path("letters.pbm"), path("letters.cpp")}), exit_ok) << err_.str();
    EXPECT_NE(read("letters.cpp").find("const uint8_t letters[]"), std::string::npos);
    ASSERT_EQ(run({"unpack", path("letters.cpp"), path("back.pbm")}), exit_ok) << err_.str();

    Bitmap back;
    std::string error;
    ASSERT_TRUE(picture_tool::parse_pbm(read("back.pbm"), back, error)) << error;
    EXPECT_EQ(back.pixels, image.pixels);

    std::vector<uint8_t> packed;
    ASSERT_TRUE(picture_tool::pack_picture(image, packed, error));
    write("letters.bin", std::string(packed.begin(), packed.end()));
    ASSERT_EQ(run({"unpack", path("letters.bin"), path("raw.pbm")}), exit_ok) << err_.str();
    EXPECT_EQ(read("raw.pbm"), read("back.pbm"));
}

TEST_F(PictureToolTest, PreviewWritesAnImage) {
    write("empty.bin", std::string(256, '\xff'));
    ASSERT_EQ(run({"preview", path("empty.bin"), "--width", "24", "--colours",
                   "0x81a977a9,0x67899d89", path("empty.png")}),
              exit_ok)
        << err_.str();
    // Without libpng the tool writes a PPM beside the requested name.
    const bool png = fs::exists(path("empty.png"));
    const std::string image = read(png ? "empty.png" : "empty.ppm");
    EXPECT_EQ(image.substr(0, 4), png ? "\x89PNG" : "P6\n2");
}

struct UsageError {
    const char* name;
    std::vector<std::string> args;
};

class UsageErrorTest : public PictureToolTest, public testing::WithParamInterface<UsageError> {};

TEST_P(UsageErrorTest, ExitsWithUsageStatus) {
    EXPECT_EQ(run(GetParam().args), exit_usage);
    EXPECT_NE(err_.str().find("picture-tool: "), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, UsageErrorTest,
    testing::Values(
        UsageError{"Nothing", {}}, UsageError{"UnknownCommand", {"frobnicate", "a", "b"}},
        UsageError{"MissingOutput", {"pack", "in.pbm"}},
        UsageError{"UnknownOption", {"pack", "a", "b", "--fast"}},
        UsageError{"NameNotIdentifier", {"pack", "a", "b", "--name", "9lives"}},
        UsageError{"PreviewWithoutWidth", {"preview", "a", "b", "--colours", "1,2"}},
        UsageError{"NegativeWidth", {"preview", "a", "b", "--width", "-3", "--colours", "1,2"}},
        UsageError{"OneColour", {"preview", "a", "b", "--width", "3", "--colours", "0x1"}}),
    [](const testing::TestParamInfo<UsageError>& param_info) { return param_info.param.name; });

struct InputError {
    const char* name;
    std::string file_name;
    std::string contents;
    std::string command;
};

class InputErrorTest : public PictureToolTest, public testing::WithParamInterface<InputError> {};

TEST_P(InputErrorTest, ExitsWithBadInputStatusAndWritesNothing) {
    const InputError& c = GetParam();
    if (!c.contents.empty()) write(c.file_name, c.contents);
    std::vector<std::string> args = {c.command, path(c.file_name), path("out")};
    if (c.command == "preview") args.insert(args.end(), {"--width", "10", "--colours", "1,2"});
    EXPECT_EQ(run(args), exit_bad_input);
    EXPECT_NE(err_.str().find("picture-tool: "), std::string::npos);
    EXPECT_FALSE(fs::exists(path("out")));
}

INSTANTIATE_TEST_SUITE_P(
    Files, InputErrorTest,
    testing::Values(InputError{"PackMissingFile", "none.pbm", "", "pack"},
                    InputError{"PackNotPbm", "a.pbm", "hello", "pack"},
                    InputError{"PackWrongSize", "a.pbm", "P1 2 2 0 1 1 0", "pack"},
                    InputError{"UnpackTruncated", "a.bin", std::string(255, '\xff'), "unpack"},
                    InputError{"UnpackSourceWithoutArray", "a.cpp", "int x;", "unpack"},
                    InputError{"PreviewTrailingBytes", "a.bin", std::string(257, '\xff'),
                               "preview"}),
    [](const testing::TestParamInfo<InputError>& param_info) { return param_info.param.name; });

} // namespace
