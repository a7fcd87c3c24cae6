// Whole-capture summaries: a digest that identifies a command stream, and
// counts per opcode.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace sim::capture {

// FNV-1a over every command word in order, with the buffer address of the
// four buffer commands taken as 0 and texture hashes left out: two runs that
// sent the same commands agree even when their buffers landed elsewhere or
// their textures differ.
class CommandDigest {
  public:
    void add_command(const uint32_t* words, size_t count);
    uint64_t value() const { return hash_; }

  private:
    uint64_t hash_ = 0xcbf29ce484222325ull;
};

struct CaptureStats {
    // Counts by opcode; every opcode above the table's end counts as 255.
    std::array<uint64_t, 256> per_opcode{};
    uint64_t commands = 0;
    uint64_t command_words = 0;
    uint64_t texture_hashes = 0;
    uint64_t unknown_textures = 0; // selections recorded without a hash
    uint64_t frames = 0; // show commands
    uint64_t texture_contents = 0;
    uint64_t contents_raw_bytes = 0;    // the textures' words
    uint64_t contents_stored_bytes = 0; // their records in the file

    void add_command(const uint32_t* words, size_t count);
};

} // namespace sim::capture
