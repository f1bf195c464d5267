// Times the camera window's work on 1920x1080 frames:
// - the frame handler of a real TMotionForm (copy into LastFrame, paint, detect),
//   once with detection off, once on, once on with a mask file in use, and the
//   examined frames per second;
// - one motion snapshot the way the window saves it: stamp (bold), then find the
//   file name and encode and write the JPEG into a temporary picture folder.
// Prints the median of each step over the runs and ends with the line
// "EXAMINED_FPS <n> SNAPSHOT_MS <n>" (the snapshot is stamp + name + encode + write).

#include "base/app_services.h"
#include "base/clock.h"
#include "base/prompts.h"
#include "capture/ui/video_capture.h"
#include "capture/video_source.h"
#include "detect/mask_file.h"
#include "detect/my_motion.h"
#include "eventlog/date_time_text.h"
#include "monitor/bmp_to_jpeg.h"
#include "monitor/motion_options_panel.h"
#include "monitor/picture_folder.h"
#include "monitor/snapshot_stamp.h"
#include "monitor/t_motion_form.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kRuns = 60;
constexpr int kFrames = 300;

// Smooth shading with sensor noise: close to what a camera delivers, and as hard
// for the entropy coder.
// shift moves the shading to the right, as a panning camera would.
FrameBitmap cameraLikeFrame(std::uint32_t seed = 2026, int shift = 0) {
  FrameBitmap frame(kWidth, kHeight);
  std::uint32_t state = seed;
  for (int y = 0; y < kHeight; ++y) {
    std::uint8_t* row = frame.scanLine(y);
    for (int x = 0; x < kWidth; ++x) {
      for (int c = 0; c < 3; ++c) {
        state = state * 1664525u + 1013904223u;
        const int noise = int(state >> 29) - 4;  // -4..3
        const int shade = ((x + shift) * (c + 1) / 16 + y / (c + 2)) % 200 + 20;
        row[3 * x + c] = std::uint8_t(shade + noise);
      }
    }
  }
  return frame;
}

double milliseconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// What the camera window asks of the main window and of the user: nothing here.
class QuietServices final : public AppServices {
 public:
  void writeLogEntry(const QString&, const QString&, const QString&) override {}
  QString VideoSource() const override { return QStringLiteral("No Such Camera"); }
  void showBalloon(const QString&, const QString&) override {}
  bool AlarmSounding() const override { return false; }
  void PlaySoundAlarm() override {}
  qint32 ConnectionType() const override { return 0; }
  qint32 DailNum() const override { return -1; }
  void AcquireConnection() override {}
  void ReleaseConnection() override {}
  bool IsConnected(qint32) override { return false; }
  std::optional<QString> cameraCaption(qint32) const override { return std::nullopt; }
  void setCameraStatus(qint32, int, const QString&) override {}
  void startDelivery(DeliveryChannel, qint32) override {}
};

class QuietPrompts final : public Prompts {
 public:
  Answer messageBox(const Message&) override { return Answer::Ok; }
  void beep() override {}
};

// Median milliseconds of the window's frame handler over kFrames frames.
double frameHandlerMs(TMotionForm& window, const std::vector<FrameBitmap>& frames) {
  std::vector<double> handlerMs;
  for (int i = 0; i < kFrames; ++i) {
    const auto started = std::chrono::steady_clock::now();
    window.VideoCapture1BitmapGrabbed(window.VideoCapture1, frames[i % frames.size()]);
    handlerMs.push_back(milliseconds(std::chrono::steady_clock::now() - started));
  }
  return median(handlerMs);
}

