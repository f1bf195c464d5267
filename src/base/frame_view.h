#pragma once

#include <cstddef>
#include <cstdint>

// A read-only look at 24-bit pixels: three bytes per pixel in blue, green, red
// order, row y starting at data + y * stride, row 0 the top row. Kept free of Qt
// types so the hot paths over it can be measured and vectorised on their own.
struct FrameView {
  const std::uint8_t* data = nullptr;
  int width = 0;
  int height = 0;
  std::ptrdiff_t stride = 0;

  const std::uint8_t* row(int y) const { return data + y * stride; }
};
