// The capture file: the command stream exactly as the renderer consumed it.
//
// A capture is a sequence of records made of little-endian 32-bit words. Each
// record starts with a header word: the record kind in the top 8 bits and the
// payload length in words in the low 24 bits; the payload follows.
//
//   kind 1  one command, exactly the words consumed from the FIFO
//   kind 2  the 64-bit FNV-1a hash of the texture a setTxtBuf selected, low
//           32 bits first (2 words); written right after that command
//   kind 3  the contents of a texture, the first time its hash appears in
//           the run: the hash (2 words), log2_width, height, the codec, the
//           length of the compressed data in bytes, then that data packed
//           into little-endian words and padded with zero bytes. Written
//           between the setTxtBuf and its kind 2 record
//   kind 4  no payload: the texture a setTxtBuf selected is not known, in
//           place of its kind 2 record. A recorder writes it when the words
//           it could read may no longer be the ones the renderer read (a
//           recorder that watches the renderer from outside, and looked too
//           late), rather than a hash of the wrong words
#pragma once

#include <cstddef>
#include <cstdint>

namespace sim::capture {

enum class RecordKind : uint32_t {
    command = 1,
    texture_hash = 2,
    texture_contents = 3,
    texture_unknown = 4,
};

inline constexpr uint32_t max_payload_words = 0x00FFFFFF;
inline constexpr uint32_t texture_hash_words = 2;
// Words of a kind 3 record before its compressed data.
inline constexpr uint32_t texture_contents_header_words = 6;
// A texture lies in video memory, so no texture has more words than it.
inline constexpr uint64_t max_texture_words = 0x740000;

inline constexpr uint32_t make_header(RecordKind kind, uint32_t payload_words) {
    return (static_cast<uint32_t>(kind) << 24) | (payload_words & max_payload_words);
}
inline constexpr uint32_t header_kind(uint32_t header) {
    return header >> 24;
}
inline constexpr uint32_t header_length(uint32_t header) {
    return header & max_payload_words;
}

// 64-bit FNV-1a over bytes. Words are fed as their four little-endian bytes,
// so a hash never depends on the host's byte order.
inline constexpr uint64_t fnv1a_offset_basis = 0xcbf29ce484222325ull;
inline constexpr uint64_t fnv1a_prime = 0x100000001b3ull;

inline constexpr uint64_t fnv1a_byte(uint64_t hash, uint8_t byte) {
    return (hash ^ byte) * fnv1a_prime;
}

inline constexpr uint64_t fnv1a_word(uint64_t hash, uint32_t word) {
    for (int shift = 0; shift < 32; shift += 8)
        hash = fnv1a_byte(hash, static_cast<uint8_t>(word >> shift));
    return hash;
}

inline uint64_t fnv1a_words(const uint32_t* words, size_t count,
                            uint64_t hash = fnv1a_offset_basis) {
    for (size_t i = 0; i < count; ++i)
        hash = fnv1a_word(hash, words[i]);
    return hash;
}

} // namespace sim::capture
