// The image viewer on a large snapshot folder: how long until the strip is listed
// and its first screen of thumbnails drawn, and the longest the user-interface
// thread is held up while the strip is scrolled to its end page by page. Makes
// 5,000 quality-90 640x480 JPEGs and 300 at 1920x1080 once in a temporary folder.
//
//   build/bench/bench_viewer [--keep DIR]   (DIR: reuse or keep the pictures there)
//
// Prints VIEWER_FIRST_SCREEN_MS and VIEWER_MAX_UI_STALL_MS (goals: under 1000 and
// under 50), with the machine's load average before and after.
#include "base/program_paths.h"
#include "base/prompts.h"
#include "viewer/t_image_viewer_form.h"
#include "viewer/thumbnail_model.h"
#include "viewer/thumbnail_strip.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>

#include <time.h>
#include <algorithm>
#include <cstdio>

namespace {

constexpr int kSmallPictures = 5000;
constexpr int kLargePictures = 300;
constexpr int kVariants = 12;

class PrintedPrompts final : public Prompts {
 public:
  Answer messageBox(const Message& message) override {
    std::fprintf(stderr, "message: %s\n", qPrintable(message.text));
    return Answer::Ok;
  }
  void beep() override {}
};

// A camera-like picture: a gradient with noise and a few shapes, so that the
// JPEG data is as costly to decode as a real snapshot's.
QByteArray encodedPicture(QSize size, int variant) {
  QImage picture(size, QImage::Format_RGB32);
  QRandomGenerator random(quint32(variant * 7919 + size.width()));
  for (int y = 0; y < size.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
    for (int x = 0; x < size.width(); ++x) {
      const int noise = int(random.bounded(24));
      row[x] = qRgb((x * 255 / size.width() + noise + variant * 20) % 256,
                    (y * 255 / size.height() + noise) % 256, (x + y + variant * 13) % 256);
    }
  }
  QPainter painter(&picture);
  painter.setBrush(QColor::fromHsv(variant * 30 % 360, 200, 200));
  painter.drawEllipse(QRect(size.width() / 4, size.height() / 4, size.width() / 3, size.height() / 3));
  painter.end();
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!picture.save(&buffer, "JPG", 90))
    qFatal("cannot encode a JPEG");
  return bytes;
}

// Names in the strip's order: every 18th picture is a large one.
void makePictures(const QString& folder) {
  QList<QByteArray> small, large;
  for (int variant = 0; variant < kVariants; ++variant) {
    small.append(encodedPicture({640, 480}, variant));
    large.append(encodedPicture({1920, 1080}, variant));
  }
  for (int i = 0, largeMade = 0; i < kSmallPictures + kLargePictures; ++i) {
    const bool isLarge = largeMade < kLargePictures && i % 18 == 5;
    largeMade += isLarge;
    QFile file(QStringLiteral("%1/Time 10-12-2026 %2 Nr 0.jpg").arg(folder).arg(i, 5, 10, QChar(u'0')));
    if (!file.open(QIODevice::WriteOnly) || file.write((isLarge ? large : small)[i % kVariants]) < 0)
      qFatal("cannot write %s", qPrintable(file.fileName()));
  }
}

QString loadAverage() {
  QFile file(QStringLiteral("/proc/loadavg"));
  return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()).section(u' ', 0, 2)
                                        : QString("?");
}

qint64 threadMicroseconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return qint64(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

bool screenDrawn(const ThumbnailStrip& strip) {
  const QList<int> rows = strip.visibleRows();
  return !rows.isEmpty() && std::all_of(rows.begin(), rows.end(), [&](int row) {
    return strip.thumbnails()->state(row) == ThumbnailModel::State::Loaded;
  });
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const QStringList arguments = app.arguments();
  QTemporaryDir temporary;
  const qsizetype keep = arguments.indexOf(QStringLiteral("--keep"));
  const QString home = keep > 0 && keep + 1 < arguments.size() ? arguments[keep + 1] : temporary.path();
  const QString images = home + QStringLiteral("/Images");
  QDir().mkpath(images);
  if (QDir(images).entryList({QStringLiteral("*.jpg")}, QDir::Files).size() !=
      kSmallPictures + kLargePictures) {
    QElapsedTimer making;
    making.start();
    makePictures(images);
    std::printf("made %d pictures in %s in %.1f s\n", kSmallPictures + kLargePictures, qPrintable(images),
                making.elapsed() / 1000.0);
  }
  std::printf("load average before: %s\n", qPrintable(loadAverage()));

  PrintedPrompts prompts;
  TImageViewerForm form(prompts, ProgramPaths::locate(home));
  ThumbnailStrip& strip = *form.ThumbnailList1;

  QElapsedTimer clock;
  clock.start();
  form.show();  // lists the folder (FormShow) and lays the strip out
  while (!screenDrawn(strip)) app.processEvents(QEventLoop::AllEvents, 5);
  app.processEvents();  // the repaint of the arrived thumbnails
  const qint64 firstScreen = clock.elapsed();
  std::printf("strip: %d thumbnails, %lld on the first screen\n", strip.count(),
              static_cast<long long>(strip.visibleRows().size()));
  std::printf("VIEWER_FIRST_SCREEN_MS %lld\n", static_cast<long long>(firstScreen));

  // A fast scroll: a page every frame (16 ms) to the end. A 2 ms probe timer
  // measures how late the event loop comes round; its worst gap is the stall.
  QScrollBar* bar = strip.horizontalScrollBar();
  qint64 worstGap = 0;
  QElapsedTimer sinceProbe;
  QTimer probe;
  probe.setTimerType(Qt::PreciseTimer);
  probe.setInterval(2);
  // The thread's own processor time in that gap tells its work from waiting for a
  // core that other programs hold.
  qint64 worstBusyMicroseconds = 0;
  qint64 busyBefore = threadMicroseconds();
  QObject::connect(&probe, &QTimer::timeout, [&] {
    worstGap = std::max(worstGap, sinceProbe.restart());
    const qint64 busy = threadMicroseconds();
    worstBusyMicroseconds = std::max(worstBusyMicroseconds, busy - busyBefore);
    busyBefore = busy;
  });
  QTimer scroller;
  scroller.setInterval(16);
  QEventLoop loop;
  QElapsedTimer scrolling;
  QObject::connect(&scroller, &QTimer::timeout, [&] {
    if (bar->value() < bar->maximum()) {
      bar->setValue(bar->value() + bar->pageStep());
    } else if (screenDrawn(strip)) {
      loop.quit();
    }
  });
  sinceProbe.start();
  scrolling.start();
  probe.start();
  scroller.start();
  loop.exec();
  probe.stop();
  int decoded = 0;
  for (int row = 0; row < strip.count(); ++row)
    decoded += strip.thumbnails()->state(row) != ThumbnailModel::State::NotLoaded;
  std::printf("scrolled %d pages to the end in %.1f s; %d thumbnails decoded (the rest were scrolled past)\n",
              bar->maximum() / std::max(1, bar->pageStep()), scrolling.elapsed() / 1000.0, decoded);
  // The probe's own interval is not a stall.
  std::printf("VIEWER_MAX_UI_STALL_MS %lld\n", static_cast<long long>(std::max<qint64>(0, worstGap - 2)));
  std::printf("longest processor time of the user-interface thread between two probes: %.1f ms\n",
              worstBusyMicroseconds / 1000.0);
  std::printf("load average after: %s\n", qPrintable(loadAverage()));
  return 0;
}
