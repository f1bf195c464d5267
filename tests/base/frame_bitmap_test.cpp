#include "base/frame_bitmap.h"
#include "base/canvas.h"
#include "base/handler_guard.h"
#include "support/scripted_prompts.h"

#include <gtest/gtest.h>

TEST(FrameBitmap, ConvertsAnyDepthToBlueGreenRedWithRowsPaddedToFourBytes) {
  QImage source(3, 2, QImage::Format_ARGB32);
  source.fill(QColor(0x12, 0x34, 0x56));  // red, green, blue
  const FrameBitmap frame(source);
  const FrameView view = frame.view();
  ASSERT_EQ(view.width, 3);
  ASSERT_EQ(view.height, 2);
  EXPECT_EQ(view.stride, 12);  // 9 bytes of pixels rounded up to 12
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) {
      EXPECT_EQ(view.row(y)[3 * x + 0], 0x56);
      EXPECT_EQ(view.row(y)[3 * x + 1], 0x34);
      EXPECT_EQ(view.row(y)[3 * x + 2], 0x12);
    }
}

TEST(FrameBitmap, RowZeroIsTheTopRowAndCopiesDoNotShareWrites) {
  FrameBitmap frame(2, 2);
  FrameBitmap copy = frame;
  frame.scanLine(0)[0] = 0xAB;
  EXPECT_EQ(frame.image().pixelColor(0, 0).blue(), 0xAB);
  EXPECT_EQ(frame.view().row(0)[0], 0xAB);
  EXPECT_EQ(copy.view().row(0)[0], 0);
  EXPECT_TRUE(FrameBitmap().isEmpty());
  EXPECT_EQ(FrameBitmap().view().data, nullptr);
}

TEST(Canvas, FramesTheInsideOfTheRectangleInTheBrushColour) {
  QImage image(6, 5, QImage::Format_RGB32);
  image.fill(Qt::black);
  Canvas canvas(image);
  canvas.setBrushColor(Qt::red);
  canvas.frameRect(QRect(QPoint(1, 1), QPoint(4, 3)));  // right and bottom inclusive here
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x) {
      const bool onBorder = x >= 1 && x <= 4 && y >= 1 && y <= 3 && (x == 1 || x == 4 || y == 1 || y == 3);
      EXPECT_EQ(canvas.image().pixelColor(x, y), onBorder ? QColor(Qt::red) : QColor(Qt::black))
          << x << "," << y;
    }
}

TEST(HandlerGuard, ShowsTheErrorTextInABoxTitledQuorvexAndGoesOn) {
  ScriptedPrompts prompts;
  bool after = false;
  guarded(prompts, [] { throw Error("Unable to write to /tmp/x"); });
  guarded(prompts, [&] { after = true; });
  ASSERT_EQ(prompts.shown.size(), 1);
  EXPECT_EQ(prompts.shown[0].text, "Unable to write to /tmp/x");
  EXPECT_EQ(prompts.shown[0].caption, "Quorvex");
  EXPECT_TRUE(after);

  guardedSilently([] { throw Error("dropped"); });
  EXPECT_EQ(prompts.shown.size(), 1);
}
