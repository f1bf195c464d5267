#pragma once

#include "base/frame_view.h"

#include <cstdint>
#include <vector>

// Where the grid lies over a frame: whole cells only, so columns * cellWidth can
// fall short of the frame width (and rows * cellHeight of its height).
struct MotionGrid {
  int cellWidth = 0;
  int cellHeight = 0;
  int columns = 0;
  int rows = 0;

  bool isEmpty() const { return columns == 0 || rows == 0; }
  int cellCount() const { return columns * rows; }
};

// Cells of width div horzParts by height div vertParts, as many as fit; no cells
// when the frame is narrower than horzParts or lower than vertParts.
MotionGrid motionGrid(int width, int height, int horzParts, int vertParts);

// Which pixels take part: bit 3*x of a row's words is set when pixel x does. The
// kernel works on bytes, and a pixel is changed when the bits of its three bytes
// are all set, so the bit of its first byte is the one that counts.
struct PixelStarts {
  std::vector<std::uint64_t> words;
  std::ptrdiff_t wordsPerRow = 0;  // 0: the one row held applies to every row
};

// Words of a row of starts: whole groups of four, as the kernel reads them.
int pixelStartWords(int width);
// Every pixel of a frame of this width takes part.
PixelStarts allPixelStarts(int width);
// Pixels of the mask's purple 0x800080 are left out, every other colour takes part.
PixelStarts maskPixelStarts(const FrameView& mask);

enum class MotionKernelPath { Scalar, Sse2, Avx2 };

// The paths this build and this processor can run, the fastest last.
std::vector<MotionKernelPath> availableMotionKernelPaths();
MotionKernelPath fastestMotionKernelPath();

// For each cell of the grid, the number of its pixels that take part and of which
// all three components differ by more than tolerance between the two frames.
// Counts are column-major: cell (col, row) is at col * grid.rows + row. The frames
// must have the same size, hold the grid and be covered by starts; tolerance is
// 0..255.
std::vector<std::uint32_t> countChangedPixels(const FrameView& current, const FrameView& previous,
                                              const PixelStarts& starts, const MotionGrid& grid,
                                              int tolerance,
                                              MotionKernelPath path = fastestMotionKernelPath());
