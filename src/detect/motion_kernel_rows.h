#pragma once

// The row loop of the motion kernel, shared by the copies built for each
// instruction set. Everything here has internal linkage and uses only builtins
// and raw pointers: an out-of-line copy compiled for AVX2 must never be the one
// the linker keeps for the baseline path.

#include <cstddef>
#include <cstdint>

struct MotionKernelJob {
  const std::uint8_t* current;
  const std::uint8_t* previous;
  std::ptrdiff_t currentStride;
  std::ptrdiff_t previousStride;
  const std::uint64_t* starts;  // kernelVectorWords() or more a row
  std::ptrdiff_t startsStride;  // in words; 0 when every row shares one
  int cellWidth;
  int cellHeight;
  int columns;
  int rows;
  int tolerance;
  // Scratch of kernelScratchWords() words each, zeroed by the caller: a row's
  // bits, and the planes of the changed-pixel counters.
  std::uint64_t* changed = nullptr;
  std::uint64_t* planes[4] = {};
  // Where each cell column ends in a row's bits: the word, and the bits below
  // the end in it. columns entries each.
  const std::int32_t* endWords = nullptr;
  const std::uint64_t* endBelow = nullptr;
  std::uint32_t* upToEnd = nullptr;  // scratch of columns entries, zeroed by the caller
  std::uint32_t* counts = nullptr;   // columns * rows, column-major, zeroed by the caller
};

void countChangedPixelsAvx2(const MotionKernelJob& job);

