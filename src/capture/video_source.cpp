#include "video_source.h"

#include "base/error.h"
#include "capture/capture_source_p.h"

using namespace capture_detail;

namespace {

QList<VideoSourceEntry>& sourceList() {
  static QList<VideoSourceEntry> sources;
  return sources;
}

}  // namespace

VideoSourceEntry VideoSourceEntry::parse(const QString& argument) {
  const qsizetype separator = argument.indexOf(u'=');
  if (separator <= 0 || separator == argument.size() - 1)
    throw Error(QStringLiteral("Invalid video source \"%1\": expected NAME=URI").arg(argument));
  VideoSourceEntry entry{argument.left(separator), argument.mid(separator + 1)};
  // Building the source once finds a bad URI here rather than at the first preview.
  QString failure;
  if (!CaptureSource::createSourceElement(entry.uri, &failure))
    throw Error(QStringLiteral("Invalid video source \"%1\": %2").arg(argument, failure));
  return entry;
}

void setVideoSources(const QList<VideoSourceEntry>& sources) { sourceList() = sources; }

const QList<VideoSourceEntry>& videoSources() { return sourceList(); }
