#include "detect/motion_kernel.h"

#include "base/frame_bitmap.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <vector>

namespace {

// The rule written out plainly, pixel by pixel, as the kernel must reproduce it.
std::vector<std::uint32_t> oracleCounts(const FrameBitmap& current, const FrameBitmap& previous,
                                        const FrameBitmap* mask, const MotionGrid& grid, int tolerance) {
  std::vector<std::uint32_t> counts(grid.cellCount(), 0);
  for (int col = 0; col < grid.columns; ++col) {
    for (int row = 0; row < grid.rows; ++row) {
      for (int y = row * grid.cellHeight; y < (row + 1) * grid.cellHeight; ++y) {
        for (int x = col * grid.cellWidth; x < (col + 1) * grid.cellWidth; ++x) {
          if (mask) {
            const std::uint8_t* m = mask->view().row(y) + 3 * x;
            if (m[0] == 0x80 && m[1] == 0x00 && m[2] == 0x80)
              continue;
          }
          const std::uint8_t* c = current.view().row(y) + 3 * x;
          const std::uint8_t* p = previous.view().row(y) + 3 * x;
          bool changed = true;
          for (int k = 0; k < 3; ++k) changed = changed && std::abs(c[k] - p[k]) > tolerance;
          counts[col * grid.rows + row] += changed;
        }
      }
    }
  }
  return counts;
}

const char* pathName(MotionKernelPath path) {
  switch (path) {
    case MotionKernelPath::Scalar: return "scalar";
    case MotionKernelPath::Sse2: return "sse2";
    case MotionKernelPath::Avx2: return "avx2";
  }
  return "?";
}

std::uint8_t clampByte(int value) { return static_cast<std::uint8_t>(std::clamp(value, 0, 255)); }

// A previous frame of random pixels and a current one whose components moved
// by 0, exactly T, T+1 or anything, so the comparison is tested at its edge.
struct FramePair {
  FrameBitmap previous;
  FrameBitmap current;
};

FramePair randomPair(std::mt19937& random, int width, int height, int tolerance) {
  FramePair pair{FrameBitmap(width, height), FrameBitmap(width, height)};
  std::uniform_int_distribution<int> byte(0, 255), kind(0, 9);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* p = pair.previous.scanLine(y);
    std::uint8_t* c = pair.current.scanLine(y);
    // Mostly every component moves past T, so that many pixels change; some
    // pixels keep one component at the edge.
    const bool manyChange = y % 3 != 0;
    for (int i = 0; i < 3 * width; ++i) {
      p[i] = static_cast<std::uint8_t>(byte(random));
      const int sign = byte(random) % 2 ? 1 : -1;
      switch (manyChange ? std::min(kind(random), 5) : kind(random) % 5) {
        case 0: c[i] = p[i]; break;
        case 1: c[i] = clampByte(p[i] + sign * tolerance); break;
        case 2: c[i] = clampByte(p[i] + sign * (tolerance + 1)); break;
        case 3: c[i] = static_cast<std::uint8_t>(byte(random)); break;
        default: c[i] = clampByte(p[i] + sign * (tolerance + 1 + byte(random) % 40)); break;
      }
    }
  }
  return pair;
}

// Purple, its neighbours one step away in each component, and random colours.
FrameBitmap randomMask(std::mt19937& random, int width, int height) {
  static const std::uint8_t kColours[][3] = {{0x80, 0x00, 0x80}, {0x81, 0x00, 0x80}, {0x7F, 0x00, 0x80},
                                             {0x80, 0x01, 0x80}, {0x80, 0x00, 0x81}, {0x80, 0x00, 0x7F}};
  FrameBitmap mask(width, height);
  std::uniform_int_distribution<int> pick(0, 9), byte(0, 255);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* m = mask.scanLine(y);
    for (int x = 0; x < width; ++x) {
      const int k = pick(random);
      for (int i = 0; i < 3; ++i)
        m[3 * x + i] = k < 3   ? kColours[0][i]
                       : k < 8 ? kColours[k - 2][i]
                               : static_cast<std::uint8_t>(byte(random));
    }
  }
  return mask;
}

void expectKernelMatchesOracle(const FramePair& pair, const FrameBitmap* mask, const MotionGrid& grid,
                               int tolerance) {
  const std::vector<std::uint32_t> expected =
      oracleCounts(pair.current, pair.previous, mask, grid, tolerance);
  const PixelStarts starts = mask ? maskPixelStarts(mask->view()) : allPixelStarts(pair.current.width());
  for (MotionKernelPath path : availableMotionKernelPaths()) {
    SCOPED_TRACE(pathName(path));
    EXPECT_EQ(countChangedPixels(pair.current.view(), pair.previous.view(), starts, grid, tolerance, path),
              expected);
  }
}

