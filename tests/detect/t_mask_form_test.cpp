#include "detect/ui/t_mask_form.h"

#include "base/handler_guard.h"
#include "detect/mask_file.h"
#include "detect/my_motion.h"
#include "detect/ui/t_image.h"
#include "support/scripted_prompts.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

namespace {

constexpr QRgb kPurple = 0xFF800080;
constexpr QRgb kWhite = 0xFFFFFFFF;
const QPoint kImageOrigin(8, 88);

// A frame in which no pixel is white or purple and neighbours differ.
FrameBitmap makeFrame(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.setPixel(x, y, qRgb(50 + (x + y) % 100, 20 + y % 200, x % 200));
  return FrameBitmap(image);
}

QRect brush(QPoint centre, int s) { return QRect(centre.x() - s, centre.y() - s, 2 * s, 2 * s); }

// The rectangle around the pixels of the given colour; empty when there are none.
QRect boundsOf(const QImage& image, QRgb colour) {
  QRect bounds;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixel(x, y) == colour)
        bounds |= QRect(x, y, 1, 1);
  return bounds;
}

class MaskFormTest : public testing::Test {
 protected:
  MaskFormTest() : frame(makeFrame(160, 120)) {}

  void SetUp() override {
    form.GetImg(frame, 120, 160, "Cam");
    form.show();
  }

  TImage* image(const char* name) { return form.findChild<TImage*>(name); }
  const QImage& view() { return image("Image1")->picture(); }
  const QImage& mask() { return image("Image3")->picture(); }
  QPushButton* button(const char* name) { return form.findChild<QPushButton*>(name); }
  QSpinBox* drawSize() { return form.findChild<QSpinBox*>("AdvSpinEdit1"); }
  QRadioButton* viewItem(const QString& caption) {
    for (QRadioButton* radio : form.findChildren<QRadioButton*>())
      if (radio->text() == caption)
        return radio;
    return nullptr;
  }

