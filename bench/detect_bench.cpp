// Times one detector kernel pass against a plain streaming read of its two
// frames (with a mask as well: the pass reads the frames and the mask's pixel
// bits, an eighth of a frame), for common frame sizes, and ends with one RATIO
// line per case. The
// "window" figures time the whole call the camera window makes per frame
// (MyMotion::DoDetectItMask with its one loaded mask, or DoDetectIt), so any
// per-frame work around the kernel shows in them. Each
// pass takes the next pair from a pool larger than any cache, as live frames
// would. Times are processor time, the best of five repetitions, so that other
// work on a shared machine disturbs the comparison as little as possible.

#include "base/frame_bitmap.h"
#include "detect/motion_kernel.h"
#include "detect/my_motion.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kPoolBytes = std::size_t{256} << 20;
constexpr int kTolerance = 3;

struct Case {
  int width;
  int height;
  int grid;
  bool mask;
  std::string sizeName() const { return std::to_string(width) + "x" + std::to_string(height); }
  std::string name() const {
    return sizeName() + " grid" + std::to_string(grid) + "x" + std::to_string(grid) +
           " mask=" + std::to_string(mask ? 1 : 0);
  }
};

// Frames and masks of one size, enough of them that a pass never finds its
// buffers in the cache from an earlier pass. Every case of a size runs on the
// same frames, so where they lie in memory cannot tell the cases apart.
struct Pool {
  int width = 0;
  int height = 0;
  std::vector<FrameBitmap> frames;
  std::vector<FrameBitmap> masks;
  std::vector<PixelStarts> maskStarts;
  PixelStarts allStarts;
};

FrameBitmap noise(int width, int height, std::uint64_t seed, bool asMask) {
  FrameBitmap frame(width, height);
  std::uint64_t state = seed * 0x9E3779B97F4A7C15ull + 1;
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = frame.scanLine(y);
    for (int i = 0; i < 3 * width; ++i) {
      state ^= state << 13;
      state ^= state >> 7;
      state ^= state << 17;
      row[i] = static_cast<std::uint8_t>(state);
    }
    if (asMask)  // a purple band over a quarter of the rows
      for (int x = 0; x < width && y % 4 == 0; ++x) std::copy_n("\x80\x00\x80", 3, row + 3 * x);
  }
  return frame;
}

Pool& poolFor(const Case& c) {
  static Pool pool;
  if (pool.width == c.width && pool.height == c.height)
    return pool;
  pool = Pool{c.width, c.height, {}, {}, {}, allPixelStarts(c.width)};
  const std::size_t frameBytes = std::size_t{3} * c.width * c.height;
  const int count = std::max<int>(4, static_cast<int>(kPoolBytes / frameBytes));
  for (int i = 0; i < count; ++i) {
    pool.frames.push_back(noise(c.width, c.height, i, false));
    pool.masks.push_back(noise(c.width, c.height, 1000 + i, true));
    pool.maskStarts.push_back(maskPixelStarts(pool.masks.back().view()));
  }
  return pool;
}

// 16 bytes, as the widest load every x86-64 processor has (and portable).
using Chunk = std::uint64_t __attribute__((vector_size(16)));

// The cheapest look at every byte: wide loads of all buffers side by side,
// folded together, nothing else.
template <int Count>
Chunk readAll(const FrameBitmap* const* buffers) {
  Chunk a0 = {}, a1 = {}, a2 = {}, a3 = {};
  const std::size_t bytes = buffers[0]->image().sizeInBytes();
  auto load = [](const std::uint8_t* p) {
    Chunk chunk;
    std::memcpy(&chunk, p, sizeof chunk);
    return chunk;
  };
  const std::uint8_t* p[Count];
  for (int b = 0; b < Count; ++b) p[b] = buffers[b]->image().constBits();
  for (std::size_t i = bytes % 64; i < bytes; i += 64) {
    for (int b = 0; b < Count; ++b) {
      a0 |= load(p[b] + i);
      a1 |= load(p[b] + i + 16);
      a2 |= load(p[b] + i + 32);
      a3 |= load(p[b] + i + 48);
    }
  }
  for (std::size_t i = 0; i < bytes % 64; ++i)
    for (int b = 0; b < Count; ++b) a0[0] |= p[b][i];
  return a0 | a1 | a2 | a3;
}

