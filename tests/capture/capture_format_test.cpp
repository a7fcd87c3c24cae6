// The capture format: records written and read back, the hashes, the
// digest's masking, and the reader's refusal of damaged files.
#include "capture_reader.h"
#include "capture_summary.h"
#include "capture_writer.h"
#include "command_text.h"
#include "process_runner.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>

namespace sim::capture {
namespace {

const uint32_t show_a[4] = {6, 0x1000, 9, 250};
const uint32_t facet[11] = {9, 1, 0x80108010, 0, 0, 0xfff60000, 0x000a0000, 0xfffffeff, 0, 0, 0};

TEST(CaptureFile, RoundTripsRecordsInLittleEndianWords) {
    test::TempDir dir;
    const std::string path = dir.path() + "/run.cap";
    CaptureWriter writer;
    ASSERT_TRUE(writer.open(path));
    writer.write_command(show_a, 4);
    writer.write_texture_hash(0x0123456789abcdefull);
    writer.write_command(facet, 11);
    ASSERT_TRUE(writer.close());

    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>()};
    ASSERT_EQ(bytes.size(), 4u * (5 + 3 + 12));
    // Header: kind 1 in the top byte, length 4 below, least significant first.
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 8),
              (std::vector<uint8_t>{4, 0, 0, 1, 6, 0, 0, 0}));
    // Texture hash: low word first.
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 20, bytes.begin() + 32),
              (std::vector<uint8_t>{2, 0, 0, 2, 0xef, 0xcd, 0xab, 0x89, 0x67, 0x45, 0x23, 0x01}));

    CaptureReader reader;
    ASSERT_TRUE(reader.load_file(path));
    Record r;
    ASSERT_TRUE(reader.next(r));
    EXPECT_EQ(r.kind, RecordKind::command);
    EXPECT_EQ(std::vector<uint32_t>(r.payload, r.payload + r.length),
              std::vector<uint32_t>(show_a, show_a + 4));
    ASSERT_TRUE(reader.next(r));
    EXPECT_EQ(r.kind, RecordKind::texture_hash);
    EXPECT_EQ(CaptureReader::texture_hash(r), 0x0123456789abcdefull);
    ASSERT_TRUE(reader.next(r));
    EXPECT_EQ(r.length, 11u);
    EXPECT_EQ(r.byte_offset, 32u);
    EXPECT_FALSE(reader.next(r));
    EXPECT_EQ(reader.error(), "");
}

TEST(CaptureFile, WriterReportsAFullDisk) {
    CaptureWriter writer;
    ASSERT_TRUE(writer.open("/dev/full"));
    for (int i = 0; i < 100000 && writer.ok(); ++i)
        writer.write_command(facet, 11);
    EXPECT_FALSE(writer.close());
    EXPECT_NE(writer.error().find("No space left"), std::string::npos) << writer.error();
    CaptureWriter nowhere;
    EXPECT_FALSE(nowhere.open("/nonexistent-folder/run.cap"));
}

// A kind 3 record with the given fields, a zero hash and data_words words of
// zero data.
std::vector<uint8_t> contents_record(uint32_t log2_width, uint32_t height, uint32_t codec,
                                     uint32_t data_bytes, uint32_t data_words) {
    std::vector<uint32_t> words{make_header(RecordKind::texture_contents, 6 + data_words),
                                0,
                                0,
                                log2_width,
                                height,
                                codec,
                                data_bytes};
    words.resize(words.size() + data_words, 0);
    std::vector<uint8_t> bytes(words.size() * 4);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(words[i / 4] >> (8 * (i % 4)));
    return bytes;
}

TEST(CaptureFile, ReaderRefusesDamagedFiles) {
    struct Case {
        std::vector<uint8_t> bytes;
        const char* expected;
    };
    const Case cases[] = {
        {{1, 0, 0, 1, 0, 0, 0}, "not a whole number of 32-bit words"},
        {{2, 0, 0, 1, 0, 0, 0, 0}, "needs 2 payload words, only 1 remain"},
        {{0, 0, 0, 7}, "unknown kind 7"},
        {{0, 0, 0, 0}, "unknown kind 0"},
        {{0, 0, 0, 1}, "empty command"},
        {{1, 0, 0, 2, 0, 0, 0, 0}, "texture hash of 1 words"},
        {{0xff, 0xff, 0xff, 1}, "needs 16777215 payload words"},
        // Texture contents: a short header, an impossible size, an unknown
        // codec, a byte count the payload does not hold.
        {{0, 0, 0, 3}, "shorter than its 6-word header"},
        {contents_record(13, 1024, 0, 0, 0), "impossible size (log2_width 13, height 1024)"},
        {contents_record(0, 0, 0, 0, 0), "impossible size (log2_width 0, height 0)"},
        {contents_record(0, 1, 9, 4, 1), "unknown codec 9"},
        {contents_record(0, 1, 0, 5, 1), "holding 5 bytes of data"},
    };
    for (const Case& c : cases) {
        CaptureReader reader;
        Record r;
        if (reader.load_bytes(c.bytes.data(), c.bytes.size()))
            while (reader.next(r)) {
            }
        EXPECT_NE(reader.error().find(c.expected), std::string::npos) << reader.error();
    }
}

