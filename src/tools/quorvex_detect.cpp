// quorvex-detect: runs the motion detector over image files, one pass per file,
// or over the frames of a video source, to check footage or tune the settings offline.

#include "base/error.h"
#include "capture/capture_graph.h"
#include "capture/video_source.h"
#include "detect/motion_filter.h"
#include "detect/my_motion.h"
#include "frame_file.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QStringList>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>

namespace {

// Exit statuses: a frame file that cannot be used, and anything else that stops
// the run (the command line, the mask, the source, the output folder).
constexpr int kBadFrame = 1;
constexpr int kFailure = 2;

void printLine(const QString& line) {
  std::fputs((line + u'\n').toUtf8().constData(), stdout);
  std::fflush(stdout);
}

[[noreturn]] void fail(const QString& message, int status = kFailure) {
  std::fflush(stdout);
  std::fputs((QStringLiteral("quorvex-detect: ") + message + u'\n').toUtf8().constData(), stderr);
  std::exit(status);
}

FrameBitmap readImage(const QString& file, int status) {
  try {
    return readFrameFile(file);
  } catch (const Error& error) {
    fail(error.message(), status);
  }
}

// An option left out keeps the detector's own default (written as 0).
int numberOption(const QCommandLineParser& parser, const QString& name) {
  if (!parser.isSet(name))
    return 0;
  bool ok = false;
  const int value = parser.value(name).toInt(&ok);
  if (!ok)
    fail(QStringLiteral("--%1 needs a whole number, not \"%2\"").arg(name, parser.value(name)));
  return value;
}

QString verdictText(FrameVerdict verdict) {
  switch (verdict) {
    case FrameVerdict::Still: return QStringLiteral("still");
    case FrameVerdict::Unconfirmed: return QStringLiteral("unconfirmed");
    case FrameVerdict::Motion: return QStringLiteral("motion");
    case FrameVerdict::LightChange: return QStringLiteral("light-change");
    case FrameVerdict::LightChanging: return QStringLiteral("light-changing");
  }
  return {};
}

QString sizeText(QSize size) { return QStringLiteral("%1x%2").arg(size.width()).arg(size.height()); }

QString cellsText(const std::vector<MyMotion::Cell>& cells) {
  QStringList parts;
  for (const MyMotion::Cell& cell : cells) parts << QStringLiteral("%1:%2").arg(cell.col).arg(cell.row);
  return parts.join(u',');
}

// The capture component's error boxes, as lines on standard error.
class StderrPrompts final : public Prompts {
 public:
  Answer messageBox(const Message& message) override {
    QString text = message.text;
    text.replace(u'\r', u' ');
    std::fputs(QStringLiteral("quorvex-detect: %1: %2\n").arg(message.caption, text).toUtf8().constData(),
               stderr);
    return Answer::Ok;
  }
  void beep() override {}
};

// Runs a video source without a window and hands each grabbed frame, with the
// number of the source's frame it was taken from, to onFrame until it returns false.
class SourceReader final : public CaptureGraph {
 public:
  using CaptureGraph::CaptureGraph;
  std::function<bool(const FrameBitmap&, long long)> onFrame;

 private:
  void captureEvent(CaptureEvent event) override {
    if (event == CaptureEvent::FrameRendered) {
      ++m_rendered;
      GrabNextBitmap();
    } else if (event == CaptureEvent::DeviceLost || event == CaptureEvent::Aborted) {
      fail(QStringLiteral("the source %1 ended or was lost").arg(VideoDeviceFriendlyName()));
    }
  }
  void bitmapGrabbed(const FrameBitmap& frame) override {
    if (!onFrame(frame, m_rendered))
      QCoreApplication::quit();
  }

