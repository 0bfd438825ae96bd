// How fast the drawing list is walked, against copying the same number of
// entries that already sit in memory; and how fast the rasteriser draws whole
// frames, against filling the same frame with one colour (the floor: each
// pixel written once) and against drawing it entry by entry (the reference).
// The native frame is also the baseline of the web page's core.

#include "pattern/PatternLayout.h"
#include "raster/RenderPattern.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

namespace {

const std::pair<int32_t, int32_t> Sizes[] = {{1920, 1080}, {3840, 2160}, {7680, 4320}};

// Entries per iteration, from which the bench script works out the time per entry.
void SetEntryCounter(benchmark::State &state, size_t entries)
{
    state.counters["entries"] = static_cast<double>(entries);
}

void WalkPattern(benchmark::State &state)
{
    const auto [width, height] = Sizes[state.range(0)];
    std::vector<PatternOp> out(static_cast<size_t>(PatternOpCount(width)));
    for (auto _ : state) {
        PatternOp *next = out.data();
        PatternLayout(width, height, [&](const PatternOp &op) { *next++ = op; });
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetLabel(std::to_string(width) + "x" + std::to_string(height));
    SetEntryCounter(state, out.size());
}

void CopyPatternOps(benchmark::State &state)
{
    const auto [width, height] = Sizes[state.range(0)];
    std::vector<PatternOp> in;
    PatternLayout(width, height, [&](const PatternOp &op) { in.push_back(op); });
    std::vector<PatternOp> out(in.size());
    for (auto _ : state) {
        benchmark::DoNotOptimize(in.data());
        for (size_t i = 0; i < in.size(); ++i) {
            out[i] = in[i];
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetLabel(std::to_string(width) + "x" + std::to_string(height));
    SetEntryCounter(state, out.size());
}

// A whole frame with full alpha, as the web page's core draws it.
template <auto Render>
void RenderFrame(benchmark::State &state)
{
    const auto [width, height] = Sizes[state.range(0)];
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (auto _ : state) {
        Render(width, height, pixels.data());
        benchmark::DoNotOptimize(pixels.data());
        benchmark::ClobberMemory();
    }
    state.SetLabel(std::to_string(width) + "x" + std::to_string(height));
}

void Pattern(int32_t width, int32_t height, uint32_t *pixels)
{
    RenderPatternBand(width, height, 0, height, pixels, OpaqueAlpha);
}

void PatternByEntries(int32_t width, int32_t height, uint32_t *pixels)
{
    RenderPatternBandByEntries(width, height, 0, height, pixels, OpaqueAlpha);
}

void OneColour(int32_t width, int32_t height, uint32_t *pixels)
{
    std::fill(pixels, pixels + static_cast<size_t>(width) * static_cast<size_t>(height), OpaqueAlpha);
}

BENCHMARK(WalkPattern)->DenseRange(0, 2);
BENCHMARK(CopyPatternOps)->DenseRange(0, 2);
// The best and worst repetitions too, to show the noise of a shared machine.
void FrameCases(benchmark::internal::Benchmark *frame)
{
    frame->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
    frame->ComputeStatistics("min", [](const std::vector<double> &v) { return *std::min_element(v.begin(), v.end()); });
    frame->ComputeStatistics("max", [](const std::vector<double> &v) { return *std::max_element(v.begin(), v.end()); });
}

BENCHMARK(RenderFrame<Pattern>)->Name("RenderFrame")->Apply(FrameCases);
BENCHMARK(RenderFrame<OneColour>)->Name("FillFrame")->Apply(FrameCases);
BENCHMARK(RenderFrame<PatternByEntries>)->Name("RenderFrameByEntries")->Apply(FrameCases);

} // namespace

BENCHMARK_MAIN();
