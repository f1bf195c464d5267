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
  const std::uint64_t* starts;
  std::ptrdiff_t startsStride;  // in words; 0 when every row shares one
  int cellWidth;
  int cellHeight;
  int columns;
  int rows;
  int tolerance;
  std::uint64_t* changed = nullptr;  // scratch of rowWords + 1 words: a row's bits, then its changed pixels
  std::uint32_t* prefix = nullptr;   // scratch of rowWords + 1 entries
  // Where each cell column ends in a row's bits: the word, and the bits below
  // the end in it. columns entries each.
  const std::int32_t* endWords = nullptr;
  const std::uint64_t* endBelow = nullptr;
  std::uint32_t* upToEnd = nullptr;  // scratch of columns entries
  std::uint32_t* counts = nullptr;   // columns * rows, column-major, zeroed by the caller
};

void countChangedPixelsAvx2(const MotionKernelJob& job);

namespace {

// Bytes of a row that lie in the grid, and the 64-bit words that hold their bits.
inline int kernelRowBytes(const MotionKernelJob& job) { return 3 * job.columns * job.cellWidth; }
inline int kernelRowWords(const MotionKernelJob& job) { return (kernelRowBytes(job) + 63) / 64; }

// One bit per byte that moved by more than the tolerance, for the row's whole
// 64-byte words. Kept out of line so its loop has the registers to itself.
template <class ByteTest>
[[gnu::noinline]] void testWords(const ByteTest& test, const std::uint8_t* a, const std::uint8_t* b,
                                 int count, std::uint64_t* __restrict bits) {
  // No software prefetch: rows follow each other in memory, so the hardware
  // prefetcher sees two plain streams, and prefetch hints measured slower here.
  for (int i = 0; i < count; ++i, a += 64, b += 64) bits[i] = test.changed64(a, b);
}

// A pixel changed when the bits of its three bytes are all set; its bytes can
// straddle two words, so the next word's low bits are carried in. Each word is
// replaced by its changed pixels, and prefix gets the running totals;
// bits[count] must be 0.
[[gnu::noinline]] inline void keepChangedPixels(std::uint64_t* __restrict bits,
                                                const std::uint64_t* __restrict starts,
                                                std::uint32_t* __restrict prefix, int count) {
  std::uint32_t total = 0;
  std::uint64_t s = bits[0];
  for (int i = 0; i < count; ++i) {
    const std::uint64_t next = bits[i + 1];
    const std::uint64_t pixels = s & ((s >> 1) | (next << 63)) & ((s >> 2) | (next << 62)) & starts[i];
    s = next;
    bits[i] = pixels;
    prefix[i] = total;
    total += static_cast<std::uint32_t>(__builtin_popcountll(pixels));
  }
  prefix[count] = total;
}

// Counts into job.counts. ByteTest(tolerance).changed64(a, b) gives one bit
// per byte k of the 64 at a and b: set when |a[k] - b[k]| > tolerance.
template <class ByteTest>
void countRows(const MotionKernelJob& job) {
  const ByteTest test(job.tolerance);
  const int rowBytes = kernelRowBytes(job);
  const int words = kernelRowWords(job);
  const int fullWords = rowBytes / 64;
  const int tailBytes = rowBytes % 64;
  alignas(64) std::uint8_t tailCurrent[64] = {};
  alignas(64) std::uint8_t tailPrevious[64] = {};

  // Locals, so stores to the scratch rows cannot be taken to change them.
  std::uint64_t* __restrict bits = job.changed;
  std::uint32_t* __restrict prefix = job.prefix;
  std::uint32_t* __restrict upToEnd = job.upToEnd;
  const int rows = job.rows;
  const int columns = job.columns;
  const int cellHeight = job.cellHeight;
  int y = 0;
  for (int row = 0; row < rows; ++row) {
    for (int line = 0; line < cellHeight; ++line, ++y) {
      const std::uint8_t* a = job.current + y * job.currentStride;
      const std::uint8_t* b = job.previous + y * job.previousStride;
      const std::uint64_t* starts = job.starts + y * job.startsStride;

      // One bit per byte that moved by more than the tolerance. The last,
      // partial word is tested on zero-padded copies so no load passes the row;
      // equal zero bytes never count as changed.
      testWords(test, a, b, fullWords, bits);
      if (tailBytes != 0) {
        __builtin_memcpy(tailCurrent, a + 64 * fullWords, tailBytes);
        __builtin_memcpy(tailPrevious, b + 64 * fullWords, tailBytes);
        bits[fullWords] = test.changed64(tailCurrent, tailPrevious);
      }
      bits[words] = 0;
      keepChangedPixels(bits, starts, prefix, words);

      // Changed pixels before each cell column's end, from the running totals,
      // summed over the cell row's lines.
      for (int col = 0; col < columns; ++col) {
        const int word = job.endWords[col];
        upToEnd[col] +=
            prefix[word] + static_cast<std::uint32_t>(__builtin_popcountll(bits[word] & job.endBelow[col]));
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
