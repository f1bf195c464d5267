#include "motion_form_fixture.h"

#include "detect/mask_file.h"

#include <QDir>
#include <QFileInfo>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>

namespace {

const QString kWrongSize =
    QStringLiteral("Mask is the wrong size! Mask Dropped!\rPlease Correct by Editing Mask.");
const QString kNoMask = QStringLiteral("No Mask Found!\rCreate one Now?");

// A mask of the frame size whose left `purpleColumns` pixels of each row are purple.
QImage maskWithLeftPart(int width, int height, int purpleColumns) {
  QImage mask(width, height, QImage::Format_RGB32);
  mask.fill(Qt::white);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < purpleColumns; ++x) mask.setPixel(x, y, qRgb(0x80, 0x00, 0x80));
  return mask;
}

}  // namespace

TEST_F(MotionFormTest, OpensPreviewingWithItsControlsAndWritesNoStartEntry) {
  TMotionForm& window = make(QStringLiteral("test:ball"));
  MotionOptionsPanel* p = window.Panel1;
  EXPECT_TRUE(window.VideoCapture1->Previewing());
  EXPECT_TRUE(window.VideoCapture1->isHidden());
  EXPECT_FALSE(p->Button1->isEnabled());
  EXPECT_TRUE(p->Button2->isEnabled());
  EXPECT_TRUE(services.calls.isEmpty()) << services.calls.join('\n').toStdString();
  EXPECT_EQ(window.size(), QSize(365, 345));
  EXPECT_TRUE(p->isHidden());
  EXPECT_FALSE(window.Panel2->isHidden());
  EXPECT_EQ(window.Panel2->text(), ">>");
  EXPECT_EQ(p->PageControl1->currentIndex(), 0);
  EXPECT_EQ(p->ComboBox2->count(), window.VideoCapture1->GetVideoFormatCount());
  EXPECT_EQ(p->ComboBox2->currentText(), "640x480x16b (YUY2)");

  EXPECT_EQ(window.StatusBar1->objectName(), "StatusBar1");
  const QList<QLabel*> panels = window.StatusBar1->findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
  ASSERT_EQ(panels.size(), 3);
  EXPECT_EQ(panels[0]->width(), 100);
  EXPECT_EQ(panels[1]->width(), 150);
  EXPECT_EQ(panels[2]->width(), 150);

  const struct {
    QCheckBox* box;
    const char* name;
    const char* caption;
    bool checked;
  } boxes[] = {{p->CheckBox1, "CheckBox1", "Detect Motion", false},
               {p->CheckBox7, "CheckBox7", "Timed Capture", false},
               {p->CheckBox2, "CheckBox2", "Capture Image", false},
               {p->CheckBox3, "CheckBox3", "FTP Image", false},
               {p->CheckBox4, "CheckBox4", "Email Image", false},
               {p->CheckBox8, "CheckBox8", "Sound Alarm", false},
               {p->CheckBox6, "CheckBox6", "Enable Quick Detect", false},
               {p->CheckBox9, "CheckBox9", "Show Moton Grid", true},
               {p->CheckBox10, "CheckBox10", "Show Balloon Messages", true},
               {p->CheckBox11, "CheckBox11", "Use Mask", false},
               {p->CheckBox12, "CheckBox12", "Email/FTP >1 Images", false}};
  for (const auto& expected : boxes) {
    EXPECT_EQ(expected.box->objectName(), expected.name);
    EXPECT_EQ(expected.box->text(), expected.caption) << expected.name;
    EXPECT_EQ(expected.box->isChecked(), expected.checked) << expected.name;
  }
  EXPECT_EQ(p->CheckBox12->toolTip(), "More Than One Image Attachments");
  const struct {
    SpinEdit* field;
    const char* name;
    int minimum, maximum, value;
  } fields[] = {{p->AdvSpinEdit1, "AdvSpinEdit1", 1, 10, 4},    {p->AdvSpinEdit2, "AdvSpinEdit2", 1, 100, 50},
                {p->AdvSpinEdit3, "AdvSpinEdit3", 2, 50, 10},   {p->AdvSpinEdit4, "AdvSpinEdit4", 2, 50, 10},
                {p->AdvSpinEdit5, "AdvSpinEdit5", 10, 600, 30}, {p->AdvSpinEdit6, "AdvSpinEdit6", 2, 10, 5},
                {p->AdvSpinEdit7, "AdvSpinEdit7", 10, 120, 10}};
  for (const auto& expected : fields) {
    EXPECT_EQ(expected.field->objectName(), expected.name);
    EXPECT_EQ(expected.field->minimum(), expected.minimum) << expected.name;
    EXPECT_EQ(expected.field->maximum(), expected.maximum) << expected.name;
    EXPECT_EQ(expected.field->text(), QString::number(expected.value)) << expected.name;
  }
  ASSERT_TRUE(waitForFrames(2));
  EXPECT_EQ(window.LastFrame.width(), 640);
  EXPECT_EQ(window.pictureCanvas().image().size(), QSize(640, 480));
  EXPECT_EQ(window.pictureCanvas().image(), window.LastFrame.image());  // scaled only when shown
}

