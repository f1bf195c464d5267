#pragma once

#include "base/frame_bitmap.h"

#include <algorithm>

// A 160 by 120 frame of one grey level, with a white 32 by 24 box (2 by 2 cells of
// a 10 by 10 grid) whose left edge is at cell column `boxColumn` (none when -1).
inline FrameBitmap scene(int brightness, int boxColumn = -1) {
  FrameBitmap frame(160, 120);
  for (int y = 0; y < 120; ++y) {
    std::uint8_t* row = frame.scanLine(y);
    std::fill_n(row, 3 * 160, std::uint8_t(brightness));
    if (boxColumn >= 0 && y >= 48 && y < 72)
      std::fill_n(row + 3 * 16 * boxColumn, 3 * 32, std::uint8_t(255));
  }
  return frame;
}
