// Writes COUNT motion snapshots into FOLDER the way the camera window saves them,
// all at one fixed time, so that writers run side by side compete for the same
// names. Each picture is its own: WRITER and the index as black and white blocks.
// Usage: snapshot_writer FOLDER WRITER COUNT

#include "base/error.h"
#include "monitor/bmp_to_jpeg.h"
#include "monitor/picture_folder.h"
#include "support/fixed_clock.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// 64x48 pixels in 8x8 blocks, block k white when bit k of bits is set.
FrameBitmap blocks(std::uint64_t bits) {
  FrameBitmap picture(64, 48);
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x)
      if (bits >> (y / 8 * 8 + x / 8) & 1)
        std::memset(picture.scanLine(y) + 3 * x, 0xFF, 3);
  return picture;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fputs("usage: snapshot_writer FOLDER WRITER COUNT\n", stderr);
    return 2;
  }
  const PictureFolder folder(QString::fromLocal8Bit(argv[1]));
  const std::uint64_t writer = std::strtoull(argv[2], nullptr, 10);
  const int count = std::atoi(argv[3]);
  const FixedClock clock;  // 08-12-2026 21:46:10
  const QLocale british(QLocale::English, QLocale::UnitedKingdom);
  try {
    for (int i = 0; i < count; ++i) {
      TBmpToJpeg jpeg;
      jpeg.Image = blocks(writer << 16 | std::uint64_t(i));
      jpeg.SaveNewJpeg([&](int n) { return folder.motionSnapshot(clock, n, british); });
    }
  } catch (const Error& error) {
    std::fprintf(stderr, "%s\n", error.message().toLocal8Bit().constData());
    return 1;
  }
  return 0;
}