TEST_F(MotionFormTest, StartRemovesTheSnapshotTemporaryOfAKilledRun) {
  const QString leftover = home.file(QStringLiteral("Images/08-12-2026/.Time 21-40-00 Nr 0.jpg.4242.part"));
  QDir().mkpath(QFileInfo(leftover).path());
  QFile file(leftover);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  ASSERT_TRUE(file.setFileTime(clock.now().addSecs(-3600), QFileDevice::FileModificationTime));
  file.close();
  make();
  EXPECT_FALSE(QFileInfo::exists(leftover));
}

TEST_F(MotionFormTest, StopStartAndLostDeviceSetTheButtonsAndAreLogged) {
  TMotionForm& window = make(QStringLiteral("test:ball"));
  MotionOptionsPanel* p = window.Panel1;
  p->CheckBox1->setChecked(true);
  p->Button2->click();
  EXPECT_FALSE(p->CheckBox1->isChecked());
  EXPECT_FALSE(window.VideoCapture1->Previewing());
  EXPECT_TRUE(p->Button1->isEnabled());
  EXPECT_FALSE(p->Button2->isEnabled());
  emit window.VideoCapture1->OnDeviceLost(window.VideoCapture1);  // while stopped: no box
  EXPECT_TRUE(prompts.shown.isEmpty());

  p->Button1->click();
  EXPECT_TRUE(window.VideoCapture1->Previewing());
  EXPECT_FALSE(p->Button1->isEnabled());
  EXPECT_TRUE(p->Button2->isEnabled());
  p->CheckBox1->setChecked(true);
  emit window.VideoCapture1->OnDeviceLost(window.VideoCapture1);
  EXPECT_EQ(shownTexts(), QStringList({"Device Cam Lost!"}));
  EXPECT_EQ(prompts.shown[0].icon, Prompts::Icon::Information);
  EXPECT_FALSE(p->CheckBox1->isChecked());
  EXPECT_FALSE(window.VideoCapture1->Previewing());
  // Waiting to reconnect: Stop ends it.
  EXPECT_TRUE(window.ReconnectTimer->isActive());
  EXPECT_EQ(window.statusPanelText(0), "Retry in 2 s");
  EXPECT_FALSE(p->Button1->isEnabled());
  EXPECT_TRUE(p->Button2->isEnabled());
  p->Button2->click();
  EXPECT_FALSE(window.ReconnectTimer->isActive());
  EXPECT_EQ(window.statusPanelText(0), "");
  EXPECT_TRUE(p->Button1->isEnabled());
  EXPECT_FALSE(p->Button2->isEnabled());

  const QString device = QStringLiteral("Device Events");
  EXPECT_EQ(services.calls,
            QStringList({logCall("Device Stopped By User on ", device), logCall("Device Lost on ", device),
                         logCall("Device Started By User on ", device), logCall("Device Lost on ", device),
                         logCall("Device Stopped By User on ", device)}));
}

