// The compression library behind texture_codec: one implementation file per
// choice, picked by the build (zstd, or none).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sim::capture::library {

// Whether the build has the library at all.
bool available();

// Working memory kept between calls; null without the library.
struct Context;
Context* create_context();
void destroy_context(Context* context);

// Appends the compressed bytes to out.
void compress(Context* context, const uint8_t* bytes, size_t size, std::vector<uint8_t>& out);

// Decompresses into exactly size bytes; false with error set otherwise.
bool decompress(const uint8_t* data, size_t data_size, uint8_t* bytes, size_t size,
                std::string& error);

} // namespace sim::capture::library
