// Texture contents through the writer and back through the replay reader:
// the words come back exactly, any damage to them is refused by name, and a
// capture that breaks the record order is refused before anything runs.
#include "capture_replay.h"
#include "capture_writer.h"
#include "process_runner.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace sim::capture {
namespace {

const uint32_t select_texture[4] = {4, 0x100, 8, 4};

std::vector<uint32_t> texture_words() {
    // Runs of equal words, as a drawn texture has, and a few odd ones.
    std::vector<uint32_t> words(4 << 8, 0x80108010u);
    for (size_t i = 0; i < words.size(); i += 37)
        words[i] = 0x6E29F029u + static_cast<uint32_t>(i);
    return words;
}

std::string write_capture(const test::TempDir& dir, const std::vector<uint32_t>& texels,
                          Codec codec) {
    const std::string path = dir.path() + "/run.cap";
    CaptureWriter writer(codec);
    EXPECT_TRUE(writer.open(path));
    const uint64_t hash = fnv1a_words(texels.data(), texels.size());
    writer.write_command(select_texture, 4);
    writer.write_texture_contents(hash, 8, 4, texels.data());
    writer.write_texture_hash(hash);
    const uint32_t show[4] = {6, 0x1000, 9, 250};
    writer.write_command(show, 4);
    EXPECT_TRUE(writer.close());
    return path;
}

std::vector<uint8_t> read_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Whichever codec stored them: stored contents are the words' little-endian
// bytes, and the recorded hash is what refuses a flipped bit in them.
TEST(CaptureReplay, TextureContentsComeBackExactlyAndDamageIsRefused) {
    for (const Codec codec : {Codec::stored, preferred_codec()}) {
        SCOPED_TRACE(codec_name(static_cast<uint32_t>(codec)));
        test::TempDir dir;
        const std::vector<uint32_t> texels = texture_words();
        const uint64_t hash = fnv1a_words(texels.data(), texels.size());
        std::vector<uint8_t> bytes = read_bytes(write_capture(dir, texels, codec));
        // After the select command's 5 words and the contents header's 7.
        const size_t data_start = 4 * (5 + 7);
        const size_t data_end = bytes.size() - 4 * (3 + 5);
        EXPECT_EQ(bytes[4 * 10], static_cast<uint8_t>(codec));
        if (codec == Codec::stored) {
            ASSERT_EQ(data_end - data_start, 4 * texels.size());
            for (size_t i = 0; i < texels.size(); ++i)
                ASSERT_EQ(bytes[data_start + 4 * i] | bytes[data_start + 4 * i + 1] << 8 |
                              bytes[data_start + 4 * i + 2] << 16 |
                              static_cast<uint32_t>(bytes[data_start + 4 * i + 3]) << 24,
                          texels[i])
                    << i;
        }

        CaptureReplay replay;
        ASSERT_TRUE(replay.load_bytes(bytes.data(), bytes.size())) << replay.error();
        ASSERT_EQ(replay.commands().size(), 2u);
        EXPECT_TRUE(replay.commands()[0].has_texture_hash);
        EXPECT_EQ(replay.commands()[0].texture_hash, hash);
        EXPECT_EQ(replay.frames(), 1u);
        std::vector<uint32_t> back;
        std::string error;
        ASSERT_TRUE(replay.texture(hash, back, error)) << error;
        EXPECT_EQ(back, texels);
        EXPECT_FALSE(replay.texture(hash + 1, back, error));
        EXPECT_NE(error.find("no contents for texture"), std::string::npos) << error;

        bytes[(data_start + data_end) / 2] ^= 0x10;
        CaptureReplay damaged;
        ASSERT_TRUE(damaged.load_bytes(bytes.data(), bytes.size())) << damaged.error();
        EXPECT_FALSE(damaged.texture(hash, back, error));
        EXPECT_NE(error.find("texture 0x"), std::string::npos) << error;
    }
}

TEST(CaptureReplay, RefusesRecordsOutOfOrder) {
    const auto load = [](std::vector<uint32_t> words) {
        std::vector<uint8_t> bytes(words.size() * 4);
        for (size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<uint8_t>(words[i / 4] >> (8 * (i % 4)));
        CaptureReplay replay;
        replay.load_bytes(bytes.data(), bytes.size());
        return replay.error();
    };
    const uint32_t hash_header = make_header(RecordKind::texture_hash, 2);
    const uint32_t one_word = make_header(RecordKind::command, 1);
    EXPECT_NE(load({one_word, 0, hash_header, 1, 2}).find("follows no setTxtBuf"),
              std::string::npos);
    EXPECT_NE(load({make_header(RecordKind::command, 2), 6, 0}).find("is a show of 2 words"),
              std::string::npos);
    EXPECT_EQ(load({make_header(RecordKind::command, 4), 4, 0, 0, 1, hash_header, 1, 2}), "");
}

} // namespace
} // namespace sim::capture
