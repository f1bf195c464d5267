// quorvex-detect: runs the motion detector over image files, one pass per file,
// to check footage or tune the settings offline.

#include "base/error.h"
#include "detect/my_motion.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QImageReader>
#include <QStringList>

#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

constexpr int kFailure = 2;

void printLine(const QString& line) {
  std::fputs((line + u'\n').toUtf8().constData(), stdout);
  std::fflush(stdout);
}

[[noreturn]] void fail(const QString& message) {
  std::fflush(stdout);
  std::fputs((QStringLiteral("quorvex-detect: ") + message + u'\n').toUtf8().constData(), stderr);
  std::exit(kFailure);
}

FrameBitmap readImage(const QString& file) {
  QImageReader reader(file);
  const QImage image = reader.read();
  if (image.isNull())
    fail(QStringLiteral("cannot read %1: %2").arg(file, reader.errorString()));
  return FrameBitmap(image);
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

QString sizeText(QSize size) { return QStringLiteral("%1x%2").arg(size.width()).arg(size.height()); }

QString cellsText(const std::vector<MyMotion::Cell>& cells) {
  QStringList parts;
  for (const MyMotion::Cell& cell : cells) parts << QStringLiteral("%1:%2").arg(cell.col).arg(cell.row);
  return parts.join(u',');
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
  });
  parser.addPositionalArgument(QStringLiteral("FRAME"), QStringLiteral("Image files, in order."),
                               QStringLiteral("FRAME..."));
  if (!parser.parse(app.arguments()))
    fail(parser.errorText());
  if (parser.isSet(QStringLiteral("help")))
    parser.showHelp(0);
  const QStringList frames = parser.positionalArguments();
  if (frames.isEmpty())
    fail(QStringLiteral("no frame given; see --help"));

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
    mask = readImage(maskFile);
    motion.setMasked(true);
  }
  const QString saveDir = parser.value(QStringLiteral("save-detected"));
  if (!saveDir.isEmpty() && !QDir().mkpath(saveDir))
    fail(QStringLiteral("cannot create the folder %1").arg(saveDir));
  const bool listCells = parser.isSet(QStringLiteral("cells"));

  Canvas canvas;  // nothing is drawn: ShowGrid stays off
  for (int index = 0; index < frames.size(); ++index) {
    const QString& file = frames[index];
    const FrameBitmap frame = readImage(file);
    if (mask && mask->image().size() != frame.image().size())
      fail(QStringLiteral("the mask %1 is %2 pixels but the frame %3 is %4")
               .arg(maskFile, sizeText(mask->image().size()), file, sizeText(frame.image().size())));
    detected = false;
    try {
      if (mask)
        motion.DoDetectItMask(frame, *mask, canvas);
      else
        motion.DoDetectIt(frame, canvas);
    } catch (const Error& error) {
      printLine(QStringLiteral("%1 %2 error=%3").arg(QString::number(index), file, error.message()));
      continue;
    }
    QString line = QStringLiteral("%1 %2 changed=%3 detected=%4")
                       .arg(QString::number(index), file, QString::number(motion.lastChangedCells().size()),
                            detected ? QStringLiteral("1") : QStringLiteral("0"));
    if (listCells)
      line += QStringLiteral(" cells=") + cellsText(motion.lastChangedCells());
    printLine(line);
    if (detected && !saveDir.isEmpty()) {
      const QString target = QDir(saveDir).filePath(QStringLiteral("%1.png").arg(index));
      if (!motion.DetectedBitmap().image().save(target, "PNG"))
        fail(QStringLiteral("cannot write %1").arg(target));
    }
  }
  return 0;
}
