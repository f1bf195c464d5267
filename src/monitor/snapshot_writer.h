#pragma once

#include "base/disk_full_notice.h"
#include "base/frame_bitmap.h"
#include "monitor/bmp_to_jpeg.h"

#include <QString>

#include <functional>

class Clock;
class PictureFolder;

// The two kinds of snapshot the camera window saves.
enum class SnapshotKind {
  Motion,  // a detected frame, stamped bold, under the next free number
  Timed,   // the live frame on the capture timer, stamped regular, replacing one of the same second
};

// Stamps a frame, saves it as a JPEG into a picture folder and logs the capture.
// A failed save loses that snapshot and shows the outage once on the notice panel
// (cleared by the next save that works), so the camera goes on: a box per frame
// would bury the user.
class SnapshotWriter {
 public:
  using Notice = std::function<void(const QString& text)>;
  using Log = std::function<void(const QString& message, const QString& value)>;

  SnapshotWriter(const Clock& clock, Notice notice, Log log);

  // True when the snapshot was saved (and logged).
  bool write(SnapshotKind kind, const FrameBitmap& frame, const QString& caption,
             const PictureFolder& folder);

  // The last stamped snapshot.
  const FrameBitmap& stamped() const { return m_jpeg.Image; }

 private:
  bool save(const std::function<void()>& save);

  const Clock& m_clock;
  Notice m_notice;
  Log m_log;
  TBmpToJpeg m_jpeg;
  DiskFullNotice m_diskFull{QStringLiteral("snapshots")};
};