TEST_F(MotionFormTest, CountdownShowsFiveToOneAndNoFrameIsExaminedBeforeItEnds) {
  TMotionForm& window = make();
  // Black and white in turn: every examined frame after the first is a motion event.
  QImage white(640, 480, QImage::Format_RGB32);
  white.fill(Qt::white);
  const FrameBitmap frames[] = {FrameBitmap(640, 480), FrameBitmap(white)};
  int handed = 0;
  const auto handFrame = [&] {
    const FrameBitmap& frame = frames[handed++ % 2];
    window.VideoCapture1BitmapGrabbed(window.VideoCapture1, frame);
    return frame.image() == window.pictureCanvas().image();  // painted as it came
  };
  QStringList texts;
  int balloonsBeforeEnd = -1;
  int painted = 0;
  window.Panel1->CheckBox1->setChecked(true);
  EXPECT_EQ(window.DelayStart->interval(), 1000);
  // The seconds are ticked here, with frames arriving in each of them.
  constexpr int kFramesPerSecond = 3;
  for (int second = 0; second < 10 && window.DelayStart->isActive(); ++second) {
    for (int frame = 0; frame < kFramesPerSecond; ++frame) painted += handFrame();
    balloonsBeforeEnd = services.callsStartingWith("balloon").size();
    window.DelayStartTimer();
    texts.append(window.statusPanelText(0));
  }
  EXPECT_FALSE(window.DelayStart->isActive());
  EXPECT_EQ(texts, QStringList({"Detecting in 5", "Detecting in 4", "Detecting in 3", "Detecting in 2",
                                "Detecting in 1", ""}));
  EXPECT_EQ(painted, 6 * kFramesPerSecond);  // frames were painted all along
  EXPECT_EQ(balloonsBeforeEnd, 0);
  handFrame();
  handFrame();
  EXPECT_FALSE(services.callsStartingWith("balloon").isEmpty());

  // Off during the countdown empties the panel; on again counts from 5.
  window.Panel1->CheckBox1->setChecked(false);
  window.Panel1->CheckBox1->setChecked(true);
  window.DelayStartTimer();
  window.DelayStartTimer();
  EXPECT_EQ(window.statusPanelText(0), "Detecting in 4");
  window.Panel1->CheckBox1->setChecked(false);
  EXPECT_EQ(window.statusPanelText(0), "");
  EXPECT_FALSE(window.DelayStart->isActive());
  window.Panel1->CheckBox1->setChecked(true);
  window.DelayStartTimer();
  EXPECT_EQ(window.statusPanelText(0), "Detecting in 5");
}

TEST_F(MotionFormTest, ChoosingAVideoModeTurnsDetectionOffAndResizesThePicture) {
  TMotionForm& window = make();
  detectNow();
  QComboBox* modes = window.Panel1->ComboBox2;
  const int small = modes->findText("320x240x24b (RGB24)");
  ASSERT_GE(small, 0) << modes->itemText(0).toStdString();
  modes->setCurrentIndex(small);
  emit modes->activated(small);
  EXPECT_FALSE(window.Panel1->CheckBox1->isChecked());
  EXPECT_TRUE(window.VideoCapture1->Previewing());
  ASSERT_TRUE(waitUntil([&] { return window.LastFrame.width() == 320; }));
  EXPECT_EQ(window.LastFrame.height(), 240);
  EXPECT_EQ(window.pictureCanvas().image().size(), QSize(320, 240));
}

TEST_F(MotionFormTest, StreamSourceListsItsVideoModeOnceItRuns) {
  TMotionForm& window =
      make(QStringLiteral("gst:videotestsrc ! video/x-raw,format=I420,width=176,height=144,framerate=15/1"));
  QComboBox* modes = window.Panel1->ComboBox2;
  ASSERT_TRUE(waitUntil([&] { return modes->count() > 0; }));
  EXPECT_EQ(modes->count(), 1);
  EXPECT_EQ(modes->currentText(), "176x144x12b");
  EXPECT_TRUE(window.VideoCapture1->Previewing());
  EXPECT_TRUE(waitForFrames(2));
  EXPECT_TRUE(shownTexts().isEmpty()) << shownTexts().join('|').toStdString();
}

