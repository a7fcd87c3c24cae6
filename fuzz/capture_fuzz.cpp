// The capture decoder on any bytes: the reader, then what capture-dump does
// with each record (the length check, the text of the command, the digest
// and the counts). Nothing may read past the loaded words; a record the
// reader hands out lies wholly inside them.
#include "capture_reader.h"
#include "capture_summary.h"
#include "command_text.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void check(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "capture: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace sim::capture;
    CaptureReader reader;
    if (!reader.load_bytes(data, size)) {
        check(size % 4 != 0, "whole words refused");
        return 0;
    }
    const size_t words = size / 4;
    CommandDigest digest;
    CaptureStats stats;
    TextOptions options;
    options.mask_addresses = (size & 4) != 0;
    std::string line;
    Record record;
    size_t consumed = 0;
    while (reader.next(record)) {
        check(record.byte_offset / 4 == consumed, "a record does not follow the previous one");
        consumed += 1 + size_t{record.length};
        check(consumed <= words, "a record runs past the end");
        if (record.kind == RecordKind::texture_hash) {
            check(record.length == texture_hash_words, "a texture hash of the wrong length");
            (void)CaptureReader::texture_hash(record);
            continue;
        }
        if (record.kind == RecordKind::texture_unknown) {
            check(record.length == 0, "an unknown texture with a payload");
            continue;
        }
        check(record.length > 0, "an empty command");
        // capture-dump stops at a command of the wrong length; the printer
        // promises to cope with one anyway, as raw words.
        const bool length_ok = captured_length_ok(record.payload, record.length);
        line.clear();
        format_command(line, record.payload, record.length, options);
        check(!line.empty(), "a command printed as nothing");
        if (!length_ok) break;
        digest.add_command(record.payload, record.length);
        stats.add_command(record.payload, record.length);
    }
    check(reader.error().empty() || consumed < words, "an error after the last record");
    return 0;
}