TEST(Fnv1a, MatchesTheReferenceValues) {
    const auto text_hash = [](const std::string& text) {
        uint64_t h = fnv1a_offset_basis;
        for (char c : text)
            h = fnv1a_byte(h, static_cast<uint8_t>(c));
        return h;
    };
    EXPECT_EQ(text_hash(""), 0xcbf29ce484222325ull);
    EXPECT_EQ(text_hash("a"), 0xaf63dc4c8601ec8cull);
    EXPECT_EQ(text_hash("foobar"), 0x85944171f73967e8ull);
    // A word is hashed as its little-endian bytes.
    EXPECT_EQ(fnv1a_word(fnv1a_offset_basis, 0x64636261), text_hash("abcd"));
}

TEST(CommandDigest, IgnoresOnlyTheAddressesOfBufferCommands) {
    const auto digest = [](std::vector<std::vector<uint32_t>> commands) {
        CommandDigest d;
        for (const auto& c : commands)
            d.add_command(c.data(), c.size());
        return d.value();
    };
    const uint64_t base = digest({{0}, {3, 0x100, 9, 250}, {4, 0x200, 8, 256}, {6, 0x100, 9, 250}});
    EXPECT_EQ(base, digest({{0}, {3, 0x900, 9, 250}, {4, 0x7, 8, 256}, {6, 0x900, 9, 250}}));
    EXPECT_EQ(base, digest({{0}, {3, 0, 9, 250}, {4, 0, 8, 256}, {6, 0, 9, 250}}));
    EXPECT_NE(base, digest({{0}, {3, 0x100, 8, 250}, {4, 0x200, 8, 256}, {6, 0x100, 9, 250}}));
    EXPECT_NE(base, digest({{0}, {4, 0x200, 8, 256}, {3, 0x100, 9, 250}, {6, 0x100, 9, 250}}));
    // The word after a facet's opcode is its vertex count, never masked.
    EXPECT_NE(digest({{9, 0, 0, 0, 0}}), digest({{9, 1, 0, 0, 0}}));
}

TEST(CommandText, PrintsSixteenSixteenValuesExactlyEnough) {
    struct Case {
        int32_t raw;
        const char* text;
    };
    const Case cases[] = {
        {0, "0x00000000(0.00000)"},
        {0x10000, "0x00010000(1.00000)"},
        {-0xa0000, "0xfff60000(-10.00000)"},
        {0x8000, "0x00008000(0.50000)"},
        {1, "0x00000001(0.00002)"},
        {-1, "0xffffffff(-0.00002)"},
        {-257, "0xfffffeff(-0.00392)"},
        {INT32_MAX, "0x7fffffff(32767.99998)"},
        {INT32_MIN, "0x80000000(-32768.00000)"},
        {0xFFFF, "0x0000ffff(0.99998)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(format_fixed(c.raw), c.text);
}

TEST(CommandText, KnowsEachOpcodesLength) {
    const uint32_t huge_facet[2] = {9, 0xFFFFFFFF};
    EXPECT_EQ(expected_command_words(huge_facet, 2), 5 + 6 * 0xFFFFFFFFull);
    const uint32_t lengths[][2] = {{0, 1}, {1, 8}, {2, 32}, {3, 4}, {4, 4}, {5, 4}, {6, 4}, {7, 0}};
    for (const auto& l : lengths)
        EXPECT_EQ(expected_command_words(&l[0], 1), l[1]) << l[0];

    // What the renderer can have consumed: a command's own length, one word
    // of an unknown opcode, or a facet's header when its count was rejected.
    struct Case {
        std::vector<uint32_t> words;
        bool ok;
    };
    const Case cases[] = {
        {{0}, true},
        {{0, 0}, false},
        {{3, 1, 2}, false},
        {{7}, true},
        {{7, 1}, false},
        {{9, 1, 0, 0, 0, 1, 2, 3, 4, 5, 6}, true},
        {{9, 1, 0, 0, 0, 1, 2, 3, 4, 5}, false},
        {{9, 100, 0, 0, 0}, true},
        {{9, 0, 0, 0, 0}, true},
        {{9, 100, 0, 0}, false},
        // A facet cut short before its vertex count or inside its header
        // cannot be printed without reading past the record.
        {{9}, false},
        {{9, 0}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(captured_length_ok(c.words.data(), c.words.size()), c.ok)
            << ::testing::PrintToString(c.words);
}

} // namespace
} // namespace sim::capture