// The frame handler of a real camera window, detection off and on; returns the
// examined frames per second.
double frameHandlerPart() {
  // A source that does not exist: the window stays stopped and only the frames
  // given here reach its handler.
  setVideoSources({{QStringLiteral("Bench"), QStringLiteral("test:black")}});
  QuietServices services;
  QuietPrompts prompts;
  const SystemClock clock;
  TMotionForm window(services, prompts, clock, ProgramPaths::locate(qEnvironmentVariable("QUORVEX_HOME")));
  window.setWindowTitle(QStringLiteral("Bench"));
  window.DetectOnStartTimer1->stop();
  // A still scene whose noise differs from frame to frame, as with a real sensor;
  // and a panning one, in which every cell changes and is outlined.
  std::vector<FrameBitmap> still, panning;
  for (std::uint32_t seed = 1; seed <= 4; ++seed) {
    still.push_back(cameraLikeFrame(seed));
    panning.push_back(cameraLikeFrame(seed, int(seed) * 40));
  }

  const double paintMs = frameHandlerMs(window, still);
  window.Panel1->CheckBox1->setChecked(true);
  while (window.DelayStart->isActive()) window.DelayStartTimer();
  int detections = 0;
  QObject::connect(window.MyMotion1, &MyMotion::OnDetected, [&] { ++detections; });
  const double stillMs = frameHandlerMs(window, still);
  const int stillDetections = std::exchange(detections, 0);
  const double panningMs = frameHandlerMs(window, panning);
  const int panningDetections = std::exchange(detections, 0);
  // "Use Mask" on with a saved mask of the frame's size, a quarter of it purple.
  QImage maskPicture(kWidth, kHeight, QImage::Format_RGB32);
  maskPicture.fill(Qt::white);
  for (int y = 0; y < kHeight / 2; ++y)
    for (int x = 0; x < kWidth / 2; ++x) maskPicture.setPixel(x, y, qRgb(0x80, 0x00, 0x80));
  saveMaskFile(maskFilePath(window.windowTitle()), maskPicture);
  window.Panel1->CheckBox11->setChecked(true);
  const double maskedMs = frameHandlerMs(window, panning);
  std::printf("frame handler %dx%d, %d frames each\n", kWidth, kHeight, kFrames);
  std::printf("median detection off: copy_paint_ms=%.2f\n", paintMs);
  std::printf("median still scene:   copy_paint_detect_ms=%.2f detect_ms=%.2f motion_events=%d\n", stillMs,
              stillMs - paintMs, stillDetections);
  std::printf("median panning scene: copy_paint_detect_ms=%.2f detect_ms=%.2f motion_events=%d\n", panningMs,
              panningMs - paintMs, panningDetections);
  std::printf(
      "median panning, masked: copy_paint_detect_ms=%.2f detect_ms=%.2f motion_events=%d mask_in_use=%d "
      "mask_builds=%d\n",
      maskedMs, maskedMs - paintMs, detections, window.MyMotion1->Masked() ? 1 : 0,
      window.MyMotion1->maskBuilds());
  // The slowest of the scenes counts.
  const double examineMs = std::max({stillMs, panningMs, maskedMs});
  setVideoSources({});
  return 1000.0 / examineMs;
}

// One motion snapshot; returns its median milliseconds.
double snapshotPart() {
  QTemporaryDir root;
  if (!root.isValid()) {
    std::fprintf(stderr, "cannot create a temporary folder\n");
    std::exit(1);
  }
  const PictureFolder folder(root.path());
  const SystemClock clock;
  const FrameBitmap frame = cameraLikeFrame();
  const QString caption = QStringLiteral("USB Video Camera");

  std::vector<double> stampMs, writeMs, totalMs;
  qint64 bytes = 0;
  for (int run = 0; run < kRuns; ++run) {
    const auto started = std::chrono::steady_clock::now();
    TBmpToJpeg writer;
    writer.Image = stampSnapshot(frame, caption, DateTimeText(clock.now()), StampStyle::Bold);
    const auto stamped = std::chrono::steady_clock::now();
    writer.SaveNewJpeg([&](int n) { return folder.motionSnapshot(clock, n); });
    const auto written = std::chrono::steady_clock::now();
    stampMs.push_back(milliseconds(stamped - started));
    writeMs.push_back(milliseconds(written - stamped));
    totalMs.push_back(milliseconds(written - started));
    bytes = QFileInfo(writer.JpegFile).size();
  }
  std::printf("snapshot %dx%d, %d runs, %lld bytes per file\n", kWidth, kHeight, kRuns,
              static_cast<long long>(bytes));
  std::printf("median stamp_ms=%.2f name_encode_write_ms=%.2f\n", median(stampMs), median(writeMs));
  return median(totalMs);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);  // the window, and fonts for the stamp
  QTemporaryDir home;            // the program folder, for the mask file
  if (!home.isValid()) {
    std::fprintf(stderr, "cannot create a temporary folder\n");
    return 1;
  }
  qputenv("QUORVEX_HOME", home.path().toLocal8Bit());
  const double examinedFps = frameHandlerPart();
  const double snapshotMs = snapshotPart();
  std::printf("EXAMINED_FPS %.1f SNAPSHOT_MS %.2f\n", examinedFps, snapshotMs);
  return 0;
}
