// The capture hook: the words of every consumed command, malformed ones
// included, and the hash of every selected texture.
#include "test_area.h"

#include "texture_digest_cache.h"
#include "texture_hash.h"

#include <gtest/gtest.h>
#include <utility>

namespace renderer::test {
namespace {

class RecordingSink : public CaptureSink {
  public:
    void command(const uint32_t* words, size_t count) override {
        commands.emplace_back(words, words + count);
        events.push_back('c');
    }
    void texture_selected(const TextureWords& texture) override {
        const BufferSel words{texture.words != nullptr, 0, texture.log2_width, texture.height};
        hashes.push_back(texture_hash(texture.words, words));
        events.push_back('t');
    }
    std::vector<Words> commands;
    std::vector<uint64_t> hashes;
    std::string events;
};

TEST(Capture, ReportsExactlyTheConsumedWordsOfEveryCommand) {
    TestArea t;
    Renderer r(t.area());
    RecordingSink sink;
    r.set_capture(&sink);
    // "foob" "ar\0\0" as little-endian words: the texture's bytes spell
    // "foobar" and two zero bytes.
    t.video()[0x100] = 0x626f6f66u;
    t.video()[0x101] = 0x00007261u;
    const std::vector<Words> stream = {
        cmd_reset(),
        cmd_view(7),
        cmd_buffer(gpu_op_set_out_buf, 0x1000, 6, 16),
        cmd_buffer(gpu_op_set_txt_buf, 0x100, 1, 1),
        {0x42u},                    // unknown: one word
        {gpu_op_facet, 0, 0, 0, 0}, // no vertices: the header
        cmd_facet(2, 0, 0, screen_quad(0, 0, 8, 8)),
        cmd_buffer(gpu_op_set_txt_buf, 0x100, 13, 1), // rejected
        cmd_planes(0, {}),
        cmd_buffer(gpu_op_show, 0x1000, 6, 16),
    };
    // Across the end of the ring, so that some commands arrive in two parts.
    t.start_fifo_at(gpu_fifo_words - 40);
    for (const Words& w : stream)
        t.push(w);
    while (r.step(3) > 0) {
    }
    EXPECT_EQ(sink.commands, stream);
    EXPECT_EQ(sink.events, "cccctcccctcc");
    // FNV-1a of "foobar\0\0", and of no words at all for the rejected one.
    EXPECT_EQ(sink.hashes, (std::vector<uint64_t>{0x74c8e7eb4f245c28ull, fnv_offset_basis}));

    r.set_capture(nullptr);
    run(t, r, cmd_reset());
    EXPECT_EQ(sink.commands.size(), stream.size());
}

TEST(Capture, TextureHashCoversEveryLineOfTheTexture) {
    TestArea t;
    const uint32_t texels[4] = {0x80108010u, 0x80EB80EBu, 0x6E29F029u, 0xF0525A52u};
    std::copy(std::begin(texels), std::end(texels), t.video() + 0x7000);
    BufferSel two_by_two{true, 0x7000, 1, 2};
    EXPECT_EQ(texture_hash(t.video(), two_by_two), 0x724b7736e0957639ull);
    BufferSel one_line{true, 0x7000, 1, 1};
    EXPECT_NE(texture_hash(t.video(), one_line), 0x724b7736e0957639ull);
}

// The cache must give the digest's value after every kind of change, and
// skip the digest only while the words stay the same.
TEST(Capture, DigestCacheFollowsEveryChangeOfTheTexture) {
    TestArea t;
    TextureDigestCache cache;
    const BufferSel texture{true, 0x2000, 8, 64}; // 16,384 words
    const BufferSel reshaped{true, 0x2000, 7, 128};
    for (uint32_t i = 0; i < 256 * 64; ++i)
        t.video()[0x2000 + i] = 0x80108010u + i * 0x01000193u;
    const uint64_t before = texture_hash(t.video(), texture);
    EXPECT_EQ(cache.digest(t.video(), texture), before);
    EXPECT_EQ(cache.digest(t.video(), texture), before);
    EXPECT_EQ(cache.full_digests(), 1u);

    // One bit of a word in the middle, of the last word, and two words
    // swapped, which a sum of words would miss.
    for (const uint32_t index : {8191u, 16383u}) {
        t.video()[0x2000 + index] ^= 0x00010000u;
        EXPECT_EQ(cache.digest(t.video(), texture), texture_hash(t.video(), texture)) << index;
    }
    std::swap(t.video()[0x2000 + 5], t.video()[0x2000 + 6]);
    EXPECT_EQ(cache.digest(t.video(), texture), texture_hash(t.video(), texture));
    EXPECT_EQ(cache.full_digests(), 4u);
    // The same words under another shape hash alike but are a new entry;
    // an odd word count exercises the tail.
    EXPECT_EQ(cache.digest(t.video(), reshaped), texture_hash(t.video(), reshaped));
    const BufferSel odd{true, 0x2001, 0, 7};
    EXPECT_EQ(cache.digest(t.video(), odd), texture_hash(t.video(), odd));
    t.video()[0x2007] ^= 1;
    EXPECT_EQ(cache.digest(t.video(), odd), texture_hash(t.video(), odd));
}

} // namespace
} // namespace renderer::test
