#include "console_lines.h"

#include "eventlog/date_time_text.h"

QString logEntryLine(const QDateTime& now, const QString& camera, const QString& key,
                     const QString& category) {
  QString text = key;
  // The key's stamp was taken a moment before; it may be a second older than `now`.
  for (const QDateTime& stamped : {now, now.addSecs(-1)}) {
    const QString stamp = DateTimeText(stamped);
    if (text.endsWith(stamp)) {
      text.chop(stamp.size());
      break;
    }
  }
  const QString separator = QStringLiteral("  ");
  return dateText(now.date()) + u' ' + timeText(now.time()) + separator + camera + separator + category +
         separator + text.trimmed();
}

QString startLine(const StartFacts& facts) {
  QString line = QStringLiteral("Quorvex %1 started: program folder %2, settings %3, ")
                     .arg(facts.version, facts.programFolder, facts.settingsFile);
  line += facts.sources.isEmpty()
              ? QStringLiteral("no video sources")
              : QStringLiteral("video sources ") + facts.sources.join(QStringLiteral(", "));
  if (facts.camera.isEmpty())
    return line + QStringLiteral("; no camera watched");
  line += QStringLiteral("; watching %1, ").arg(facts.camera);
  if (facts.detectionStartsInSeconds < 0)
    return line + QStringLiteral("detection is off (see README: Detect in the camera's settings)");
  return line + QStringLiteral("detection starts in %1 s").arg(facts.detectionStartsInSeconds);
}
