#include "monitor/snapshot_stamp.h"

#include <gtest/gtest.h>

namespace {

constexpr int kMargin = 20;
const QString kDate = QStringLiteral("08-12-2026 21-46-10");

FrameBitmap greyFrame(int width, int height) {
  FrameBitmap frame(width, height);
  for (int y = 0; y < height; ++y) std::memset(frame.scanLine(y), 0x80, size_t(width) * 3);
  return frame;
}

bool isWhite(const QImage& image, int x, int y) {
  const std::uint8_t* p = image.constScanLine(y) + 3 * x;
  return p[0] == 0xFF && p[1] == 0xFF && p[2] == 0xFF;
}

// Columns [left, right) of rows [top, bottom) that hold a non-white pixel.
struct Ink {
  int pixels = 0;
  int leftmost = -1;
  int rightmost = -1;
};

Ink inkIn(const QImage& image, int top, int bottom, int left, int right) {
  Ink ink;
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) {
      if (isWhite(image, x, y))
        continue;
      ++ink.pixels;
      ink.leftmost = ink.leftmost < 0 ? x : std::min(ink.leftmost, x);
      ink.rightmost = std::max(ink.rightmost, x);
    }
  }
  return ink;
}

// The band's text height, from the stamped size: H' = H + 2 * th + 5.
int textHeight(const FrameBitmap& stamped, int frameHeight) {
  const int extra = stamped.height() - frameHeight - 5;
  EXPECT_EQ(extra % 2, 0);
  return extra / 2;
}

}  // namespace

TEST(SnapshotStampTest, BandBelowTheFrameHoldsCaptionAboveDateRightAligned) {
  const struct {
    int width, height;
    StampStyle style;
  } cases[] = {{640, 480, StampStyle::Bold}, {640, 480, StampStyle::Regular}, {320, 240, StampStyle::Bold}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " bold "
                                    << (c.style == StampStyle::Bold));
    const FrameBitmap frame = greyFrame(c.width, c.height);
    const FrameBitmap stamped = stampSnapshot(frame, QStringLiteral("Cam 1"), kDate, c.style);
    const QImage& image = stamped.image();
    const int th = textHeight(stamped, c.height);
    EXPECT_GE(th, 8);  // 8 points at 96 dots per inch, with leading
    EXPECT_LE(th, 24);
    ASSERT_EQ(stamped.width(), c.width);
    const int h = stamped.height();

    for (int y = 0; y < c.height; ++y)  // the frame is kept unchanged at the top
      ASSERT_EQ(std::memcmp(image.constScanLine(y), frame.image().constScanLine(y), size_t(c.width) * 3), 0);
    EXPECT_EQ(inkIn(image, c.height, h - 2 * th, 0, c.width).pixels, 0);  // the 5-row gap
    EXPECT_EQ(inkIn(image, c.height, h, c.width - kMargin, c.width).pixels, 0);

    const Ink caption = inkIn(image, h - 2 * th, h - th, 0, c.width);
    const Ink date = inkIn(image, h - th, h, 0, c.width);
    ASSERT_GT(caption.pixels, 0);
    ASSERT_GT(date.pixels, 0);
    // Both end at the margin (the last glyph's ink sits a pixel or two inside its advance).
    EXPECT_GE(caption.rightmost, c.width - kMargin - 4);
    EXPECT_GE(date.rightmost, c.width - kMargin - 4);
    // "Quorvex : 08-12-2026 21-46-10" is far wider than "Cam 1".
    EXPECT_LT(date.leftmost, caption.leftmost - 50);
  }
}

TEST(SnapshotStampTest, BoldAndRegularDiffer) {
  const FrameBitmap frame = greyFrame(320, 240);
  const FrameBitmap bold = stampSnapshot(frame, QStringLiteral("Cam 1"), kDate, StampStyle::Bold);
  const FrameBitmap regular = stampSnapshot(frame, QStringLiteral("Cam 1"), kDate, StampStyle::Regular);
  const Ink boldInk = inkIn(bold.image(), 240, bold.height(), 0, 320);
  const Ink regularInk = inkIn(regular.image(), 240, regular.height(), 0, 320);
  EXPECT_GT(boldInk.pixels, regularInk.pixels);
}

TEST(SnapshotStampTest, CaptionWiderThanTheFrameIsCutAtTheLeftEdge) {
  const FrameBitmap frame = greyFrame(160, 120);
  const QString caption = QStringLiteral("A very long camera caption that cannot fit in the frame");
  const FrameBitmap stamped = stampSnapshot(frame, caption, kDate, StampStyle::Bold);
  const QImage& image = stamped.image();
  const int th = textHeight(stamped, 120);
  const int h = stamped.height();
  const Ink ink = inkIn(image, h - 2 * th, h - th, 0, 160);
  EXPECT_LE(ink.leftmost, 1);  // the text runs on past the left edge
  EXPECT_GE(ink.rightmost, 160 - kMargin - 4);
  EXPECT_EQ(inkIn(image, 120, h, 160 - kMargin, 160).pixels, 0);
}

TEST(SnapshotStampTest, EmptyFrameGivesAnEmptyPicture) {
  EXPECT_TRUE(stampSnapshot(FrameBitmap(), QStringLiteral("Cam 1"), kDate, StampStyle::Regular).isEmpty());
}
