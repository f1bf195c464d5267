#include "detect/my_motion.h"

#include "base/error.h"

#include <gtest/gtest.h>

#include <QRect>

#include <vector>

namespace {

using Cells = std::vector<MyMotion::Cell>;

FrameBitmap filled(int width, int height, std::uint8_t value) {
  FrameBitmap frame(width, height);
  for (int y = 0; y < height; ++y) std::fill_n(frame.scanLine(y), 3 * width, value);
  return frame;
}

// Moves every component of the first count pixels of rect, row by row, far
// enough to count as changed at any tolerance.
void changePixels(FrameBitmap& frame, const QRect& rect, int count) {
  for (int y = rect.top(); y <= rect.bottom() && count > 0; ++y)
    for (int x = rect.left(); x <= rect.right() && count > 0; ++x, --count)
      std::fill_n(frame.scanLine(y) + 3 * x, 3, frame.scanLine(y)[3 * x] + 100);
}

// A black canvas with the one-pixel frames of rects drawn in colour, pixel by pixel.
QImage outlined(QSize size, const std::vector<QRect>& rects, QColor colour = Qt::white) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::black);
  for (const QRect& r : rects)
    for (int y = r.top(); y <= r.bottom(); ++y)
      for (int x = r.left(); x <= r.right(); ++x)
        if (x == r.left() || x == r.right() || y == r.top() || y == r.bottom())
          image.setPixelColor(x, y, colour);
  return image;
}

Canvas blackCanvas(QSize size) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::black);
  return Canvas(image);
}

// Counts OnDetected and checks its sender.
struct DetectionCounter {
  explicit DetectionCounter(MyMotion& motion) {
    QObject::connect(&motion, &MyMotion::OnDetected, [this, &motion](MyMotion* sender) {
      EXPECT_EQ(sender, &motion);
      ++count;
    });
  }
  int count = 0;
};

// A worked example: 40x30, a 4x3 grid of 10x10 cells, T = 4; cell
// (1,0) has 60 changed pixels, (2,2) 51, (3,1) 50, the others 10.
class WorkedExample : public testing::Test {
 protected:
  WorkedExample() : before(filled(40, 30, 100)), after(before) {
    for (int col = 0; col < 4; ++col)
      for (int row = 0; row < 3; ++row) changePixels(after, cell(col, row), 10);
    changePixels(after, cell(1, 0), 60);
    changePixels(after, cell(2, 2), 51);
    changePixels(after, cell(3, 1), 50);
    motion.setHorzParts(4);
    motion.setVertParts(3);
    motion.setGridSensitifity(4);
    motion.setShowGrid(true);
  }
  static QRect cell(int col, int row) { return QRect(10 * col, 10 * row, 10, 10); }

  MyMotion motion;
  FrameBitmap before, after;
};

TEST_F(WorkedExample, OutlinesCountsAndFiresAsTheThresholdSays) {
  const struct {
    int motionSensitifity;
    bool quickDetect;
    Cells cells;
    int detections;
  } cases[] = {
      {2, false, {{1, 0}, {2, 2}}, 1},
      {2, true, {{1, 0}, {2, 2}}, 1},
      {3, false, {{1, 0}, {2, 2}}, 0},
      {1, true, {{1, 0}}, 1},  // stops at the first changed cell: (2,2) is not outlined
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "M=" << c.motionSensitifity << " quick=" << c.quickDetect);
    MyMotion detector;
    detector.setHorzParts(4);
    detector.setVertParts(3);
    detector.setGridSensitifity(4);
    detector.setShowGrid(true);
    detector.setMotionSensitifity(c.motionSensitifity);
    detector.setQuickDetect(c.quickDetect);
    DetectionCounter detections(detector);
    Canvas canvas = blackCanvas(QSize(40, 30));
    detector.DoDetectIt(before, canvas);
    canvas = blackCanvas(QSize(40, 30));
    detector.DoDetectIt(after, canvas);

    EXPECT_EQ(detector.lastChangedCells(), c.cells);
    EXPECT_EQ(detections.count, c.detections);
    std::vector<QRect> rects;
    for (const MyMotion::Cell& changed : c.cells) rects.push_back(cell(changed.col, changed.row));
    EXPECT_EQ(canvas.image(), outlined(QSize(40, 30), rects));
    EXPECT_EQ(detector.DetectedBitmap().image(), c.detections ? after.image() : QImage());
  }
}

