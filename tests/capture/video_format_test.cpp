#include "capture/video_format.h"

#include <gtest/gtest.h>

namespace {

TVideoFormat format(const char* subtype, int width, int height, int bits, double rate = 0) {
  TVideoFormat result;
  result.MajorType = "video";
  result.SubType = subtype;
  result.Width = width;
  result.Height = height;
  result.BitCount = bits;
  result.FrameRate = result.MinFrameRate = result.MaxFrameRate = rate;
  return result;
}

}  // namespace

TEST(VideoFormat, TextNamesOnlyTheKnownSubtypes) {
  const struct {
    TVideoFormat format;
    const char* text;
  } cases[] = {
      {format("RGB24", 640, 480, 24), "640x480x24b (RGB24)"},
      {format("YUY2", 1920, 1080, 16), "1920x1080x16b (YUY2)"},
      {format("ARGB32", 8, 6, 32), "8x6x32b (ARGB32)"},
      {format("I420", 320, 240, 12), "320x240x12b"},
      {format("MJPG", 1280, 720, 24), "1280x720x24b"},
      {TVideoFormat{}, "0x0x0b"},
  };
  for (const auto& c : cases) EXPECT_EQ(VideoFormatToText(c.format), c.text);
}

TEST(VideoFormat, SameIgnoresMajorTypeAndRates) {
  TVideoFormat slow = format("YUY2", 640, 480, 16, 15);
  TVideoFormat fast = format("YUY2", 640, 480, 16, 30);
  fast.MajorType = "interleaved";
  EXPECT_TRUE(SameVideoFormat(slow, fast));
  EXPECT_FALSE(SameVideoFormat(slow, format("RGB24", 640, 480, 16)));
  EXPECT_FALSE(SameVideoFormat(slow, format("YUY2", 640, 481, 16)));
  EXPECT_FALSE(SameVideoFormat(slow, format("YUY2", 641, 480, 16)));
  EXPECT_FALSE(SameVideoFormat(slow, format("YUY2", 640, 480, 24)));
  EXPECT_FALSE(SameVideoFormat(TVideoFormat{}, slow));
  EXPECT_TRUE(TVideoFormat{}.isNone());
}
