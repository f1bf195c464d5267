#include "capture/demo_scene.h"
#include "changed_cells.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::uint8_t> render(const DemoScene& scene, std::int64_t index) {
  std::vector<std::uint8_t> frame(static_cast<std::size_t>(scene.width()) * scene.height() * 3);
  scene.render(index, frame.data(), scene.width() * 3);
  return frame;
}

FrameView view(const DemoScene& scene, const std::vector<std::uint8_t>& frame) {
  return {frame.data(), scene.width(), scene.height(), scene.width() * 3};
}

}  // namespace

TEST(DemoScene, MovingBoxChangesHalfTheGridAndTheEmptyRoomNothing) {
  for (auto [width, height] : {std::pair{320, 240}, std::pair{640, 480}}) {
    const DemoScene scene(width, height);
    int strongestMove = 0;
    int quietPairs = 0;
    for (std::int64_t index = 1; index < DemoScene::kPeriodFrames; index += 3) {
      const auto before = render(scene, index - 1);
      const auto after = render(scene, index);
      const int cells = changedCells(view(scene, before), view(scene, after), 4);
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
