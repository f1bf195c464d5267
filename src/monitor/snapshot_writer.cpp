#include "snapshot_writer.h"

#include "base/clock.h"
#include "base/error.h"
#include "eventlog/date_time_text.h"
#include "monitor/picture_folder.h"
#include "monitor/snapshot_stamp.h"

#include <QFileInfo>

#include <utility>

SnapshotWriter::SnapshotWriter(const Clock& clock, Notice notice, Log log)
    : m_clock(clock), m_notice(std::move(notice)), m_log(std::move(log)) {}

bool SnapshotWriter::write(SnapshotKind kind, const FrameBitmap& frame, const QString& caption,
                           const PictureFolder& folder) {
  const bool motion = kind == SnapshotKind::Motion;
  m_jpeg.Image = stampSnapshot(frame, caption, DateTimeText(m_clock.now()),
                               motion ? StampStyle::Bold : StampStyle::Regular);
  bool saved = false;
  if (motion) {
    saved = save([&] { m_jpeg.SaveNewJpeg([&](int n) { return folder.motionSnapshot(m_clock, n); }); });
  } else {
    m_jpeg.JpegFile = folder.timedSnapshot(m_clock);
    saved = save([this] { m_jpeg.SaveJpeg(); });
  }
  if (saved && motion)
    m_log(QStringLiteral("Motion Captured On "), QStringLiteral("Images"));
  else if (saved)
    m_log(QStringLiteral("Timed Capture Happend On "), QStringLiteral("Timed Capture"));
  return saved;
}

bool SnapshotWriter::save(const std::function<void()>& save) {
  try {
    save();
  } catch (const Error& error) {
    // A dated folder that could not be made on a full disk shows only as "no such file".
    const QString folder = QFileInfo(m_jpeg.JpegFile).absolutePath();
    if (!m_diskFull.failed(folder, QFileInfo::exists(folder) ? m_jpeg.systemError() : 0))
      m_diskFull.cannotSave(error.message());
    m_notice(m_diskFull.text());
    return false;
  }
  if (m_diskFull.saved())
    m_notice({});
  return true;
}