TEST(MotionKernel, MatchesTheOracleForEveryGridSizeAndTolerance) {
  std::mt19937 random(20261208);
  // Each grid size 1..50 appears across and down, each tolerance 1..10 five times,
  // on odd frame sizes just above the grid and up to a few word widths more.
  for (int parts = 1; parts <= 50; ++parts) {
    const int vertParts = 51 - parts;
    const int tolerance = 1 + parts % 10;
    const int width = parts + 2 * std::uniform_int_distribution<int>(0, 90)(random) + 1;
    const int height = vertParts + std::uniform_int_distribution<int>(0, 40)(random);
    SCOPED_TRACE(testing::Message() << width << "x" << height << " grid " << parts << "x" << vertParts
                                    << " T=" << tolerance);
    const FramePair pair = randomPair(random, width, height, tolerance);
    const MotionGrid grid = motionGrid(width, height, parts, vertParts);
    ASSERT_FALSE(grid.isEmpty());
    expectKernelMatchesOracle(pair, nullptr, grid, tolerance);
    const FrameBitmap mask = randomMask(random, width, height);
    expectKernelMatchesOracle(pair, &mask, grid, tolerance);
  }
}

TEST(MotionKernel, MatchesTheOracleOnWideFramesAndRowEnds) {
  std::mt19937 random(7);
  // Rows whose examined bytes end exactly on, just before and just after a
  // 64-byte word, a wide frame, and a grid that leaves a strip unexamined.
  const struct {
    int width, height, horz, vert;
  } cases[] = {{64, 3, 1, 1}, {63, 5, 3, 5},    {65, 4, 5, 2},
               {1, 1, 1, 1},  {1001, 17, 7, 3}, {645, 37, 10, 10}};
  for (const auto& c : cases) {
    for (int tolerance : {1, 10}) {
      SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " T=" << tolerance);
      const FramePair pair = randomPair(random, c.width, c.height, tolerance);
      const MotionGrid grid = motionGrid(c.width, c.height, c.horz, c.vert);
      expectKernelMatchesOracle(pair, nullptr, grid, tolerance);
      const FrameBitmap mask = randomMask(random, c.width, c.height);
      expectKernelMatchesOracle(pair, &mask, grid, tolerance);
    }
  }
}

TEST(MotionKernel, CountsAPixelOnlyWhenAllThreeComponentsMovePastTheTolerance) {
  const struct {
    std::uint8_t now[3];
    bool changed;
  } cases[] = {{{104, 50, 200}, false}, {{105, 95, 96}, false}, {{105, 95, 95}, true},
               {{96, 96, 96}, false},   {{95, 95, 95}, true},   {{100, 100, 100}, false}};
  for (const auto& c : cases) {
    FrameBitmap previous(1, 1), current(1, 1);
    std::fill_n(previous.scanLine(0), 3, 100);
    std::copy_n(c.now, 3, current.scanLine(0));
    const MotionGrid grid = motionGrid(1, 1, 1, 1);
    for (MotionKernelPath path : availableMotionKernelPaths())
      EXPECT_EQ(countChangedPixels(current.view(), previous.view(), allPixelStarts(1), grid, 4, path),
                std::vector<std::uint32_t>{c.changed})
          << int(c.now[0]) << "," << int(c.now[1]) << "," << int(c.now[2]) << " " << pathName(path);
  }
}

// Cells of many lines in which every pixel changed: each cell counts all of them,
// however many lines it has.
TEST(MotionKernel, CountsEveryPixelOfTallCellsThatChangedEverywhere) {
  FrameBitmap previous(70, 100), current(70, 100);
  for (int y = 0; y < 100; ++y) std::fill_n(current.scanLine(y), 3 * 70, 255);
  for (const auto& [horz, vert] : {std::pair{1, 1}, {3, 2}, {7, 6}}) {
    const MotionGrid grid = motionGrid(70, 100, horz, vert);
    const std::vector<std::uint32_t> all(grid.cellCount(), grid.cellWidth * grid.cellHeight);
    for (MotionKernelPath path : availableMotionKernelPaths())
      EXPECT_EQ(countChangedPixels(current.view(), previous.view(), allPixelStarts(70), grid, 10, path), all)
          << horz << "x" << vert << " " << pathName(path);
  }
}

TEST(MotionGrid, CoversWholeCellsOnly) {
  const struct {
    int width, height, horz, vert;
    MotionGrid grid;
  } cases[] = {
      {640, 480, 50, 50, {12, 9, 53, 53}},  {645, 483, 10, 10, {64, 48, 10, 10}},
      {1280, 720, 1, 2, {1280, 360, 1, 2}}, {40, 30, 4, 3, {10, 10, 4, 3}},
      {9, 30, 10, 3, {0, 0, 0, 0}},         {40, 2, 4, 3, {0, 0, 0, 0}},
      {0, 0, 10, 10, {0, 0, 0, 0}},         {19, 10, 10, 10, {1, 1, 19, 10}},
  };
  for (const auto& c : cases) {
    const MotionGrid grid = motionGrid(c.width, c.height, c.horz, c.vert);
    EXPECT_EQ((std::vector<int>{grid.cellWidth, grid.cellHeight, grid.columns, grid.rows}),
              (std::vector<int>{c.grid.cellWidth, c.grid.cellHeight, c.grid.columns, c.grid.rows}))
        << c.width << "x" << c.height << " grid " << c.horz << "x" << c.vert;
  }
}

}  // namespace
