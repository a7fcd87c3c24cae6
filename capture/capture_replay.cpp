#include "capture_replay.h"

#include "command_text.h"
#include "gpu_protocol.h"
#include "texture_codec.h"

#include <cstdio>

namespace sim::capture {

bool CaptureReplay::fail(const std::string& message) {
    if (error_.empty()) error_ = message;
    return false;
}

bool CaptureReplay::load_file(const std::string& path) {
    if (!reader_.load_file(path)) return fail(reader_.error());
    return index_records();
}

bool CaptureReplay::load_bytes(const uint8_t* bytes, size_t count) {
    if (!reader_.load_bytes(bytes, count)) return fail(reader_.error());
    return index_records();
}

bool CaptureReplay::index_records() {
    commands_.clear();
    contents_.clear();
    frames_ = 0;
    // A setTxtBuf stays open for its hash until the next command: contents
    // may come between the two.
    bool selection_open = false;
    Record record;
    while (reader_.next(record)) {
        const std::string where =
            "record " + std::to_string(record.index) + " at byte " + std::to_string(record.byte_offset);
        switch (record.kind) {
        case RecordKind::command: {
            const std::string length_error =
                captured_length_error(record.payload, record.length, where);
            if (!length_error.empty()) return fail(length_error);
            commands_.push_back(ReplayCommand{record.payload, record.length});
            selection_open = record.payload[0] == gpu_op_set_txt_buf;
            if (record.payload[0] == gpu_op_show) ++frames_;
            break;
        }
        case RecordKind::texture_hash:
            if (!selection_open)
                return fail("malformed capture: " + where +
                            " is a texture hash that follows no setTxtBuf");
            commands_.back().has_texture_hash = true;
            commands_.back().texture_hash = CaptureReader::texture_hash(record);
            selection_open = false;
            break;
        case RecordKind::texture_unknown:
            if (!selection_open)
                return fail("malformed capture: " + where +
                            " is an unknown texture that follows no setTxtBuf");
            commands_.back().texture_unknown = true;
            selection_open = false;
            break;
        case RecordKind::texture_contents: {
            const TextureContents contents = CaptureReader::texture_contents(record);
            contents_.emplace(contents.hash, contents);
            break;
        }
        }
    }
    if (!reader_.error().empty()) return fail(reader_.error());
    return true;
}

bool CaptureReplay::has_contents(uint64_t hash, uint64_t& words) const {
    const auto found = contents_.find(hash);
    if (found == contents_.end()) return false;
    words = found->second.words();
    return true;
}

bool CaptureReplay::texture(uint64_t hash, std::vector<uint32_t>& words, std::string& error) const {
    char name[24];
    std::snprintf(name, sizeof name, "0x%016llx", static_cast<unsigned long long>(hash));
    const auto found = contents_.find(hash);
    if (found == contents_.end()) {
        error = std::string("the capture holds no contents for texture ") + name;
        return false;
    }
    const TextureContents& contents = found->second;
    const std::vector<uint8_t> data = CaptureReader::contents_bytes(contents);
    words.resize(static_cast<size_t>(contents.words()));
    std::string why;
    if (!decompress_texture(contents.codec, data.data(), data.size(), words.data(), words.size(),
                            why)) {
        error = std::string("texture ") + name + ": " + why;
        return false;
    }
    // The recorded hash vouches for the data: a flipped bit anywhere in a
    // stored texture, or a collision of compressed streams, shows here.
    if (fnv1a_words(words.data(), words.size()) != hash) {
        error = std::string("texture ") + name + ": damaged contents (they do not hash to " +
                name + ")";
        return false;
    }
    return true;
}

} // namespace sim::capture
