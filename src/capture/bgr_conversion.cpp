#include "bgr_conversion.h"

#include <libyuv/convert_argb.h>

#include <cstring>

namespace {

const libyuv::YuvConstants* constantsFor(VideoSample::Matrix matrix) {
  switch (matrix) {
    case VideoSample::Matrix::Bt601: return &libyuv::kYuvI601Constants;
    case VideoSample::Matrix::Bt601Full: return &libyuv::kYuvJPEGConstants;
    case VideoSample::Matrix::Bt709: return &libyuv::kYuvH709Constants;
    case VideoSample::Matrix::Bt709Full: return &libyuv::kYuvF709Constants;
    case VideoSample::Matrix::Bt2020: return &libyuv::kYuv2020Constants;
    case VideoSample::Matrix::Bt2020Full: return &libyuv::kYuvV2020Constants;
  }
  return &libyuv::kYuvI601Constants;
}

int narrow(std::ptrdiff_t stride) { return static_cast<int>(stride); }

}  // namespace

// libyuv's "RGB24" is blue, green, red in memory: the bitmap's order.
bool convertToBgr(const VideoSample& sample, std::uint8_t* target, std::ptrdiff_t stride) {
  const auto& p = sample.planes;
  const auto& s = sample.strides;
  const int w = sample.width;
  const int h = sample.height;
  const int out = narrow(stride);
  const libyuv::YuvConstants* constants = constantsFor(sample.matrix);
  switch (sample.layout) {
    case VideoSample::Layout::None: return false;
    case VideoSample::Layout::Packed: {
      if (sample.packedFormat != QImage::Format_BGR888)
        return false;
      const auto rowBytes = static_cast<std::size_t>(w) * 3;
      for (int y = 0; y < h; ++y) std::memcpy(target + y * stride, p[0] + y * s[0], rowBytes);
      return true;
    }
    case VideoSample::Layout::I420:
      return libyuv::I420ToRGB24Matrix(p[0], narrow(s[0]), p[1], narrow(s[1]), p[2], narrow(s[2]), target,
                                       out, constants, w, h) == 0;
    case VideoSample::Layout::I422:
      return libyuv::I422ToRGB24Matrix(p[0], narrow(s[0]), p[1], narrow(s[1]), p[2], narrow(s[2]), target,
                                       out, constants, w, h) == 0;
    case VideoSample::Layout::Nv12:
      return libyuv::NV12ToRGB24Matrix(p[0], narrow(s[0]), p[1], narrow(s[1]), target, out, constants, w,
                                       h) == 0;
    case VideoSample::Layout::Nv21:
      return libyuv::NV21ToRGB24Matrix(p[0], narrow(s[0]), p[1], narrow(s[1]), target, out, constants, w,
                                       h) == 0;
  }
  return false;
}