void runPass(benchmark::State& state, Case c) {
  Pool& pool = poolFor(c);
  const MotionGrid grid = motionGrid(c.width, c.height, c.grid, c.grid);
  const int count = static_cast<int>(pool.frames.size());
  int k = 0;
  for (auto _ : state) {
    const int next = (k + 1) % count;
    const PixelStarts& starts = c.mask ? pool.maskStarts[k] : pool.allStarts;
    auto counts =
        countChangedPixels(pool.frames[next].view(), pool.frames[k].view(), starts, grid, kTolerance);
    benchmark::DoNotOptimize(counts.data());
    benchmark::ClobberMemory();
    k = next;
  }
}

// The camera window's per-frame call: the frames change, the loaded mask does not.
void runWindowPass(benchmark::State& state, Case c) {
  Pool& pool = poolFor(c);
  const int count = static_cast<int>(pool.frames.size());
  MyMotion motion;
  motion.setHorzParts(c.grid);
  motion.setVertParts(c.grid);
  motion.setGridSensitifity(kTolerance);
  motion.setMasked(c.mask);
  Canvas canvas;
  int k = 0;
  for (auto _ : state) {
    if (c.mask)
      motion.DoDetectItMask(pool.frames[k], pool.masks[0], canvas);
    else
      motion.DoDetectIt(pool.frames[k], canvas);
    benchmark::ClobberMemory();
    k = (k + 1) % count;
  }
}

// Both frames, read once: what any pass has to do at least, with a mask or not.
void runRead(benchmark::State& state, Case c) {
  Pool& pool = poolFor(c);
  const int count = static_cast<int>(pool.frames.size());
  int k = 0;
  for (auto _ : state) {
    const int next = (k + 1) % count;
    const FrameBitmap* buffers[] = {&pool.frames[next], &pool.frames[k]};
    Chunk sum = readAll<2>(buffers);
    benchmark::DoNotOptimize(sum);
    k = next;
  }
}

// Keeps each benchmark's best time per iteration over its repetitions for the
// closing lines: on a shared machine the best run is the one least disturbed.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  RatioReporter() : ConsoleReporter(OO_Tabular) {}  // plain text, so the closing lines stay plain
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs)
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "min")
        nanoseconds[run.run_name.function_name] = run.GetAdjustedCPUTime();
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> nanoseconds;
};

void settings(benchmark::internal::Benchmark* benchmark) {
  benchmark->Unit(benchmark::kNanosecond)->MinTime(0.1)->Repetitions(5)->ReportAggregatesOnly(true);
  benchmark->ComputeStatistics(
      "min", [](const std::vector<double>& times) { return *std::min_element(times.begin(), times.end()); });
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<Case> cases;
  for (auto [width, height] : {std::pair{640, 480}, {1280, 720}, {1920, 1080}, {3840, 2160}})
    for (int grid : {10, 50})
      for (bool mask : {false, true}) cases.push_back({width, height, grid, mask});
  for (const Case& c : cases) {
    if (c.grid == 10 && !c.mask)
      benchmark::RegisterBenchmark(("read " + c.sizeName()).c_str(), runRead, c)->Apply(settings);
    benchmark::RegisterBenchmark(("pass " + c.name()).c_str(), runPass, c)->Apply(settings);
    benchmark::RegisterBenchmark(("window " + c.name()).c_str(), runWindowPass, c)->Apply(settings);
  }

  benchmark::Initialize(&argc, argv);
  const char* paths[] = {"scalar", "sse2", "avx2"};
  std::printf("kernel path: %s\n", paths[static_cast<int>(fastestMotionKernelPath())]);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  for (const Case& c : cases) {
    const auto pass = reporter.nanoseconds.find("pass " + c.name());
    const auto read = reporter.nanoseconds.find("read " + c.sizeName());
    const auto window = reporter.nanoseconds.find("window " + c.name());
    if (pass == reporter.nanoseconds.end() || read == reporter.nanoseconds.end() ||
        window == reporter.nanoseconds.end())
      continue;
    std::printf("RATIO %dx%d grid%dx%d mask=%d pass_ns=%.0f window_ns=%.0f read_ns=%.0f ratio=%.2f\n",
                c.width, c.height, c.grid, c.grid, c.mask ? 1 : 0, pass->second, window->second, read->second,
                pass->second / read->second);
  }
  benchmark::Shutdown();
  return 0;
}
