// The descriptor pool is a chain of separately allocated blocks. Growing it
// adds a block and never reallocates an old one, so a descriptor keeps its
// address for as long as the pool exists.
#include "descriptor_pool.h"

#include "buffer_lists.h"
#include "fatal_assert.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace gpu_mm {
namespace {

// A descriptor: its link in the spare list, then the buffer record that
// handles point to.
struct Descriptor {
    gpuListLink cache_link;
    gpuBuf buf;
};

// The header of one block of the pool; its descriptors follow it.
struct PoolBlock {
    PoolBlock* older;
    uint32_t count;
};

constexpr size_t block_header_bytes =
    (sizeof(PoolBlock) + alignof(Descriptor) - 1) / alignof(Descriptor) * alignof(Descriptor);

gpuListLink cache_list = {&cache_list, &cache_list};
uint32_t cache_size = 0;
PoolBlock* newest_block = nullptr;

Descriptor* block_descriptors(PoolBlock* block) {
    return reinterpret_cast<Descriptor*>(reinterpret_cast<char*>(block) + block_header_bytes);
}

Descriptor* descriptor_of(gpuBuf* buf) {
    return reinterpret_cast<Descriptor*>(reinterpret_cast<char*>(buf) - offsetof(Descriptor, buf));
}

// Grows the pool to cache_size * 4 + 256 descriptors in all and puts the new
// ones at the back of the spare list in storage order.
void grow_pool() {
    const uint64_t new_size = uint64_t{cache_size} * 4 + 256;
    const uint64_t added = new_size - cache_size;
    const uint64_t bytes = block_header_bytes + added * sizeof(Descriptor);
    void* new_cache = nullptr;
    if (new_size <= UINT32_MAX && bytes == static_cast<size_t>(bytes))
        new_cache = std::malloc(bytes);
    FATAL_ASSERT(new_cache, "new_cache", "mm", 61, "buf_new");

    PoolBlock* block = static_cast<PoolBlock*>(new_cache);
    block->older = newest_block;
    block->count = static_cast<uint32_t>(added);
    newest_block = block;

    Descriptor* descriptors = block_descriptors(block);
    for (uint32_t i = 0; i < block->count; ++i) {
        Descriptor* descriptor = &descriptors[i];
        list_init(&descriptor->buf.list_link);
        list_init(&descriptor->buf.fc_link);
        descriptor->buf.fc = 0;
        descriptor->buf.loc = gpuBufLoc{0, 0, 0};
        list_append(&cache_list, &descriptor->cache_link);
    }
    cache_size = static_cast<uint32_t>(new_size);
}

} // namespace

gpuBuf* buf_new() {
    if (list_empty(&cache_list)) grow_pool();
    // The spare list's link is the descriptor's first member.
    Descriptor* descriptor = reinterpret_cast<Descriptor*>(cache_list.next);
    list_remove(&descriptor->cache_link);
    return &descriptor->buf;
}

void free_buf(gpuBuf* buf) {
    list_append(&cache_list, &descriptor_of(buf)->cache_link);
}

uint32_t pool_size() {
    return cache_size;
}

void pool_release() {
    while (newest_block != nullptr) {
        PoolBlock* older = newest_block->older;
        std::free(newest_block);
        newest_block = older;
    }
    list_init(&cache_list);
    cache_size = 0;
}

} // namespace gpu_mm
