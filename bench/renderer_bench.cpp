// bench-renderer: the simulated renderer's span painters on facets of the
// demo's sizes, as pixels a second, each textured type next to the plain fill
// of the same pixels, on one thread and on two as fast runs paint them; and
// the floor of a whole run, the time merely to write the pixels of its 2665
// frames.
#include "facet_scene.h"
#include "row_share_thread.h"

#include "config.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

namespace {

// Arguments: rendering type, share of the view covered in percent, threads
// (2: the simulator's row-share helper paints rows beside this thread).
void BM_Facet(benchmark::State& state) {
    std::unique_ptr<sim::RowShareThread> helper;
    if (state.range(2) == 2) helper = std::make_unique<sim::RowShareThread>();
    bench::FacetScene scene(static_cast<uint32_t>(state.range(0)),
                            static_cast<int>(state.range(1)), helper.get());
    for (auto _ : state) {
        if (!scene.draw()) state.SkipWithError("the renderer rejected the facet");
        benchmark::DoNotOptimize(scene.video());
        benchmark::ClobberMemory();
    }
    state.counters["pixels"] = static_cast<double>(scene.pixels());
    state.counters["pixels_per_second"] = benchmark::Counter(
        static_cast<double>(scene.pixels()) * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Facet)
    ->ArgNames({"type", "coverage", "threads"})
    ->ArgsProduct({{0, 2, 3, 4, 6}, {30, 60, 100}, {1, 2}})
    ->UseRealTime();

// The demo's 2665 frames, each 320 x 240 words written into the next of the
// 512 x 250 output buffers that fit in video memory, as the renderer's fills
// would, and nothing else.
void BM_WriteFrames(benchmark::State& state) {
    constexpr int frames = 2665;
    constexpr size_t buffer_words = 512 * 250;
    constexpr size_t buffers = 7602176 / buffer_words;
    std::vector<uint32_t> video(buffers * buffer_words);
    uint32_t colour = renderer::black_pixel;
    for (auto _ : state) {
        for (int f = 0; f < frames; ++f) {
            uint32_t* out = video.data() + (static_cast<size_t>(f) % buffers) * buffer_words;
            for (int y = 0; y < renderer::screen_height; ++y)
                std::fill_n(out + y * 512, renderer::screen_width, colour);
            benchmark::DoNotOptimize(out);
            benchmark::ClobberMemory();
        }
        ++colour;
    }
    state.counters["frames"] = frames;
}
BENCHMARK(BM_WriteFrames)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