TEST_F(MotionFormTest, OptionsPanelToggledTwiceReturnsTheWindowToItsWidth) {
  TMotionForm& window = make(QStringLiteral("test:ball"));
  const int width = window.width();
  window.Panel2->click();
  EXPECT_FALSE(window.Panel1->isHidden());
  EXPECT_TRUE(window.Panel2->isHidden());
  EXPECT_GE(window.Panel1->width(), MotionOptionsPanel::kWidth);
  EXPECT_EQ(window.width(), width + window.Panel1->width());
  window.Panel1->SpeedButton4->click();
  EXPECT_TRUE(window.Panel1->isHidden());
  EXPECT_FALSE(window.Panel2->isHidden());
  EXPECT_EQ(window.width(), width);
}

TEST_F(MotionFormTest, DetectorFieldsReachTheDetectorAndBoundMotion) {
  TMotionForm& window = make(QStringLiteral("test:ball"));
  MotionOptionsPanel* p = window.Panel1;
  MyMotion& detector = *window.MyMotion1;
  EXPECT_EQ(detector.GridSensitifity(), 3);
  p->AdvSpinEdit1->setValue(4);  // the value shown: no change reported
  EXPECT_EQ(detector.GridSensitifity(), 3);
  p->AdvSpinEdit1->setText("");  // no number reads as the minimum
  EXPECT_EQ(detector.GridSensitifity(), 1);
  p->AdvSpinEdit1->setValue(12);  // clamped as it is set
  EXPECT_EQ(p->AdvSpinEdit1->text(), "10");
  EXPECT_EQ(detector.GridSensitifity(), 10);

  p->AdvSpinEdit3->setValue(4);
  p->AdvSpinEdit4->setValue(5);
  EXPECT_EQ(detector.HorzParts(), 4);
  EXPECT_EQ(detector.VertParts(), 5);
  EXPECT_EQ(p->AdvSpinEdit2->maximum(), 20);
  EXPECT_EQ(p->AdvSpinEdit2->text(), "20");
  EXPECT_EQ(detector.MotionSensitifity(), 20);
  p->AdvSpinEdit3->setValue(10);  // a raised bound leaves "Motion" where it is
  EXPECT_EQ(p->AdvSpinEdit2->maximum(), 50);
  EXPECT_EQ(p->AdvSpinEdit2->text(), "20");

  p->AdvSpinEdit4->setValue(10);
  p->AdvSpinEdit3->setText("");  // the grid stays, the bound is still applied
  EXPECT_EQ(detector.HorzParts(), 10);
  EXPECT_EQ(p->AdvSpinEdit2->maximum(), 100);

  p->CheckBox6->setChecked(true);
  p->CheckBox9->setChecked(false);
  EXPECT_TRUE(detector.QuickDetect());
  EXPECT_FALSE(detector.ShowGrid());
}

TEST_F(MotionFormTest, UseMaskWithoutAFileAsksAndWithNoTheNextFrameDropsIt) {
  TMotionForm& window = make();
  detectNow();
  prompts.answerNext(Prompts::Answer::No);
  window.Panel1->CheckBox11->setChecked(true);
  ASSERT_EQ(prompts.shown.size(), 1);
  EXPECT_EQ(prompts.shown[0].text, kNoMask);
  EXPECT_EQ(prompts.shown[0].buttons, Prompts::Buttons::YesNo);
  EXPECT_EQ(prompts.shown[0].helpContext, 21);
  EXPECT_TRUE(window.Panel1->CheckBox11->isChecked());

  ASSERT_TRUE(waitUntil([&] { return !window.Panel1->CheckBox11->isChecked(); }));
  ASSERT_EQ(prompts.shown.size(), 2);
  EXPECT_EQ(prompts.shown[1].text, kWrongSize);
  EXPECT_EQ(prompts.shown[1].icon, Prompts::Icon::Error);
  EXPECT_EQ(prompts.shown[1].helpContext, 20);
  EXPECT_FALSE(window.MyMotion1->Masked());
  // Detection goes on without the mask, and the message is not repeated.
  const int balloons = services.callsStartingWith("balloon").size();
  ASSERT_TRUE(waitUntil([&] { return services.callsStartingWith("balloon").size() > balloons + 2; }));
  EXPECT_EQ(prompts.shown.size(), 2);
}

