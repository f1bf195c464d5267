#include "demo_scene.h"

#include <algorithm>
#include <cstring>

namespace {

std::uint32_t hash(std::uint32_t x, std::uint32_t y, std::uint32_t salt) {
  std::uint32_t h = x * 0x9E3779B1u ^ y * 0x85EBCA77u ^ salt * 0xC2B2AE3Du;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  return h;
}

void put(std::uint8_t* pixel, int blue, int green, int red) {
  pixel[0] = static_cast<std::uint8_t>(std::clamp(blue, 0, 255));
  pixel[1] = static_cast<std::uint8_t>(std::clamp(green, 0, 255));
  pixel[2] = static_cast<std::uint8_t>(std::clamp(red, 0, 255));
}

}  // namespace

DemoScene::DemoScene(int width, int height)
    : m_width(width),
      m_height(height),
      m_boxWidth(width * 3 / 4),
      m_boxHeight(height * 4 / 5),
      m_boxTop(height / 10),
      m_step(std::max(4, width * 12 / 640)),
      m_room(static_cast<std::size_t>(width) * height * 3),
      m_box(static_cast<std::size_t>(m_boxWidth) * m_boxHeight * 3) {
  // The room: a brick wall above a tiled floor, lit from the top left.
  const int brick = std::max(4, height / 24);
  const int floorTop = height * 7 / 10;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint8_t* pixel = &m_room[(static_cast<std::size_t>(y) * width + x) * 3];
      const int light = 40 - (x + y) * 40 / (width + height);
      if (y < floorTop) {
        const int row = y / brick;
        const int column = (x + (row % 2) * brick) / (brick * 2);
        const bool mortar = y % brick == 0 || (x + (row % 2) * brick) % (brick * 2) == 0;
        const int shade = static_cast<int>(hash(column, row, 1) % 40);
        if (mortar)
          put(pixel, 150 + light, 160 + light, 165 + light);
        else
          put(pixel, 60 + shade + light, 70 + shade + light, 140 + shade + light);
      } else {
        const int tile = std::max(4, height / 12);
        const bool dark = ((x / tile) + ((y - floorTop) / tile)) % 2 != 0;
        put(pixel, (dark ? 70 : 120) + light, (dark ? 90 : 140) + light, (dark ? 100 : 150) + light);
      }
    }
  }
  // The box: coloured texels, smaller than one frame's step, so every pixel of it
  // shows another texel in the next frame.
  const int texel = std::max(2, width / 80);
  for (int y = 0; y < m_boxHeight; ++y) {
    for (int x = 0; x < m_boxWidth; ++x) {
      const std::uint32_t h = hash(x / texel, y / texel, 7);
      put(&m_box[(static_cast<std::size_t>(y) * m_boxWidth + x) * 3], h & 0xFF, (h >> 8) & 0xFF,
          (h >> 16) & 0xFF);
    }
  }
}

int DemoScene::boxLeft(std::int64_t index) const {
  const auto phase = static_cast<int>(index % kPeriodFrames);
  return -m_boxWidth + phase * m_step;
}

bool DemoScene::boxInView(std::int64_t index) const {
  const int left = boxLeft(index);
  return left + m_boxWidth > 0 && left < m_width;
}

void DemoScene::render(std::int64_t index, std::uint8_t* data, std::ptrdiff_t stride) const {
  const auto rowBytes = static_cast<std::size_t>(m_width) * 3;
  for (int y = 0; y < m_height; ++y) std::memcpy(data + y * stride, &m_room[y * rowBytes], rowBytes);
  if (!boxInView(index))
    return;
  const int left = boxLeft(index);
  const int from = std::max(0, left);
  const int to = std::min(m_width, left + m_boxWidth);
  for (int y = 0; y < m_boxHeight; ++y) {
    const std::uint8_t* boxRow = &m_box[(static_cast<std::size_t>(y) * m_boxWidth + (from - left)) * 3];
    std::memcpy(data + (m_boxTop + y) * stride + from * 3, boxRow, static_cast<std::size_t>(to - from) * 3);
  }
}
