#pragma once

#include "base/frame_view.h"

#include <cstdlib>

// The cells of a 10 by 10 grid in which more than half of the pixels changed in all
// three colour components by more than the tolerance: what the motion detector with
// its default settings counts.
inline int changedCells(const FrameView& before, const FrameView& after, int tolerance) {
  const int cellWidth = after.width / 10;
  const int cellHeight = after.height / 10;
  int cells = 0;
  for (int column = 0; column < 10; ++column) {
    for (int row = 0; row < 10; ++row) {
      int changed = 0;
      for (int y = row * cellHeight; y < (row + 1) * cellHeight; ++y) {
        for (int x = column * cellWidth; x < (column + 1) * cellWidth; ++x) {
          bool all = true;
          for (int c = 0; c < 3; ++c)
            all = all && std::abs(before.row(y)[3 * x + c] - after.row(y)[3 * x + c]) > tolerance;
          changed += all;
        }
      }
      cells += changed > cellWidth * cellHeight / 2;
    }
  }
  return cells;
}