TEST_F(MotionFormTest, UseMaskWithoutAFileAnsweredYesOpensTheEditorAndTurnsItselfOff) {
  TMotionForm& window = make();
  ASSERT_TRUE(waitForFrames(1));
  prompts.answerNext(Prompts::Answer::Yes);
  window.Panel1->CheckBox11->setChecked(true);
  EXPECT_EQ(shownTexts(), QStringList({kNoMask}));
  EXPECT_FALSE(window.Panel1->CheckBox11->isChecked());
  EXPECT_FALSE(window.MyMotion1->Masked());
  QWidget* editor = nullptr;
  for (QWidget* top : QApplication::topLevelWidgets())
    if (top->inherits("TMaskForm"))
      editor = top;
  ASSERT_NE(editor, nullptr);
  EXPECT_TRUE(editor->isVisible());
  editor->hide();
}

TEST_F(MotionFormTest, MaskOfAnotherSizeIsDroppedAtTheFirstExaminedFrame) {
  saveMaskFile(maskFilePath(paths.programFolder, "Cam"), maskWithLeftPart(320, 240, 0));
  TMotionForm& window = make();
  window.Panel1->CheckBox11->setChecked(true);
  EXPECT_TRUE(window.MyMotion1->Masked());
  EXPECT_EQ(window.MaskImage.width(), 320);
  detectNow();
  ASSERT_TRUE(waitUntil([&] { return !window.Panel1->CheckBox11->isChecked(); }));
  EXPECT_EQ(shownTexts(), QStringList({kWrongSize}));
  EXPECT_FALSE(window.MyMotion1->Masked());
}

TEST_F(MotionFormTest, PaintedMaskRegionIsLeftOutOfDetection) {
  // The left half of the picture is masked: on snow every cell changes, so with
  // the mask only the right five columns of the 10 by 10 grid may count.
  saveMaskFile(maskFilePath(paths.programFolder, "Cam"), maskWithLeftPart(640, 480, 320));
  TMotionForm& window = make();
  window.Panel1->CheckBox11->setChecked(true);
  detectNow();
  ASSERT_TRUE(waitUntil([&] { return window.MyMotion1->lastChangedCells().size() >= 40; }));
  for (const MyMotion::Cell& cell : window.MyMotion1->lastChangedCells()) EXPECT_GE(cell.col, 5);
  EXPECT_TRUE(window.Panel1->CheckBox11->isChecked());
  EXPECT_TRUE(prompts.shown.isEmpty());

  ASSERT_TRUE(waitForFrames(3));
  EXPECT_EQ(window.MyMotion1->maskBuilds(), 1);  // one mask, folded once for every frame

  window.Panel1->CheckBox11->setChecked(false);  // without it, the left half counts again
  ASSERT_TRUE(waitUntil([&] { return window.MyMotion1->lastChangedCells().size() == 100; }));

  // Turned on again, the file is read afresh: the mask saved meanwhile is the one used.
  saveMaskFile(maskFilePath(paths.programFolder, "Cam"), maskWithLeftPart(640, 480, 560));
  window.Panel1->CheckBox11->setChecked(true);
  ASSERT_TRUE(waitForFrames(3));
  ASSERT_TRUE(waitUntil([&] { return window.MyMotion1->lastChangedCells().size() >= 10; }));
  for (const MyMotion::Cell& cell : window.MyMotion1->lastChangedCells()) EXPECT_GE(cell.col, 9);
  EXPECT_EQ(window.MyMotion1->maskBuilds(), 2);
}

TEST_F(MotionFormTest, MaskFileThatIsNoBitmapIsReportedAndNotUsed) {
  const QString path = maskFilePath(paths.programFolder, "Cam");
  QDir().mkpath(QFileInfo(path).path());
  writeFile(path, "not a bitmap");
  TMotionForm& window = make();
  window.Panel1->CheckBox11->setChecked(true);
  ASSERT_EQ(shownTexts(), QStringList({"Bitmap image is not valid"}));
  EXPECT_EQ(prompts.shown[0].caption, "Quorvex");
  EXPECT_FALSE(window.MyMotion1->Masked());
  EXPECT_TRUE(window.MaskImage.isEmpty());
}
