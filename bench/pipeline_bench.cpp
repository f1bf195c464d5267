// Times one motion snapshot of a 1920x1080 frame the way the camera window saves it:
// stamp (bold), then find the file name and encode and write the JPEG into a
// temporary picture folder. Prints the median of each step over the runs and ends
// with the line "SNAPSHOT_MS <n>" (stamp + name + encode + write).

#include "base/clock.h"
#include "eventlog/date_time_text.h"
#include "monitor/bmp_to_jpeg.h"
#include "monitor/picture_folder.h"
#include "monitor/snapshot_stamp.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kRuns = 60;

// Smooth shading with sensor noise: close to what a camera delivers, and as hard
// for the entropy coder.
FrameBitmap cameraLikeFrame() {
  FrameBitmap frame(kWidth, kHeight);
  std::uint32_t state = 2026;
  for (int y = 0; y < kHeight; ++y) {
    std::uint8_t* row = frame.scanLine(y);
    for (int x = 0; x < kWidth; ++x) {
      for (int c = 0; c < 3; ++c) {
        state = state * 1664525u + 1013904223u;
        const int noise = int(state >> 29) - 4;  // -4..3
        const int shade = (x * (c + 1) / 16 + y / (c + 2)) % 200 + 20;
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

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);  // fonts for the stamp
  QTemporaryDir root;
  if (!root.isValid()) {
    std::fprintf(stderr, "cannot create a temporary folder\n");
    return 1;
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
    writer.JpegFile = folder.nextMotionSnapshot(clock);
    writer.SaveJpeg();
    const auto written = std::chrono::steady_clock::now();
    stampMs.push_back(milliseconds(stamped - started));
    writeMs.push_back(milliseconds(written - stamped));
    totalMs.push_back(milliseconds(written - started));
    bytes = QFileInfo(writer.JpegFile).size();
  }
  std::printf("snapshot %dx%d, %d runs, %lld bytes per file\n", kWidth, kHeight, kRuns,
              static_cast<long long>(bytes));
  std::printf("median stamp_ms=%.2f name_encode_write_ms=%.2f\n", median(stampMs), median(writeMs));
  std::printf("SNAPSHOT_MS %.2f\n", median(totalMs));
  return 0;
}
