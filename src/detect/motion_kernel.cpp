#include "motion_kernel.h"

#include "motion_kernel_rows.h"

#include <cassert>
#include <cstdlib>

#if defined(__x86_64__) || defined(_M_X64)
#define QUORVEX_X86_64 1
#include <emmintrin.h>
#endif

MotionGrid motionGrid(int width, int height, int horzParts, int vertParts) {
  MotionGrid grid;
  grid.cellWidth = width / horzParts;
  grid.cellHeight = height / vertParts;
  if (grid.cellWidth <= 0 || grid.cellHeight <= 0)
    return {};
  grid.columns = width / grid.cellWidth;
  grid.rows = height / grid.cellHeight;
  return grid;
}

int pixelStartWords(int width) { return ((3 * width + 63) / 64 + 3) / 4 * 4; }

PixelStarts allPixelStarts(int width) {
  PixelStarts starts;
  starts.words.assign(pixelStartWords(width), 0);
  for (int x = 0; x < width; ++x) starts.words[3 * x / 64] |= std::uint64_t{1} << (3 * x % 64);
  return starts;
}

PixelStarts maskPixelStarts(const FrameView& mask) {
  PixelStarts starts;
  starts.wordsPerRow = pixelStartWords(mask.width);
  starts.words.assign(starts.wordsPerRow * mask.height, 0);
  for (int y = 0; y < mask.height; ++y) {
    const std::uint8_t* pixel = mask.row(y);
    std::uint64_t* words = starts.words.data() + y * starts.wordsPerRow;
    for (int x = 0; x < mask.width; ++x, pixel += 3) {
      const bool purple = pixel[0] == 0x80 && pixel[1] == 0x00 && pixel[2] == 0x80;
      if (!purple)
        words[3 * x / 64] |= std::uint64_t{1} << (3 * x % 64);
    }
  }
  return starts;
}

namespace {

// The portable path, for processors without a vector path here.
class ScalarBytes {
 public:
  explicit ScalarBytes(int tolerance) : m_tolerance(tolerance) {}
  std::uint64_t changed64(const std::uint8_t* a, const std::uint8_t* b) const {
    std::uint64_t bits = 0;
    for (int k = 0; k < 64; ++k) bits |= std::uint64_t{std::abs(a[k] - b[k]) > m_tolerance} << k;
    return bits;
  }

 private:
  int m_tolerance;
};

#ifdef QUORVEX_X86_64
// Every x86-64 processor has SSE2. |a-b| is the larger of the two saturating
// differences; it exceeds T when subtracting T leaves something.
class Sse2Bytes {
 public:
  explicit Sse2Bytes(int tolerance) : m_tolerance(_mm_set1_epi8(static_cast<char>(tolerance))) {}
  std::uint64_t changed64(const std::uint8_t* a, const std::uint8_t* b) const {
    std::uint64_t within = 0;
    for (int k = 0; k < 4; ++k) {
      const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + 16 * k));
      const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + 16 * k));
      const __m128i diff = _mm_or_si128(_mm_subs_epu8(va, vb), _mm_subs_epu8(vb, va));
      const __m128i small = _mm_cmpeq_epi8(_mm_subs_epu8(diff, m_tolerance), _mm_setzero_si128());
      within |= std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(small))} << (16 * k);
    }
    return ~within;
  }

 private:
  __m128i m_tolerance;
};

bool cpuHasAvx2() {
  static const bool has =
      __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt") && __builtin_cpu_supports("bmi2");
  return has;
}
#endif

}  // namespace

std::vector<MotionKernelPath> availableMotionKernelPaths() {
  std::vector<MotionKernelPath> paths{MotionKernelPath::Scalar};
#ifdef QUORVEX_X86_64
  paths.push_back(MotionKernelPath::Sse2);
  if (cpuHasAvx2())
    paths.push_back(MotionKernelPath::Avx2);
#endif
  return paths;
}

MotionKernelPath fastestMotionKernelPath() {
  static const MotionKernelPath fastest = availableMotionKernelPaths().back();
  return fastest;
}

std::vector<std::uint32_t> countChangedPixels(const FrameView& current, const FrameView& previous,
                                              const PixelStarts& starts, const MotionGrid& grid,
                                              int tolerance, MotionKernelPath path) {
  std::vector<std::uint32_t> counts(grid.cellCount(), 0);
  if (grid.isEmpty())
    return counts;
  assert(current.width == previous.width && current.height == previous.height);
  assert(grid.columns * grid.cellWidth <= current.width && grid.rows * grid.cellHeight <= current.height);
  assert(tolerance >= 0 && tolerance <= 255);

  MotionKernelJob job{current.data,        previous.data,      current.stride, previous.stride,
                      starts.words.data(), starts.wordsPerRow, grid.cellWidth, grid.cellHeight,
                      grid.columns,        grid.rows,          tolerance};
  assert(static_cast<int>(starts.words.size()) >= kernelVectorWords(job));
  std::vector<std::uint64_t> scratch((1 + kCountPlanes) * kernelScratchWords(job), 0);
  job.changed = scratch.data();
  for (int p = 0; p < kCountPlanes; ++p) job.planes[p] = scratch.data() + (1 + p) * kernelScratchWords(job);
  std::vector<std::int32_t> endWords(grid.columns);
  std::vector<std::uint64_t> endBelow(grid.columns);
  std::vector<std::uint32_t> upToEnd(grid.columns, 0);
  for (int col = 0; col < grid.columns; ++col) {
    const int endBit = 3 * grid.cellWidth * (col + 1);
    endWords[col] = endBit / 64;
    endBelow[col] = (std::uint64_t{1} << (endBit % 64)) - 1;
  }
  job.endWords = endWords.data();
  job.endBelow = endBelow.data();
  job.upToEnd = upToEnd.data();
  job.counts = counts.data();

  switch (path) {
#ifdef QUORVEX_X86_64
    case MotionKernelPath::Avx2: countChangedPixelsAvx2(job); break;
    case MotionKernelPath::Sse2: countRows<Sse2Bytes>(job); break;
#endif
    default: countRows<ScalarBytes>(job); break;
  }
  return counts;
}