namespace {

// Counters of 4 bits, one per bit of a row: bit p of each is in planes[p].
constexpr int kCountPlanes = 4;
constexpr int kMaxCountedLines = (1 << kCountPlanes) - 1;

// Bytes of a row that lie in the grid, and the 64-bit words that hold their bits.
inline int kernelRowBytes(const MotionKernelJob& job) { return 3 * job.columns * job.cellWidth; }
inline int kernelRowWords(const MotionKernelJob& job) { return (kernelRowBytes(job) + 63) / 64; }
// Rows are worked on four words at a time; the scratch holds one group more.
inline int kernelVectorWords(const MotionKernelJob& job) { return (kernelRowWords(job) + 3) / 4 * 4; }
inline int kernelScratchWords(const MotionKernelJob& job) { return kernelVectorWords(job) + 4; }

// One bit per byte that moved by more than the tolerance, for the row's whole
// 64-byte words. Kept out of line so its loop has the registers to itself.
template <class ByteTest>
[[gnu::noinline]] void testWords(const ByteTest& test, const std::uint8_t* a, const std::uint8_t* b,
                                 int count, std::uint64_t* __restrict bits) {
  // No software prefetch: rows follow each other in memory, so the hardware
  // prefetcher sees two plain streams, and prefetch hints measured slower here.
  for (int i = 0; i < count; ++i, a += 64, b += 64) bits[i] = test.changed64(a, b);
}

// Four words at a time: one AVX2 register, or two SSE2 ones. Moved with memcpy,
// which also keeps vector values out of function signatures.
using Words4 = std::uint64_t __attribute__((vector_size(32)));

// A pixel changed when the bits of its three bytes are all set; its bytes can
// straddle two words, so the next word's low bits are carried in. Each changed
// pixel that takes part adds one to the counter of its bit. The counters sum the
// lines so that the cells are split up once per few lines, not on every line:
// small cells would otherwise cost more than the test of the bytes.
[[gnu::noinline]] inline void countChangedPixelsOfLine(const std::uint64_t* __restrict bits,
                                                       const std::uint64_t* __restrict starts,
                                                       std::uint64_t* const* planes, int vectorWords) {
  for (int i = 0; i < vectorWords; i += 4) {
    Words4 s, next, take;
    __builtin_memcpy(&s, bits + i, sizeof s);
    __builtin_memcpy(&next, bits + i + 1, sizeof next);
    __builtin_memcpy(&take, starts + i, sizeof take);
    Words4 carry = s & ((s >> 1) | (next << 63)) & ((s >> 2) | (next << 62)) & take;
    for (int p = 0; p < kCountPlanes; ++p) {  // a ripple-carry add of one
      Words4 counter;
      __builtin_memcpy(&counter, planes[p] + i, sizeof counter);
      const Words4 sum = counter ^ carry;
      __builtin_memcpy(planes[p] + i, &sum, sizeof sum);
      carry &= counter;
    }
  }
}

// Adds the counted pixels before each cell column's end to upToEnd, and clears
// the counters.
[[gnu::noinline]] inline void addCountsBeforeColumnEnds(const MotionKernelJob& job,
                                                        std::uint64_t* const* planes, int vectorWords,
                                                        std::uint32_t* __restrict upToEnd) {
  static_assert(kCountPlanes == 4);
  const std::uint64_t* const plane0 = planes[0];
  const std::uint64_t* const plane1 = planes[1];
  const std::uint64_t* const plane2 = planes[2];
  const std::uint64_t* const plane3 = planes[3];
  // The counters' total in word w, of the bits under below.
  const auto countedIn = [&](int w, std::uint64_t below) {
    return static_cast<std::uint32_t>(
        __builtin_popcountll(plane0[w] & below) + 2 * __builtin_popcountll(plane1[w] & below) +
        4 * __builtin_popcountll(plane2[w] & below) + 8 * __builtin_popcountll(plane3[w] & below));
  };
  std::uint32_t total = 0;  // in the words before w
  int w = 0;
  for (int col = 0; col < job.columns; ++col) {
    for (const int end = job.endWords[col]; w < end; ++w) total += countedIn(w, ~std::uint64_t{0});
    upToEnd[col] += total + countedIn(w, job.endBelow[col]);
  }
  for (int p = 0; p < kCountPlanes; ++p)
    __builtin_memset(planes[p], 0, sizeof(std::uint64_t) * (vectorWords + 4));
}

// Counts into job.counts. ByteTest(tolerance).changed64(a, b) gives one bit
// per byte k of the 64 at a and b: set when |a[k] - b[k]| > tolerance.
template <class ByteTest>
void countRows(const MotionKernelJob& job) {
  const ByteTest test(job.tolerance);
  const int rowBytes = kernelRowBytes(job);
  const int vectorWords = kernelVectorWords(job);
  const int fullWords = rowBytes / 64;
  const int tailBytes = rowBytes % 64;
  alignas(64) std::uint8_t tailCurrent[64] = {};
  alignas(64) std::uint8_t tailPrevious[64] = {};

  // Locals, so stores to the scratch rows cannot be taken to change them.
  std::uint64_t* __restrict bits = job.changed;
  std::uint32_t* __restrict upToEnd = job.upToEnd;
  const int rows = job.rows;
  const int columns = job.columns;
  const int cellHeight = job.cellHeight;
  int y = 0;
  for (int row = 0; row < rows; ++row) {
    int counted = 0;
    for (int line = 0; line < cellHeight; ++line, ++y) {
      const std::uint8_t* a = job.current + y * job.currentStride;
      const std::uint8_t* b = job.previous + y * job.previousStride;

      // One bit per byte that moved by more than the tolerance; the words past
      // the row stay zero. No load passes the row: its last, partial word is
      // tested on the row's last 64 bytes, which overlap the word before, or on
      // zero-padded copies when the row is shorter than a word (equal zero bytes
      // never count as changed).
      testWords(test, a, b, fullWords, bits);
      if (tailBytes != 0 && fullWords != 0) {
        bits[fullWords] = test.changed64(a + rowBytes - 64, b + rowBytes - 64) >> (64 - tailBytes);
      } else if (tailBytes != 0) {
        __builtin_memcpy(tailCurrent, a, tailBytes);
        __builtin_memcpy(tailPrevious, b, tailBytes);
        bits[0] = test.changed64(tailCurrent, tailPrevious);
      }
      countChangedPixelsOfLine(bits, job.starts + y * job.startsStride, job.planes, vectorWords);
      if (++counted == kMaxCountedLines || line == cellHeight - 1) {
        addCountsBeforeColumnEnds(job, job.planes, vectorWords, upToEnd);
        counted = 0;
      }
    }
    std::uint32_t before = 0;
    for (int col = 0; col < columns; ++col) {
      job.counts[col * rows + row] = upToEnd[col] - before;
      before = upToEnd[col];
      upToEnd[col] = 0;
    }
  }
}

}  // namespace
