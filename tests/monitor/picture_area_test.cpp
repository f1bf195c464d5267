#include "monitor/picture_area.h"
#include "base/canvas.h"

#include <QAction>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

// A wide frame: left half red, right half blue, a green square in the bottom-right corner.
Canvas wideFrame() {
  QImage image(1280, 720, QImage::Format_RGB888);
  QPainter painter(&image);
  painter.fillRect(0, 0, 640, 720, Qt::red);
  painter.fillRect(640, 0, 640, 720, Qt::blue);
  painter.fillRect(1280 - 128, 720 - 128, 128, 128, Qt::green);
  return Canvas(image);
}

QColor shownAt(PictureArea& area, int x, int y) { return area.grab().toImage().pixelColor(x, y); }

}  // namespace

TEST(PictureAreaTest, FittedPictureShowsTheWholeFrameAndUnfittedItsTopLeftCorner) {
  Canvas canvas = wideFrame();
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