TEST_F(WorkedExample, FirstPassAndEveryPassAfterASizeChangeFindNothing) {
  motion.setMotionSensitifity(1);
  DetectionCounter detections(motion);
  Canvas canvas = blackCanvas(QSize(40, 30));
  motion.DoDetectIt(after, canvas);
  EXPECT_EQ(detections.count, 0);
  EXPECT_TRUE(motion.lastChangedCells().empty());

  motion.DoDetectIt(before, canvas);  // compares with the frame before, detected or not
  EXPECT_EQ(detections.count, 1);

  FrameBitmap small = filled(20, 20, 30);
  motion.DoDetectIt(small, canvas);
  EXPECT_EQ(detections.count, 1);
  changePixels(small, QRect(0, 0, 20, 20), 400);
  motion.DoDetectIt(small, canvas);
  EXPECT_EQ(detections.count, 2);
}

TEST_F(WorkedExample, DrawsInTheBrushColourOnlyWithShowGrid) {
  Canvas canvas = blackCanvas(QSize(40, 30));
  canvas.setBrushColor(Qt::red);
  motion.DoDetectIt(before, canvas);
  motion.DoDetectIt(after, canvas);
  EXPECT_EQ(canvas.image(), outlined(QSize(40, 30), {cell(1, 0), cell(2, 2)}, Qt::red));

  motion.setShowGrid(false);
  Canvas untouched = blackCanvas(QSize(40, 30));
  motion.DoDetectIt(before, untouched);
  EXPECT_EQ(motion.lastChangedCells(), (Cells{{1, 0}, {2, 2}}));
  EXPECT_EQ(untouched.image(), outlined(QSize(40, 30), {}));
}

TEST_F(WorkedExample, DetectedBitmapIsReplacedWithoutAHandlerAndKeptUntilTheNextDetection) {
  motion.setMotionSensitifity(2);
  Canvas canvas;
  motion.DoDetectIt(before, canvas);
  motion.DoDetectIt(after, canvas);
  EXPECT_EQ(motion.DetectedBitmap().image(), after.image());
  motion.DoDetectIt(after, canvas);  // nothing moved
  EXPECT_TRUE(motion.lastChangedCells().empty());
  EXPECT_EQ(motion.DetectedBitmap().image(), after.image());
  motion.DoDetectIt(before, canvas);
  EXPECT_EQ(motion.DetectedBitmap().image(), before.image());
}

TEST_F(WorkedExample, MaskLeavesPixelsOutOnlyWhileMasked) {
  // Purple over the left half of cell (1,0): its 50 remaining pixels cannot be
  // more than half of its 100, even with all of them changed.
  FrameBitmap mask = filled(40, 30, 0x7F);
  for (int y = 0; y < 10; ++y)
    for (int x = 10; x < 15; ++x) std::copy_n("\x80\x00\x80", 3, mask.scanLine(y) + 3 * x);
  FrameBitmap allChanged = before;
  changePixels(allChanged, cell(1, 0), 100);
  motion.setMotionSensitifity(1);
  motion.setMasked(true);
  Canvas canvas;
  motion.DoDetectItMask(before, mask, canvas);
  motion.DoDetectItMask(allChanged, mask, canvas);
  EXPECT_TRUE(motion.lastChangedCells().empty());

  motion.setMasked(false);
  motion.DoDetectIt(before, canvas);
  EXPECT_EQ(motion.lastChangedCells(), (Cells{{1, 0}}));

  motion.setMasked(true);  // the stored mask is applied again
  motion.DoDetectIt(allChanged, canvas);
  EXPECT_TRUE(motion.lastChangedCells().empty());
}

