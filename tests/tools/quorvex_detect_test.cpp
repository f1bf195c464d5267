#include "support/files.h"
#include "support/temp_home.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRect>

#include <gtest/gtest.h>

namespace {

struct DetectRun {
  int code = -1;
  QStringList lines;
  QString err;
};

// Frames are 40x30 grey pictures; a 4x3 grid makes 10x10 cells.
class QuorvexDetectTool : public testing::Test {
 protected:
  QString frame(const QString& name, const std::vector<QRect>& white = {},
                QColor base = QColor(100, 100, 100), QSize size = QSize(40, 30)) {
    QImage image(size, QImage::Format_RGB888);
    image.fill(base);
    for (const QRect& rect : white)
      for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x) image.setPixelColor(x, y, Qt::white);
    const QString path = m_home.file(name);
    EXPECT_TRUE(image.save(path));
    return path;
  }

  DetectRun run(const QStringList& args) {
    QProcess process;
    process.setWorkingDirectory(m_home.path());
    process.start(buildProgram("quorvex-detect"), args);
    EXPECT_TRUE(process.waitForFinished(30000)) << args.join(' ').toStdString();
    DetectRun result;
    result.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.lines = QString::fromUtf8(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
  }

  TempHome m_home;
};

TEST_F(QuorvexDetectTool, PrintsOneLinePerFrameAndGoesOnAfterAFrameSmallerThanTheGrid) {
  const QString still = frame("still.png");
  const QString moved = frame("moved.ppm", {QRect(10, 0, 10, 10), QRect(30, 20, 10, 5)});
  const DetectRun result =
      run({"--horz", "4", "--vert", "3", "--motion-sens", "1", "--cells", still, moved, moved, still});
  EXPECT_EQ(result.code, 0) << result.err.toStdString();
  const QStringList expected{
      "0 " + still + " changed=0 detected=0 cells=",
      "1 " + moved + " changed=1 detected=1 cells=1:0",  // (3,2) has only half its pixels changed
      "2 " + moved + " changed=0 detected=0 cells=",
      "3 " + still + " changed=1 detected=1 cells=1:0",
  };
  EXPECT_EQ(result.lines.join(u'\n').toStdString(), expected.join(u'\n').toStdString());

  const QString tiny = frame("tiny.png", {}, Qt::black, QSize(3, 3));
  const DetectRun tooSmall = run({"--horz", "4", "--vert", "3", tiny, tiny});
  EXPECT_EQ(tooSmall.code, 0) << tooSmall.err.toStdString();
  const QString error = " error=The frame of 3x3 pixels is smaller than the grid of 4x3 cells";
  EXPECT_EQ(tooSmall.lines, (QStringList{"0 " + tiny + error, "1 " + tiny + error}));
}

TEST_F(QuorvexDetectTool, OptionsReachTheDetector) {
  const QString still = frame("still.png");
  // Every component moved by 5: changed at the default tolerance 4, not at 5.
  const QString five = frame("five.png", {}, QColor(105, 105, 105));
  const QString two = frame("two.png", {QRect(0, 10, 10, 10), QRect(20, 0, 10, 10)});
  const QStringList grid{"--horz", "4", "--vert", "3", "--cells"};
  const struct {
    QStringList options;
    QString frame;
    QString expected;
  } cases[] = {
      {grid, five, "changed=12 detected=1 cells=0:0,0:1,0:2,1:0,1:1,1:2,2:0,2:1,2:2,3:0,3:1,3:2"},
      {grid + QStringList{"--grid-sens", "5"}, five, "changed=0 detected=0 cells="},
      {grid + QStringList{"--motion-sens", "3"}, two, "changed=2 detected=0 cells=0:1,2:0"},
      {grid + QStringList{"--motion-sens", "1", "--quick"}, two, "changed=1 detected=1 cells=0:1"},
      // The defaults: a 10x10 grid of 4x3-pixel cells and a threshold of 50. The
      // two white squares cover 8 and 6 cells by more than half.
      {{}, two, "changed=14 detected=0"},
  };
  for (const auto& c : cases) {
    const QStringList args = c.options + QStringList{still, c.frame};
    const DetectRun result = run(args);
    ASSERT_EQ(result.code, 0) << result.err.toStdString();
    ASSERT_EQ(result.lines.size(), 2) << args.join(' ').toStdString();
    EXPECT_EQ(result.lines[1], "1 " + c.frame + " " + c.expected) << args.join(' ').toStdString();
  }
}

TEST_F(QuorvexDetectTool, SavesOnlyTheDetectingFrames) {
  const QString still = frame("still.png");
  const QString moved = frame("moved.png", {QRect(0, 0, 40, 30)});
  const QString folder = m_home.file("out/detected");
  const DetectRun result = run({"--save-detected", folder, still, moved, moved, still});
  EXPECT_EQ(result.code, 0) << result.err.toStdString();
  EXPECT_EQ(QDir(folder).entryList(QDir::Files, QDir::Name), (QStringList{"1.png", "3.png"}));
  EXPECT_EQ(QImage(folder + "/1.png").convertToFormat(QImage::Format_RGB888),
            QImage(moved).convertToFormat(QImage::Format_RGB888));
  EXPECT_EQ(QImage(folder + "/3.png").convertToFormat(QImage::Format_RGB888),
            QImage(still).convertToFormat(QImage::Format_RGB888));
}

// The camera window's filter: a change of light over more than half the grid is no
// event, and motion needs two frames in a row; only events are saved.
TEST_F(QuorvexDetectTool, FilterOptionsJudgeEachFrameAsTheCameraWindowDoes) {
  const QString dark = frame("dark.png");
  const QString bright = frame("bright.png", {}, QColor(200, 200, 200));
  const QString boxLeft = frame("left.png", {QRect(0, 0, 10, 10)}, QColor(200, 200, 200));
  const QString boxRight = frame("right.png", {QRect(30, 20, 10, 10)}, QColor(200, 200, 200));
  const QString folder = m_home.file("events");
  const DetectRun result =
      run({"--horz", "4", "--vert", "3", "--motion-sens", "1", "--light-switch", "50", "--min-frames", "2",
           "--save-detected", folder, dark, bright, bright, boxLeft, boxRight});
  ASSERT_EQ(result.code, 0) << result.err.toStdString();
  EXPECT_EQ(result.lines, (QStringList{"0 " + dark + " changed=0 detected=0 verdict=still",
                                       "1 " + bright + " changed=12 detected=1 verdict=light-change",
                                       "2 " + bright + " changed=0 detected=0 verdict=still",
                                       "3 " + boxLeft + " changed=1 detected=1 verdict=unconfirmed",
                                       "4 " + boxRight + " changed=2 detected=1 verdict=motion"}));
  EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{"4.png"});

