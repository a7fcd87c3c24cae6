// A capture prepared for replay: checked from end to end before anything
// runs, its commands in order with the texture each selection expects, and
// the texture contents it carries, found by their hash.
#pragma once

#include "capture_reader.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace sim::capture {

struct ReplayCommand {
    const uint32_t* words;
    uint32_t count;
    // For a setTxtBuf: the hash of the texture it selected in the recorded
    // run (kind 2 record).
    bool has_texture_hash = false;
    uint64_t texture_hash = 0;
    // For a setTxtBuf: the recorded run could not tell its texture (kind 4).
    bool texture_unknown = false;
};

class CaptureReplay {
  public:
    // Loads and checks the whole capture; false with error() set on any
    // fault, which names the record and its byte offset.
    bool load_file(const std::string& path);
    bool load_bytes(const uint8_t* bytes, size_t count);

    const std::string& error() const { return error_; }
    const std::vector<ReplayCommand>& commands() const { return commands_; }
    uint64_t frames() const { return frames_; }
    // Textures whose contents the capture carries.
    size_t texture_contents_count() const { return contents_.size(); }

    // Whether the capture carries contents for the hash, and of how many
    // words.
    bool has_contents(uint64_t hash, uint64_t& words) const;

    // Decompresses the contents recorded under the hash into words (exactly
    // the recorded texture's size). False with error set when there are none
    // or they are damaged, which includes contents that do not hash to the
    // value they were recorded under.
    bool texture(uint64_t hash, std::vector<uint32_t>& words, std::string& error) const;

  private:
    bool index_records();
    bool fail(const std::string& message);

    CaptureReader reader_;
    std::vector<ReplayCommand> commands_;
    std::unordered_map<uint64_t, TextureContents> contents_;
    uint64_t frames_ = 0;
    std::string error_;
};

} // namespace sim::capture