// A window hands the detector the same mask with every frame; it is folded
// again only when its pixels or its size changed.
TEST_F(WorkedExample, MaskIsFoldedOnlyWhenItChanges) {
  FrameBitmap mask = filled(40, 30, 0xFF);
  FrameBitmap allChanged = before;
  changePixels(allChanged, cell(1, 0), 100);
  motion.setMotionSensitifity(1);
  motion.setMasked(true);
  Canvas canvas;
  for (int pass = 0; pass < 3; ++pass) motion.DoDetectItMask(before, mask, canvas);
  const FrameBitmap sharedCopy = mask;
  motion.DoDetectItMask(allChanged, sharedCopy, canvas);
  EXPECT_EQ(motion.lastChangedCells(), (Cells{{1, 0}}));
  EXPECT_EQ(motion.maskBuilds(), 1);

  // Written in place: purple over cell (1,0) takes effect on the next pass.
  for (int y = 0; y < 10; ++y)
    for (int x = 10; x < 20; ++x) std::copy_n("\x80\x00\x80", 3, mask.scanLine(y) + 3 * x);
  motion.DoDetectItMask(before, mask, canvas);
  motion.DoDetectItMask(allChanged, mask, canvas);
  EXPECT_TRUE(motion.lastChangedCells().empty());
  EXPECT_EQ(motion.maskBuilds(), 2);

  // A new frame size comes with a new mask, which is folded once.
  const FrameBitmap wideMask = filled(80, 30, 0xFF);
  for (int pass = 0; pass < 2; ++pass) motion.DoDetectItMask(filled(80, 30, 100), wideMask, canvas);
  EXPECT_EQ(motion.maskBuilds(), 3);
}

TEST_F(WorkedExample, RefusesAMaskOfAnotherSizeAndChangesNothing) {
  motion.setMotionSensitifity(1);
  motion.setMasked(true);
  Canvas canvas;
  motion.DoDetectIt(before, canvas);
  EXPECT_THROW(motion.DoDetectItMask(after, filled(40, 31, 0), canvas), Error);
  motion.DoDetectIt(after, canvas);  // still compared with before, unmasked
  EXPECT_EQ(motion.lastChangedCells(), (Cells{{1, 0}, {2, 2}}));

  motion.DoDetectItMask(after, filled(40, 30, 0), canvas);
  EXPECT_THROW(motion.DoDetectIt(filled(20, 20, 0), canvas), Error);
  motion.setMasked(false);
  EXPECT_NO_THROW(motion.DoDetectIt(filled(20, 20, 0), canvas));
}

TEST_F(WorkedExample, AFrameSmallerThanTheGridRaisesAnErrorAfterReplacingTheFrames) {
  motion.setMotionSensitifity(1);
  DetectionCounter detections(motion);
  Canvas canvas = blackCanvas(QSize(40, 30));
  motion.DoDetectIt(before, canvas);
  for (const FrameBitmap& tooSmall : {filled(3, 30, 0), filled(40, 2, 0), FrameBitmap()}) {
    try {
      motion.DoDetectIt(tooSmall, canvas);
      ADD_FAILURE() << "no error for " << tooSmall.width() << "x" << tooSmall.height();
    } catch (const Error& error) {
      EXPECT_TRUE(error.message().contains(QStringLiteral("smaller than the grid"))) << error.what();
    }
  }
  // The frame before is gone: this pass is like a first one.
  motion.DoDetectIt(after, canvas);
  EXPECT_EQ(detections.count, 0);
  EXPECT_EQ(canvas.image(), outlined(QSize(40, 30), {}));
}

