#include "capture/demo_scene.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

std::vector<std::uint8_t> render(const DemoScene& scene, std::int64_t index) {
  std::vector<std::uint8_t> frame(static_cast<std::size_t>(scene.width()) * scene.height() * 3);
  scene.render(index, frame.data(), scene.width() * 3);
  return frame;
}

// The cells of a 10 by 10 grid in which more than half of the pixels changed in all
// three colour components by more than the tolerance.
int changedCells(const DemoScene& scene, const std::vector<std::uint8_t>& before,
                 const std::vector<std::uint8_t>& after, int tolerance) {
  const int cellWidth = scene.width() / 10;
  const int cellHeight = scene.height() / 10;
  int cells = 0;
  for (int column = 0; column < 10; ++column) {
    for (int row = 0; row < 10; ++row) {
      int changed = 0;
      for (int y = row * cellHeight; y < (row + 1) * cellHeight; ++y) {
        for (int x = column * cellWidth; x < (column + 1) * cellWidth; ++x) {
          const std::size_t at = (static_cast<std::size_t>(y) * scene.width() + x) * 3;
          bool all = true;
          for (int c = 0; c < 3; ++c) all = all && std::abs(before[at + c] - after[at + c]) > tolerance;
          changed += all;
        }
      }
      cells += changed > cellWidth * cellHeight / 2;
    }
  }
  return cells;
}

}  // namespace

TEST(DemoScene, MovingBoxChangesHalfTheGridAndTheEmptyRoomNothing) {
  for (auto [width, height] : {std::pair{320, 240}, std::pair{640, 480}}) {
    const DemoScene scene(width, height);
    int strongestMove = 0;
    int quietPairs = 0;
    for (std::int64_t index = 1; index < DemoScene::kPeriodFrames; index += 3) {
      const int cells = changedCells(scene, render(scene, index - 1), render(scene, index), 4);
      if (scene.boxInView(index) || scene.boxInView(index - 1)) {
        strongestMove = std::max(strongestMove, cells);
      } else {
        EXPECT_EQ(cells, 0) << index;
        ++quietPairs;
      }
    }
    EXPECT_GE(strongestMove, 60) << width;
    EXPECT_GT(quietPairs, 20) << width;  // most of the period the room is empty
  }
}

TEST(DemoScene, FramesDependOnlyOnTheirNumber) {
  const DemoScene scene(320, 240);
  EXPECT_EQ(render(scene, 40), render(DemoScene(320, 240), 40 + DemoScene::kPeriodFrames));
  EXPECT_NE(render(scene, 40), render(scene, 41));
}
