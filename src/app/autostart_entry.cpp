#include "autostart_entry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

// The desktop entry format quotes an argument holding reserved characters, with
// backslash escapes for '"', '`', '$' and '\' inside the quotes.
QString quotedExecArgument(const QString& path) {
  static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
  if (std::none_of(path.begin(), path.end(), [](QChar c) { return reserved.contains(c); }))
    return path;
  QString escaped;
  for (QChar c : path) {
    if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
      escaped += u'\\';
    escaped += c;
  }
  // The file format unescapes backslashes once more before the Exec rules apply.
  escaped.replace(u'\\', QStringLiteral("\\\\"));
  return u'"' + escaped + u'"';
}

}  // namespace

QString AutostartEntry::filePath() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         QStringLiteral("/autostart/Quorvex.desktop");
}

bool AutostartEntry::exists() { return QFileInfo::exists(filePath()); }

void AutostartEntry::write(const QString& programPath) {
  const QString path = filePath();
  QDir().mkpath(QFileInfo(path).path());
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly))
    return;
  const QString entry = QStringLiteral(
                            "[Desktop Entry]\n"
                            "Type=Application\n"
                            "Name=Quorvex\n"
                            "Comment=Camera surveillance\n"
                            "Exec=%1\n"
                            "Icon=quorvex\n"
                            "Terminal=false\n")
                            .arg(quotedExecArgument(programPath));
  file.write(entry.toUtf8());
  file.commit();
}

void AutostartEntry::remove() { QFile::remove(filePath()); }
