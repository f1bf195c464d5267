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
  std::uint64_t* changed;  // scratch of rowWords + 1 words
  std::uint32_t* prefix;   // scratch of rowWords + 1 entries
  std::uint32_t* counts;   // columns * rows, column-major, zeroed by the caller
};

// Bytes of a row that lie in the grid, and the 64-bit words that hold their bits.
inline int kernelRowBytes(const MotionKernelJob& job) { return 3 * job.columns * job.cellWidth; }
inline int kernelRowWords(const MotionKernelJob& job) { return (kernelRowBytes(job) + 63) / 64; }

void countChangedPixelsAvx2(const MotionKernelJob& job);

namespace {

constexpr int kPrefetchAhead = 512;  // bytes; a few lines ahead of the loads

// Prefetching never faults, so the address may lie past the row; computed on
// integers to keep the pointer arithmetic inside the buffer.
inline void prefetchAhead(const std::uint8_t* p) {
  __builtin_prefetch(reinterpret_cast<const void*>(reinterpret_cast<std::uintptr_t>(p) + kPrefetchAhead));
}

// ByteTest(tolerance).changed64(a, b) gives one bit per byte k of the 64 at a
// and b: set when |a[k] - b[k]| > tolerance.
template <class ByteTest>
void countRows(const MotionKernelJob& job) {
  const ByteTest test(job.tolerance);
  const int rowBytes = kernelRowBytes(job);
  const int words = kernelRowWords(job);
  const int fullWords = rowBytes / 64;
  const int tailBytes = rowBytes % 64;
  const int cellBits = 3 * job.cellWidth;
  alignas(64) std::uint8_t tailCurrent[64] = {};
  alignas(64) std::uint8_t tailPrevious[64] = {};

  int y = 0;
  for (int row = 0; row < job.rows; ++row) {
    for (int line = 0; line < job.cellHeight; ++line, ++y) {
      const std::uint8_t* a = job.current + y * job.currentStride;
      const std::uint8_t* b = job.previous + y * job.previousStride;
      const std::uint64_t* starts = job.starts + y * job.startsStride;
      // The last, partial word is tested on zero-padded copies so no load passes
      // the row; equal zero bytes never count as changed.
      if (tailBytes != 0) {
        __builtin_memcpy(tailCurrent, a + 64 * fullWords, tailBytes);
        __builtin_memcpy(tailPrevious, b + 64 * fullWords, tailBytes);
      }
      auto bytesAt = [&](int i) -> std::uint64_t {
        if (i < fullWords) {
          prefetchAhead(a + 64 * i);
          prefetchAhead(b + 64 * i);
          return test.changed64(a + 64 * i, b + 64 * i);
        }
        return i < words ? test.changed64(tailCurrent, tailPrevious) : 0;
      };

      // A pixel changed when the bits of its three bytes are all set; its bytes
      // can straddle two words, so the next word's low bits are carried in.
      std::uint32_t total = 0;
      std::uint64_t next = bytesAt(0);
      for (int i = 0; i < words; ++i) {
        const std::uint64_t s = next;
        next = bytesAt(i + 1);
        const std::uint64_t pixels = s & ((s >> 1) | (next << 63)) & ((s >> 2) | (next << 62)) & starts[i];
        job.changed[i] = pixels;
        job.prefix[i] = total;
        total += static_cast<std::uint32_t>(__builtin_popcountll(pixels));
      }
      job.changed[words] = 0;
      job.prefix[words] = total;

      // Changed pixels before each cell-column boundary, from the running totals.
      std::uint32_t before = 0;
      int bit = 0;
      std::uint32_t* counts = job.counts + row;
      for (int col = 0; col < job.columns; ++col) {
        bit += cellBits;
        const int word = bit >> 6;
        const std::uint64_t below = (std::uint64_t{1} << (bit & 63)) - 1;
        const std::uint32_t upTo =
            job.prefix[word] + static_cast<std::uint32_t>(__builtin_popcountll(job.changed[word] & below));
        counts[col * job.rows] += upTo - before;
        before = upTo;
      }
    }
  }
}

}  // namespace
