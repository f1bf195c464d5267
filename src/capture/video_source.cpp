#include "video_source.h"

#include "base/error.h"
#include "capture/capture_source_p.h"

using namespace capture_detail;

namespace {

QList<VideoSourceEntry>& sourceList() {
  static QList<VideoSourceEntry> sources;
  return sources;
}

// The name heads the camera's lines in the event log ("[NAME]") and its window;
// a line break or another control character would cut or hide it.
void checkName(const QString& name) {
  for (qsizetype i = 0; i < name.size(); ++i) {
    const QChar character = name.at(i);
    const auto category = character.category();
    if (category == QChar::Other_Control || category == QChar::Separator_Line ||
        category == QChar::Separator_Paragraph)
      throw Error(QStringLiteral("Invalid video source name: character %1 is the control character U+%2; "
                                 "a name is one line of visible text")
                      .arg(i + 1)
                      .arg(QString::number(character.unicode(), 16).toUpper().rightJustified(4, u'0')));
  }
}

}  // namespace

VideoSourceEntry VideoSourceEntry::parse(const QString& argument) {
  const qsizetype separator = argument.indexOf(u'=');
  if (separator <= 0 || separator == argument.size() - 1)
    throw Error(QStringLiteral("Invalid video source \"%1\": expected NAME=URI").arg(argument));
  VideoSourceEntry entry{argument.left(separator), argument.mid(separator + 1)};
  checkName(entry.name);
  // Building the source once finds a bad URI here rather than at the first preview.
  QString failure;
  if (!CaptureSource::createSourceElement(entry.uri, &failure))
    throw Error(QStringLiteral("Invalid video source \"%1\": %2").arg(argument, failure));
  return entry;
}

void setVideoSources(const QList<VideoSourceEntry>& sources) { sourceList() = sources; }

const QList<VideoSourceEntry>& videoSources() { return sourceList(); }