  long long m_rendered = 0;
};

int runSource(QCoreApplication& app, const QString& argument, int frameLimit,
              const std::function<void(const FrameBitmap&, const QString&)>& detect) {
  try {
    setVideoSources({VideoSourceEntry::parse(argument)});
  } catch (const Error& error) {
    fail(error.message());
  }
  StderrPrompts prompts;
  SourceReader reader(prompts);
  int delivered = 0;
  reader.onFrame = [&](const FrameBitmap& frame, long long frameNumber) {
    detect(frame, QString::number(frameNumber));
    return frameLimit <= 0 || ++delivered < frameLimit;
  };
  TGraphConfig config;
  config.WantPreview = true;
  config.WantBitmaps = true;
  config.DVResolution = TDVResolution::dvrDontWorry;
  config.VideoDeviceName = videoSources().front().name;
  reader.SetGraphConfig(config);
  if (!reader.Previewing())
    fail(QStringLiteral("cannot start the source %1").arg(argument));
  return app.exec();
}

}  // namespace

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("Runs the motion detector over frames, one pass per file."));
  parser.addHelpOption();
  parser.addOptions({
      {QStringLiteral("horz"), QStringLiteral("Grid columns."), QStringLiteral("N")},
      {QStringLiteral("vert"), QStringLiteral("Grid rows."), QStringLiteral("N")},
      {QStringLiteral("grid-sens"), QStringLiteral("Tolerance per colour component."), QStringLiteral("N")},
      {QStringLiteral("motion-sens"), QStringLiteral("Changed cells that make a detection."),
       QStringLiteral("N")},
      {QStringLiteral("quick"), QStringLiteral("Stop counting once the threshold is reached.")},
      {QStringLiteral("mask"), QStringLiteral("Mask picture; purple 0x800080 leaves pixels out."),
       QStringLiteral("FILE")},
      {QStringLiteral("cells"), QStringLiteral("List the changed cells as col:row.")},
      {QStringLiteral("save-detected"), QStringLiteral("Write each detecting frame as DIR/INDEX.png."),
       QStringLiteral("DIR")},
      {QStringLiteral("source"),
       QStringLiteral("Run on the frames of a video source instead of files (demo:, test:PATTERN, "
                      "file:///..., rtsp://..., http(s)://..., v4l2:///dev/videoN, gst:DESCRIPTION)."),
       QStringLiteral("NAME=URI")},
      {QStringLiteral("frames"), QStringLiteral("With --source, stop after N frames."), QStringLiteral("N")},
      {QStringLiteral("light-switch"),
       QStringLiteral("A frame with more than N percent of the cells changed is a change of light, not "
                      "motion (0-100, 0: off)."),
       QStringLiteral("N")},
      {QStringLiteral("min-frames"),
       QStringLiteral("Motion must be seen in N frames in a row to be an event (1-30)."),
       QStringLiteral("N")},
  });
  parser.addPositionalArgument(QStringLiteral("FRAME"), QStringLiteral("Image files, in order."),
                               QStringLiteral("[FRAME...]"));
  if (!parser.parse(app.arguments()))
    fail(parser.errorText());
  if (parser.isSet(QStringLiteral("help")))
    parser.showHelp(0);
  const QStringList frames = parser.positionalArguments();
  const QString source = parser.value(QStringLiteral("source"));
  if (frames.isEmpty() == source.isEmpty())
    fail(QStringLiteral("give either frame files or --source NAME=URI; see --help"));

  MyMotion motion;
  motion.setHorzParts(numberOption(parser, QStringLiteral("horz")));
  motion.setVertParts(numberOption(parser, QStringLiteral("vert")));
  motion.setGridSensitifity(numberOption(parser, QStringLiteral("grid-sens")));
  motion.setMotionSensitifity(numberOption(parser, QStringLiteral("motion-sens")));
  motion.setQuickDetect(parser.isSet(QStringLiteral("quick")));
  bool detected = false;
  QObject::connect(&motion, &MyMotion::OnDetected, [&detected](MyMotion*) { detected = true; });

  const QString maskFile = parser.value(QStringLiteral("mask"));
  std::optional<FrameBitmap> mask;
  if (!maskFile.isEmpty()) {
    mask = readImage(maskFile, kFailure);
    motion.setMasked(true);
  }
  const QString saveDir = parser.value(QStringLiteral("save-detected"));
  if (!saveDir.isEmpty() && !QDir().mkpath(saveDir))
    fail(QStringLiteral("cannot create the folder %1").arg(saveDir));
  const bool listCells = parser.isSet(QStringLiteral("cells"));
  // With a filter option, each frame also tells what the camera window makes of it,
  // and only motion events are saved.
  const bool filtering =
      parser.isSet(QStringLiteral("light-switch")) || parser.isSet(QStringLiteral("min-frames"));
  MotionFilter filter;
  const int lightSwitch = numberOption(parser, QStringLiteral("light-switch"));
  if (lightSwitch < 0 || lightSwitch > 100)
    fail(QStringLiteral("--light-switch takes 0 to 100, not %1").arg(lightSwitch));
  filter.setLightSwitchPercent(lightSwitch);
  const int minFrames =
      parser.isSet(QStringLiteral("min-frames")) ? numberOption(parser, QStringLiteral("min-frames")) : 1;
  if (minFrames < 1 || minFrames > MotionFilter::kMaxMotionFrames)
    fail(QStringLiteral("--min-frames takes 1 to %1, not %2")
             .arg(MotionFilter::kMaxMotionFrames)
             .arg(minFrames));
  filter.setMinMotionFrames(minFrames);

  Canvas canvas;  // nothing is drawn: ShowGrid stays off
  int index = 0;
  // One pass; prints the frame's line and saves it when it made a detection.
  const auto detectFrame = [&](const FrameBitmap& frame, const QString& label) {
    if (mask && mask->image().size() != frame.image().size())
      fail(QStringLiteral("the mask %1 is %2 pixels but the frame %3 is %4")
               .arg(maskFile, sizeText(mask->image().size()), label, sizeText(frame.image().size())));
    const int current = index++;
    detected = false;
    try {
      if (mask)
        motion.DoDetectItMask(frame, *mask, canvas);
      else
        motion.DoDetectIt(frame, canvas);
    } catch (const Error& error) {
      printLine(QStringLiteral("%1 %2 error=%3").arg(QString::number(current), label, error.message()));
      return;
    }
    QString line =
        QStringLiteral("%1 %2 changed=%3 detected=%4")
            .arg(QString::number(current), label, QString::number(motion.lastChangedCells().size()),
                 detected ? QStringLiteral("1") : QStringLiteral("0"));
    if (listCells)
      line += QStringLiteral(" cells=") + cellsText(motion.lastChangedCells());
    bool save = detected;
    if (filtering) {
      const FrameVerdict verdict = filter.judge(detected, motion.lastChangedCellTotal(), motion.MaxParts());
      line += QStringLiteral(" verdict=") + verdictText(verdict);
      save = verdict == FrameVerdict::Motion;
    }
    printLine(line);
    if (save && !saveDir.isEmpty()) {
      const QString target = QDir(saveDir).filePath(QStringLiteral("%1.png").arg(current));
      if (!motion.DetectedBitmap().image().save(target, "PNG"))
        fail(QStringLiteral("cannot write %1").arg(target));
    }
  };

  if (!source.isEmpty())
    return runSource(app, source, numberOption(parser, QStringLiteral("frames")), detectFrame);
  // Frames of one run come from one camera: a frame of another size is a wrong file.
  QSize firstSize;
  for (const QString& file : frames) {
    const FrameBitmap frame = readImage(file, kBadFrame);
    if (firstSize.isEmpty())
      firstSize = frame.image().size();
    else if (frame.image().size() != firstSize)
      fail(QStringLiteral("the frame %1 is %2 pixels but the first frame %3 is %4")
               .arg(file, sizeText(frame.image().size()), frames.first(), sizeText(firstSize)),
           kBadFrame);
    detectFrame(frame, file);
  }
  return 0;
}
