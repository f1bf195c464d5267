#include "monitor/picture_area.h"
#include "base/canvas.h"
#include "base/frame_bitmap.h"
#include "support/event_loop.h"

#include <QAction>
#include <QGuiApplication>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

// A wide frame: left half red, right half blue, a green square in the bottom-right corner.
Canvas wideFrame(QImage::Format format = QImage::Format_RGB888) {
  QImage image(1280, 720, format);
  QPainter painter(&image);
  painter.fillRect(0, 0, 640, 720, Qt::red);
  painter.fillRect(640, 0, 640, 720, Qt::blue);
  painter.fillRect(1280 - 128, 720 - 128, 128, 128, Qt::green);
  return Canvas(image);
}

QColor shownAt(PictureArea& area, int x, int y) { return area.grab().toImage().pixelColor(x, y); }

struct PaintCounter : QObject {
  int paints = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    paints += event->type() == QEvent::Paint;
    return false;
  }
};

}  // namespace

TEST(PictureAreaTest, FittedPictureShowsTheWholeFrameAndUnfittedItsTopLeftCorner) {
  // The live frames' byte order and the other 24-bit one.
  for (const QImage::Format format : {QImage::Format_BGR888, QImage::Format_RGB888}) {
    SCOPED_TRACE(testing::Message() << "format " << format);
    Canvas canvas = wideFrame(format);
    PictureArea area(canvas, [] {});
    area.resize(320, 240);
    QPalette white = area.palette();
    white.setColor(QPalette::Window, Qt::white);
    area.setPalette(white);
    EXPECT_TRUE(area.FitPicture->isChecked());
    EXPECT_TRUE(area.FitPicture->isCheckable());
    EXPECT_EQ(area.FitPicture->text(), "Fit Picture");
    EXPECT_TRUE(area.actions().contains(area.FitPicture));
    EXPECT_EQ(area.contextMenuPolicy(), Qt::ActionsContextMenu);

    const struct {
      bool fit;
      QRect picture;
      QPoint at;
      QColor colour;
    } cases[] = {
        // 1280x720 in 320x240: 320x180, centred between white bands.
        {true, QRect(0, 30, 320, 180), {160, 10}, Qt::white},
        {true, QRect(0, 30, 320, 180), {5, 120}, Qt::red},
        {true, QRect(0, 30, 320, 180), {250, 120}, Qt::blue},
        {true, QRect(0, 30, 320, 180), {315, 205}, Qt::green},
        {true, QRect(0, 30, 320, 180), {160, 230}, Qt::white},
        {false, QRect(0, 0, 1280, 720), {5, 5}, Qt::red},
        {false, QRect(0, 0, 1280, 720), {315, 235}, Qt::red},
    };
    for (const auto& c : cases) {
      SCOPED_TRACE(testing::Message() << "fit " << c.fit << " at " << c.at.x() << "," << c.at.y());
      area.FitPicture->setChecked(c.fit);
      EXPECT_EQ(area.pictureRect(), c.picture);
      EXPECT_EQ(shownAt(area, c.at.x(), c.at.y()), c.colour);
    }

    // A repaint of part of the area draws that part where it belongs.
    area.FitPicture->setChecked(true);
    const QImage part = area.grab(QRect(150, 190, 170, 50)).toImage();
    EXPECT_EQ(part.pixelColor(5, 5), QColor(Qt::red));       // area 155,195
    EXPECT_EQ(part.pixelColor(20, 5), QColor(Qt::blue));     // area 170,195
    EXPECT_EQ(part.pixelColor(165, 15), QColor(Qt::green));  // area 315,205
    EXPECT_EQ(part.pixelColor(165, 45), QColor(Qt::white));  // area 315,235, below the picture
  }
}

// Headless, frames and marks are kept on the canvas but never painted.
TEST(PictureAreaTest, HeadlessPlatformPaintsNothingForNewFrames) {
  ASSERT_EQ(QGuiApplication::platformName(), "offscreen");
  Canvas canvas;
  PictureArea area(canvas, [] {});
  area.resize(320, 240);
  PaintCounter counter;
  area.installEventFilter(&counter);
  area.show();
  ASSERT_TRUE(waitUntil([&] { return counter.paints > 0; }));  // shown windows do paint here
  counter.paints = 0;
  QImage red(64, 48, QImage::Format_BGR888);
  red.fill(Qt::red);
  for (int frame = 0; frame < 3; ++frame) {
    area.showFrame(FrameBitmap(red));
    area.markMotion();
    runEvents(std::chrono::milliseconds(50));
  }
  EXPECT_EQ(counter.paints, 0);
  EXPECT_EQ(canvas.image().pixelColor(40, 40), QColor(Qt::red));
  EXPECT_EQ(shownAt(area, 300, 200), QColor(Qt::red));  // drawn when asked
}

TEST(PictureAreaTest, TallAreaCentresTheFittedPictureAcrossAndNoFrameShowsNothing) {
  Canvas canvas(QImage(640, 480, QImage::Format_RGB888));
  PictureArea area(canvas, [] {});
  area.resize(200, 400);
  EXPECT_EQ(area.pictureRect(), QRect(0, 125, 200, 150));
  area.resize(500, 150);
  EXPECT_EQ(area.pictureRect(), QRect(150, 0, 200, 150));
  canvas.image() = QImage();
  EXPECT_TRUE(area.pictureRect().isEmpty());
}

// The canvas carries the mark and the outlines; the frame it was given keeps its
// pixels, for snapshots and the next comparison.
TEST(PictureAreaTest, DrawingOnTheCanvasLeavesTheShownFrameUntouched) {
  Canvas canvas;
  PictureArea area(canvas, [] {});
  QImage grey(64, 48, QImage::Format_BGR888);
  grey.fill(Qt::gray);
  const FrameBitmap frame(grey);
  area.showFrame(frame);
  area.markMotion();
  canvas.frameRect(QRect(32, 24, 16, 16));
  EXPECT_EQ(canvas.image().pixelColor(20, 20), QColor(Qt::red));
  EXPECT_EQ(canvas.image().pixelColor(32, 30), QColor(Qt::white));
  EXPECT_EQ(frame.image().pixelColor(20, 20), QColor(Qt::gray));
  EXPECT_EQ(frame.image().pixelColor(32, 30), QColor(Qt::gray));
}
