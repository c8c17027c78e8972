// The frame conversion of the texture renderer (24-bit bottom-up to 32-bit top-down with
// opaque alpha) against libyuv's RGB24ToARGB with a negative height (the same flip) and
// against a plain memcpy of the destination's size. Throughput is counted in destination
// bytes for all three.

#include <benchmark/benchmark.h>
#include <libyuv/convert_argb.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "media_texture/frame_conversion.h"

namespace {

struct Frame {
  Frame(int w, int h) : width(w), height(h), srcPitch((w * 3 + 3) & ~3), dstPitch(w * 4) {
    src.resize(static_cast<std::size_t>(srcPitch) * h);
    dst.resize(static_cast<std::size_t>(dstPitch) * h);
    std::mt19937 random(1);
    for (auto& b : src) b = static_cast<std::uint8_t>(random());
  }
  int width, height, srcPitch, dstPitch;
  std::vector<std::uint8_t> src, dst;
};

void Count(benchmark::State& state, const Frame& f) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * f.dstPitch * f.height);
  state.counters["frames/s"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                  benchmark::Counter::kIsRate);
}

void BM_FrameConversion(benchmark::State& state) {
  Frame f(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  for (auto _ : state) {
    ConvertBgr24BottomUpToBgra32(f.src.data(), f.srcPitch, f.width, f.height, f.dst.data(), f.dstPitch);
    benchmark::DoNotOptimize(f.dst.data());
    benchmark::ClobberMemory();
  }
  Count(state, f);
}

void BM_LibyuvRGB24ToARGB(benchmark::State& state) {
  Frame f(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  for (auto _ : state) {
    libyuv::RGB24ToARGB(f.src.data(), f.srcPitch, f.dst.data(), f.dstPitch, f.width, -f.height);
    benchmark::DoNotOptimize(f.dst.data());
    benchmark::ClobberMemory();
  }
  Count(state, f);
}

void BM_MemcpyDestinationSize(benchmark::State& state) {
  Frame f(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  std::vector<std::uint8_t> from(f.dst.size(), 1);
  for (auto _ : state) {
    std::memcpy(f.dst.data(), from.data(), f.dst.size());
    benchmark::DoNotOptimize(f.dst.data());
    benchmark::ClobberMemory();
  }
  Count(state, f);
}

void Sizes(benchmark::internal::Benchmark* b) {
  b->Args({640, 480})->Args({1920, 1080})->Args({3840, 2160})->ArgNames({"w", "h"});
}

BENCHMARK(BM_FrameConversion)->Apply(Sizes);
BENCHMARK(BM_LibyuvRGB24ToARGB)->Apply(Sizes);
BENCHMARK(BM_MemcpyDestinationSize)->Apply(Sizes);

// The results of both conversions agree before anything is timed.
const bool agreed = [] {
  Frame ours(101, 7), theirs(101, 7);
  ConvertBgr24BottomUpToBgra32(ours.src.data(), ours.srcPitch, ours.width, ours.height, ours.dst.data(),
                               ours.dstPitch);
  libyuv::RGB24ToARGB(theirs.src.data(), theirs.srcPitch, theirs.dst.data(), theirs.dstPitch,
                      theirs.width, -theirs.height);
  if (ours.dst != theirs.dst) {
    std::fprintf(stderr, "frame conversion differs from libyuv\n");
    std::abort();
  }
  return true;
}();

}  // namespace

BENCHMARK_MAIN();
