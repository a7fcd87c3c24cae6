// The replay's reading of a capture on any bytes: the whole-file check, the
// commands it hands to the renderer, and the decompression of every texture
// a selection asks for. A capture the check accepts may still carry damaged
// contents; those must be refused with a message, never read past.
#include "capture_replay.h"
#include "command_text.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void check(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "capture_replay: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace sim::capture;
    CaptureReplay replay;
    if (!replay.load_bytes(data, size)) {
        check(!replay.error().empty(), "a refusal without a message");
        return 0;
    }
    std::vector<uint32_t> texels;
    std::string error;
    for (const ReplayCommand& command : replay.commands()) {
        check(captured_length_ok(command.words, command.count), "a command of a wrong length");
        if (!command.has_texture_hash) continue;
        uint64_t words = 0;
        if (!replay.has_contents(command.texture_hash, words)) continue;
        error.clear();
        if (replay.texture(command.texture_hash, texels, error))
            check(texels.size() == words, "contents of the wrong size");
        else
            check(!error.empty(), "damaged contents without a message");
    }
    return 0;
}
