// bench-fifo: facets sent through the command FIFO by gpuWritev to a consumer
// in another process, in words a second, next to a plain memcpy of the same
// number of words in the same run.
#include "fifo_peer.h"

#include "gpu.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// Enough facets per iteration to go round the ring once, so the producer
// runs at the consumer's pace rather than into an empty ring.
constexpr int facets_per_iteration = 10000;
constexpr uint32_t facet_words = 5 + 6 * 4;

// A cube face as the demo sends it: a header and four vertex records, five
// separate pieces.
struct FacetPieces {
    cmdFacet header{gpu_op_facet, 4, 0x00F08080, 0, 3};
    cmdVertex vertices[4] = {{131072, -131072, -300000, 0, 0, -6000000},
                             {131072, 131072, -300000, 16777216, 0, -6000000},
                             {-131072, 131072, -400000, 16777216, 16777216, -9000000},
                             {-131072, -131072, -400000, 0, 16777216, -9000000}};
    gpuPiece pieces[5] = {{&header, sizeof header},
                          {&vertices[0], sizeof(cmdVertex)},
                          {&vertices[1], sizeof(cmdVertex)},
                          {&vertices[2], sizeof(cmdVertex)},
                          {&vertices[3], sizeof(cmdVertex)}};
};

// Argument: 0 for a consumer that releases each command (as the renderer
// does), 1 for one that releases each batch of commands it found.
void BM_FifoFacets(benchmark::State& state) {
    bench::FifoPeer peer(state.range(0) == 0 ? bench::Release::each_command
                                             : bench::Release::each_batch);
    FacetPieces facet;
    uint64_t sent = 0;
    for (auto _ : state) {
        for (int i = 0; i < facets_per_iteration; ++i) {
            facet.header.color = static_cast<uint32_t>(i);
            if (gpuWritev(facet.pieces, 5, true) != gpuOK) state.SkipWithError("gpuWritev failed");
        }
        peer.wait_until_drained();
        sent += static_cast<uint64_t>(facets_per_iteration) * facet_words;
    }
    // The consumer publishes its count after each command; give it the
    // moment it needs after its last release of fifo_read.
    while (peer.words_taken() < sent) {
    }
    if (peer.words_taken() != sent) state.SkipWithError("the consumer took other words than sent");
    state.counters["words_per_second"] =
        benchmark::Counter(static_cast<double>(sent), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FifoFacets)
    ->ArgName("batch")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

// The same words in one plain copy: what moving them costs at best.
void BM_MemcpyWords(benchmark::State& state) {
    const size_t words = static_cast<size_t>(facets_per_iteration) * facet_words;
    std::vector<uint32_t> source(words, 0x5a5a5a5au);
    std::vector<uint32_t> destination(words);
    for (auto _ : state) {
        std::memcpy(destination.data(), source.data(), words * sizeof(uint32_t));
        benchmark::DoNotOptimize(destination.data());
        benchmark::ClobberMemory();
    }
    state.counters["words_per_second"] =
        benchmark::Counter(static_cast<double>(words) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MemcpyWords)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