  const struct {
    QStringList options;
    QString message;
  } wrong[] = {{{"--light-switch", "101"}, "--light-switch takes 0 to 100, not 101"},
               {{"--min-frames", "0"}, "--min-frames takes 1 to 30, not 0"},
               {{"--min-frames", "two"}, "--min-frames needs a whole number, not \"two\""}};
  for (const auto& c : wrong) {
    const DetectRun refused = run(c.options + QStringList{dark, bright});
    EXPECT_EQ(refused.code, 2) << c.message.toStdString();
    EXPECT_TRUE(refused.err.contains(c.message)) << refused.err.toStdString();
    EXPECT_TRUE(refused.lines.isEmpty());
  }
}

TEST_F(QuorvexDetectTool, MaskLeavesOutItsPurplePixels) {
  const QString still = frame("still.png");
  const QString moved = frame("moved.png", {QRect(10, 0, 10, 10), QRect(30, 20, 10, 10)});
  QImage mask(40, 30, QImage::Format_RGB888);
  mask.fill(QColor(0x80, 0x00, 0x81));  // one step from purple: included
  for (int y = 0; y < 10; ++y)
    for (int x = 10; x < 20; ++x) mask.setPixelColor(x, y, QColor(0x80, 0x00, 0x80));
  ASSERT_TRUE(mask.save(m_home.file("mask.bmp")));
  const DetectRun result = run({"--horz", "4", "--vert", "3", "--motion-sens", "1", "--cells", "--mask",
                                m_home.file("mask.bmp"), still, moved});
  EXPECT_EQ(result.code, 0) << result.err.toStdString();
  EXPECT_EQ(result.lines.value(1), "1 " + moved + " changed=1 detected=1 cells=3:2");
}

