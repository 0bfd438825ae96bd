// How fast the drawing list is walked, against copying the same number of
// entries that already sit in memory; and how fast the rasteriser draws whole
// frames, against filling the same frame with one colour (the floor: each
// pixel written once, by the fastest of the fills below) and against drawing
// it entry by entry (the reference). The native frame is also the baseline
// of the web page's core.

#include "pattern/PatternLayout.h"
#include "raster/RenderPattern.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

#include <wchar.h>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

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

// The one-colour fills the floor is the fastest of: the compiler's loop of
// vector stores; the C library's, which may be wider or stream; the string
// store, which may write whole lines without reading them first; and
// streaming stores, which write whole lines past the cache, to memory.
void StdFill(uint32_t *pixels, size_t count)
{
    std::fill(pixels, pixels + count, OpaqueAlpha);
}

void WideFill(uint32_t *pixels, size_t count)
{
    static_assert(sizeof(wchar_t) == sizeof(uint32_t));
    wmemset(reinterpret_cast<wchar_t *>(pixels), static_cast<wchar_t>(OpaqueAlpha), count);
}

#if defined(__x86_64__)
void StringStore(uint32_t *pixels, size_t count)
{
    asm volatile("rep stosl" : "+D"(pixels), "+c"(count) : "a"(OpaqueAlpha) : "memory");
}

// A streaming fill's plain stores, up to its vectors' alignment and after
// its last whole vector.
uint32_t *FillToAlignment(uint32_t *pixels, size_t &count, uintptr_t alignment)
{
    for (; count > 0 && reinterpret_cast<uintptr_t>(pixels) % alignment != 0; --count) {
        *pixels++ = OpaqueAlpha;
    }
    return pixels;
}

void FillRest(uint32_t *pixels, size_t count)
{
    std::fill(pixels, pixels + count, OpaqueAlpha);
    _mm_sfence();
}

void StreamSse2(uint32_t *pixels, size_t count)
{
    pixels = FillToAlignment(pixels, count, 16);
    for (const __m128i colour = _mm_set1_epi32(static_cast<int>(OpaqueAlpha)); count >= 4; count -= 4, pixels += 4) {
        _mm_stream_si128(reinterpret_cast<__m128i *>(pixels), colour);
    }
    FillRest(pixels, count);
}

__attribute__((target("avx2"))) void StreamAvx2(uint32_t *pixels, size_t count)
{
    pixels = FillToAlignment(pixels, count, 32);
    for (const __m256i colour = _mm256_set1_epi32(static_cast<int>(OpaqueAlpha)); count >= 8; count -= 8, pixels += 8) {
        _mm256_stream_si256(reinterpret_cast<__m256i *>(pixels), colour);
    }
    FillRest(pixels, count);
}
#endif

template <void (*Fill)(uint32_t *, size_t)>
void OneColour(int32_t width, int32_t height, uint32_t *pixels)
{
    Fill(pixels, static_cast<size_t>(width) * static_cast<size_t>(height));
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
// Each fill's name starts with Fill, whence the bench script takes the fastest.
BENCHMARK(RenderFrame<OneColour<StdFill>>)->Name("FillStdFill")->Apply(FrameCases);
BENCHMARK(RenderFrame<OneColour<WideFill>>)->Name("FillWmemset")->Apply(FrameCases);
#if defined(__x86_64__)
BENCHMARK(RenderFrame<OneColour<StringStore>>)->Name("FillRepStosd")->Apply(FrameCases);
BENCHMARK(RenderFrame<OneColour<StreamSse2>>)->Name("FillStreamSse2")->Apply(FrameCases);
// AVX2 only where the processor has it.
const auto *const streamAvx2 = (__builtin_cpu_init(), __builtin_cpu_supports("avx2"))
                                   ? benchmark::RegisterBenchmark("FillStreamAvx2", RenderFrame<OneColour<StreamAvx2>>)
                                         ->Apply(FrameCases)
                                   : nullptr;
#endif
BENCHMARK(RenderFrame<PatternByEntries>)->Name("RenderFrameByEntries")->Apply(FrameCases);

} // namespace

BENCHMARK_MAIN();
