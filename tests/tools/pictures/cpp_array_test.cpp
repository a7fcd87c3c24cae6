// Packed pictures as C++ source, written and read back.
#include "cpp_array.h"

#include <gtest/gtest.h>

namespace {

using picture_tool::parse_cpp_array;

TEST(CppArray, FormattedSourceReadsBack) {
    std::vector<uint8_t> bytes;
    for (int i = 0; i < 300; ++i)
        bytes.push_back(static_cast<uint8_t>(i * 7));
    const std::string source = picture_tool::format_cpp_array("pic9", bytes, "pic9.pbm");
    EXPECT_NE(source.find("extern const size_t pic9_size = sizeof(pic9);"), std::string::npos);
    std::vector<uint8_t> back;
    std::string error;
    ASSERT_TRUE(parse_cpp_array(source, "pic9", back, error)) << error;
    EXPECT_EQ(back, bytes);
}

TEST(CppArray, ReadsTheNamedOrFirstArrayInAnyIntegerNotation) {
    const std::string source = "// first[] = {9};\n"
                               "static const unsigned char other[3] = {1, 2, 3};\n"
                               "const uint8_t wanted[] = { 0xff, /* 7, */ 010, 200u, // 5\n"
                               "  0 };\n";
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(parse_cpp_array(source, "wanted", bytes, error)) << error;
    EXPECT_EQ(bytes, (std::vector<uint8_t>{255, 8, 200, 0}));
    ASSERT_TRUE(parse_cpp_array(source, "", bytes, error)) << error;
    EXPECT_EQ(bytes, (std::vector<uint8_t>{1, 2, 3}));
}

TEST(CppArray, RefusesWhatIsNotAByteArray) {
    const std::pair<std::string, const char*> cases[] = {
        {"int x = 3;", "no array"},
        {"const int a[] = {1, 256};", "does not fit"},
        {"const int a[] = {99999999999999999999999};", "does not fit"},
        {"const int a[] = {-1};", "unexpected '-'"},
        {"const int a[] = {1, 2", "closing brace"},
    };
    for (const auto& [text, error_part] : cases) {
        std::vector<uint8_t> bytes;
        std::string error;
        EXPECT_FALSE(parse_cpp_array(text, "", bytes, error)) << text;
        EXPECT_NE(error.find(error_part), std::string::npos) << error;
    }
}

} // namespace