// A frame that is missing, no picture, cut short or of another size than the
// first stops the run with status 1; a mask that cannot be used with status 2.
TEST_F(QuorvexDetectTool, StopsOnAFrameThatCannotBeUsedOrAMaskThatDoesNotFit) {
  const QString still = frame("still.png");
  const QString wide = frame("wide.png", {}, Qt::gray, QSize(41, 30));
  const QString broken = m_home.file("broken.png");
  writeFile(broken, "not a picture");
  const QString missing = m_home.file("missing.png");
  const QString mask = frame("mask.png");
  // Cut to a third: the readers fill in the rest and would report motion.
  QImage noise(40, 30, QImage::Format_RGB888);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) noise.setPixel(x, y, qRgb(x * 37 % 256, y * 91 % 256, (x * y) % 256));
  const auto cutToAThird = [&](const QString& name, const char* format, int quality) {
    const QString path = m_home.file(name);
    EXPECT_TRUE(noise.save(path, format, quality));
    const QByteArray bytes = readFile(path);
    writeFile(path, bytes.left(bytes.size() / 3));
    return path;
  };
  const QString cutJpeg = cutToAThird("cut.jpg", "JPEG", 100);
  const QString cutBmp = cutToAThird("cut.bmp", "BMP", -1);

  const struct {
    QStringList args;
    int code;
    QString named;
    int linesBefore;
  } cases[] = {
      {{still, still, missing, still}, 1, missing, 2},
      {{still, broken, still}, 1, broken, 1},
      {{still, cutJpeg, still}, 1, cutJpeg, 1},
      {{still, cutBmp, still}, 1, cutBmp, 1},
      {{still, still, wide, still}, 1, wide, 2},
      {{"--mask", mask, still, wide, still}, 1, wide, 1},
      {{"--mask", mask, wide}, 2, mask, 0},
      {{"--mask", missing, still}, 2, missing, 0},
  };
  for (const auto& c : cases) {
    const DetectRun result = run(c.args);
    EXPECT_EQ(result.code, c.code) << c.args.join(' ').toStdString();
    EXPECT_EQ(result.lines.size(), c.linesBefore) << c.args.join(' ').toStdString();
    EXPECT_TRUE(result.err.contains(c.named)) << result.err.toStdString();
  }
}

// The demo room is still until the object enters, a few seconds in; it then
// crosses the room and leaves it still again.
TEST_F(QuorvexDetectTool, RunsOnTheFramesOfAVideoSource) {
  const DetectRun result = run({"--source", "Demo=demo:", "--frames", "110"});
  ASSERT_EQ(result.code, 0) << result.err.toStdString();
  ASSERT_EQ(result.lines.size(), 110);
  long long lastFrameNumber = 0;
  int detections = 0;
  bool stillAfterMotion = false;
  for (int index = 0; index < result.lines.size(); ++index) {
    const QStringList fields = result.lines[index].split(u' ');
    ASSERT_EQ(fields.size(), 4) << result.lines[index].toStdString();
    EXPECT_EQ(fields[0], QString::number(index));
    EXPECT_GT(fields[1].toLongLong(), lastFrameNumber);  // frames of the source, in order
    lastFrameNumber = fields[1].toLongLong();
    detections += fields[3] == "detected=1";
    stillAfterMotion |= detections > 0 && fields[2] == "changed=0";
  }
  EXPECT_GT(detections, 0);
  EXPECT_EQ(result.lines.first().section(u' ', 2), "changed=0 detected=0");
  EXPECT_TRUE(stillAfterMotion);
}

TEST_F(QuorvexDetectTool, RefusesABadSourceOrFramesTogetherWithASource) {
  const QString still = frame("still.png");
  const struct {
    QStringList args;
    QString named;
  } cases[] = {
      {{"--source", "Cam=nonsense:xyz"}, "nonsense:xyz"},
      {{"--source", "Demo=demo:", still}, "either frame files or --source"},
      {{}, "either frame files or --source"},
  };
  for (const auto& c : cases) {
    const DetectRun result = run(c.args);
    EXPECT_EQ(result.code, 2) << c.args.join(' ').toStdString();
    EXPECT_TRUE(result.lines.isEmpty());
    EXPECT_TRUE(result.err.contains(c.named)) << result.err.toStdString();
  }
}

}  // namespace
