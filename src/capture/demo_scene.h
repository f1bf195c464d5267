#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The built-in "demo:" source: a still, textured room through which a large
// textured box passes every few seconds. Frames depend only on their number, so a
// run is repeatable. The box is big (3/4 of the width, 4/5 of the height) and its
// texture moves by more than one texel per frame, so that the default grid of
// 10 by 10 cells sees well over 50 changed cells while it moves, and none while
// only the room is in view.
class DemoScene {
 public:
  static constexpr int kFramesPerSecond = 30;
  static constexpr std::int64_t kPeriodFrames = 7 * kFramesPerSecond;

  DemoScene(int width, int height);

  int width() const { return m_width; }
  int height() const { return m_height; }
  // Whether any part of the box is in view in frame number index.
  bool boxInView(std::int64_t index) const;
  // Draws frame number index as blue-green-red pixels, rows stride bytes apart.
  void render(std::int64_t index, std::uint8_t* data, std::ptrdiff_t stride) const;

 private:
  int boxLeft(std::int64_t index) const;

  int m_width;
  int m_height;
  int m_boxWidth;
  int m_boxHeight;
  int m_boxTop;
  int m_step;  // pixels the box moves per frame
  std::vector<std::uint8_t> m_room;
  std::vector<std::uint8_t> m_box;
};