  // Sends a mouse event where the window system would: to the visible control
  // under the point, given in picture coordinates.
  void mouse(QEvent::Type type, QPoint at, Qt::MouseButton button = Qt::NoButton,
             Qt::MouseButtons held = Qt::NoButton) {
    const QPoint inForm = at + kImageOrigin;
    QWidget* target = form.childAt(inForm);
    if (target == nullptr)
      target = &form;
    QMouseEvent event(type, target->mapFrom(&form, inForm), form.mapToGlobal(inForm), button, held,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(target, &event);
  }
  void click(QPoint at, Qt::MouseButton button) {
    mouse(QEvent::MouseMove, at);
    mouse(QEvent::MouseButtonPress, at, button, button);
    mouse(QEvent::MouseButtonRelease, at, button);
  }

  QImage frameImage() const { return frame.image().convertToFormat(QImage::Format_RGB32); }

  TempHome home;
  ScriptedPrompts prompts;
  TMaskForm form{prompts, home.path()};
  FrameBitmap frame;
};

TEST_F(MaskFormTest, StartsWithItsCaptionAndButtons) {
  EXPECT_EQ(form.objectName(), "MaskForm");
  EXPECT_EQ(form.windowTitle(), "Mask for Cam");
  EXPECT_EQ(button("BitBtn1")->text(), "Save Mask");
  EXPECT_EQ(button("BitBtn2")->text(), "Clear Mask");
  EXPECT_EQ(button("BitBtn3")->text(), "Complete");
  EXPECT_EQ(button("BitBtn4")->text(), "Cancel");
  EXPECT_FALSE(button("BitBtn1")->isEnabled());
  EXPECT_FALSE(button("BitBtn3")->isEnabled());
  EXPECT_TRUE(button("BitBtn2")->isEnabled());
  EXPECT_TRUE(button("BitBtn4")->isEnabled());
  ASSERT_NE(viewItem("Origional"), nullptr);
  ASSERT_NE(viewItem("Mask"), nullptr);
  EXPECT_TRUE(viewItem("Mask")->isChecked());
  EXPECT_EQ(drawSize()->value(), 7);
  EXPECT_EQ(form.findChild<QLabel*>("Shape1")->size(), QSize(15, 15));

  // A small frame leaves the window at its minimum size; a large one adds the margins.
  EXPECT_EQ(form.size(), QSize(374, 416));
  form.GetImg(makeFrame(640, 480), 480, 640, "Porch");
  EXPECT_EQ(form.size(), QSize(690, 630));
  EXPECT_EQ(form.windowTitle(), "Mask for Porch");
  EXPECT_EQ(image("Image1")->geometry(), QRect(kImageOrigin, QSize(640, 480)));
  EXPECT_EQ(image("Image2")->picture().size(), QSize(640, 480));
  // The first mask of the run is all white, and grows with the frame until strokes need keeping.
  EXPECT_EQ(mask().size(), QSize(640, 480));
  EXPECT_TRUE(boundsOf(mask(), kWhite) == QRect(0, 0, 640, 480));
}

TEST_F(MaskFormTest, ALeftClickPaintsOneDiscAroundThePointer) {
  const QPoint centre(50, 40);
  click(centre, Qt::LeftButton);

  EXPECT_EQ(boundsOf(view(), kPurple), brush(centre, 7));
  EXPECT_EQ(boundsOf(mask(), kPurple), brush(centre, 7));
  // A disc, not a square: corners of the brush rectangle stay as they were.
  EXPECT_EQ(view().pixel(43, 33), frameImage().pixel(43, 33));
  EXPECT_EQ(mask().pixel(56, 46), kWhite);
  for (QPoint inside : {QPoint(50, 40), QPoint(44, 40), QPoint(56, 40), QPoint(50, 34), QPoint(50, 46)}) {
    EXPECT_EQ(view().pixel(inside), kPurple) << inside.x() << "," << inside.y();
    EXPECT_EQ(mask().pixel(inside), kPurple) << inside.x() << "," << inside.y();
  }
  EXPECT_EQ(image("Image2")->picture(), frameImage());
  EXPECT_TRUE(button("BitBtn1")->isEnabled());
  EXPECT_TRUE(button("BitBtn3")->isEnabled());

  // After the release moving paints nothing more.
  mouse(QEvent::MouseMove, {120, 90});
  EXPECT_EQ(boundsOf(mask(), kPurple), brush(centre, 7));
}

TEST_F(MaskFormTest, DraggingPaintsAtEveryReportedPosition) {
  drawSize()->setValue(3);
  mouse(QEvent::MouseMove, {20, 20});
  mouse(QEvent::MouseButtonPress, {20, 20}, Qt::LeftButton, Qt::LeftButton);
  for (int x = 24; x <= 60; x += 4) mouse(QEvent::MouseMove, {x, 20}, Qt::NoButton, Qt::LeftButton);
  mouse(QEvent::MouseButtonRelease, {60, 20}, Qt::LeftButton);
  EXPECT_EQ(boundsOf(mask(), kPurple), QRect(QPoint(17, 17), QPoint(62, 22)));
}

TEST_F(MaskFormTest, ARightClickErasesASquareBackToTheFrameAndToWhite) {
  drawSize()->setValue(10);
  click({50, 50}, Qt::LeftButton);
  drawSize()->setValue(5);
  click({50, 50}, Qt::RightButton);

  const QRect square = brush({50, 50}, 5);
  for (int y = square.top(); y <= square.bottom(); ++y)
    for (int x = square.left(); x <= square.right(); ++x) {
      ASSERT_EQ(view().pixel(x, y), frameImage().pixel(x, y)) << x << "," << y;
      ASSERT_EQ(mask().pixel(x, y), kWhite) << x << "," << y;
    }
  // The stroke around the square stays.
  for (QPoint kept : {QPoint(44, 50), QPoint(55, 50), QPoint(50, 44), QPoint(50, 55)}) {
    EXPECT_EQ(view().pixel(kept), kPurple);
    EXPECT_EQ(mask().pixel(kept), kPurple);
  }
}

TEST_F(MaskFormTest, TheMiddleButtonDoesNothing) {
  click({50, 50}, Qt::MiddleButton);
  EXPECT_EQ(view(), frameImage());
  EXPECT_FALSE(boundsOf(mask(), kPurple).isValid());
  EXPECT_FALSE(button("BitBtn1")->isEnabled());
}

TEST_F(MaskFormTest, TheOrigionalViewShowsTheFrameAndIgnoresTheMouse) {
  click({30, 30}, Qt::LeftButton);
  const QImage painted = view();
  viewItem("Origional")->click();
  EXPECT_FALSE(image("Image1")->isVisible());
  EXPECT_TRUE(image("Image2")->isVisible());

  click({100, 80}, Qt::LeftButton);
  click({30, 30}, Qt::RightButton);
  EXPECT_EQ(view(), painted);
  EXPECT_EQ(boundsOf(mask(), kPurple), brush({30, 30}, 7));

  viewItem("Mask")->click();
  EXPECT_TRUE(image("Image1")->isVisible());
  EXPECT_FALSE(image("Image2")->isVisible());
  click({100, 80}, Qt::LeftButton);
  EXPECT_EQ(mask().pixel(100, 80), kPurple);
}

TEST_F(MaskFormTest, DrawSizeStaysWithin2And15AndSizesThePreview) {
  auto* shape = form.findChild<QLabel*>("Shape1");
  struct Case {
    int written, expected;
  };
  for (Case c : {Case{20, 15}, Case{1, 2}, Case{4, 4}}) {
    drawSize()->setValue(c.written);
    EXPECT_EQ(drawSize()->value(), c.expected);
    EXPECT_EQ(shape->size(), QSize(2 * c.expected + 1, 2 * c.expected + 1));
  }
  // An emptied field changes nothing; the brush keeps the last size.
  drawSize()->findChild<QLineEdit*>()->clear();
  EXPECT_EQ(shape->size(), QSize(9, 9));
  click({80, 60}, Qt::LeftButton);
  EXPECT_EQ(boundsOf(mask(), kPurple), brush({80, 60}, 4));
}

TEST_F(MaskFormTest, ClearMaskRestoresTheFrameAndWhitensTheMask) {
  click({30, 30}, Qt::LeftButton);
  button("BitBtn2")->click();
  EXPECT_EQ(view(), frameImage());
  EXPECT_EQ(boundsOf(mask(), kWhite), QRect(0, 0, 160, 120));
  EXPECT_TRUE(button("BitBtn1")->isEnabled());  // never disabled again
}

TEST_F(MaskFormTest, GetImgKeepsTheStrokesOfAnEarlierEditingInTheMask) {
  click({30, 30}, Qt::LeftButton);
  const FrameBitmap next = makeFrame(160, 120);
  form.GetImg(next, 120, 160, "Cam");
  EXPECT_EQ(view(), frameImage());
  EXPECT_EQ(boundsOf(mask(), kPurple), brush({30, 30}, 7));
}

TEST_F(MaskFormTest, SaveMaskWritesA4BitFileAndKeepsEditing) {
  // A frame of another depth than 24 bits: the file is 4 bits all the same.
  QImage grey(160, 120, QImage::Format_Grayscale8);
  grey.fill(90);
  form.GetImg(FrameBitmap(grey), 120, 160, "Cam");
  click({30, 30}, Qt::LeftButton);
  button("BitBtn1")->click();

  const QString path = home.file("Mask/Mask for Cam.bmp");
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray header = file.read(30);
  file.close();
  EXPECT_EQ(header.at(28), 4);
  EXPECT_EQ(loadMaskFile(path).image().convertToFormat(QImage::Format_RGB32), mask());
  EXPECT_TRUE(form.isVisible());
  EXPECT_TRUE(prompts.shown.isEmpty());

  // A second save overwrites the first.
  click({120, 90}, Qt::LeftButton);
  button("BitBtn1")->click();
  const QImage second = loadMaskFile(path).image();
  EXPECT_EQ(second.pixel(120, 90), kPurple);
  EXPECT_EQ(second.pixel(30, 30), kPurple);
  EXPECT_EQ(QDir(home.file("Mask")).entryList(QDir::Files), QStringList{"Mask for Cam.bmp"});
}

TEST_F(MaskFormTest, CompleteSavesAndClosesCancelOnlyCloses) {
  click({30, 30}, Qt::LeftButton);
  button("BitBtn4")->click();
  EXPECT_FALSE(form.isVisible());
  EXPECT_FALSE(QFileInfo::exists(maskFilePath(home.path(), "Cam")));

  form.show();
  button("BitBtn3")->click();
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(loadMaskFile(maskFilePath(home.path(), "Cam")).image().pixel(30, 30), kPurple);
}

TEST_F(MaskFormTest, ASaveThatCannotCreateTheFileIsShownAndTheEditorStaysOpen) {
  QFile blocker(home.file("Mask"));  // a file where the Mask folder belongs
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  click({30, 30}, Qt::LeftButton);

  button("BitBtn1")->click();
  button("BitBtn3")->click();
  ASSERT_EQ(prompts.shown.size(), 2);
  for (const Prompts::Message& message : prompts.shown) {
    EXPECT_TRUE(message.text.startsWith(
        QStringLiteral("Cannot create file \"%1\". ").arg(home.file("Mask/Mask for Cam.bmp"))))
        << message.text.toStdString();
    EXPECT_EQ(message.caption, "Quorvex");
  }
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(boundsOf(mask(), kPurple), brush({30, 30}, 7));
}

TEST_F(MaskFormTest, EditMaskOfAnInvalidFileShowsTheErrorAndNotTheEditor) {
  form.hide();
  QDir().mkpath(home.file("Mask"));
  QFile file(maskFilePath(home.path(), "Cam"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("not a bitmap");
  file.close();

  // As the camera window does: show the editor only after a successful call.
  guarded(prompts, [&] {
    form.EditMask(frame, 120, 160, "Cam");
    form.show();
  });
  ASSERT_EQ(prompts.shown.size(), 1);
  EXPECT_EQ(prompts.shown[0].text, "Bitmap image is not valid");
  EXPECT_FALSE(form.isVisible());
}

TEST_F(MaskFormTest, EditMaskOfASmallerMaskKeepsItsStrokesTopLeftAndSavesAtTheFrameSize) {
  QImage stored(320, 240, QImage::Format_RGB32);
  stored.fill(kWhite);
  for (int y = 10; y < 20; ++y)
    for (int x = 300; x < 320; ++x) stored.setPixel(x, y, kPurple);
  saveMaskFile(maskFilePath(home.path(), "Cam"), stored);

  const FrameBitmap large = makeFrame(640, 480);
  form.EditMask(large, 480, 640, "Cam");
  EXPECT_TRUE(button("BitBtn1")->isEnabled());
  EXPECT_TRUE(button("BitBtn3")->isEnabled());
  EXPECT_EQ(boundsOf(view(), kPurple), QRect(300, 10, 20, 10));
  EXPECT_EQ(view().pixel(299, 10), large.image().pixel(299, 10));

  click({500, 400}, Qt::LeftButton);
  button("BitBtn1")->click();
  const QImage saved =
      loadMaskFile(maskFilePath(home.path(), "Cam")).image().convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(saved.size(), QSize(640, 480));
  QImage expected(640, 480, QImage::Format_RGB32);
  expected.fill(kWhite);
  for (int y = 10; y < 20; ++y)
    for (int x = 300; x < 320; ++x) expected.setPixel(x, y, kPurple);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x)
      if (image("Image1")->picture().pixel(x, y) == kPurple && !QRect(300, 10, 20, 10).contains(x, y))
        expected.setPixel(x, y, kPurple);
  EXPECT_EQ(boundsOf(expected, kPurple), QRect(300, 10, 20, 10) | brush({500, 400}, 7));
  EXPECT_EQ(saved, expected);
}

TEST_F(MaskFormTest, APaintedRegionIsLeftOutOfDetection) {
  // Two 80x60 frames that differ only inside cell (1,1) of a 4x3 grid of 20x20 cells.
  const FrameBitmap before = makeFrame(80, 60);
  FrameBitmap after = before;
  for (int y = 20; y < 40; ++y)
    for (int x = 20; x < 40; ++x) std::fill_n(after.scanLine(y) + 3 * x, 3, 255 - after.scanLine(y)[3 * x]);

  form.GetImg(before, 60, 80, "Cam");
  drawSize()->setValue(15);
  click({30, 30}, Qt::LeftButton);  // a disc of radius 15 covers the whole cell
  button("BitBtn1")->click();
  const FrameBitmap storedMask = loadMaskFile(maskFilePath(home.path(), "Cam"));

  auto detections = [&](bool useMask) {
    MyMotion motion;
    motion.setHorzParts(4);
    motion.setVertParts(3);
    motion.setMotionSensitifity(1);
    motion.setMasked(useMask);
    int count = 0;
    QObject::connect(&motion, &MyMotion::OnDetected, [&count] { ++count; });
    Canvas canvas(QImage(80, 60, QImage::Format_RGB32));
    for (const FrameBitmap* frame : {&before, static_cast<const FrameBitmap*>(&after)}) {
      if (useMask)
        motion.DoDetectItMask(*frame, storedMask, canvas);
      else
        motion.DoDetectIt(*frame, canvas);
    }
    return count;
  };
  EXPECT_EQ(detections(true), 0);
  EXPECT_EQ(detections(false), 1);
}

}  // namespace