TEST(MyMotion, ACellChangesAtMoreThanHalfItsPixels) {
  const struct {
    int width, height, changed;
    bool cellChanged;
  } cases[] = {{10, 10, 50, false}, {10, 10, 51, true}, {9, 11, 49, false}, {9, 11, 50, true}};
  for (const auto& c : cases) {
    MyMotion motion;
    motion.setHorzParts(1);
    motion.setVertParts(1);
    Canvas canvas;
    FrameBitmap frame = filled(c.width, c.height, 0);
    motion.DoDetectIt(frame, canvas);
    changePixels(frame, QRect(0, 0, c.width, c.height), c.changed);
    motion.DoDetectIt(frame, canvas);
    EXPECT_EQ(motion.lastChangedCells().size(), c.cellChanged ? 1u : 0u)
        << c.width << "x" << c.height << " with " << c.changed << " changed";
    EXPECT_EQ(motion.DetectedBitmap().isEmpty(), !c.cellChanged);
  }
}

TEST(MyMotion, ExaminesWholeCellsBeyondTheRequestedGridAndIgnoresTheStrips) {
  MyMotion motion;
  motion.setHorzParts(50);
  motion.setVertParts(50);
  motion.setMotionSensitifity(1);
  EXPECT_EQ(motion.MaxParts(), 2500);
  Canvas canvas;
  const FrameBitmap still = filled(640, 480, 50);
  motion.DoDetectIt(still, canvas);

  FrameBitmap corner = still;  // cell (52,52) covers x 624..635, y 468..476
  changePixels(corner, QRect(624, 468, 12, 9), 108);
  motion.DoDetectIt(corner, canvas);
  EXPECT_EQ(motion.lastChangedCells(), (Cells{{52, 52}}));

  FrameBitmap strips = still;  // the last 4 columns and 3 rows are never examined
  changePixels(strips, QRect(636, 0, 4, 480), 4 * 480);
  changePixels(strips, QRect(0, 477, 640, 3), 640 * 3);
  motion.DoDetectIt(still, canvas);
  motion.DoDetectIt(strips, canvas);
  EXPECT_TRUE(motion.lastChangedCells().empty());
}

TEST(MyMotion, CorrectsPropertiesWhenReadAndStoresTheCorrection) {
  const struct {
    int written, parts, gridSensitifity;
  } cases[] = {{0, 10, 4}, {-3, 1, 1}, {1, 1, 1}, {51, 50, 10}, {50, 50, 10}, {7, 7, 7}, {11, 11, 10}};
  for (const auto& c : cases) {
    MyMotion motion;
    motion.setHorzParts(c.written);
    motion.setVertParts(c.written);
    motion.setGridSensitifity(c.written);
    EXPECT_EQ(motion.HorzParts(), c.parts) << c.written;
    EXPECT_EQ(motion.VertParts(), c.parts) << c.written;
    EXPECT_EQ(motion.GridSensitifity(), c.gridSensitifity) << c.written;
  }

  const struct {
    int horz, vert, written, read;
  } motionCases[] = {{10, 10, 0, 50}, {1, 1, 0, 1},  {10, 10, 200, 100}, {10, 10, -5, 1},
                     {3, 1, 0, 1},    {0, 0, 0, 50}, {4, 5, 20, 20},     {4, 5, 21, 20}};
  for (const auto& c : motionCases) {
    MyMotion motion;
    motion.setHorzParts(c.horz);
    motion.setVertParts(c.vert);
    motion.setMotionSensitifity(c.written);
    EXPECT_EQ(motion.MotionSensitifity(), c.read) << c.horz << "x" << c.vert << " written " << c.written;
  }

  // The default follows the grid at its first reading and then stays.
  MyMotion motion;
  EXPECT_EQ(motion.MotionSensitifity(), 50);
  motion.setHorzParts(20);
  motion.setVertParts(20);
  EXPECT_EQ(motion.MotionSensitifity(), 50);
  motion.setHorzParts(2);
  motion.setVertParts(2);
  EXPECT_EQ(motion.MotionSensitifity(), 4);
}

}  // namespace
