// bench-fifo: facets sent through the command FIFO by gpuWritev to a consumer
// in another process, in words a second, next to a plain memcpy of the same
// number of words in the same run.
#include "fifo_peer.h"

#include "gpu.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <ctime>
#include <vector>

namespace {

// Fewer words per iteration than the ring holds, so the producer never waits
// for room (as in the demo, whose frames are a few hundred words) and an
// iteration ends once the consumer has taken everything.
constexpr int facets_per_iteration = 2000;
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
double thread_cpu_seconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void BM_FifoFacets(benchmark::State& state) {
    bench::FifoPeer peer(state.range(0) == 0 ? bench::Release::each_command
                                             : bench::Release::each_batch);
    FacetPieces facet;
    uint64_t sent = 0;

    double sending_seconds = 0;
    for (auto _ : state) {
        const double start = thread_cpu_seconds();
        for (int i = 0; i < facets_per_iteration; ++i) {
            facet.header.color = static_cast<uint32_t>(i);
            if (gpuWritev(facet.pieces, 5, true) != gpuOK) state.SkipWithError("gpuWritev failed");
        }
        sending_seconds += thread_cpu_seconds() - start;
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
    // The producer's side alone, over the processor time of its sending
    // loops: what gpuWritev costs, whatever share of a core either side got.
    state.counters["words_per_producer_cpu_second"] = static_cast<double>(sent) / sending_seconds;
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
